#include "binaryplistreader.h"

#include "platform/plist/binaryplistobjects.h"
#include "platform/plist/propertylist.h"

#include <vector>

namespace vidarium {

using namespace Qt::StringLiterals;

namespace {

Error corrupt(const QString &what)
{
    return Error(Error::Code::Corrupt, u"damaged binary property list: %1"_s.arg(what));
}

// Decodes one whole file. Every object is decoded at most once and kept, so an object
// referenced many times costs one decode, and a reference back into an object still
// being decoded is a cycle.
class Parser
{
public:
    explicit Parser(const QByteArray &bytes)
        : m_bytes(bytes)
    {
    }

    Result<PlistValue> parse()
    {
        if (Result<void> opened = m_objects.open(m_bytes); !opened)
            return opened.error();
        const quint64 count = m_objects.count();
        // Every object is decoded once, but a container can be referenced from many
        // places, and each place holds it in full: [B, B] where B = [C, C] and so on
        // doubles at each level. No honest file holds more values than a few per byte.
        m_weightLimit = 16 * m_objects.size() + (quint64(1) << 20);
        m_values.resize(count);
        m_weights.assign(count, 1);
        m_states.assign(count, State::Unread);
        return object(m_objects.topObject(), 0);
    }

private:
    enum class State : quint8 { Unread, Reading, Done };
    using Entry = BinaryPlistObjects::Entry;

    Result<PlistValue> object(quint64 index, int depth)
    {
        if (index >= m_objects.count())
            return corrupt(
                u"reference %1 is past the %2 objects"_s.arg(index).arg(m_objects.count()));
        switch (m_states[index]) {
        case State::Done:
            return m_values[index];
        case State::Reading:
            return corrupt(u"object %1 contains itself"_s.arg(index));
        case State::Unread:
            break;
        }
        if (depth > PropertyList::maximumDepth)
            return corrupt(u"nesting deeper than %1 levels"_s.arg(PropertyList::maximumDepth));
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
        VIDARIUM_TRY(const Entry entry, m_objects.entry(index));
        switch (entry.kind) {
        case Entry::Kind::Array:
        case Entry::Kind::Set:
            return array(index, entry, depth);
        case Entry::Kind::Dictionary:
            return dictionary(index, entry, depth);
        default:
            return m_objects.scalar(index, entry);
        }
    }

    Result<PlistValue> array(quint64 index, const Entry &entry, int depth)
    {
        PlistArray members;
        members.reserve(qsizetype(entry.count));
        quint64 weight = 1;
        for (quint64 i = 0; i < entry.count; ++i) {
            VIDARIUM_TRY(const quint64 memberIndex, m_objects.member(entry, i));
            VIDARIUM_TRY(PlistValue && member, object(memberIndex, depth + 1));
            if (!addWeight(weight, memberIndex))
                return tooLarge(index);
            members.append(std::move(member));
        }
        m_weights[index] = weight;
        return entry.kind == Entry::Kind::Set ? PlistValue::set(members) : PlistValue(members);
    }

    Result<PlistValue> dictionary(quint64 index, const Entry &entry, int depth)
    {
        PlistDictionary dictionary;
        quint64 weight = 1;
        for (quint64 i = 0; i < entry.count; ++i) {
            VIDARIUM_TRY(const quint64 keyIndex, m_objects.member(entry, i));
            VIDARIUM_TRY(const PlistValue &key, object(keyIndex, depth + 1));
            if (key.type() != PlistValue::Type::String)
                return corrupt(
                    u"dictionary %1 has a key that is a %2, not a string"_s.arg(index).arg(
                        PlistValue::typeName(key.type())));
            VIDARIUM_TRY(const quint64 valueIndex, m_objects.member(entry, entry.count + i));
            VIDARIUM_TRY(PlistValue && value, object(valueIndex, depth + 1));
            if (!addWeight(weight, valueIndex))
                return tooLarge(index);
            dictionary.insert(key.toString(), std::move(value));
        }
        m_weights[index] = weight;
        return PlistValue(dictionary);
    }

    // Adds the logical size of a member to its container's; false past the limit.
    bool addWeight(quint64 &weight, quint64 memberIndex) const
    {
        weight += m_weights[memberIndex];
        return weight <= m_weightLimit;
    }

    static Error tooLarge(quint64 index)
    {
        return corrupt(u"object %1 refers to shared objects so often that it would expand "
                       "far beyond the size of the file"_s.arg(index));
    }

    const QByteArray &m_bytes;
    BinaryPlistObjects m_objects;
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
