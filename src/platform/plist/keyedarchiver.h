#pragma once

// Writes a keyed archive in the layout existing library packages use: a binary plist
// with "$archiver" "NSKeyedArchiver", "$version" 100000, "$top" {"root": UID} and
// "$objects" starting with "$null". Equal strings and numbers share one $objects entry;
// an archived object reached twice through the same shared_ptr is written once.
// Threads: one call per thread; objects being archived must not change meanwhile.

#include "platform/plist/plistvalue.h"

#include <QByteArray>

namespace vidarium {

class KeyedArchiver
{
public:
    // The archive of `root`, stored under "root" in "$top".
    static QByteArray archivedData(const PlistValue &root);
    // Several top-level objects under their own keys. Named apart from archivedData so
    // that a root that is a dictionary is never taken for the top-level table.
    static QByteArray archivedTopObjects(const PlistDictionary &topObjects);
};

} // namespace vidarium
