#include "keyvaluesource.h"

namespace vidarium {

PlistValue KeyValueSource::valueForKeyPath(const QString &keyPath) const
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(keyPath);
    const PlistValue head = valueForKey(keyPath.left(dot));
    return valueForKeyPathOfValue(head, QStringView(keyPath).mid(dot + 1));
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
    switch (value.type()) {
    case PlistValue::Type::Dictionary:
        return valueForKeyPathOfValue(value.value(key.toString()), rest);
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        PlistArray collected;
        collected.reserve(value.toArray().size());
        for (const PlistValue &member : value.toArray())
            collected.append(valueForKeyPathOfValue(member, keyPath));
        return value.type() == PlistValue::Type::Set ? PlistValue::set(collected)
                                                     : PlistValue(collected);
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
