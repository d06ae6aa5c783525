#pragma once

// Keeps the source list's count badges: every collection's count and every
// folder's total by the library's two count settings. After an edit only the
// changed elements are tested again (PlaylistCounter). "Missing" asks the file
// system about every file, so it is counted on a worker over a snapshot of the
// paths; its figure arrives when ready and the window never waits for it.
// Threads: main thread; the missing-file count runs on a pool thread.

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

namespace vidarium {

class PlaylistCounter;
class SourceListModel;
class SourceViewNode;

class SourceBadgeCounter : public QObject
{
    Q_OBJECT
public:
    explicit SourceBadgeCounter(SourceListModel &model, QObject *parent = nullptr);
    ~SourceBadgeCounter() override;

    // Every badge, from one pass over the library.
    void updateAll();
    // After elements changed, joined or left the library: `announced` are the
    // keys the change named (none for a plain refresh, which also counts
    // "Missing" again).
    void updateAfterChange(const QSet<QString> &announced);
    // How many smart collections were tested since the start (the benchmark and
    // tests read it).
    int evaluations() const { return m_evaluations; }
    bool isCountingMissing() const { return m_missingRunning; }

signals:
    // A missing-file count arrived and the badges show it.
    void missingCountDelivered(qint64 count);

private:
    bool countsElements() const;
    bool countsFolders() const;
    // Everything from one pass, or after a change announcing `announced`.
    void update(bool everything, const QSet<QString> &announced);
    void countLeaves(const QList<SourceViewNode *> &leaves, bool everything,
        const QSet<QString> &announced, QList<SourceViewNode *> &changed);
    void updateFolderTotals(QList<SourceViewNode *> &changed);
    void startMissingCount(SourceViewNode *leaf);

    SourceListModel &m_model;
    std::unique_ptr<PlaylistCounter> m_counter;
    int m_evaluations = 0;
    // One count at a time: asked again meanwhile, it counts again when done.
    bool m_missingRunning = false;
    bool m_missingAgain = false;
    qint64 m_missingCount = 0;
};

} // namespace vidarium
