#include "binaryplistobjects.h"

#include "platform/plist/binaryplistformat.h"

#include <cstring>

namespace vidarium {

using namespace Qt::StringLiterals;

using namespace bplist;

namespace {

Error corrupt(const QString &what)
{
    return Error(Error::Code::Corrupt, u"damaged binary property list: %1"_s.arg(what));
}

bool validIntegerSize(int size)
{
    return size == 1 || size == 2 || size == 4 || size == 8;
}

} // namespace

Result<void> BinaryPlistObjects::open(const QByteArray &bytes)
{
    m_bytes = bytes;
    m_data = reinterpret_cast<const quint8 *>(m_bytes.constData());
    m_size = quint64(m_bytes.size());
    m_objectCount = 0;
    if (m_size < headerSize + trailerSize)
        return corrupt(u"the file is too short (%1 bytes)"_s.arg(m_size));
    if (std::memcmp(m_data, signature, headerSize) != 0)
        return Error(Error::Code::Unsupported, u"not a bplist00 property list"_s);

    const quint8 *trailer = m_data + m_size - trailerSize;
    m_offsetSize = trailer[trailerOffsetSize];
    m_refSize = trailer[trailerRefSize];
    const quint64 objectCount = readBigEndian(trailer + trailerObjectCount, 8);
    const quint64 topObject = readBigEndian(trailer + trailerTopObject, 8);
    const quint64 offsetTable = readBigEndian(trailer + trailerOffsetTable, 8);
    const quint64 tableLimit = m_size - trailerSize;

    // A truncated file loses its trailer first, so say so when the trailer is wrong.
    if (!validIntegerSize(m_offsetSize) || !validIntegerSize(m_refSize))
        return corrupt(u"the trailer is damaged (offset size %1, reference size %2); "
                       "the file may be truncated"_s.arg(m_offsetSize)
                           .arg(m_refSize));
    if (objectCount == 0)
        return corrupt(u"it holds no objects"_s);
    if (topObject >= objectCount)
        return corrupt(
            u"the top object %1 is past the %2 objects"_s.arg(topObject).arg(objectCount));
    if (offsetTable < headerSize || offsetTable > tableLimit)
        return corrupt(u"the offset table lies outside the file"_s);
    if (objectCount > (tableLimit - offsetTable) / quint64(m_offsetSize))
        return corrupt(u"%1 objects do not fit in the offset table"_s.arg(objectCount));
    if (m_refSize < 8 && objectCount - 1 > (quint64(1) << (8 * m_refSize)) - 1)
        return corrupt(
            u"%1-byte references cannot reach %2 objects"_s.arg(m_refSize).arg(objectCount));

    m_objectCount = objectCount;
    m_topObject = topObject;
    m_offsetTable = m_data + offsetTable;
    m_objectLimit = offsetTable;
    return {};
}

Result<BinaryPlistObjects::Entry> BinaryPlistObjects::entry(quint64 index) const
{
    if (index >= m_objectCount)
        return corrupt(u"reference %1 is past the %2 objects"_s.arg(index).arg(m_objectCount));
    const quint64 offset
        = readBigEndian(m_offsetTable + index * quint64(m_offsetSize), m_offsetSize);
    if (offset < headerSize || offset >= m_objectLimit)
        return corrupt(u"object %1 starts outside the object area"_s.arg(index));
    const quint8 marker = m_data[offset];
    const quint8 kind = marker & 0xF0;
    const int low = marker & 0x0F;
    Entry entry;
    entry.position = offset;
    quint64 position = offset + 1;
    switch (kind) {
    case kindUid: {
        const int size = low + 1;
        if (available(position) < quint64(size))
            return corrupt(u"object %1 is a damaged UID"_s.arg(index));
        if (size > 8)
            return corrupt(u"object %1 is a UID wider than 8 bytes"_s.arg(index));
        entry.kind = Entry::Kind::Uid;
        entry.uid = readBigEndian(m_data + position, size);
        return entry;
    }
    case kindArray:
    case kindOrderedSet: // ordered sets read as arrays: nothing the catalogue keeps uses them
    case kindSet:
    case kindDictionary: {
        const quint64 unit = kind == kindDictionary ? 2 * quint64(m_refSize) : quint64(m_refSize);
        VIDARIUM_TRY(const quint64 count, length(index, low, position, unit));
        entry.kind = kind == kindDictionary ? Entry::Kind::Dictionary
            : kind == kindSet               ? Entry::Kind::Set
                                            : Entry::Kind::Array;
        entry.count = count;
        entry.position = position;
        return entry;
    }
    default:
        return entry;
    }
}

Result<quint64> BinaryPlistObjects::member(const Entry &container, quint64 i) const
{
    // The container's length was checked against the bytes left, so the reference
    // itself lies inside the object area; only its target needs checking.
    const quint64 index
        = readBigEndian(m_data + container.position + i * quint64(m_refSize), m_refSize);
    if (index >= m_objectCount)
        return corrupt(u"reference %1 is past the %2 objects"_s.arg(index).arg(m_objectCount));
    return index;
}

Result<PlistValue> BinaryPlistObjects::scalar(quint64 index, const Entry &entry) const
{
    if (entry.kind == Entry::Kind::Uid)
        return PlistValue(PlistUid { entry.uid });
    if (entry.isContainer())
        return corrupt(u"object %1 is a container where a single value belongs"_s.arg(index));
    const quint8 marker = m_data[entry.position];
    const quint8 kind = marker & 0xF0;
    const int low = marker & 0x0F;
    quint64 position = entry.position + 1;
    switch (kind) {
    case kindSpecial:
        if (marker == markerNull)
            return PlistValue::null();
        if (marker == markerFalse)
            return PlistValue(false);
        if (marker == markerTrue)
            return PlistValue(true);
        break;
    case kindInteger:
        return integer(index, low, position);
    case kindReal:
        if (marker == markerFloat32 && available(position) >= 4) {
            const quint32 bits = quint32(readBigEndian(m_data + position, 4));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return PlistValue::float32(f);
        }
        if (marker == markerReal && available(position) >= 8)
            return PlistValue(realAt(position));
        return corrupt(u"object %1 is a real of a size not handled"_s.arg(index));
    case kindDate:
        if (marker == markerDate && available(position) >= 8)
            return PlistValue(PlistDate { realAt(position) });
        return corrupt(u"object %1 is a damaged date"_s.arg(index));
    case kindData: {
        VIDARIUM_TRY(const quint64 count, length(index, low, position, 1));
        return PlistValue(
            QByteArray(reinterpret_cast<const char *>(m_data + position), qsizetype(count)));
    }
    case kindAsciiString: {
        VIDARIUM_TRY(const quint64 count, length(index, low, position, 1));
        return PlistValue(QString::fromLatin1(
            reinterpret_cast<const char *>(m_data + position), qsizetype(count)));
    }
    case kindUtf16String: {
        VIDARIUM_TRY(const quint64 count, length(index, low, position, 2));
        QString s(qsizetype(count), Qt::Uninitialized);
        QChar *out = s.data();
        for (quint64 i = 0; i < count; ++i)
            out[i] = QChar(char16_t(readBigEndian(m_data + position + 2 * i, 2)));
        return PlistValue(s);
    }
    case kindUtf8String: {
        VIDARIUM_TRY(const quint64 count, length(index, low, position, 1));
        return PlistValue(
            QString::fromUtf8(reinterpret_cast<const char *>(m_data + position), qsizetype(count)));
    }
    default:
        break;
    }
    return corrupt(
        u"object %1 has the unknown marker 0x%2"_s.arg(index).arg(marker, 2, 16, QLatin1Char('0')));
}

Result<PlistValue> BinaryPlistObjects::integer(quint64 index, int low, quint64 position) const
{
    if (low > 4)
        return corrupt(u"object %1 is an integer of %2 bytes"_s.arg(index).arg(1 << low));
    const int size = 1 << low;
    if (available(position) < quint64(size))
        return corrupt(u"object %1 is a truncated integer"_s.arg(index));
    if (size <= 8)
        return PlistValue(qint64(readBigEndian(m_data + position, size)));
    // 128 bits: written for unsigned values of 2^63 and more, and by some writers
    // for any value; keep it when it fits in 64 bits either way.
    const quint64 highBits = readBigEndian(m_data + position, 8);
    const quint64 lowBits = readBigEndian(m_data + position + 8, 8);
    if (highBits == 0)
        return PlistValue::unsignedInteger(lowBits);
    if (highBits == ~quint64(0) && qint64(lowBits) < 0)
        return PlistValue(qint64(lowBits));
    return Error(Error::Code::Unsupported,
        u"binary property list: object %1 is an integer wider than 64 bits"_s.arg(index));
}

// The count of a container or string: in the marker's low nibble, or in the integer
// object that follows when the nibble is 0xF. Checked against the bytes left, so no
// count can ask for more memory than the file could fill.
Result<quint64> BinaryPlistObjects::length(
    quint64 index, int low, quint64 &position, quint64 unitSize) const
{
    quint64 count = quint64(low);
    if (low == countFollows) {
        if (available(position) < 1)
            return corrupt(u"object %1 is truncated"_s.arg(index));
        const quint8 marker = m_data[position];
        const int size = 1 << (marker & 0x0F);
        if ((marker & 0xF0) != kindInteger || size > 8 || available(position + 1) < quint64(size))
            return corrupt(u"object %1 has a damaged length"_s.arg(index));
        count = readBigEndian(m_data + position + 1, size);
        position += 1 + quint64(size);
    }
    if (count > available(position) / unitSize)
        return corrupt(
            u"object %1 claims %2 entries, more than the file holds"_s.arg(index).arg(count));
    return count;
}

double BinaryPlistObjects::realAt(quint64 position) const
{
    const quint64 bits = readBigEndian(m_data + position, 8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

} // namespace vidarium
