#pragma once

// What the five panes of the library window have in common: made with the
// library's document and a layout name, a view the window puts into its split
// view, an optional restore of the pane's own dividers from the window metrics,
// and cleanup when the document closes (observations end there).
// Threads: main thread.

#include "platform/plist/plistvalue.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace vidarium {

class Document;

class PaneController : public QObject
{
    Q_OBJECT
public:
    PaneController(const QString &nibName, Document &document, QObject *parent = nullptr);
    ~PaneController() override;

    const QString &nibName() const { return m_nibName; }
    Document &document() const { return m_document; }
    // The pane's view; the window's split view owns it once inserted.
    QWidget *view() const { return m_view; }

    // Panes with split views of their own restore them from the window metrics.
    virtual bool hasSplitView() const { return false; }
    virtual void resizeSplitViewWithMetrics(const PlistDictionary &metrics);
    // Stops observing; the pane does nothing after this.
    virtual void cleanup();
    bool isCleanedUp() const { return m_cleanedUp; }

signals:
    // The pane's selection or state changed: the window re-validates its commands.
    void stateChanged();

protected:
    void setView(QWidget *view);
    // A simple stand-in for a pane whose own content is not there yet.
    static QWidget *placeholderView(const QString &title);

private:
    QString m_nibName;
    Document &m_document;
    QPointer<QWidget> m_view;
    bool m_cleanedUp = false;
};

} // namespace vidarium
