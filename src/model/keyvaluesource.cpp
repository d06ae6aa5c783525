#include "keyvaluesource.h"

#include "platform/plist/archivedobject.h"

namespace vidarium {

PlistValue KeyValueSource::valueForKeyPath(const QString &keyPath) const
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(keyPath);
    const PlistValue head = valueForKey(keyPath.left(dot));
    return valueForKeyPathOfValue(head, QStringView(keyPath).mid(dot + 1));
}

namespace {

// What SELF is for an object that criteria read only by key: not nil, and equal only
// to itself, as the platform's evaluated object is.
class OpaqueObject final : public ArchivedObject
{
public:
    QString className() const override { return QStringLiteral("NSObject"); }
    void encode(ArchiveEncoder &) const override { }
};

} // namespace

PlistValue KeyValueSource::selfValue() const
{
    static const PlistValue opaque(
        std::shared_ptr<ArchivedObject>(std::make_shared<OpaqueObject>()));
    return opaque;
}

PlistValue KeyValueSource::callFunction(const QString &, const PlistArray &) const
{
    return {};
}

PlistValue valueForKeyPathOfValue(const PlistValue &value, QStringView keyPath)
{
    if (keyPath.isEmpty())
        return value;
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    const QStringView key = dot < 0 ? keyPath : keyPath.left(dot);
    const QStringView rest = dot < 0 ? QStringView() : keyPath.mid(dot + 1);
    // The collection operator counts the collection itself rather than its members.
    if (key == QLatin1String("@count")) {
        if (value.type() == PlistValue::Type::Dictionary)
            return qint64(value.toDictionary().size());
        if (value.type() == PlistValue::Type::Array || value.type() == PlistValue::Type::Set)
            return qint64(value.toArray().size());
        return {};
    }
    switch (value.type()) {
    case PlistValue::Type::Dictionary:
        return valueForKeyPathOfValue(value.value(key.toString()), rest);
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        // One step at a time, so that a later "@count" counts the collected values.
        PlistArray collected;
        collected.reserve(value.toArray().size());
        for (const PlistValue &member : value.toArray())
            collected.append(valueForKeyPathOfValue(member, key));
        return valueForKeyPathOfValue(value.type() == PlistValue::Type::Set
                ? PlistValue::set(collected)
                : PlistValue(collected),
            rest);
    }
    default:
        return {};
    }
}

PlistValue ValueKeyValueSource::valueForKey(const QString &key) const
{
    return valueForKeyPathOfValue(m_value, key);
}

PlistValue ValueKeyValueSource::valueForKeyPath(const QString &keyPath) const
{
    return valueForKeyPathOfValue(m_value, keyPath);
}

} // namespace vidarium
