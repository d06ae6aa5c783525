// Playback in the storyboard pane: the delayed start, pause and resume, stop,
// and the divider moves that make room for the movie.

#include "window/storyboardviewcontroller.h"

#include "import/elementopener.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "widgets/movieplayer.h"
#include "widgets/movieplayerview.h"
#include "widgets/splitview.h"
#include "window/documentwindowcontroller.h"

#include <QApplication>
#include <QStackedWidget>

#include <algorithm>

namespace vidarium {

bool StoryboardViewController::resizesPlayerView() const
{
    return UserDefaults::standard().boolForKey(SettingKey::ResizePlayerView);
}

MoviePlayer *StoryboardViewController::player() const
{
    return m_player;
}

bool StoryboardViewController::playerViewEnabled() const
{
    return m_tabView->currentIndex() == PlayerTab;
}

void StoryboardViewController::playMovie()
{
    if (!m_element || isCleanedUp())
        return;
    if (playerViewEnabled()) {
        if (m_player && m_player->isPlaying())
            m_player->pause();
        else if (m_player)
            m_player->play();
        return;
    }
    if (m_startTimer.isActive())
        return;
    if (resizesPlayerView())
        resizeForMovie();
    // The start plays this element or nothing: a selection change, Stop or the
    // window closing drop it before it runs.
    m_pendingElement = m_element;
    // The file is opened while the delay runs, so the first frame follows the
    // start closely; nothing plays (or is counted) before the start.
    prepareMovie(m_element);
    m_startTimer.start();
    emit stateChanged();
}

void StoryboardViewController::prepareMovie(const MediaElementPtr &element)
{
    dropPlayer();
    m_player = new MoviePlayer(this);
    // Counted once the movie really plays; a file that cannot be played
    // shows why in the player and counts nothing.
    const std::weak_ptr<MediaElement> played = element;
    connect(m_player, &MoviePlayer::started, this, [this, played] {
        const MediaElementPtr shown = played.lock();
        if (!shown || shown != m_element || isCleanedUp())
            return;
        ElementOpener::recordPlay(*shown, this);
        emit movieStarted();
    });
    m_player->load(element->path());
}

void StoryboardViewController::startMovie()
{
    const MediaElementPtr element = std::exchange(m_pendingElement, nullptr);
    if (!element || element != m_element || isCleanedUp()) {
        dropPlayer();
        return;
    }
    m_movieStarting = true;
    m_tabView->setCurrentIndex(PlayerTab);
    if (!m_player)
        prepareMovie(element);
    m_playerView->setPlayer(m_player);
    m_player->play();

    if (QWidget *window = m_tabView->window()) {
        QWidget *focus = window->focusWidget();
        if (focus && !m_playerView->isAncestorOf(focus) && focus != m_playerView)
            m_responder = focus;
    }
    m_playerView->setFocus(Qt::OtherFocusReason);
    m_movieStarting = false;
    emit stateChanged();
}

void StoryboardViewController::stopMovie()
{
    if (m_movieStarting)
        return;
    if (m_startTimer.isActive()) {
        m_startTimer.stop();
        m_pendingElement.reset();
        dropPlayer();
        // The divider already moved for the movie that will not come.
        if (!playerViewEnabled() && resizesPlayerView())
            resizeForStoryboard();
        emit stateChanged();
    }
    if (!playerViewEnabled())
        return;
    if (m_player && m_player->isPlaying())
        m_player->pause();
    QWidget *focus = QApplication::focusWidget();
    if (focus && (focus == m_playerView || m_playerView->isAncestorOf(focus)) && m_responder)
        m_responder->setFocus(Qt::OtherFocusReason);
    dropPlayer();
    m_tabView->setCurrentIndex(FramesTab);
    if (resizesPlayerView())
        resizeForStoryboard();
    emit stateChanged();
}

void StoryboardViewController::dropPlayer()
{
    // The views go with the window; the player may outlive them by a moment.
    if (view()) {
        m_playerView->setFullScreen(false);
        m_playerView->setPlayer(nullptr);
    }
    if (m_player) {
        m_player->clear();
        m_player->deleteLater();
        m_player = nullptr;
    }
}

void StoryboardViewController::resizeForMovie()
{
    if (!m_element)
        return;
    const qint64 wide = m_element->pixelsWide();
    const qint64 high = m_element->pixelsHigh();
    // A movie whose size is not known yet gives nothing to fit.
    if (wide <= 0 || high <= 0)
        return;
    const float width = float(m_tabView->width());
    moveDivider(width * float(high) / float(wide) - float(m_tabView->height()));
}

void StoryboardViewController::resizeForStoryboard()
{
    moveDivider(double(storyboardWireframe().height() + 8 - m_tabView->height()));
}

void StoryboardViewController::moveDivider(double extraHeight)
{
    SplitView *split = m_window.itemsSplitView();
    if (!split || split->count() < 2 || !std::isfinite(extraHeight))
        return;
    const SplitView::PaneLimits above = split->paneLimits(0);
    const SplitView::PaneLimits below = split->paneLimits(1);
    const double available = split->height() - split->handleWidth() - below.minimum;
    const double maximum = std::min<double>(above.maximum, available);
    const double minimum = above.minimum;
    const double position = split->dividerPosition(0) + extraHeight;
    split->setDividerPosition(0, std::clamp(position, minimum, std::max(minimum, maximum)), true);
}

} // namespace vidarium
