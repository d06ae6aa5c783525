#include "binaryplistwriter.h"

#include "platform/hugepages.h"
#include "platform/plist/binaryplistformat.h"

#include <QHashFunctions>

#include <bit>
#include <cstring>

namespace vidarium {

namespace {

using namespace bplist;
using Bytes = std::vector<char>;

// Byte by byte: inlined into each encoder, this beats sizing the scratch bytes first.
void appendBigEndian(Bytes &out, quint64 value, int byteCount)
{
    for (int shift = (byteCount - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(char((value >> shift) & 0xFF));
}

// Marker of an integer of 1, 2, 4 or 8 bytes and its payload, as small as the value allows.
void appendInteger(Bytes &out, qint64 value)
{
    // Negative values take all 8 bytes: readers sign-extend only those.
    const int size = value < 0 ? 8 : bytesNeeded(quint64(value));
    out.push_back(char(kindInteger | integerSizeCode(size)));
    appendBigEndian(out, quint64(value), size);
}

// Marker with an inline count, or 0xF and a following integer for counts of 15 and more.
void appendMarker(Bytes &out, quint8 marker, quint64 count)
{
    if (count < countFollows) {
        out.push_back(char(marker | quint8(count)));
    } else {
        out.push_back(char(marker | countFollows));
        appendInteger(out, qint64(count));
    }
}

bool isAscii(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

} // namespace

static_assert(BinaryPlistWriter::noRef == ScalarTable::noRef);

BinaryPlistWriter::Ref BinaryPlistWriter::addScalar(std::span<const char> encoded)
{
    const size_t length = encoded.size();
    return m_scalars.findOrAdd(
        quint32(qHashBits(encoded.data(), length)),
        [&](Ref known) {
            const Object &object = m_objects[known];
            return object.length == length
                && std::memcmp(m_scalarBytes.data() + object.start, encoded.data(), length) == 0;
        },
        [&] { return appendScalar(encoded); });
}

BinaryPlistWriter::Ref BinaryPlistWriter::appendScalar(std::span<const char> encoded)
{
    const Ref ref = Ref(m_objects.size());
    m_objects.append(Object { 0, quint32(m_scalarBytes.size()), quint32(encoded.size()) });
    m_scalarBytes.append(encoded.data(), encoded.size());
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addNull()
{
    m_scratch.clear();
    m_scratch.push_back(char(markerNull));
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addBool(bool value)
{
    m_scratch.clear();
    m_scratch.push_back(char(value ? markerTrue : markerFalse));
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addInteger(qint64 value)
{
    m_scratch.clear();
    appendInteger(m_scratch, value);
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addUnsignedInteger(quint64 value)
{
    if (value <= quint64(std::numeric_limits<qint64>::max()))
        return addInteger(qint64(value));
    m_scratch.clear();
    m_scratch.push_back(char(markerInteger128));
    appendBigEndian(m_scratch, 0, 8);
    appendBigEndian(m_scratch, value, 8);
    return addScalar(m_scratch);
}

std::span<const char> BinaryPlistWriter::encodeFixed(char marker, quint64 bits, int bytes)
{
    m_scratch.clear();
    m_scratch.push_back(marker);
    appendBigEndian(m_scratch, bits, bytes);
    return m_scratch;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addReal(double value)
{
    return addScalar(encodeFixed(char(markerReal), std::bit_cast<quint64>(value), 8));
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDistinctReal(double value)
{
    return appendScalar(encodeFixed(char(markerReal), std::bit_cast<quint64>(value), 8));
}

BinaryPlistWriter::Ref BinaryPlistWriter::addFloat32(float value)
{
    return addScalar(encodeFixed(char(markerFloat32), std::bit_cast<quint32>(value), 4));
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDate(double secondsSince2001)
{
    return addScalar(encodeFixed(char(markerDate), std::bit_cast<quint64>(secondsSince2001), 8));
}

BinaryPlistWriter::Ref BinaryPlistWriter::addData(const QByteArray &value)
{
    m_scratch.clear();
    appendMarker(m_scratch, kindData, quint64(value.size()));
    m_scratch.insert(m_scratch.end(), value.cbegin(), value.cend());
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addString(const QString &value)
{
    // Encoded straight into the scratch bytes and uniqued there with every other
    // scalar: a catalogue's strings are mostly paths and identifiers seen once.
    const bool ascii = isAscii(value);
    const qsizetype length = value.size();
    m_scratch.clear();
    appendMarker(m_scratch, ascii ? kindAsciiString : kindUtf16String, quint64(length));
    const size_t head = m_scratch.size();
    m_scratch.resize(head + size_t(ascii ? length : 2 * length));
    char *out = m_scratch.data() + head;
    // constData, not utf16: that one copies a string whose characters it does not own.
    const QChar *in = value.constData();
    if (ascii) {
        for (qsizetype i = 0; i < length; ++i)
            out[i] = char(in[i].unicode());
    } else {
        for (qsizetype i = 0; i < length; ++i) {
            out[2 * i] = char(in[i].unicode() >> 8);
            out[2 * i + 1] = char(in[i].unicode() & 0xFF);
        }
    }
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addUid(quint64 index)
{
    const int size = bytesNeeded(index);
    m_scratch.clear();
    m_scratch.push_back(char(kindUid | (size - 1)));
    appendBigEndian(m_scratch, index, size);
    return addScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDistinctUid(quint64 index)
{
    const int size = bytesNeeded(index);
    m_scratch.clear();
    m_scratch.push_back(char(kindUid | (size - 1)));
    appendBigEndian(m_scratch, index, size);
    return appendScalar(m_scratch);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addContainer(
    quint8 marker, std::span<const Ref> first, std::span<const Ref> second)
{
    const Ref ref = Ref(m_objects.size());
    m_objects.append(Object { marker, quint32(m_refs.size()), quint32(first.size()) });
    m_refs.append(first.data(), first.size());
    m_refs.append(second.data(), second.size());
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::addArray(std::span<const Ref> members)
{
    return addContainer(kindArray, members, {});
}

BinaryPlistWriter::Ref BinaryPlistWriter::addSet(std::span<const Ref> members)
{
    return addContainer(kindSet, members, {});
}

BinaryPlistWriter::Ref BinaryPlistWriter::addDictionary(
    std::span<const Ref> keys, std::span<const Ref> values)
{
    Q_ASSERT(keys.size() == values.size());
    return addContainer(kindDictionary, keys, values);
}

BinaryPlistWriter::Ref BinaryPlistWriter::addValue(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Invalid:
    case PlistValue::Type::Object:
        return noRef;
    case PlistValue::Type::Null:
        return addNull();
    case PlistValue::Type::Bool:
        return addBool(value.toBool());
    case PlistValue::Type::Integer:
        return value.isUnsigned64() ? addUnsignedInteger(value.toUInt64())
                                    : addInteger(value.toInteger());
    case PlistValue::Type::Real:
        return value.isFloat32() ? addFloat32(float(value.toDouble())) : addReal(value.toDouble());
    case PlistValue::Type::Date:
        return addDate(value.toDate().secondsSince2001);
    case PlistValue::Type::Data:
        return addData(value.toData());
    case PlistValue::Type::String:
        return addString(value.toString());
    case PlistValue::Type::Uid:
        return addUid(value.toUid().index);
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        std::vector<Ref> members;
        members.reserve(size_t(value.toArray().size()));
        for (const PlistValue &member : value.toArray()) {
            const Ref ref = addValue(member);
            if (ref == noRef)
                return noRef;
            members.push_back(ref);
        }
        return value.type() == PlistValue::Type::Set ? addSet(members) : addArray(members);
    }
    case PlistValue::Type::Dictionary: {
        const PlistDictionary &dictionary = value.toDictionary();
        std::vector<Ref> keys, values;
        keys.reserve(size_t(dictionary.size()));
        values.reserve(size_t(dictionary.size()));
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
            const Ref ref = addValue(it.value());
            if (ref == noRef)
                return noRef;
            keys.push_back(addString(it.key()));
            values.push_back(ref);
        }
        return addDictionary(keys, values);
    }
    }
    return noRef;
}

namespace {

// Writes into a buffer already sized for the whole file: the catalogue's tens of
// megabytes would otherwise go through a QByteArray append call per byte.
char *putMarker(char *out, quint8 marker, quint64 count)
{
    if (count < countFollows) {
        *out++ = char(marker | quint8(count));
        return out;
    }
    *out++ = char(marker | countFollows);
    const int size = bytesNeeded(count);
    *out++ = char(kindInteger | integerSizeCode(size));
    return putBigEndian(out, count, size);
}

} // namespace

QByteArray BinaryPlistWriter::finish(Ref top) const
{
    const quint64 count = m_objects.size();
    const int refSize = bytesNeeded(count);

    // An upper bound: a container marker takes at most 10 bytes, an offset at most 8.
    const size_t containerCount = count; // scalars are counted too; a bound is enough
    const size_t bound = 8 + m_scalarBytes.size() + m_refs.size() * size_t(refSize)
        + containerCount * 10 + count * 8 + 32;
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    char *const begin = out.data();
    adviseHugePages(begin, bound);
    char *p = begin;
    std::memcpy(p, signature, headerSize);
    p += headerSize;
    std::vector<quint64> offsets;
    offsets.reserve(count);
    for (const Object &object : m_objects) {
        offsets.push_back(quint64(p - begin));
        if (object.marker == 0) {
            std::memcpy(p, m_scalarBytes.data() + object.start, object.length);
            p += object.length;
            continue;
        }
        p = putMarker(p, object.marker, object.length);
        const quint32 refCount
            = object.marker == kindDictionary ? object.length * 2 : object.length;
        const Ref *refs = m_refs.data() + object.start;
        for (quint32 i = 0; i < refCount; ++i)
            p = putBigEndian(p, refs[i], refSize);
    }
    const quint64 offsetTable = quint64(p - begin);
    const int offsetSize = bytesNeeded(offsetTable);
    for (quint64 offset : offsets)
        p = putBigEndian(p, offset, offsetSize);

    std::memset(p, 0, 6);
    p += 6;
    *p++ = char(offsetSize);
    *p++ = char(refSize);
    p = putBigEndian(p, count, 8);
    p = putBigEndian(p, top, 8);
    p = putBigEndian(p, offsetTable, 8);
    Q_ASSERT(size_t(p - begin) <= bound);
    out.truncate(qsizetype(p - begin));
    return out;
}

} // namespace vidarium
