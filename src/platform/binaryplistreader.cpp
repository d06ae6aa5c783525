#include "binaryplistreader.h"

#include "platform/propertylist.h"

#include <cstring>
#include <vector>

namespace vidarium {

namespace {

constexpr qsizetype headerSize = 8;
constexpr qsizetype trailerSize = 32;

Error corrupt(const QString &what)
{
    return Error(Error::Code::Corrupt, QStringLiteral("damaged binary property list: %1").arg(what));
}

// Decodes one file. Every object is decoded at most once and kept, so an object
// referenced many times costs one decode, and a reference back into an object still
// being decoded is a cycle.
class Parser
{
public:
    explicit Parser(const QByteArray &bytes)
        : m_data(reinterpret_cast<const quint8 *>(bytes.constData())), m_size(quint64(bytes.size()))
    {
    }

    Result<PlistValue> parse()
    {
        if (m_size < quint64(headerSize + trailerSize))
            return corrupt(QStringLiteral("the file is too short (%1 bytes)").arg(m_size));
        if (std::memcmp(m_data, "bplist00", 8) != 0)
            return Error(Error::Code::Unsupported, QStringLiteral("not a bplist00 property list"));

        const quint8 *trailer = m_data + m_size - trailerSize;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        const quint64 objectCount = readBigEndian(trailer + 8, 8);
        const quint64 topObject = readBigEndian(trailer + 16, 8);
        const quint64 offsetTable = readBigEndian(trailer + 24, 8);
        const quint64 tableLimit = m_size - trailerSize;

        // A truncated file loses its trailer first, so say so when the trailer is wrong.
        if (!validIntegerSize(m_offsetSize) || !validIntegerSize(m_refSize))
            return corrupt(QStringLiteral("the trailer is damaged (offset size %1, reference size %2); "
                                          "the file may be truncated")
                               .arg(m_offsetSize).arg(m_refSize));
        if (objectCount == 0)
            return corrupt(QStringLiteral("it holds no objects"));
        if (topObject >= objectCount)
            return corrupt(QStringLiteral("the top object %1 is past the %2 objects")
                               .arg(topObject).arg(objectCount));
        if (offsetTable < quint64(headerSize) || offsetTable > tableLimit)
            return corrupt(QStringLiteral("the offset table lies outside the file"));
        if (objectCount > (tableLimit - offsetTable) / m_offsetSize)
            return corrupt(QStringLiteral("%1 objects do not fit in the offset table").arg(objectCount));
        if (m_refSize < 8 && objectCount - 1 > (quint64(1) << (8 * m_refSize)) - 1)
            return corrupt(QStringLiteral("%1-byte references cannot reach %2 objects")
                               .arg(m_refSize).arg(objectCount));

        m_objectCount = objectCount;
        m_offsetTable = m_data + offsetTable;
        m_objectLimit = offsetTable;
        // Every object is decoded once, but a container can be referenced from many
        // places, and each place holds it in full: [B, B] where B = [C, C] and so on
        // doubles at each level. No honest file holds more values than a few per byte.
        m_weightLimit = 16 * m_size + (quint64(1) << 20);
        m_values.resize(objectCount);
        m_weights.assign(objectCount, 1);
        m_states.assign(objectCount, State::Unread);
        return object(topObject, 0);
    }

private:
    enum class State : quint8 { Unread, Reading, Done };

    static bool validIntegerSize(int size) { return size == 1 || size == 2 || size == 4 || size == 8; }

    static quint64 readBigEndian(const quint8 *p, int size)
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | p[i];
        return value;
    }

    // Bytes left between `offset` and the offset table, where objects must end.
    quint64 available(quint64 offset) const { return offset < m_objectLimit ? m_objectLimit - offset : 0; }

    Result<PlistValue> object(quint64 index, int depth)
    {
        if (index >= m_objectCount)
            return corrupt(QStringLiteral("reference %1 is past the %2 objects").arg(index).arg(m_objectCount));
        switch (m_states[index]) {
        case State::Done: return m_values[index];
        case State::Reading:
            return corrupt(QStringLiteral("object %1 contains itself").arg(index));
        case State::Unread: break;
        }
        if (depth > PropertyList::maximumDepth)
            return corrupt(QStringLiteral("nesting deeper than %1 levels").arg(PropertyList::maximumDepth));
        m_states[index] = State::Reading;
        Result<PlistValue> value = decode(index, depth);
        if (!value)
            return value;
        m_values[index] = *value;
        m_states[index] = State::Done;
        return value;
    }

