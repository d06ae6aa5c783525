#pragma once

// The detail inspector pane: the properties, comments, keywords and poster of
// the elements selected in the items pane, in four collapsible sections whose
// expanded state the library's settings keep. It follows the items pane's
// selection (and changes of the selected elements) once the event that
// changed them is handled, so a burst of changes costs one update.
// Threads: main thread.

#include "model/mediaelement.h"
#include "platform/notificationcenter.h"
#include "window/detailselection.h"
#include "window/panecontroller.h"

#include <QHash>
#include <QPointer>
#include <QSet>

namespace vidarium {

class CommentsSectionViewController;
class DetailSectionController;
class StackingView;
class ItemsViewController;
class KeywordsSectionViewController;
class PosterSectionViewController;
class PropertiesSectionViewController;

class DetailViewController : public PaneController
{
    Q_OBJECT
public:
    static inline const QString PropertiesKey = QStringLiteral("DetailPropertiesViewControllerKey");
    static inline const QString CommentsKey = QStringLiteral("DetailCommentsViewControllerKey");
    static inline const QString KeywordsKey = QStringLiteral("DetailKeywordsViewControllerKey");
    static inline const QString PosterKey = QStringLiteral("DetailPosterViewControllerKey");

    // Without an items pane the selection is set with setSelectedElements().
    DetailViewController(
        Document &document, ItemsViewController *items = nullptr, QObject *parent = nullptr);
    ~DetailViewController() override;

    StackingView *stackingView() const { return m_stackingView; }
    DetailSectionController *viewController(const QString &key) const
    {
        return m_viewControllers.value(key);
    }
    PropertiesSectionViewController *properties() const;
    CommentsSectionViewController *comments() const;
    KeywordsSectionViewController *keywords() const;
    PosterSectionViewController *poster() const;
    const DetailSelection &selection() const { return m_selection; }

    void setSelectedElements(const MediaElementList &elements);
    // Reads the items pane's selection and updates every section now.
    void updateNow();
    bool isUpdatePending() const { return m_updatePending; }

    void cleanup() override;

private:
    void buildSections();
    void scheduleUpdate();
    void applySelection(const MediaElementList &elements);
    void elementValuesChanged(const QString &identifier);
    bool concernsThisLibrary(const Notification &note) const;

    QPointer<ItemsViewController> m_items;
    StackingView *m_stackingView = nullptr;
    QHash<QString, DetailSectionController *> m_viewControllers;
    QList<DetailSectionController *> m_sections;
    DetailSelection m_selection;
    // The selected identifiers, made when a change of some element needs them.
    mutable QSet<QString> m_selectedIdentifiers;
    mutable bool m_identifiersValid = false;
    QList<ObserverToken> m_observers;
    bool m_updatePending = false;
};

} // namespace vidarium
