#include "archivedecoder.h"

#include "platform/plist/unarchivesession.h"

#include <cstring>

namespace vidarium {

namespace {
const PlistValue &missing()
{
    static const PlistValue value;
    return value;
}

// Decoders ask for every field of every object by name; a plain comparison of the
// characters, inlined, costs a fraction of the general string comparison.
bool sameKey(const QString &a, const QString &b)
{
    const qsizetype size = a.size();
    return size == b.size()
        && (a.constData() == b.constData()
            || std::memcmp(a.constData(), b.constData(), size_t(size) * sizeof(QChar)) == 0);
}
} // namespace

ArchiveDecodingContext *ArchiveDecoder::context() const
{
    return m_session.context();
}

ArchiveDecoder::ArchiveDecoder(UnarchiveSession &session, std::span<const ArchiveField> fields,
    const QString &className, const QStringList &classChain)
    : m_session(session)
    , m_fields(fields)
    , m_className(className)
    , m_classChain(classChain)
{
}

const ArchiveField *ArchiveDecoder::find(const QString &key) const
{
    // From the field found last, wrapping around: asking whether a key is there
    // and then reading it finds it at once, and the next key is usually next.
    const size_t count = m_fields.size();
    for (size_t n = 0, i = m_next; n < count; ++n, i = i + 1 == count ? 0 : i + 1) {
        if (sameKey(*m_fields[i].key, key)) {
            m_next = i;
            return &m_fields[i];
        }
    }
    return nullptr;
}

bool ArchiveDecoder::containsKey(const QString &key) const
{
    return find(key) != nullptr;
}

QStringList ArchiveDecoder::keys() const
{
    QStringList keys;
    keys.reserve(qsizetype(m_fields.size()));
    for (const ArchiveField &field : m_fields)
        keys.append(*field.key);
    // Sorted, as a parsed dictionary lists them, so the order does not depend on
    // how the archive was read.
    keys.sort();
    return keys;
}

PlistValue ArchiveDecoder::decodeObject(const QString &key)
{
    return m_session.decodeField(rawValue(key));
}

PlistArray ArchiveDecoder::decodeObjectArray(const QString &key)
{
    const PlistValue &raw = rawValue(key);
    if (!raw.isValid())
        return PlistArray();
    if (raw.type() != PlistValue::Type::Array) {
        m_session.fail(corrupt(QStringLiteral("\"%1\" is a %2, not an array of references")
                                   .arg(key, PlistValue::typeName(raw.type()))));
        return PlistArray();
    }
    PlistArray members;
    members.reserve(raw.toArray().size());
    for (const PlistValue &reference : raw.toArray()) {
        PlistValue member = m_session.decodeField(reference);
        if (member.isValid())
            members.append(std::move(member));
    }
    return members;
}

qint64 ArchiveDecoder::decodeInt(const QString &key) const
{
    return rawValue(key).toInteger();
}

bool ArchiveDecoder::decodeBool(const QString &key) const
{
    return rawValue(key).toBool();
}

double ArchiveDecoder::decodeDouble(const QString &key) const
{
    return rawValue(key).toDouble();
}

const PlistValue &ArchiveDecoder::rawValue(const QString &key) const
{
    const ArchiveField *field = find(key);
    return field ? field->value : missing();
}

Error ArchiveDecoder::corrupt(const QString &what) const
{
    return m_session.corrupt(what);
}

bool ArchiveDecoder::hasFailed() const
{
    return m_session.failed();
}

} // namespace vidarium
