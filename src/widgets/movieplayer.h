#pragma once

// Plays one video file: decoding and timing by Qt Multimedia on its FFmpeg
// back-end, each shown frame turned into an image off the main thread and
// handed to the main thread, sound only when the machine has an output device.
// Reports once per file that playback really started, or why it cannot.
// Threads: main thread; frames are converted on the decoder's render thread.

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

class QAudioOutput;
class QMediaPlayer;
class QVideoSink;

namespace vidarium {

struct FrameMailbox;

class MoviePlayer : public QObject
{
    Q_OBJECT
public:
    explicit MoviePlayer(QObject *parent = nullptr);
    ~MoviePlayer() override;

    // Whether Qt Multimedia found a back-end that can decode at all (false when
    // its plug-ins are not installed).
    static bool isAvailable();

    // Opens the file without starting it. Any path works, spaces, "#" and "%"
    // included: it is handed over as a local-file URL, never parsed as one.
    void load(const QString &path);
    // Opens the file and starts it.
    void playFile(const QString &path);
    void play();
    void pause();
    // Stops and lets go of the file.
    void clear();

    QString filePath() const { return m_path; }
    // The "rate above 0" of the player: true while playing.
    bool isPlaying() const;
    bool hasStarted() const { return m_started; }
    // Why the file cannot be played; empty while it can.
    QString errorString() const { return m_error; }
    bool hasAudioOutput() const { return m_audio != nullptr; }
    qint64 position() const;
    qint64 duration() const;
    void setPosition(qint64 milliseconds);
    // 0 to 1; remembered even without an output device.
    void setVolume(float volume);
    float volume() const { return m_volume; }
    // The latest frame shown, converted.
    const QImage &currentFrame() const { return m_frame; }
    int framesShown() const { return m_framesShown; }

signals:
    // Once per file: the first frame arrived (or, for a file without video,
    // the media was loaded while playing).
    void started();
    void failed(const QString &message);
    void frameChanged();
    void playingChanged(bool playing);
    void positionChanged(qint64 milliseconds);
    void durationChanged(qint64 milliseconds);

private:
    void connectPlayer();
    void takeFrame();
    void mediaStatusChanged();
    void fail(const QString &message);
    void markStarted();

    QMediaPlayer *m_player = nullptr;
    QVideoSink *m_sink = nullptr;
    QAudioOutput *m_audio = nullptr;
    QString m_path;
    QString m_error;
    QImage m_frame;
    float m_volume = 1.0f;
    bool m_started = false;
    int m_framesShown = 0;
    // At most one converted frame waits for the main thread, the newest; frames
    // of an earlier file are dropped when they arrive late.
    std::shared_ptr<FrameMailbox> m_mailbox;
};

} // namespace vidarium
