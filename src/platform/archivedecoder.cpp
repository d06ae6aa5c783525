#include "archivedecoder.h"

#include "platform/unarchivesession.h"

namespace vidarium {

namespace {
const QString classKey = QStringLiteral("$class");

// The field by reference: decoders read every field of every element, and a copy
// of the value per read showed in the open time of large catalogues.
const PlistValue &fieldOf(const PlistDictionary &fields, const QString &key)
{
    static const PlistValue missing;
    const auto it = fields.constFind(key);
    return it == fields.cend() ? missing : it.value();
}
} // namespace

ArchiveDecoder::ArchiveDecoder(UnarchiveSession &session, const PlistDictionary &fields,
                               const QString &className, const QStringList &classChain)
    : m_session(session), m_fields(fields), m_className(className), m_classChain(classChain)
{
}

bool ArchiveDecoder::containsKey(const QString &key) const
{
    return key != classKey && m_fields.contains(key);
}

QStringList ArchiveDecoder::keys() const
{
    QStringList keys = m_fields.keys();
    keys.removeOne(classKey);
    return keys;
}

PlistValue ArchiveDecoder::decodeObject(const QString &key)
{
    return m_session.decodeField(fieldOf(m_fields, key));
}

PlistArray ArchiveDecoder::decodeObjectArray(const QString &key)
{
    const PlistValue &raw = fieldOf(m_fields, key);
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
    return fieldOf(m_fields, key).toInteger();
}

bool ArchiveDecoder::decodeBool(const QString &key) const
{
    return fieldOf(m_fields, key).toBool();
}

double ArchiveDecoder::decodeDouble(const QString &key) const
{
    return fieldOf(m_fields, key).toDouble();
}

PlistValue ArchiveDecoder::rawValue(const QString &key) const
{
    return key == classKey ? PlistValue() : m_fields.value(key);
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
