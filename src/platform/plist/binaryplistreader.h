#pragma once

// Parses a binary property list ("bplist00") into a PlistValue. Nothing in the file
// is trusted: offsets, counts, references and nesting are checked before use, and
// each object is decoded once, so shared or cyclic references cannot blow up.
// Threads: stateless; any thread.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class BinaryPlistReader
{
public:
    static bool hasSignature(const QByteArray &bytes);
    static Result<PlistValue> read(const QByteArray &bytes);
};

} // namespace vidarium
