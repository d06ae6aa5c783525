#pragma once

// What an ArchivedObject writes its fields to. Mirrors the platform's keyed coder so a
// class can reproduce its stored form exactly: encodeObject stores a reference (UID) to
// a separate archive object, while encodeInt/Bool/Double store the scalar inline in the
// object's own dictionary. Plain values given to encodeObject are archived the way the
// platform archives its value classes: strings, numbers and data inline in $objects;
// dates, arrays, dictionaries, sets and the null marker as NSDate, NSArray,
// NSDictionary, NSSet and NSNull objects; Invalid as the nil reference ("$null").
// Threads: used only inside one encode() call.

#include "platform/plist/plistvalue.h"

#include <QString>

namespace vidarium {

class ArchiveEncoder
{
public:
    enum class Style {
        Immutable,
        // Strings, data, arrays, dictionaries and sets under their mutable class names
        // (NSMutableString with NS.string, NSMutableArray, ...), for stored forms that
        // were written from mutable objects. Applies to the value itself, not its members.
        Mutable,
    };
    static constexpr Style Mutable = Style::Mutable;
    static constexpr Style Immutable = Style::Immutable;

    virtual ~ArchiveEncoder() = default;

    void encodeObject(const QString &key, const PlistValue &value, Style style = Style::Immutable)
    {
        writeReference(key, value, style);
    }
    // An inline array of references, as the platform's collections store NS.objects.
    void encodeObjectArray(const QString &key, const PlistArray &values)
    {
        writeReferenceArray(key, values);
    }
    void encodeInt(const QString &key, qint64 value) { writeInline(key, PlistValue(value)); }
    void encodeBool(const QString &key, bool value) { writeInline(key, PlistValue(value)); }
    void encodeDouble(const QString &key, double value) { writeInline(key, PlistValue(value)); }
    void encodeFloat(const QString &key, float value)
    {
        writeInline(key, PlistValue::float32(value));
    }
    // Any plain value stored inline as it is (NS.string, NS.data, raw bytes).
    void encodeInline(const QString &key, const PlistValue &value) { writeInline(key, value); }

protected:
    virtual void writeReference(const QString &key, const PlistValue &value, Style style) = 0;
    virtual void writeReferenceArray(const QString &key, const PlistArray &values) = 0;
    virtual void writeInline(const QString &key, const PlistValue &value) = 0;
};

} // namespace vidarium
