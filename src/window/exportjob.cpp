#include "window/exportjob.h"

#include "document/documentexport.h"
#include "document/tabdelimitedexport.h"
#include "model/medialibrary.h"
#include "platform/backgroundpool.h"
#include "platform/filepath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QtConcurrent>

#include <cerrno>

namespace vidarium {

namespace {

// A slice of rows or images read per turn of the event loop.
constexpr qint64 SliceMs = 12;

ExportJob::Outcome writeBatch(const QList<QString> &names, const QList<QByteArray> &data,
    const QString &folder, const std::shared_ptr<std::atomic<bool>> &cancelled)
{
    ExportJob::Outcome outcome;
    outcome.succeeded = true;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (*cancelled) {
            outcome.cancelled = true;
            break;
        }
        const QString path = DocumentExport::uniqueFileForName(names.at(i), folder);
        errno = 0;
        if (!writeNewFile(path, data.at(i))) {
            // The system's reason (read-only, no space left, name too long) is
            // the one the user can act on.
            const QString reason = errno ? qt_error_string(errno) : QObject::tr("unknown error");
            outcome.succeeded = false;
            outcome.message
                = QObject::tr("\u201c%1\u201d could not be written in \u201c%2\u201d: %3.")
                      .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(folder), reason);
            break;
        }
        ++outcome.written;
    }
    return outcome;
}

} // namespace

ExportJob::ExportJob(MediaLibrary &library, QObject *parent)
    : QObject(parent)
    , m_library(&library)
    , m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
}

ExportJob::~ExportJob()
{
    // The writer finishes its file and stops; it holds no part of this object.
    *m_cancelled = true;
    m_writer.disconnect(this);
}

void ExportJob::startText(const MediaElementList &elements, const QString &path)
{
    if (m_running || !m_library)
        return;
    m_running = true;
    m_elements = elements;
    m_target = path;
    m_fieldIdentifiers = TabDelimitedExport::activeFieldIdentifiers(*m_library);
    m_lines.clear();
    m_lines.reserve(elements.size() + 1);
    m_lines.append(TabDelimitedExport::tabDelimitedHeader(*m_library));
    m_next = 0;
    emit progressChanged(0, m_elements.size());
    QTimer::singleShot(0, this, &ExportJob::formatRows);
}

void ExportJob::formatRows()
{
    if (*m_cancelled || !m_library) {
        finish({ false, true, {}, 0 });
        return;
    }
    QElapsedTimer slice;
    slice.start();
    while (m_next < m_elements.size() && slice.elapsed() < SliceMs) {
        const qsizetype end = std::min(m_next + 100, m_elements.size());
        for (; m_next < end; ++m_next)
            m_lines.append(TabDelimitedExport::row(*m_elements.at(m_next), m_fieldIdentifiers));
    }
    emit progressChanged(m_next, m_elements.size());
    if (m_next < m_elements.size()) {
        QTimer::singleShot(0, this, &ExportJob::formatRows);
        return;
    }
    m_writingText = true;
    m_elements.clear();
    connect(
        &m_writer, &QFutureWatcher<Outcome>::finished, this, [this] { finish(m_writer.result()); },
        Qt::SingleShotConnection);
    m_writer.setFuture(QtConcurrent::run(
        &backgroundPool(), [lines = std::exchange(m_lines, {}), path = m_target]() -> Outcome {
            const Result<void> written
                = TabDelimitedExport::writeFile(path, lines.join(QLatin1Char('\n')));
            if (!written)
                return { false, false, written.error().message(), 0 };
            return { true, false, {}, 1 };
        }));
}

void ExportJob::startImages(
    ElementImage image, const MediaElementList &elements, const QString &folder)
{
    if (m_running || !m_library)
        return;
    m_running = true;
    m_image = image;
    m_elements = elements;
    m_target = folder;
    m_next = 0;
    if (!QFileInfo(folder).isDir()) {
        finish({ false, false,
            tr("\u201c%1\u201d is not a folder.").arg(QDir::toNativeSeparators(folder)), 0 });
        return;
    }
    emit progressChanged(0, m_elements.size());
    QTimer::singleShot(0, this, &ExportJob::readImages);
}

void ExportJob::readImages()
{
    if (*m_cancelled || !m_library) {
        finish({ false, true, {}, m_outcome.written });
        return;
    }
    if (m_next >= m_elements.size()) {
        finish({ true, false, {}, m_outcome.written });
        return;
    }
    QElapsedTimer slice;
    slice.start();
    QList<ImageFile> files;
    while (m_next < m_elements.size() && files.size() < ImageBatch && slice.elapsed() < SliceMs) {
        const MediaElement &element = *m_elements.at(m_next++);
        // Elements without the image are left out, as the export always did.
        QByteArray data = m_library->imageDataForElement(m_image, element);
        if (!data.isEmpty())
            files.append({ element.name(), std::move(data) });
    }
    emit progressChanged(m_next, m_elements.size());
    if (files.isEmpty()) {
        QTimer::singleShot(0, this, &ExportJob::readImages);
        return;
    }
    writeImages(std::move(files));
}

void ExportJob::writeImages(QList<ImageFile> files)
{
    QList<QString> names;
    QList<QByteArray> data;
    for (ImageFile &file : files) {
        names.append(file.name);
        data.append(std::move(file.data));
    }
    connect(
        &m_writer, &QFutureWatcher<Outcome>::finished, this,
        [this] {
            const Outcome batch = m_writer.result();
            m_outcome.written += batch.written;
            if (batch.succeeded) {
                readImages();
                return;
            }
            const QString before = m_outcome.written == 1
                ? tr("1 image was exported before.")
                : tr("%1 images were exported before.").arg(m_outcome.written);
            finish({ false, false, batch.message + QLatin1Char(' ') + before, m_outcome.written });
        },
        Qt::SingleShotConnection);
    m_writer.setFuture(
        QtConcurrent::run(&backgroundPool(), writeBatch, names, data, m_target, m_cancelled));
}

void ExportJob::cancel()
{
    *m_cancelled = true;
}

void ExportJob::finish(Outcome outcome)
{
    if (!m_running)
        return;
    m_running = false;
    m_writingText = false;
    m_elements.clear();
    m_lines.clear();
    m_outcome = std::move(outcome);
    emit finished(m_outcome);
}

} // namespace vidarium
