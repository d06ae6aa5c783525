#include "plistvalue.h"

#include <QTimeZone>

#include <cmath>

namespace vidarium {

namespace {
const QDateTime &referenceDate()
{
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return reference;
}
const PlistArray &emptyArray()
{
    static const PlistArray empty;
    return empty;
}
const PlistDictionary &emptyDictionary()
{
    static const PlistDictionary empty;
    return empty;
}
} // namespace

PlistDate PlistDate::fromDateTime(const QDateTime &dateTime)
{
    return PlistDate { double(referenceDate().msecsTo(dateTime)) / 1000.0 };
}

QDateTime PlistDate::toDateTime() const
{
    if (!std::isfinite(secondsSince2001))
        return QDateTime();
    return referenceDate().addMSecs(qint64(std::llround(secondsSince2001 * 1000.0)));
}

bool PlistValue::Set::operator==(const Set &other) const
{
    return members == other.members;
}

PlistValue PlistValue::unsignedInteger(quint64 value)
{
    PlistValue v;
    v.m_value = Integer { qint64(value), value > quint64(std::numeric_limits<qint64>::max()) };
    return v;
}

bool PlistValue::isUnsigned64() const
{
    const auto *integer = std::get_if<Integer>(&m_value);
    return integer && integer->isUnsigned;
}

bool PlistValue::isFloat32() const
{
    const auto *real = std::get_if<Real>(&m_value);
    return real && real->isFloat32;
}

bool PlistValue::toBool() const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(m_value);
    case Type::Integer:
        return std::get<Integer>(m_value).bits != 0;
    case Type::Real:
        return std::get<Real>(m_value).value != 0.0;
    default:
        return false;
    }
}

qint64 PlistValue::toInteger() const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(m_value) ? 1 : 0;
    case Type::Integer:
        return std::get<Integer>(m_value).bits;
    case Type::Real: {
        const double d = std::get<Real>(m_value).value;
        if (!std::isfinite(d))
            return 0;
        if (d >= 9.2233720368547758e18)
            return std::numeric_limits<qint64>::max();
        if (d <= -9.2233720368547758e18)
            return std::numeric_limits<qint64>::min();
        return qint64(d);
    }
    default:
        return 0;
    }
}

quint64 PlistValue::toUInt64() const
{
    if (const auto *integer = std::get_if<Integer>(&m_value))
        return quint64(integer->bits);
    return quint64(toInteger());
}

double PlistValue::toDouble() const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(m_value) ? 1.0 : 0.0;
    case Type::Integer: {
        const Integer &integer = std::get<Integer>(m_value);
        return integer.isUnsigned ? double(quint64(integer.bits)) : double(integer.bits);
    }
    case Type::Real:
        return std::get<Real>(m_value).value;
    default:
        return 0.0;
    }
}

QString PlistValue::toString() const
{
    const auto *s = std::get_if<QString>(&m_value);
    return s ? *s : QString();
}

QByteArray PlistValue::toData() const
{
    const auto *d = std::get_if<QByteArray>(&m_value);
    return d ? *d : QByteArray();
}

PlistDate PlistValue::toDate() const
{
    const auto *d = std::get_if<PlistDate>(&m_value);
    return d ? *d : PlistDate {};
}

QDateTime PlistValue::toDateTime() const
{
    const auto *d = std::get_if<PlistDate>(&m_value);
    return d ? d->toDateTime() : QDateTime();
}

const PlistArray &PlistValue::toArray() const &
{
    if (const auto *a = std::get_if<PlistArray>(&m_value))
        return *a;
    if (const auto *s = std::get_if<Set>(&m_value))
        return s->members;
    return emptyArray();
}

const PlistDictionary &PlistValue::toDictionary() const &
{
    const auto *d = std::get_if<PlistDictionary>(&m_value);
    return d ? *d : emptyDictionary();
}

PlistUid PlistValue::toUid() const
{
    const auto *u = std::get_if<PlistUid>(&m_value);
    return u ? *u : PlistUid {};
}

std::shared_ptr<ArchivedObject> PlistValue::toObject() const
{
    const auto *o = std::get_if<std::shared_ptr<ArchivedObject>>(&m_value);
    return o ? *o : nullptr;
}

PlistValue PlistValue::value(const QString &key) const
{
    const auto *d = std::get_if<PlistDictionary>(&m_value);
    return d ? d->value(key) : PlistValue();
}

bool PlistValue::operator==(const PlistValue &other) const
{
    if (type() != other.type())
        return false;
    switch (type()) {
    case Type::Real: {
        const double a = std::get<Real>(m_value).value, b = std::get<Real>(other.m_value).value;
        return a == b || (std::isnan(a) && std::isnan(b));
    }
    case Type::Set: {
        // Sets ignore order; they are small wherever the catalogue keeps them.
        const PlistArray &a = toArray(), &b = other.toArray();
        if (a.size() != b.size())
            return false;
        for (const PlistValue &member : a)
            if (!b.contains(member))
                return false;
        return true;
    }
    default:
        return m_value == other.m_value;
    }
}

QString PlistValue::typeName(Type type)
{
    switch (type) {
    case Type::Invalid:
        return QStringLiteral("nothing");
    case Type::Null:
        return QStringLiteral("null");
    case Type::Bool:
        return QStringLiteral("boolean");
    case Type::Integer:
        return QStringLiteral("integer");
    case Type::Real:
        return QStringLiteral("real");
    case Type::Date:
        return QStringLiteral("date");
    case Type::Data:
        return QStringLiteral("data");
    case Type::String:
        return QStringLiteral("string");
    case Type::Array:
        return QStringLiteral("array");
    case Type::Dictionary:
        return QStringLiteral("dictionary");
    case Type::Set:
        return QStringLiteral("set");
    case Type::Uid:
        return QStringLiteral("UID");
    case Type::Object:
        return QStringLiteral("object");
    }
    return QString();
}

} // namespace vidarium
