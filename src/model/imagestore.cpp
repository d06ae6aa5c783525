#include "model/imagestore.h"

#include "model/medialibrary.h"

namespace vidarium {

QByteArray ImageStore::image(ElementImage image, const QString &elementIdentifier) const
{
    const QByteArray data = m_images[size_t(image)].value(elementIdentifier);
    if (!data.isEmpty() || !m_host)
        return data;
    return m_host->packageImageData(image, elementIdentifier);
}

std::function<QByteArray()> ImageStore::reader(
    ElementImage image, const QString &elementIdentifier) const
{
    const QByteArray data = m_images[size_t(image)].value(elementIdentifier);
    if (!data.isEmpty())
        return [data] { return data; };
    return m_host ? m_host->packageImageReader(image, elementIdentifier)
                  : std::function<QByteArray()>();
}

void ImageStore::setImage(
    ElementImage image, const QString &elementIdentifier, const QByteArray &data)
{
    QHash<QString, QByteArray> &store = m_images[size_t(image)];
    if (!data.isEmpty()) {
        store.insert(elementIdentifier, data);
        return;
    }
    store.remove(elementIdentifier);
    if (image == ElementImage::Poster && m_host)
        m_host->removePackageImage(image, elementIdentifier);
}

void ImageStore::removeImages(const QString &elementIdentifier)
{
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        m_images[size_t(kind)].remove(elementIdentifier);
        if (m_host)
            m_host->removePackageImage(ElementImage(kind), elementIdentifier);
    }
}

QByteArray ImageStore::icon(const QString &playlistIdentifier) const
{
    const QByteArray data = m_icons.value(playlistIdentifier);
    if (!data.isEmpty() || !m_host)
        return data;
    return m_host->packageIconData(playlistIdentifier);
}

void ImageStore::setIcon(const QString &playlistIdentifier, const QByteArray &data)
{
    if (!data.isEmpty()) {
        m_icons.insert(playlistIdentifier, data);
        return;
    }
    m_icons.remove(playlistIdentifier);
    if (m_host)
        m_host->removePackageIcon(playlistIdentifier);
}

void ImageStore::clearPending()
{
    for (QHash<QString, QByteArray> &images : m_images)
        images.clear();
    m_icons.clear();
}

} // namespace vidarium
