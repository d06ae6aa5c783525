#include "dispatchstatus.h"

#include <QStringList>
#include <QTimer>

namespace vidarium {

namespace {

constexpr int RefreshIntervalMs = 3000;

QString countText(qsizetype count, const char *singular, const char *plural)
{
    return QString::fromLatin1(count == 1 ? singular : plural).arg(count);
}

} // namespace

DispatchStatus::DispatchStatus(std::function<void()> heartbeat)
    : m_heartbeat(std::move(heartbeat))
{
}

DispatchStatus::~DispatchStatus() = default;

QSet<QString> *DispatchStatus::setForImageType(ImageType type)
{
    switch (type) {
    case ImageTypeProperties:
        return &m_properties;
    case ImageTypeThumbnail:
        return &m_thumbnails;
    case ImageTypeStoryboard:
        return &m_storyboards;
    case ImageTypeFilmstrip:
        return &m_filmstrips;
    default:
        return nullptr;
    }
}

QSet<QString> *DispatchStatus::deferredSetForImageType(ImageType type)
{
    switch (type) {
    case ImageTypeThumbnail:
        return &m_deferredThumbnails;
    case ImageTypeStoryboard:
        return &m_deferredStoryboards;
    case ImageTypeFilmstrip:
        return &m_deferredFilmstrips;
    default:
        return nullptr;
    }
}

void DispatchStatus::incrementWithElements(
    const QList<Entry> &entries, bool importImagesImmediately)
{
    for (const Entry &entry : entries) {
        if (!(entry.assets & 1))
            m_properties.insert(entry.identifier);
        if (!importImagesImmediately)
            continue;
        if (!(entry.assets & 2))
            m_thumbnails.insert(entry.identifier);
        if (!(entry.assets & 4))
            m_storyboards.insert(entry.identifier);
        if (!(entry.assets & 8))
            m_filmstrips.insert(entry.identifier);
    }
    if (!m_properties.isEmpty() && !isDispatchTimerPending())
        startDispatchTimer();
}

QList<qsizetype> DispatchStatus::incrementWithElements(
    const QList<Entry> &entries, ImageType imageType)
{
    QList<qsizetype> accepted;
    QSet<QString> *counted
        = imageType == ImageTypeProperties ? nullptr : setForImageType(imageType);
    QSet<QString> *deferred = deferredSetForImageType(imageType);
    if (!counted || !deferred)
        return accepted;
    const int flag = assetFlagForImageType(imageType);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries[i];
        if (!(entry.assets & 1)) {
            deferred->insert(entry.identifier);
            continue;
        }
        if ((entry.assets & flag) || counted->contains(entry.identifier))
            continue;
        counted->insert(entry.identifier);
        accepted.append(i);
    }
    return accepted;
}

QList<ImageType> DispatchStatus::decrementWithElement(
    const QString &identifier, ImageType imageType)
{
    QList<ImageType> deferredRequests;
    switch (imageType) {
    case ImageTypeProperties:
        m_properties.remove(identifier);
        for (ImageType type : { ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip }) {
            if (deferredSetForImageType(type)->remove(identifier))
                deferredRequests.append(type);
        }
        break;
    case ImageTypeThumbnail:
    case ImageTypeStoryboard:
    case ImageTypeFilmstrip:
        setForImageType(imageType)->remove(identifier);
        break;
    case ImageTypeAll:
        for (QSet<QString> *set : { &m_properties, &m_thumbnails, &m_deferredThumbnails,
                 &m_storyboards, &m_deferredStoryboards, &m_filmstrips, &m_deferredFilmstrips })
            set->remove(identifier);
        break;
    }
    return deferredRequests;
}

int DispatchStatus::queueCount() const
{
    return int(
        m_properties.size() + m_thumbnails.size() + m_storyboards.size() + m_filmstrips.size());
}

QString DispatchStatus::statusMessage() const
{
    if (queueCount() < 1)
        return QStringLiteral("Idle");
    QStringList parts;
    if (!m_properties.isEmpty())
        parts << countText(m_properties.size(), "%1 Property", "%1 Properties");
    if (!m_thumbnails.isEmpty())
        parts << countText(m_thumbnails.size(), "%1 Thumbnail", "%1 Thumbnails");
    if (!m_storyboards.isEmpty())
        parts << countText(m_storyboards.size(), "%1 Storyboard", "%1 Storyboards");
    if (!m_filmstrips.isEmpty())
        parts << countText(m_filmstrips.size(), "%1 Filmstrip", "%1 Filmstrips");
    return QStringLiteral("Importing ") + parts.join(QStringLiteral(", "));
}

bool DispatchStatus::imageSetsEmpty() const
{
    return m_thumbnails.isEmpty() && m_storyboards.isEmpty() && m_filmstrips.isEmpty();
}

bool DispatchStatus::isDispatchTimerPending() const
{
    return m_dispatchTimer && m_dispatchTimer->isActive();
}

void DispatchStatus::stopDispatchTimer()
{
    if (m_dispatchTimer)
        m_dispatchTimer->stop();
}

void DispatchStatus::startDispatchTimer()
{
    if (!m_dispatchTimer) {
        m_dispatchTimer = std::make_unique<QTimer>();
        m_dispatchTimer->setSingleShot(true);
        m_dispatchTimer->setTimerType(Qt::CoarseTimer); // about the half second of slack asked for
        m_dispatchTimer->setInterval(RefreshIntervalMs);
        QObject::connect(m_dispatchTimer.get(), &QTimer::timeout, m_dispatchTimer.get(), [this] {
            if (m_heartbeat)
                m_heartbeat();
            startDispatchTimer();
        });
    }
    m_dispatchTimer->start();
}

} // namespace vidarium
