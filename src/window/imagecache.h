#pragma once

// Decoded element images for the views that show many of them: the bytes are
// read and decoded on a small pool of its own, kept in a least-recently-used
// cache bounded by bytes, and announced by the identifier of the element whose
// image arrived, so a view repaints that one item. The latest requests are
// served first (what is on screen now), and requests scrolled past long ago
// are dropped. A damaged or missing image is remembered as failed, so it is
// painted as a placeholder and not read again until its version changes.
// Threads: main thread; reading and decoding on the cache's own pool.

#include "model/imagekinds.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>

class QThreadPool;

namespace vidarium {

class MediaElement;
class MediaLibrary;

class ImageCache : public QObject
{
    Q_OBJECT
public:
    // Runs on the main thread when an image is missing: gives back what reads
    // its bytes on a worker (or nothing when there is nothing to read).
    using Source = std::function<std::function<QByteArray()>(const QString &identifier)>;

    ImageCache(qint64 maximumBytes, Source source, QObject *parent = nullptr);
    ~ImageCache() override;

    // A source for one kind of image of a library's elements.
    static Source librarySource(MediaLibrary &library, ElementImage image);

    // The decoded image, or a null image while it is being read (the read is
    // queued now) and when it could not be read. `version` changes when the
    // element's image may have changed: the old image is shown until the new
    // one arrives.
    QImage image(const QString &identifier, quint64 version = 0);
    // Whether reading the image failed (nothing to read, or not an image).
    bool failed(const QString &identifier, quint64 version = 0) const;
    // Whether the image is decoded at this version (nothing is queued).
    bool contains(const QString &identifier, quint64 version = 0) const;
    // Images larger than this are decoded scaled down to fit it (JPEG decodes
    // at a fraction of the size for less); an empty size keeps every pixel.
    void setMaximumDecodeSize(const QSize &size) { m_maximumDecodeSize = size; }
    // Forgets an image (it is read again when next asked for), or all of them.
    void invalidate(const QString &identifier);
    void clear();

    qint64 totalBytes() const { return m_cache.totalCost(); }
    qint64 maximumBytes() const { return m_cache.maxCost(); }
    // Requests waiting or being decoded.
    int pendingCount() const { return int(m_waiting.size()) + m_running; }
    // For tests and benchmarks: runs the event loop until nothing is pending.
    bool waitForIdle(int timeoutMs = 10000);

    // Decodes JPEG (or any image) bytes, scaled down to fit `maximum` when it is
    // not empty; a null image for bytes that are no image.
    static QImage decode(const QByteArray &bytes, const QSize &maximum);

signals:
    void imageReady(const QString &identifier);

private:
    struct Entry
    {
        QImage image; // null when reading failed
        quint64 version = 0;
    };
    struct Request
    {
        QString identifier;
        quint64 version = 0;
    };

    void enqueue(const QString &identifier, quint64 version);
    void startNext();
    void finished(quint64 generation, const Request &request, const QImage &image);

    Source m_source;
    QCache<QString, Entry> m_cache;
    // Newest at the back; the pending table holds the version each one asked for.
    std::deque<Request> m_waiting;
    QHash<QString, quint64> m_pending;
    std::unique_ptr<QThreadPool> m_pool;
    QSize m_maximumDecodeSize;
    quint64 m_generation = 0;
    int m_running = 0;
};

} // namespace vidarium
