#pragma once

// Fetches a QMap's shared data ahead of a search, for loops that go through many
// elements and search a small map in each: the fetch is one trip to memory the
// search would otherwise wait for. Qt does not publish where that data is, so this
// reads the map's private pointer, and is the one place that assumes Qt 6's layout:
// a QMap is a single pointer to its shared data, null while the map is empty and
// never detached. The test of this file checks that assumption against the Qt we
// build with.
// Threads: any thread that may read the map.

#include <QMap>
#include <QtGlobal>

namespace vidarium {

// The address of the map's shared data, or null when it has none.
template <typename Key, typename T> const void *mapDataAddress(const QMap<Key, T> &map)
{
    static_assert(QT_VERSION_MAJOR == 6, "QMap's layout is assumed to be Qt 6's");
    static_assert(sizeof(QMap<Key, T>) == sizeof(void *));
    return *reinterpret_cast<const void *const *>(&map);
}

// Any address is safe to prefetch, so a wrong guess would only cost the fetch.
template <typename Key, typename T> void prefetchMapData(const QMap<Key, T> &map)
{
    __builtin_prefetch(mapDataAddress(map));
}

} // namespace vidarium