    Result<PlistValue> decode(quint64 index, int depth)
    {
        const quint64 offset = readBigEndian(m_offsetTable + index * m_offsetSize, m_offsetSize);
        if (offset < quint64(headerSize) || offset >= m_objectLimit)
            return corrupt(QStringLiteral("object %1 starts outside the object area").arg(index));
        const quint8 marker = m_data[offset];
        const quint8 high = marker >> 4, low = marker & 0x0F;
        quint64 position = offset + 1;

        switch (high) {
        case 0x0:
            if (marker == 0x00)
                return PlistValue::null();
            if (marker == 0x08)
                return PlistValue(false);
            if (marker == 0x09)
                return PlistValue(true);
            break;
        case 0x1: return integer(index, low, position);
        case 0x2:
            if (low == 2 && available(position) >= 4) {
                const quint32 bits = quint32(readBigEndian(m_data + position, 4));
                float f;
                std::memcpy(&f, &bits, sizeof f);
                return PlistValue::float32(f);
            }
            if (low == 3 && available(position) >= 8)
                return PlistValue(realAt(position));
            return corrupt(QStringLiteral("object %1 is a real of a size not handled").arg(index));
        case 0x3:
            if (low == 3 && available(position) >= 8)
                return PlistValue(PlistDate{realAt(position)});
            return corrupt(QStringLiteral("object %1 is a damaged date").arg(index));
        case 0x4: {
            Result<quint64> count = length(index, low, position, 1);
            if (!count)
                return count.error();
            return PlistValue(QByteArray(reinterpret_cast<const char *>(m_data + position),
                                         qsizetype(*count)));
        }
        case 0x5: {
            Result<quint64> count = length(index, low, position, 1);
            if (!count)
                return count.error();
            return PlistValue(QString::fromLatin1(reinterpret_cast<const char *>(m_data + position),
                                                  qsizetype(*count)));
        }
        case 0x6: {
            Result<quint64> count = length(index, low, position, 2);
            if (!count)
                return count.error();
            QString s(qsizetype(*count), Qt::Uninitialized);
            QChar *out = s.data();
            for (quint64 i = 0; i < *count; ++i)
                out[i] = QChar(char16_t(readBigEndian(m_data + position + 2 * i, 2)));
            return PlistValue(s);
        }
        case 0x7: { // UTF-8 strings, written by newer encoders
            Result<quint64> count = length(index, low, position, 1);
            if (!count)
                return count.error();
            return PlistValue(QString::fromUtf8(reinterpret_cast<const char *>(m_data + position),
                                                qsizetype(*count)));
        }
        case 0x8: {
            const int size = low + 1;
            if (available(position) < quint64(size))
                return corrupt(QStringLiteral("object %1 is a damaged UID").arg(index));
            if (size > 8)
                return corrupt(QStringLiteral("object %1 is a UID wider than 8 bytes").arg(index));
            return PlistValue(PlistUid{readBigEndian(m_data + position, size)});
        }
        case 0xA:
        case 0xB: // ordered sets read as arrays: nothing the catalogue keeps uses them
        case 0xC: {
            Result<quint64> count = length(index, low, position, m_refSize);
            if (!count)
                return count.error();
            PlistArray members;
            members.reserve(qsizetype(*count));
            quint64 weight = 1;
            for (quint64 i = 0; i < *count; ++i) {
                const quint64 memberIndex = refAt(position + i * m_refSize);
                Result<PlistValue> member = object(memberIndex, depth + 1);
                if (!member)
                    return member;
                if (!addWeight(weight, memberIndex))
                    return tooLarge(index);
                members.append(std::move(member).value());
            }
            m_weights[index] = weight;
            return high == 0xC ? PlistValue::set(members) : PlistValue(members);
        }
        case 0xD: {
            Result<quint64> count = length(index, low, position, 2 * m_refSize);
            if (!count)
                return count.error();
            PlistDictionary dictionary;
            const quint64 valuesStart = position + *count * m_refSize;
            quint64 weight = 1;
            for (quint64 i = 0; i < *count; ++i) {
                Result<PlistValue> key = object(refAt(position + i * m_refSize), depth + 1);
                if (!key)
                    return key;
                if (key->type() != PlistValue::Type::String)
                    return corrupt(QStringLiteral("dictionary %1 has a key that is a %2, not a string")
                                       .arg(index).arg(PlistValue::typeName(key->type())));
                const quint64 valueIndex = refAt(valuesStart + i * m_refSize);
                Result<PlistValue> value = object(valueIndex, depth + 1);
                if (!value)
                    return value;
                if (!addWeight(weight, valueIndex))
                    return tooLarge(index);
                dictionary.insert(key->toString(), std::move(value).value());
            }
            m_weights[index] = weight;
            return PlistValue(dictionary);
        }
        default: break;
        }
        return corrupt(QStringLiteral("object %1 has the unknown marker 0x%2")
                           .arg(index).arg(marker, 2, 16, QLatin1Char('0')));
    }

