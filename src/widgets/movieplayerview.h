#pragma once

// The player in the window: the video fitted inside the view keeping its
// aspect, and below it our own controls (play/pause, position, time, volume,
// full screen). A file that cannot be played says so in place of the picture.
// Threads: main thread.

#include <QPointer>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace vidarium {

class MoviePlayer;
class VideoFrameView;

class MoviePlayerView : public QWidget
{
    Q_OBJECT
public:
    explicit MoviePlayerView(QWidget *parent = nullptr);
    ~MoviePlayerView() override;

    // The player the view shows and drives; null drops it (the view is then empty).
    // The view does not own it.
    void setPlayer(MoviePlayer *player);
    MoviePlayer *player() const;

    // Full screen shows the picture and the controls alone on the screen;
    // Escape or the button brings them back into the window.
    void setFullScreen(bool fullScreen);
    bool isFullScreen() const { return m_fullScreen; }

    VideoFrameView *frameView() const { return m_frameView; }
    QToolButton *playButton() const { return m_playButton; }
    QSlider *positionSlider() const { return m_positionSlider; }
    QSlider *volumeSlider() const { return m_volumeSlider; }
    QToolButton *fullScreenButton() const { return m_fullScreenButton; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildControls();
    void togglePlaying();
    void updatePlaying();
    void updatePosition();
    void updateFrame();

    QWidget *m_stage = nullptr; // the picture and the controls; leaves for full screen
    VideoFrameView *m_frameView = nullptr;
    QToolButton *m_playButton = nullptr;
    QSlider *m_positionSlider = nullptr;
    QLabel *m_timeLabel = nullptr;
    QSlider *m_volumeSlider = nullptr;
    QToolButton *m_fullScreenButton = nullptr;
    QPointer<MoviePlayer> m_player;
    QList<QMetaObject::Connection> m_connections;
    bool m_fullScreen = false;
};

} // namespace vidarium
