#include "sourcebadgecounter.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "platform/backgroundpool.h"
#include "window/sourcelistmodel.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent>

namespace vidarium {

SourceBadgeCounter::SourceBadgeCounter(SourceListModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
{
}

bool SourceBadgeCounter::countsElements() const
{
    return m_model.document().defaults().showSourceElementCounts();
}

bool SourceBadgeCounter::countsFolders() const
{
    return m_model.document().defaults().showSourceFolderCounts();
}

void SourceBadgeCounter::countLeaves(
    const QList<SourceViewNode *> &leaves, QList<SourceViewNode *> &changed)
{
    QList<SourceViewNode *> counted;
    QList<MediaPlaylistPtr> playlists;
    for (SourceViewNode *leaf : leaves) {
        const MediaPlaylistPtr playlist = m_model.playlistForNode(leaf);
        if (!playlist)
            continue;
        if (playlist->type() == MediaPlaylist::TypeMissing) {
            leaf->setBadgeCount(m_missingCount);
            startMissingCount(leaf);
            continue;
        }
        counted.append(leaf);
        playlists.append(playlist);
    }
    m_evaluations += int(playlists.size());
    const QList<qsizetype> counts = MediaPlaylist::countEach(playlists);
    for (qsizetype i = 0; i < counted.size(); ++i) {
        if (counted[i]->badgeCount() != counts[i]) {
            counted[i]->setBadgeCount(counts[i]);
            changed.append(counted[i]);
        }
    }
}

void SourceBadgeCounter::updateFolderTotals(QList<SourceViewNode *> &changed)
{
    const bool folders = countsFolders();
    for (SourceViewNode *folder : m_model.collectionsGroup()->allChildFolders()) {
        qint64 total = 0;
        if (folders)
            for (SourceViewNode *leaf : folder->allChildLeafs())
                total += leaf->badgeCount();
        if (folder->badgeCount() != total) {
            folder->setBadgeCount(total);
            changed.append(folder);
        }
    }
}

void SourceBadgeCounter::updateAll()
{
    updateForKeys({});
}

void SourceBadgeCounter::updateForKeys(const QSet<QString> &keys)
{
    if (!m_model.libraryGroup() || !m_model.collectionsGroup())
        return;
    const bool all = keys.isEmpty();
    const bool elements = countsElements();
    const bool folders = countsFolders();
    const auto touched = [&](SourceViewNode *leaf) {
        if (all)
            return true;
        const MediaPlaylistPtr playlist = m_model.playlistForNode(leaf);
        return playlist && playlist->predicateKeyPaths().intersects(keys);
    };
    QList<SourceViewNode *> changed;
    QList<SourceViewNode *> toCount;
    for (SourceViewNode *leaf : m_model.libraryGroup()->allChildLeafs()) {
        if (!elements) {
            if (leaf->badgeCount() != 0) {
                leaf->setBadgeCount(0);
                changed.append(leaf);
            }
        } else if (touched(leaf)) {
            toCount.append(leaf);
        }
    }
    // Folder totals come from the collections' counts even when those are not shown.
    const QList<SourceViewNode *> userLeafs = m_model.collectionsGroup()->allChildLeafs();
    for (SourceViewNode *leaf : userLeafs)
        if ((elements || folders) && touched(leaf))
            toCount.append(leaf);
    countLeaves(toCount, changed);
    updateFolderTotals(changed);
    if (!elements)
        for (SourceViewNode *leaf : userLeafs)
            if (leaf->badgeCount() != 0) {
                leaf->setBadgeCount(0);
                changed.append(leaf);
            }
    m_model.nodesChanged(changed);
}

void SourceBadgeCounter::startMissingCount(SourceViewNode *leaf)
{
    const QString key = leaf->key();
    QStringList paths;
    const ElementDictionary &media = m_model.document().library().media();
    paths.reserve(media.size());
    for (const MediaElementPtr &element : media)
        paths.append(element->path());
    const quint64 generation = ++m_missingGeneration;
    m_missingRunning = true;
    auto *watcher = new QFutureWatcher<qint64>(this);
    QPointer<SourceBadgeCounter> self(this);
    connect(watcher, &QFutureWatcher<qint64>::finished, this, [self, watcher, generation, key] {
        watcher->deleteLater();
        if (!self || generation != self->m_missingGeneration)
            return;
        self->m_missingRunning = false;
        self->m_missingCount = watcher->result();
        SourceViewNode *node = self->m_model.nodeForKey(key);
        if (!node || !self->countsElements())
            return;
        node->setBadgeCount(self->m_missingCount);
        QList<SourceViewNode *> changed { node };
        self->updateFolderTotals(changed);
        self->m_model.nodesChanged(changed);
        emit self->missingCountDelivered(self->m_missingCount);
    });
    // A hung mount blocks only this pool thread; the window goes on with the last figure.
    watcher->setFuture(QtConcurrent::run(&backgroundPool(), [paths] {
        qint64 missing = 0;
        for (const QString &path : paths)
            if (!QFileInfo::exists(path))
                ++missing;
        return missing;
    }));
}

} // namespace vidarium
