#include "imagecache.h"

#include "model/medialibrary.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QThreadPool>

#include <algorithm>

namespace vidarium {

namespace {

// Requests beyond this many were scrolled past long ago; a view still showing
// one asks again when it paints.
constexpr size_t MaximumWaiting = 256;
// What a failed entry costs, so that failures too leave the cache in time.
constexpr qsizetype FailedCost = 256;

// A JPEG cut short still decodes, with its missing part grey: one that does
// not end with its end-of-image marker is treated as damaged.
bool truncatedJpeg(const QByteArray &bytes)
{
    if (!bytes.startsWith("\xFF\xD8"))
        return false;
    // Some writers pad after the marker; a few bytes of slack allow for that.
    const qsizetype tail = std::min<qsizetype>(bytes.size(), 32);
    return !bytes.right(tail).contains("\xFF\xD9");
}

} // namespace

ImageCache::ImageCache(qint64 maximumBytes, Source source, QObject *parent)
    : QObject(parent)
    , m_source(std::move(source))
    , m_cache(std::max<qint64>(maximumBytes, 1))
    , m_pool(std::make_unique<QThreadPool>())
{
    m_pool->setMaxThreadCount(std::max(1, std::min(QThread::idealThreadCount(), 2)));
    m_pool->setExpiryTimeout(5000);
}

ImageCache::~ImageCache()
{
    // No worker may post to this object once it is gone.
    m_pool->clear();
    m_pool->waitForDone();
}

ImageCache::Source ImageCache::librarySource(MediaLibrary &library, ElementImage image)
{
    QPointer<MediaLibrary> guard(&library);
    return [guard, image](const QString &identifier) -> std::function<QByteArray()> {
        if (!guard)
            return {};
        const MediaElementPtr element = guard->elementWithIdentifier(identifier);
        return element ? guard->imageReaderForElement(image, *element)
                       : std::function<QByteArray()>();
    };
}

QImage ImageCache::image(const QString &identifier, quint64 version)
{
    const Entry *entry = m_cache.object(identifier);
    if (entry && entry->version == version)
        return entry->image;
    enqueue(identifier, version);
    // An older picture of the element beats a placeholder while the new one decodes.
    return entry ? entry->image : QImage();
}

bool ImageCache::failed(const QString &identifier, quint64 version) const
{
    const Entry *entry = m_cache.object(identifier);
    return entry && entry->version == version && entry->image.isNull();
}

bool ImageCache::contains(const QString &identifier, quint64 version) const
{
    const Entry *entry = m_cache.object(identifier);
    return entry && entry->version == version;
}

void ImageCache::invalidate(const QString &identifier)
{
    m_cache.remove(identifier);
    m_pending.remove(identifier);
}

void ImageCache::clear()
{
    ++m_generation;
    m_cache.clear();
    m_pending.clear();
    m_waiting.clear();
}

void ImageCache::enqueue(const QString &identifier, quint64 version)
{
    const auto pending = m_pending.constFind(identifier);
    if (pending != m_pending.cend() && *pending == version)
        return;
    m_pending.insert(identifier, version);
    m_waiting.push_back({ identifier, version });
    while (m_waiting.size() > MaximumWaiting) {
        const Request &oldest = m_waiting.front();
        if (m_pending.value(oldest.identifier) == oldest.version)
            m_pending.remove(oldest.identifier);
        m_waiting.pop_front();
    }
    startNext();
}

void ImageCache::startNext()
{
    while (m_running < m_pool->maxThreadCount() && !m_waiting.empty()) {
        const Request request = m_waiting.back();
        m_waiting.pop_back();
        // A request made again at another version, or dropped, is stale.
        const auto pending = m_pending.constFind(request.identifier);
        if (pending == m_pending.cend() || *pending != request.version)
            continue;
        std::function<QByteArray()> read = m_source ? m_source(request.identifier) : nullptr;
        ++m_running;
        const quint64 generation = m_generation;
        const QSize maximum = m_maximumDecodeSize;
        m_pool->start([this, generation, request, maximum, read = std::move(read)] {
            const QImage image = read ? decode(read(), maximum) : QImage();
            QMetaObject::invokeMethod(
                this, [this, generation, request, image] { finished(generation, request, image); },
                Qt::QueuedConnection);
        });
    }
}

void ImageCache::finished(quint64 generation, const Request &request, const QImage &image)
{
    --m_running;
    const auto pending = m_pending.constFind(request.identifier);
    if (generation == m_generation && pending != m_pending.cend() && *pending == request.version) {
        m_pending.erase(pending);
        QImage kept = image;
        qsizetype cost = kept.isNull() ? FailedCost : std::max(kept.sizeInBytes(), FailedCost);
        // An image larger than the whole budget could never stay: it counts as
        // unreadable rather than being decoded again on every paint.
        if (cost > m_cache.maxCost()) {
            kept = QImage();
            cost = FailedCost;
        }
        m_cache.insert(request.identifier, new Entry { kept, request.version }, cost);
        emit imageReady(request.identifier);
    }
    startNext();
}

bool ImageCache::waitForIdle(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (pendingCount() > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return pendingCount() == 0;
}

QImage ImageCache::decode(const QByteArray &bytes, const QSize &maximum)
{
    if (bytes.isEmpty() || truncatedJpeg(bytes))
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid() && !maximum.isEmpty()
        && (size.width() > maximum.width() || size.height() > maximum.height()))
        reader.setScaledSize(size.scaled(maximum, Qt::KeepAspectRatio).expandedTo({ 1, 1 }));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // Painted many times a second while scrolling: the fastest format to draw.
    return image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

} // namespace vidarium
