#pragma once

// Keeps the source list's count badges: every collection's count and every
// folder's total by the library's two count settings, all at once or only for
// the collections whose criteria test the keys that changed. "Missing" asks the
// file system about every file, so it is counted on a worker over a snapshot of
// the paths; its figure arrives when ready and the window never waits for it.
// Threads: main thread; the missing-file count runs on a pool thread.

#include <QObject>
#include <QSet>
#include <QString>

namespace vidarium {

class SourceListModel;
class SourceViewNode;

class SourceBadgeCounter : public QObject
{
    Q_OBJECT
public:
    explicit SourceBadgeCounter(SourceListModel &model, QObject *parent = nullptr);

    // Every badge.
    void updateAll();
    // Only the collections whose criteria test one of `keys`, and the folder totals.
    void updateForKeys(const QSet<QString> &keys);
    // How many collections were counted since the start (the benchmark and tests read it).
    int evaluations() const { return m_evaluations; }
    bool isCountingMissing() const { return m_missingRunning; }

signals:
    // A missing-file count arrived and the badges show it.
    void missingCountDelivered(qint64 count);

private:
    bool countsElements() const;
    bool countsFolders() const;
    // Smart collections are counted together, in one pass over the elements.
    void countLeaves(const QList<SourceViewNode *> &leaves, QList<SourceViewNode *> &changed);
    void updateFolderTotals(QList<SourceViewNode *> &changed);
    void startMissingCount(SourceViewNode *leaf);

    SourceListModel &m_model;
    int m_evaluations = 0;
    // Counts from an older snapshot are dropped when a newer one was started.
    quint64 m_missingGeneration = 0;
    bool m_missingRunning = false;
    qint64 m_missingCount = 0;
};

} // namespace vidarium
