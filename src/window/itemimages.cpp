#include "itemimages.h"

#include "model/medialibrary.h"
#include "platform/backgroundpool.h"
#include "window/imagecache.h"

#include "document/package.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QPointer>
#include <QSize>
#include <QThreadPool>

namespace vidarium {

ItemImages::ItemImages(MediaLibrary &library, const QString &packagePath, QObject *parent)
    : QObject(parent)
    , m_library(library)
{
    struct Kind
    {
        ElementImage image;
        qint64 bytes;
        QSize decodeSize; // the largest the views ever show it, on a double-density screen
    };
    const Kind kinds[] = {
        { ElementImage::Poster, PosterBytes, { 600, 600 } },
        { ElementImage::Thumbnail, ThumbnailBytes, { 800, 450 } },
        { ElementImage::Storyboard, StoryboardBytes, { 4096, 4096 } },
        { ElementImage::Filmstrip, FilmstripBytes, { 2048, 512 } },
    };
    for (const Kind &kind : kinds) {
        auto *cache
            = new ImageCache(kind.bytes, ImageCache::librarySource(library, kind.image), this);
        cache->setMaximumDecodeSize(kind.decodeSize);
        m_caches[size_t(kind.image)] = cache;
    }
    connect(&library, &MediaLibrary::elementValuesChanged, this,
        [this](const QString &identifier, const QSet<QString> &keys) {
            static const std::array<QString, ElementImageCount> names
                = { QStringLiteral("posterData"), QStringLiteral("thumbnailData"),
                      QStringLiteral("storyboardData"), QStringLiteral("filmstripData") };
            for (size_t i = 0; i < names.size(); ++i) {
                if (keys.contains(names[i]))
                    m_caches[i]->invalidate(identifier);
            }
            if (keys.contains(names[size_t(ElementImage::Poster)])) {
                // Setting a poster keeps it in memory until the save; empty data removes it.
                const bool has = !m_library.imageStore()
                                      .pendingImages(ElementImage::Poster)
                                      .value(identifier)
                                      .isEmpty();
                if (has != m_posters.contains(identifier)) {
                    if (has)
                        m_posters.insert(identifier);
                    else
                        m_posters.remove(identifier);
                    emit postersChanged();
                }
            }
        });
    listPosters(packagePath);
}

void ItemImages::listPosters(const QString &packagePath)
{
    const QHash<QString, QByteArray> &pending
        = m_library.imageStore().pendingImages(ElementImage::Poster);
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        if (!it.value().isEmpty())
            m_posters.insert(it.key());
    }
    if (packagePath.isEmpty()) {
        m_postersListed = true;
        return;
    }
    QPointer<ItemImages> guard(this);
    const QString folder
        = packagePath + QLatin1Char('/') + Package::folderName(ElementImage::Poster);
    backgroundPool().start([guard, folder] {
        QSet<QString> found;
        // Links are not followed: nothing outside the package is listed.
        QDirIterator files(folder, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString name = QFileInfo(files.next()).fileName();
            if (Package::isSafeFileName(name))
                found.insert(name);
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, found] {
                if (!guard)
                    return;
                guard->m_posters.unite(found);
                guard->m_postersListed = true;
                if (!found.isEmpty())
                    emit guard->postersChanged();
            },
            Qt::QueuedConnection);
    });
}

} // namespace vidarium
