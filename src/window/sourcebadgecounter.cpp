#include "sourcebadgecounter.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/playlistcounter.h"
#include "platform/backgroundpool.h"
#include "window/sourcelistmodel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent>

namespace vidarium {

SourceBadgeCounter::SourceBadgeCounter(SourceListModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_counter(std::make_unique<PlaylistCounter>(model.document().library()))
{
}

SourceBadgeCounter::~SourceBadgeCounter() = default;

bool SourceBadgeCounter::countsElements() const
{
    return m_model.document().defaults().showSourceElementCounts();
}

bool SourceBadgeCounter::countsFolders() const
{
    return m_model.document().defaults().showSourceFolderCounts();
}

void SourceBadgeCounter::countLeaves(const QList<SourceViewNode *> &leaves, bool everything,
    const QSet<QString> &announced, QList<SourceViewNode *> &changed)
{
    QList<SourceViewNode *> counted;
    QList<MediaPlaylistPtr> playlists;
    for (SourceViewNode *leaf : leaves) {
        const MediaPlaylistPtr playlist = m_model.playlistForNode(leaf);
        if (!playlist)
            continue;
        if (playlist->type() == MediaPlaylist::TypeMissing) {
            leaf->setBadgeCount(m_missingCount);
            // Its count asks the disk about every file: only when it may have moved.
            if (everything || announced.isEmpty()
                || playlist->predicateKeyPaths().intersects(announced))
                startMissingCount(leaf);
            continue;
        }
        counted.append(leaf);
        playlists.append(playlist);
    }
    const QList<qsizetype> counts = everything ? m_counter->countAll(playlists)
                                               : m_counter->countChanges(playlists, announced);
    m_evaluations += m_counter->lastTested();
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
    update(true, {});
}

void SourceBadgeCounter::updateAfterChange(const QSet<QString> &announced)
{
    update(false, announced);
}

void SourceBadgeCounter::update(bool everything, const QSet<QString> &announced)
{
    if (!m_model.libraryGroup() || !m_model.collectionsGroup())
        return;
    const bool elements = countsElements();
    const bool folders = countsFolders();
    QList<SourceViewNode *> changed;
    QList<SourceViewNode *> leaves;
    const QList<SourceViewNode *> builtIn = m_model.libraryGroup()->allChildLeafs();
    const QList<SourceViewNode *> userLeafs = m_model.collectionsGroup()->allChildLeafs();
    if (elements)
        leaves = builtIn;
    // Folder totals come from the collections' counts even when those are not shown.
    if (elements || folders)
        leaves += userLeafs;
    countLeaves(leaves, everything, announced, changed);
    updateFolderTotals(changed);
    if (!elements)
        for (SourceViewNode *leaf : builtIn + userLeafs)
            if (leaf->badgeCount() != 0) {
                leaf->setBadgeCount(0);
                changed.append(leaf);
            }
    m_model.nodesChanged(changed);
}

void SourceBadgeCounter::startMissingCount(SourceViewNode *leaf)
{
    if (m_missingRunning) {
        m_missingAgain = true;
        return;
    }
    const QString key = leaf->key();
    // Paths may be read on any thread: the worker reads them, not this one.
    const MediaElementList elements = m_model.document().library().media().values();
    m_missingRunning = true;
    auto *watcher = new QFutureWatcher<qint64>(this);
    QPointer<SourceBadgeCounter> self(this);
    QElapsedTimer started;
    started.start();
    connect(watcher, &QFutureWatcher<qint64>::finished, this, [self, watcher, key, started] {
        watcher->deleteLater();
        if (!self)
            return;
        self->m_missingRunning = false;
        self->m_missingCount = watcher->result();
        SourceViewNode *node = self->m_model.nodeForKey(key);
        if (node && self->countsElements()) {
            node->setBadgeCount(self->m_missingCount);
            QList<SourceViewNode *> changed { node };
            self->updateFolderTotals(changed);
            self->m_model.nodesChanged(changed);
            emit self->missingCountDelivered(self->m_missingCount);
        }
        // The library changed while this count ran: the figure shown is a
        // step behind until the next one arrives. While a library keeps
        // changing (an import), counts back to back would keep a core asking
        // the disk about every file; a pause as long as the count leaves half
        // of it to the rest. Requests meanwhile join that next count.
        if (self->m_missingAgain && node) {
            self->m_missingAgain = false;
            self->m_missingRunning = true;
            QTimer::singleShot(started.elapsed(), self, [self, key] {
                self->m_missingRunning = false;
                if (SourceViewNode *again = self->m_model.nodeForKey(key))
                    self->startMissingCount(again);
            });
        }
    });
    // A hung mount blocks only this pool thread; the window goes on with the last figure.
    watcher->setFuture(QtConcurrent::run(&backgroundPool(), [elements] {
        qint64 missing = 0;
        for (const MediaElementPtr &element : elements)
            if (!QFileInfo::exists(element->path()))
                ++missing;
        return missing;
    }));
}

} // namespace vidarium
