#pragma once

// Helpers on the containers the catalogue stores: validated deep copies of
// property-list structures, set-if-missing, moving an item within a list, and
// stepping an index path.
// Threads: pure functions, any thread.

#include "platform/plist/plistvalue.h"

#include <QList>

namespace vidarium {

// A copy of a property-list structure (booleans, numbers, dates, data, strings,
// arrays and dictionaries, nested). Containers are values here, so the copy is
// as independent as a deep copy; what this adds is the check: a structure that
// holds anything else (the null marker, sets, objects) gives an Invalid value.
PlistValue copyDeep(const PlistValue &value);

// Stores `value` under `key` only when the key has no value yet.
void setObjectIfMissingKey(
    PlistDictionary &dictionary, const QString &key, const PlistValue &value);

// Inserts `object` at `index` and then removes its earlier copy, if it had one:
// at the old index when that was below `index`, else at the old index + 1. So an
// item moved from 1 to 4 of six ends at 3, and from 4 to 1 ends at 1. An index
// past the end appends.
template <typename T> void moveObjectToIndex(QList<T> &list, const T &object, qsizetype index)
{
    const qsizetype oldIndex = list.indexOf(object);
    index = qBound<qsizetype>(0, index, list.size());
    list.insert(index, object);
    if (oldIndex >= 0)
        list.removeAt(oldIndex < index ? oldIndex : oldIndex + 1);
}

// The same path with its last index one higher (0.2.5 gives 0.2.6); an empty
// path stays empty.
QList<int> indexPathByIncrementingIndexPath(QList<int> indexPath);

} // namespace vidarium
