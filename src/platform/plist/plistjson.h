#pragma once

// Renders any value as readable, stable JSON for people reading a catalogue: keys of
// dictionaries in order, archived objects as {"$class": NAME, ...fields} with the fields
// in the order the class writes them, dates in ISO 8601 UTC, data in base64, UIDs as
// {"CF$UID": n}, reals that are not finite as the strings "NaN", "Infinity" and
// "-Infinity". Not meant to be read back.
// Threads: stateless; any thread.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class PlistJson
{
public:
    // Objects shared many times over print in full each time; the limit stops such a
    // value before it fills the memory or the screen.
    static constexpr qint64 defaultSizeLimit = qint64(1) << 30;

    static Result<QByteArray> toJson(const PlistValue &value, qint64 sizeLimit = defaultSizeLimit);
};

} // namespace vidarium
