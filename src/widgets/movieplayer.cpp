#include "widgets/movieplayer.h"

#include "platform/backgroundpool.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <QtConcurrent/QtConcurrentRun>

namespace vidarium {

namespace {

// Qt's GStreamer back-end would decode with other codecs than the importer;
// the FFmpeg one uses the very libraries that read the file during import.
// Read when Qt Multimedia is first used, so it is set before that.
void chooseBackend()
{
    static const bool chosen = [] {
        if (!qEnvironmentVariableIsSet("QT_MEDIA_BACKEND"))
            qputenv("QT_MEDIA_BACKEND", "ffmpeg");
        return true;
    }();
    Q_UNUSED(chosen);
}

} // namespace

// The newest converted frame, waiting for the main thread. Shared with the
// render thread, which may outlive the player by a frame.
struct FrameMailbox
{
    QMutex mutex;
    QImage image; // guarded by mutex
    quint64 generation = 0; // guarded by mutex
    std::atomic<bool> pending { false };
    std::atomic<quint64> currentGeneration { 0 };
};

bool MoviePlayer::isAvailable()
{
    chooseBackend();
    return !QMediaFormat().supportedVideoCodecs(QMediaFormat::Decode).isEmpty();
}

MoviePlayer::MoviePlayer(QObject *parent)
    : QObject(parent)
    , m_mailbox(std::make_shared<FrameMailbox>())
{
    chooseBackend();
    m_player = new QMediaPlayer(this);
    m_sink = new QVideoSink(this);
    m_player->setVideoSink(m_sink);
    // Qt 6.4's FFmpeg back-end crashes writing sound when there is no device to
    // write to (a server, a test machine): the video then plays silently.
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        m_audio = new QAudioOutput(QMediaDevices::defaultAudioOutput(), this);
        m_player->setAudioOutput(m_audio);
    }
    connectPlayer();
}

MoviePlayer::~MoviePlayer()
{
    m_mailbox->currentGeneration.fetch_add(1);
    m_player->stop();
}

void MoviePlayer::connectPlayer()
{
    // Direct: the sink reports on the render thread, where the conversion belongs.
    std::shared_ptr<FrameMailbox> mailbox = m_mailbox;
    QPointer<MoviePlayer> self(this);
    connect(
        m_sink, &QVideoSink::videoFrameChanged, m_sink,
        [mailbox, self](const QVideoFrame &frame) {
            if (!frame.isValid())
                return;
            const quint64 generation = mailbox->currentGeneration.load();
            auto deliver = [mailbox, self, frame, generation] {
                QImage image = frame.toImage();
                if (image.isNull())
                    return;
                {
                    QMutexLocker lock(&mailbox->mutex);
                    mailbox->image = std::move(image);
                    mailbox->generation = generation;
                }
                if (!mailbox->pending.exchange(true))
                    QMetaObject::invokeMethod(
                        qApp,
                        [mailbox, self] {
                            mailbox->pending = false;
                            if (self)
                                self->takeFrame();
                        },
                        Qt::QueuedConnection);
            };
            if (QThread::currentThread() == qApp->thread())
                (void)QtConcurrent::run(&backgroundPool(), deliver);
            else
                deliver();
        },
        Qt::DirectConnection);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MoviePlayer::mediaStatusChanged);
    connect(m_player, &QMediaPlayer::errorOccurred, this,
        [this](QMediaPlayer::Error error, const QString &message) {
            if (error != QMediaPlayer::NoError)
                fail(message.isEmpty() ? tr("The movie cannot be played.") : message);
        });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this,
        [this](QMediaPlayer::PlaybackState state) {
            emit playingChanged(state == QMediaPlayer::PlayingState);
            // A file loaded before it was started reports no new status.
            mediaStatusChanged();
        });
    connect(m_player, &QMediaPlayer::positionChanged, this, &MoviePlayer::positionChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &MoviePlayer::durationChanged);
}

void MoviePlayer::takeFrame()
{
    QImage image;
    {
        QMutexLocker lock(&m_mailbox->mutex);
        if (m_mailbox->generation != m_mailbox->currentGeneration.load())
            return;
        image = std::move(m_mailbox->image);
        m_mailbox->image = QImage();
    }
    if (image.isNull())
        return;
    m_frame = std::move(image);
    ++m_framesShown;
    markStarted();
    emit frameChanged();
}

void MoviePlayer::load(const QString &path)
{
    clear();
    m_path = path;
    if (!QFileInfo(path).isFile()) {
        fail(tr("The file “%1” cannot be found.").arg(QFileInfo(path).fileName()));
        return;
    }
    // fromLocalFile keeps "#", "%" and spaces as part of the name.
    m_player->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

void MoviePlayer::playFile(const QString &path)
{
    load(path);
    play();
}

void MoviePlayer::play()
{
    if (!m_path.isEmpty() && m_error.isEmpty())
        m_player->play();
}

void MoviePlayer::pause()
{
    m_player->pause();
}

void MoviePlayer::clear()
{
    m_mailbox->currentGeneration.fetch_add(1);
    m_player->stop();
    m_player->setSource(QUrl());
    m_path.clear();
    m_error.clear();
    m_frame = QImage();
    m_started = false;
    m_framesShown = 0;
    emit frameChanged();
}

bool MoviePlayer::isPlaying() const
{
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

qint64 MoviePlayer::position() const
{
    return m_player->position();
}

qint64 MoviePlayer::duration() const
{
    return m_player->duration();
}

void MoviePlayer::setPosition(qint64 milliseconds)
{
    m_player->setPosition(milliseconds);
}

void MoviePlayer::setVolume(float volume)
{
    m_volume = std::clamp(volume, 0.0f, 1.0f);
    if (m_audio)
        m_audio->setVolume(m_volume);
}

void MoviePlayer::mediaStatusChanged()
{
    switch (m_player->mediaStatus()) {
    case QMediaPlayer::InvalidMedia:
        fail(m_player->errorString().isEmpty() ? tr("The movie cannot be played.")
                                               : m_player->errorString());
        break;
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        // A file of sound alone shows no frame; it has started once loaded.
        if (isPlaying() && !m_player->hasVideo())
            markStarted();
        break;
    default:
        break;
    }
}

void MoviePlayer::fail(const QString &message)
{
    if (!m_error.isEmpty())
        return;
    m_error = message;
    m_player->stop();
    emit failed(message);
}

void MoviePlayer::markStarted()
{
    if (m_started || !m_error.isEmpty())
        return;
    m_started = true;
    emit started();
}

} // namespace vidarium
