#pragma once

// The import progress of one library: which elements are having their
// properties read or an image made, and which images were asked for before
// the element's properties were in (deferred until they are). The dispatcher
// turns it into the library's status line and the dock badge. Sets hold element
// identifiers, so an element is counted at most once per step.
// Threads: main thread only (its refresh timer fires there).

#include "import/importtool.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

namespace vidarium {

class DispatchStatus
{
public:
    // What the counting needs of an element.
    struct Entry
    {
        QString identifier;
        int assets = 0;
    };

    // heartbeat runs each time the 3 s refresh timer fires; the timer is then re-armed.
    explicit DispatchStatus(std::function<void()> heartbeat = {});
    ~DispatchStatus();
    DispatchStatus(const DispatchStatus &) = delete;
    DispatchStatus &operator=(const DispatchStatus &) = delete;

    // A property dispatch: counts missing properties, and with images made
    // during import the missing images too. Arms the refresh timer while
    // properties are pending.
    void incrementWithElements(const QList<Entry> &entries, bool importImagesImmediately);
    // An image dispatch (thumbnail, storyboard or filmstrip): returns the
    // positions, in input order, of the entries that really need the step.
    // Entries whose properties are not in yet are deferred, not accepted.
    QList<qsizetype> incrementWithElements(const QList<Entry> &entries, ImageType imageType);
    // Counts a finished step out. For a properties step, returns the image
    // steps that were deferred behind it, in the order they must be asked for.
    QList<ImageType> decrementWithElement(const QString &identifier, ImageType imageType);

    // properties + thumbnails + storyboards + filmstrips; deferred sets not counted.
    int queueCount() const;
    // "Idle", or "Importing 3 Properties, 1 Thumbnail".
    QString statusMessage() const;

    const QSet<QString> &properties() const { return m_properties; }
    const QSet<QString> &thumbnails() const { return m_thumbnails; }
    const QSet<QString> &storyboards() const { return m_storyboards; }
    const QSet<QString> &filmstrips() const { return m_filmstrips; }
    const QSet<QString> &deferredThumbnails() const { return m_deferredThumbnails; }
    const QSet<QString> &deferredStoryboards() const { return m_deferredStoryboards; }
    const QSet<QString> &deferredFilmstrips() const { return m_deferredFilmstrips; }
    bool imageSetsEmpty() const;

    bool isDispatchTimerPending() const;
    void stopDispatchTimer();

private:
    QSet<QString> *setForImageType(ImageType type);
    QSet<QString> *deferredSetForImageType(ImageType type);
    void startDispatchTimer();

    QSet<QString> m_properties;
    QSet<QString> m_thumbnails;
    QSet<QString> m_storyboards;
    QSet<QString> m_filmstrips;
    QSet<QString> m_deferredThumbnails;
    QSet<QString> m_deferredStoryboards;
    QSet<QString> m_deferredFilmstrips;
    std::function<void()> m_heartbeat;
    std::unique_ptr<QTimer> m_dispatchTimer;
};

} // namespace vidarium
