#pragma once

// Counts the collections of one library and keeps the counts current without a
// pass over the whole catalogue after every edit. A pass remembers which
// elements each smart collection admits; afterwards elements that joined the
// catalogue are tested, those that left are taken out, and those whose values
// changed are tested again against the collections whose criteria read a
// changed key. A pass is made again when a collection was added or given other
// criteria, when many elements changed at once, and when the keys announced for
// a change name values kept outside the elements (keyword names, the files'
// presence), which change without an element announcing it.
// Threads: main thread, like the library; passes share the work with a worker.

#include "model/elementfilter.h"
#include "model/medialibrary.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

namespace vidarium {

class MediaPlaylist;
class PredicateEvaluator;
using MediaPlaylistPtr = std::shared_ptr<MediaPlaylist>;

class PlaylistCounter
{
public:
    explicit PlaylistCounter(MediaLibrary &library);
    ~PlaylistCounter();
    PlaylistCounter(const PlaylistCounter &) = delete;
    PlaylistCounter &operator=(const PlaylistCounter &) = delete;

    // count() of each playlist, the smart ones of this library in one pass.
    QList<qsizetype> countAll(const QList<MediaPlaylistPtr> &playlists);
    // The same figures after elements changed, joined or left the catalogue,
    // from those elements alone where the last pass still holds. `announced`
    // are the keys a change notification named (none for a plain refresh).
    QList<qsizetype> countChanges(
        const QList<MediaPlaylistPtr> &playlists, const QSet<QString> &announced = {});
    // How many smart collections the last call tested, in a pass or element by
    // element (the benchmark and the tests read it).
    int lastTested() const { return m_lastTested; }

private:
    struct Tracked;
    void elementValuesChanged(const QString &identifier, const QSet<QString> &keys);
    bool tracks(const QList<MediaPlaylistPtr> &smart) const;
    qsizetype manyChanges() const;
    // Follows elements joining and leaving the catalogue since the last count.
    void applyMoves(const std::vector<MediaLibrary::MediaChange> &moves);
    bool needsPass(const QList<MediaPlaylistPtr> &smart, const QSet<QString> &announced) const;
    QList<MediaPlaylistPtr> smartOf(const QList<MediaPlaylistPtr> &playlists) const;
    void pass(const QList<MediaPlaylistPtr> &smart);
    // Compiles the tracked criteria; evaluator k counts m_tracked[places[k]].
    void compileTracked(std::vector<PredicateEvaluator> &evaluators, std::vector<size_t> &places);
    // Adds what a test found, its evaluator k standing for places[first + k].
    void absorb(
        const ElementFilter::Memberships &members, const std::vector<size_t> &places, size_t first);
    void retestChanged();
    QList<qsizetype> answer(const QList<MediaPlaylistPtr> &playlists) const;
    bool isCountedByCriteria(const MediaPlaylist &playlist) const;
    void forgetChanges();

    MediaLibrary &m_library;
    QMetaObject::Connection m_connection;
    std::vector<Tracked> m_tracked;
    // The tracked collections each element belongs to, bit k for m_tracked[k];
    // elements of none are not listed.
    QHash<const MediaElement *, quint64> m_members;
    quint64 m_generation = 0;
    bool m_counted = false;
    // Changed since the last count: which elements, and the union of their keys.
    QSet<QString> m_changedElements;
    QSet<QString> m_changedKeys;
    bool m_tooManyChanged = false;
    int m_lastTested = 0;
};

} // namespace vidarium
