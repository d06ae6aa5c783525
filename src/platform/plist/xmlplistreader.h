#pragma once

// Parses an XML property list. A dictionary whose only key is "CF$UID" with an
// integer value is a UID, as XML keyed archives write references.
// Threads: stateless; any thread.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class XmlPlistReader
{
public:
    static bool looksLikeXml(const QByteArray &bytes);
    static Result<PlistValue> read(const QByteArray &bytes);
};

} // namespace vidarium
