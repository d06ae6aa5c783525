#include "widgets/movieplayerview.h"

#include "widgets/movieplayer.h"
#include "widgets/videoframeview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vidarium {

namespace {

QString timeText(qint64 milliseconds)
{
    const qint64 seconds = std::max<qint64>(0, milliseconds / 1000);
    const qint64 hours = seconds / 3600;
    const QString minutesSeconds = QStringLiteral("%1:%2")
                                       .arg(hours > 0 ? (seconds / 60) % 60 : seconds / 60,
                                           hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesSeconds) : minutesSeconds;
}

QToolButton *controlButton(QWidget *parent, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIconSize(QSize(18, 18));
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

MoviePlayerView::MoviePlayerView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PlayerView"));
    setFocusPolicy(Qt::StrongFocus);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stage = new QWidget(this);
    m_stage->setObjectName(QStringLiteral("PlayerStage"));
    m_stage->installEventFilter(this);
    auto *layout = new QVBoxLayout(m_stage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_frameView = new VideoFrameView(m_stage);
    layout->addWidget(m_frameView, 1);
    layout->addWidget(buildControls());
    outer->addWidget(m_stage);
    setPlayer(nullptr);
}

MoviePlayerView::~MoviePlayerView()
{
    // A full-screen stage is a window of its own, not a child to be deleted with us.
    if (m_fullScreen)
        delete m_stage;
}

QWidget *MoviePlayerView::buildControls()
{
    auto *bar = new QWidget(m_stage);
    bar->setObjectName(QStringLiteral("PlayerControls"));
    bar->setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 3, 8, 3);
    layout->setSpacing(6);

    m_playButton = controlButton(bar, QStringLiteral("PlayPause"));
    connect(m_playButton, &QToolButton::clicked, this, &MoviePlayerView::togglePlaying);
    m_positionSlider = new QSlider(Qt::Horizontal, bar);
    m_positionSlider->setObjectName(QStringLiteral("Position"));
    m_positionSlider->setFocusPolicy(Qt::NoFocus);
    connect(m_positionSlider, &QSlider::sliderMoved, this, [this](int value) {
        if (m_player)
            m_player->setPosition(value);
    });
    m_timeLabel = new QLabel(bar);
    m_timeLabel->setObjectName(QStringLiteral("Time"));
    m_timeLabel->setMinimumWidth(
        m_timeLabel->fontMetrics().horizontalAdvance(QStringLiteral("00:00 / 00:00")));
    m_timeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *volumeIcon = new QLabel(bar);
    volumeIcon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    m_volumeSlider = new QSlider(Qt::Horizontal, bar);
    m_volumeSlider->setObjectName(QStringLiteral("Volume"));
    m_volumeSlider->setFocusPolicy(Qt::NoFocus);
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setValue(100);
    m_volumeSlider->setFixedWidth(80);
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int value) {
        if (m_player)
            m_player->setVolume(float(value) / 100.0f);
    });
    m_fullScreenButton = controlButton(bar, QStringLiteral("FullScreen"));
    m_fullScreenButton->setIcon(QIcon::fromTheme(
        QStringLiteral("view-fullscreen"), style()->standardIcon(QStyle::SP_TitleBarMaxButton)));
    m_fullScreenButton->setToolTip(tr("Full Screen"));
    connect(
        m_fullScreenButton, &QToolButton::clicked, this, [this] { setFullScreen(!m_fullScreen); });

    layout->addWidget(m_playButton);
    layout->addWidget(m_positionSlider, 1);
    layout->addWidget(m_timeLabel);
    layout->addSpacing(6);
    layout->addWidget(volumeIcon);
    layout->addWidget(m_volumeSlider);
    layout->addWidget(m_fullScreenButton);
    return bar;
}

void MoviePlayerView::setPlayer(MoviePlayer *player)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_player = player;
    if (player) {
        m_connections << connect(
            player, &MoviePlayer::frameChanged, this, &MoviePlayerView::updateFrame);
        m_connections << connect(player, &MoviePlayer::failed, this, &MoviePlayerView::updateFrame);
        m_connections << connect(
            player, &MoviePlayer::playingChanged, this, &MoviePlayerView::updatePlaying);
        m_connections << connect(
            player, &MoviePlayer::positionChanged, this, &MoviePlayerView::updatePosition);
        m_connections << connect(
            player, &MoviePlayer::durationChanged, this, &MoviePlayerView::updatePosition);
        player->setVolume(float(m_volumeSlider->value()) / 100.0f);
    } else if (m_fullScreen) {
        setFullScreen(false);
    }
    m_volumeSlider->setEnabled(!player || player->hasAudioOutput());
    updateFrame();
    updatePlaying();
    updatePosition();
}

MoviePlayer *MoviePlayerView::player() const
{
    return m_player;
}

void MoviePlayerView::togglePlaying()
{
    if (!m_player)
        return;
    if (m_player->isPlaying())
        m_player->pause();
    else
        m_player->play();
}

void MoviePlayerView::updatePlaying()
{
    const bool playing = m_player && m_player->isPlaying();
    m_playButton->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setToolTip(playing ? tr("Pause") : tr("Play"));
    m_playButton->setEnabled(m_player && m_player->errorString().isEmpty());
}

void MoviePlayerView::updatePosition()
{
    const qint64 duration = m_player ? m_player->duration() : 0;
    const qint64 position = m_player ? m_player->position() : 0;
    m_positionSlider->setEnabled(duration > 0);
    m_positionSlider->setRange(0, int(std::min<qint64>(duration, INT_MAX)));
    if (!m_positionSlider->isSliderDown())
        m_positionSlider->setValue(int(std::min<qint64>(position, INT_MAX)));
    m_timeLabel->setText(timeText(position) + QStringLiteral(" / ") + timeText(duration));
}

void MoviePlayerView::updateFrame()
{
    m_frameView->setFrame(m_player ? m_player->currentFrame() : QImage());
    m_frameView->setMessage(m_player ? m_player->errorString() : QString());
    if (m_player && !m_player->errorString().isEmpty())
        updatePlaying();
}

void MoviePlayerView::setFullScreen(bool fullScreen)
{
    if (fullScreen == m_fullScreen)
        return;
    m_fullScreen = fullScreen;
    if (fullScreen) {
        m_stage->setParent(nullptr, Qt::Window);
        m_stage->setWindowTitle(window()->windowTitle());
        m_stage->setFocusPolicy(Qt::StrongFocus);
        m_stage->showFullScreen();
        m_stage->activateWindow();
        m_stage->setFocus(Qt::OtherFocusReason);
    } else {
        m_stage->setParent(this);
        layout()->addWidget(m_stage);
        m_stage->show();
        setFocus(Qt::OtherFocusReason);
    }
    m_fullScreenButton->setIcon(QIcon::fromTheme(
        fullScreen ? QStringLiteral("view-restore") : QStringLiteral("view-fullscreen"),
        style()->standardIcon(
            fullScreen ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton)));
    m_fullScreenButton->setToolTip(fullScreen ? tr("Exit Full Screen") : tr("Full Screen"));
}

bool MoviePlayerView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_stage && m_fullScreen) {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            setFullScreen(false);
            return true;
        }
        if (event->type() == QEvent::Close) {
            event->ignore();
            setFullScreen(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vidarium
