#pragma once

// The storyboard and player pane: the storyboard of the one selected element
// (or the empty grid of the library's storyboard settings), dragged out as a
// JPEG file, and, while a movie plays, the player in its place. Playing starts
// half a second after it is asked for, so the divider can move first; the
// start belongs to the element it was asked for and is dropped when the
// selection changes, Stop is chosen or the window closes.
// Threads: main thread; storyboard images are decoded on a worker.

#include "model/mediaelement.h"
#include "platform/notificationcenter.h"
#include "window/panecontroller.h"

#include <QImage>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <vector>

class QMimeData;
class QScrollArea;
class QStackedWidget;
class QTemporaryDir;

namespace vidarium {

class DocumentWindowController;
class MoviePlayer;
class MoviePlayerView;
class StoryboardView;

class StoryboardViewController : public PaneController
{
    Q_OBJECT
public:
    static constexpr int StartDelayMs = 500;
    enum Tab { FramesTab = 0, PlayerTab = 1 };

    StoryboardViewController(
        Document &document, DocumentWindowController &window, QObject *parent = nullptr);
    ~StoryboardViewController() override;

    // Whether the player is showing (the stop command is then available).
    bool playerViewEnabled() const;
    // Starts playback after the delay, or pauses and resumes the player showing.
    void playMovie();
    void stopMovie();
    // Move the divider above the items to fit the video, or the storyboard.
    void resizeForMovie();
    void resizeForStoryboard();

    // The element shown: the one selected element, or none.
    const MediaElementPtr &element() const { return m_element; }
    // Shows the element's storyboard, or the wireframe without one.
    void updateStoryboardImage();
    QImage storyboardWireframe() const;
    // What dragging the storyboard out carries: the JPEG written into `folder`
    // under the element's name (never over an existing file) as a file URL and
    // as image data. Null without an element or without a storyboard.
    QMimeData *storyboardMimeData(const QString &folder) const;

    bool isStartPending() const { return m_startTimer.isActive(); }
    StoryboardView *storyboardView() const { return m_storyboardView; }
    MoviePlayerView *playerView() const { return m_playerView; }
    MoviePlayer *player() const;
    QScrollArea *scrollArea() const { return m_scrollArea; }

    void cleanup() override;

signals:
    // A play was counted: the movie really started.
    void movieStarted();
    // The storyboard view shows a new picture (a storyboard or the wireframe).
    void storyboardShown();

private:
    void buildView();
    void observe();
    void selectionChanged();
    void libraryDidAddStoryboard(const Notification &note);
    void documentDefaultsDidChange(const Notification &note);
    void showDecodedStoryboard(const QImage &image, quint64 generation);
    QMimeData *dragStoryboard();
    void prepareMovie(const MediaElementPtr &element);
    void startMovie();
    void dropPlayer();
    void moveDivider(double extraHeight);
    bool resizesPlayerView() const;

    DocumentWindowController &m_window;
    MediaElementPtr m_element;
    // The element a scheduled start plays; it is played only while still shown.
    MediaElementPtr m_pendingElement;
    QPointer<QWidget> m_responder;
    QStackedWidget *m_tabView = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    StoryboardView *m_storyboardView = nullptr;
    MoviePlayerView *m_playerView = nullptr;
    QPointer<MoviePlayer> m_player;
    QTimer m_startTimer;
    bool m_movieStarting = false;
    // Decodes that finish after a newer request are dropped.
    quint64 m_imageGeneration = 0;
    std::vector<std::unique_ptr<QTemporaryDir>> m_dragFolders;
    QList<ObserverToken> m_observers;
    QMetaObject::Connection m_selectionConnection;
};

} // namespace vidarium
