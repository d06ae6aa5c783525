#pragma once

// What the four sections of the detail inspector share: the library document
// and the inspector's view of the selection, a content view, the title and the
// setting under which the section's expanded state is kept, and announcing
// that the content's height may have changed. Subclasses fill the content and
// follow the selection.
// Threads: main thread.

#include "platform/notificationcenter.h"
#include "widgets/stackingsectionview.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

namespace vidarium {

class DetailSelection;
class Document;

namespace DetailNotification {
inline const QString ContentDidChangeSize
    = QStringLiteral("com.tallowmere.vidarium.DetailContentDidChangeSizeNotification");
inline const QString DidAddKeyword
    = QStringLiteral("com.tallowmere.vidarium.DetailDidAddKeywordNotification");
inline const QString DidRenameKeyword
    = QStringLiteral("com.tallowmere.vidarium.DetailDidRenameKeywordNotification");
inline const QString DidRemoveKeywords
    = QStringLiteral("com.tallowmere.vidarium.DetailDidRemoveKeywordsNotification");
} // namespace DetailNotification

class DetailSectionController : public QObject, public StackingSectionDelegate
{
    Q_OBJECT
public:
    // `name` is the section's name in the settings and the log ("Properties").
    DetailSectionController(const QString &name, const QString &title, Document &document,
        const DetailSelection &selection, QObject *parent = nullptr);
    ~DetailSectionController() override;

    QWidget *view() const { return m_view; }
    const QString &title() const { return m_title; }
    // The section's key in the settings' "DetailVisibility" ("PropertiesExpanded").
    QString expandedKey() const;
    // As stored; a missing entry counts as collapsed.
    bool storedExpanded() const;
    bool isExpanded() const { return m_expanded; }

    void sectionViewWillExpand() override;
    void sectionViewWillCollapse() override;

    // The selection (or what it shows) changed.
    virtual void selectionDidChange() = 0;
    // Stops observing before the window closes.
    virtual void cleanup();
    bool isCleanedUp() const { return m_cleanedUp; }

    // Posts the size notification now; the inspector lays out again.
    void postContentSizeChanged();

protected:
    void setView(QWidget *view);
    Document &document() const { return m_document; }
    const DetailSelection &selection() const { return m_selection; }
    QVariantMap libraryInfo() const;
    // Posted once the current event is handled, unless the section was cleaned up.
    void postLater(const QString &name, const QVariantMap &extra = {});
    virtual void willCollapse() { }
    void storeExpanded(bool expanded);
    QList<ObserverToken> m_observers;

private:
    QString m_name;
    QString m_title;
    Document &m_document;
    const DetailSelection &m_selection;
    QPointer<QWidget> m_view;
    bool m_expanded = false;
    bool m_cleanedUp = false;
};

} // namespace vidarium
