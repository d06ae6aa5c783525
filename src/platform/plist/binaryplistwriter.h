#pragma once

// Builds a binary property list object by object. Equal strings, numbers, dates,
// data and UIDs are stored once, so a large catalogue does not repeat its keys and
// owner strings. Containers are given the references of their members, which lets
// the keyed archiver lay out $objects without building a PlistValue tree first.
// Threads: one instance per thread.

#include "platform/growingarray.h"
#include "platform/plist/plistvalue.h"
#include "platform/plist/scalartable.h"

#include <QByteArray>

#include <span>
#include <vector>

namespace vidarium {

class BinaryPlistWriter
{
public:
    using Ref = quint32;
    static constexpr Ref noRef = ~Ref(0);

    // The whole value; noRef when it holds something with no plist form
    // (Invalid or an archived object).
    Ref addValue(const PlistValue &value);

    Ref addNull();
    Ref addBool(bool value);
    Ref addInteger(qint64 value);
    Ref addUnsignedInteger(quint64 value); // values of 2^63 and more take 16 bytes
    Ref addReal(double value);
    Ref addFloat32(float value);
    Ref addDate(double secondsSince2001);
    Ref addData(const QByteArray &value);
    Ref addString(const QString &value);
    Ref addUid(quint64 index);
    // A UID the caller adds once and keeps the reference of (the keyed archiver's
    // references): stored without looking for an equal one, which for the million
    // references of a catalogue saves a lookup in a table far larger than the caches.
    Ref addDistinctUid(quint64 index);
    // A real stored without looking for an equal one: for values that are nearly
    // always new, such as the times of a catalogue's dates.
    Ref addDistinctReal(double value);
    Ref addArray(std::span<const Ref> members);
    Ref addSet(std::span<const Ref> members);
    Ref addDictionary(std::span<const Ref> keys, std::span<const Ref> values);

    int objectCount() const { return int(m_objects.size()); }

    // The finished file with `top` as its top object.
    QByteArray finish(Ref top) const;

private:
    struct Object
    {
        quint8
            marker; // container kind (bplist::kindArray, kindSet, kindDictionary), 0 for a scalar
        quint32 start; // scalar: offset in m_scalarBytes; container: index in m_refs
        quint32 length; // scalar: byte count; container: member count (pairs for dictionaries)
    };

    Ref addScalar(std::span<const char> encoded);
    // The scratch bytes of a marker followed by `bytes` big-endian bytes of bits.
    std::span<const char> encodeFixed(char marker, quint64 bits, int bytes);
    Ref appendScalar(std::span<const char> encoded);
    Ref addContainer(quint8 marker, std::span<const Ref> first, std::span<const Ref> second);

    GrowingArray<Object> m_objects;
    GrowingArray<char> m_scalarBytes;
    GrowingArray<Ref> m_refs;
    // Scalars uniqued by their encoded bytes, which already sit in m_scalarBytes.
    ScalarTable m_scalars;
    std::vector<char> m_scratch; // the encoded bytes of the scalar being added
};

} // namespace vidarium
