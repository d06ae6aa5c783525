#pragma once

// The write-back store of a library's images: what was made or dropped since
// the last save is held here by element (or collection) identifier, and
// everything else is read from the package through the library's host. A save
// writes the pending images and then clears them; removing an image also tells
// the host to drop the package's file at the next save.
// Threads: main thread, like the library that owns it.

#include "model/imagekinds.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <functional>

namespace vidarium {

class MediaLibraryHost;

class ImageStore
{
public:
    explicit ImageStore(MediaLibraryHost *host)
        : m_host(host)
    {
    }

    // The pending image, else the package's; empty when neither has one.
    QByteArray image(ElementImage image, const QString &elementIdentifier) const;
    // The same, as a reader a worker may run: pending bytes are copied now, the
    // package's file is read when called. Empty without a package.
    std::function<QByteArray()> reader(ElementImage image, const QString &elementIdentifier) const;
    // Empty data drops the pending image; for the poster, which is never made
    // again, it also drops the package's file.
    void setImage(ElementImage image, const QString &elementIdentifier, const QByteArray &data);
    // Every image of an element, pending and in the package (the element is gone).
    void removeImages(const QString &elementIdentifier);

    QByteArray icon(const QString &playlistIdentifier) const;
    // Empty data removes the icon, pending and in the package.
    void setIcon(const QString &playlistIdentifier, const QByteArray &data);

    // What the next save writes.
    const QHash<QString, QByteArray> &pendingImages(ElementImage image) const
    {
        return m_images[size_t(image)];
    }
    const QHash<QString, QByteArray> &pendingIcons() const { return m_icons; }
    // After a save wrote everything pending into the package.
    void clearPending();

private:
    MediaLibraryHost *m_host = nullptr;
    std::array<QHash<QString, QByteArray>, ElementImageCount> m_images;
    QHash<QString, QByteArray> m_icons;
};

} // namespace vidarium
