#include "genericarchivedobject.h"

#include "platform/plist/archiveencoder.h"

namespace vidarium {

GenericArchivedObject::GenericArchivedObject(QStringList classChain, QList<Field> fields)
    : m_classChain(std::move(classChain))
    , m_fields(std::move(fields))
{
    if (m_classChain.isEmpty())
        m_classChain.append(QStringLiteral("NSObject"));
}

QString GenericArchivedObject::className() const
{
    return m_classChain.first();
}

void GenericArchivedObject::encode(ArchiveEncoder &encoder) const
{
    for (const Field &field : m_fields) {
        switch (field.kind) {
        case Field::Kind::Inline:
            encoder.encodeInline(field.key, field.value);
            break;
        case Field::Kind::Reference:
            encoder.encodeObject(field.key, field.value);
            break;
        case Field::Kind::ReferenceArray:
            encoder.encodeObjectArray(field.key, field.value.toArray());
            break;
        }
    }
}

PlistValue GenericArchivedObject::field(const QString &key) const
{
    for (const Field &field : m_fields)
        if (field.key == key)
            return field.value;
    return PlistValue();
}

bool GenericArchivedObject::containsField(const QString &key) const
{
    for (const Field &field : m_fields)
        if (field.key == key)
            return true;
    return false;
}

} // namespace vidarium