    Result<PlistValue> integer(quint64 index, int low, quint64 position) const
    {
        if (low > 4)
            return corrupt(QStringLiteral("object %1 is an integer of %2 bytes").arg(index).arg(1 << low));
        const int size = 1 << low;
        if (available(position) < quint64(size))
            return corrupt(QStringLiteral("object %1 is a truncated integer").arg(index));
        if (size < 8)
            return PlistValue(qint64(readBigEndian(m_data + position, size)));
        if (size == 8)
            return PlistValue(qint64(readBigEndian(m_data + position, 8)));
        // 128 bits: written for unsigned values of 2^63 and more, and by some writers
        // for any value; keep it when it fits in 64 bits either way.
        const quint64 highBits = readBigEndian(m_data + position, 8);
        const quint64 lowBits = readBigEndian(m_data + position + 8, 8);
        if (highBits == 0)
            return PlistValue::unsignedInteger(lowBits);
        if (highBits == ~quint64(0) && qint64(lowBits) < 0)
            return PlistValue(qint64(lowBits));
        return Error(Error::Code::Unsupported,
                     QStringLiteral("binary property list: object %1 is an integer wider than 64 bits")
                         .arg(index));
    }

    // The count of a container or string: in the marker's low nibble, or in the
    // integer object that follows when the nibble is 0xF. Checked against the bytes
    // left, so no count can ask for more memory than the file could fill.
    Result<quint64> length(quint64 index, int low, quint64 &position, quint64 unitSize) const
    {
        quint64 count = quint64(low);
        if (low == 0x0F) {
            if (available(position) < 1)
                return corrupt(QStringLiteral("object %1 is truncated").arg(index));
            const quint8 marker = m_data[position];
            const int size = 1 << (marker & 0x0F);
            if ((marker & 0xF0) != 0x10 || size > 8 || available(position + 1) < quint64(size))
                return corrupt(QStringLiteral("object %1 has a damaged length").arg(index));
            count = readBigEndian(m_data + position + 1, size);
            position += 1 + quint64(size);
        }
        if (count > available(position) / unitSize)
            return corrupt(QStringLiteral("object %1 claims %2 entries, more than the file holds")
                               .arg(index).arg(count));
        return count;
    }

    // Adds the logical size of a member to its container's; false past the limit.
    bool addWeight(quint64 &weight, quint64 memberIndex) const
    {
        weight += m_weights[memberIndex];
        return weight <= m_weightLimit;
    }

    static Error tooLarge(quint64 index)
    {
        return corrupt(QStringLiteral("object %1 refers to shared objects so often that it would expand "
                                      "far beyond the size of the file").arg(index));
    }

    quint64 refAt(quint64 position) const { return readBigEndian(m_data + position, m_refSize); }

    double realAt(quint64 position) const
    {
        const quint64 bits = readBigEndian(m_data + position, 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    const quint8 *m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    const quint8 *m_offsetTable = nullptr;
    quint64 m_objectLimit = 0;
    quint64 m_weightLimit = 0;
    std::vector<quint64> m_weights; // logical size of each decoded object, in values
    std::vector<PlistValue> m_values;
    std::vector<State> m_states;
};

} // namespace

bool BinaryPlistReader::hasSignature(const QByteArray &bytes)
{
    return bytes.startsWith("bplist");
}

Result<PlistValue> BinaryPlistReader::read(const QByteArray &bytes)
{
    return Parser(bytes).parse();
}

} // namespace vidarium
