#pragma once

// Writes an XML property list (version 1.0, tab-indented, as the platform writes it).
// Threads: stateless; any thread.

#include "platform/plist/plistvalue.h"

#include <QByteArray>

namespace vidarium {

class XmlPlistWriter
{
public:
    // Empty when the value holds something XML cannot express (see PropertyList).
    static QByteArray write(const PlistValue &value);
};

} // namespace vidarium
