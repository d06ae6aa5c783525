#pragma once

// Writes one export of the window: the catalogue as one tab-delimited text
// file, or one JPEG per element of one image kind into a folder. The elements
// are read on the main thread a slice at a time, so the window stays live and
// shows progress; the files are written on a pool thread. A write that fails
// (a read-only folder, a full disk) ends the export with a message that says
// so; nothing is reported as done that was not written.
// Threads: main thread; the writing runs on a pool thread and reports back here.

#include "model/imagekinds.h"
#include "model/mediaelement.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <memory>

namespace vidarium {

class MediaLibrary;

class ExportJob : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        bool succeeded = false;
        bool cancelled = false;
        QString message; // why it failed, for the alert
        qint64 written = 0; // files written
    };
    // Images read for one trip to the writer, at most.
    static constexpr int ImageBatch = 64;

    explicit ExportJob(MediaLibrary &library, QObject *parent = nullptr);
    ~ExportJob() override;

    void startText(const MediaElementList &elements, const QString &path);
    void startImages(ElementImage image, const MediaElementList &elements, const QString &folder);
    // Stops before the next file; a text file being written is finished first.
    void cancel();
    bool isRunning() const { return m_running; }
    // Whether the writer has the whole text: cancelling no longer stops it.
    bool isWritingText() const { return m_writingText; }
    const Outcome &outcome() const { return m_outcome; }

signals:
    void progressChanged(qint64 done, qint64 total);
    void finished(const vidarium::ExportJob::Outcome &outcome);

private:
    struct ImageFile
    {
        QString name;
        QByteArray data;
    };
    void formatRows();
    void readImages();
    void writeImages(QList<ImageFile> files);
    void finish(Outcome outcome);

    QPointer<MediaLibrary> m_library;
    MediaElementList m_elements;
    QString m_target;
    ElementImage m_image = ElementImage::Poster;
    QStringList m_fieldIdentifiers;
    QStringList m_lines;
    qsizetype m_next = 0;
    bool m_running = false;
    bool m_writingText = false;
    Outcome m_outcome;
    // Shared with the writer, which may outlive this object.
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QFutureWatcher<Outcome> m_writer;
};

} // namespace vidarium
