#pragma once

// The decoded images of a library's elements that the item views paint: one
// cache per kind, each with its own budget (thumbnails are the most and the
// most often seen), emptied of an element's image when the library says that
// image changed.
// Threads: main thread.

#include "model/imagekinds.h"

#include <QObject>
#include <QSet>

#include <array>

class QSize;

namespace vidarium {

class ImageCache;
class MediaLibrary;

class ItemImages : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 ThumbnailBytes = 256LL * 1024 * 1024;
    static constexpr qint64 FilmstripBytes = 64LL * 1024 * 1024;
    static constexpr qint64 StoryboardBytes = 64LL * 1024 * 1024;
    static constexpr qint64 PosterBytes = 32LL * 1024 * 1024;

    // The package's posters are listed on a worker (posters are few, and
    // whether an element has one sets its row's height).
    ItemImages(MediaLibrary &library, const QString &packagePath, QObject *parent = nullptr);

    // Whether the element has a poster, from memory only.
    bool hasPoster(const QString &identifier) const { return m_posters.contains(identifier); }
    bool posterListingFinished() const { return m_postersListed; }

    ImageCache &cache(ElementImage image) const { return *m_caches[size_t(image)]; }
    ImageCache &thumbnails() const { return cache(ElementImage::Thumbnail); }
    ImageCache &filmstrips() const { return cache(ElementImage::Filmstrip); }
    ImageCache &storyboards() const { return cache(ElementImage::Storyboard); }
    ImageCache &posters() const { return cache(ElementImage::Poster); }

signals:
    // The set of elements with posters changed (row heights change).
    void postersChanged();

private:
    void listPosters(const QString &packagePath);

    MediaLibrary &m_library;
    QSet<QString> m_posters;
    bool m_postersListed = false;
    std::array<ImageCache *, ElementImageCount> m_caches {};
};

} // namespace vidarium
