#pragma once

// Renders any value as readable, stable JSON for people reading a catalogue: objects
// with their keys in order, archived objects as {"$class": NAME, ...fields}, dates in
// ISO 8601 UTC, data in base64, UIDs as {"CF$UID": n}. Not meant to be read back.
// Threads: stateless; any thread.

#include "platform/plistvalue.h"

#include <QByteArray>

namespace vidarium {

class PlistJson
{
public:
    static QByteArray toJson(const PlistValue &value);
};

} // namespace vidarium
