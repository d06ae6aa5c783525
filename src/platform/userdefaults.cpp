#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSettings>
#include <QVariant>

#include <atomic>

namespace vidarium {

namespace {

std::atomic<UserDefaults *> g_override { nullptr };

// INI files write a top-level list as comma-separated text, which comes back as
// strings (and an empty list as nothing). Wrapped in a map it is stored with
// its types, like every value nested inside it.
const QString ArrayWrapperKey = QStringLiteral("@Array");

QVariant toVariant(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Bool:
        return value.toBool();
    case PlistValue::Type::Integer:
        if (value.isUnsigned64())
            return QVariant::fromValue(value.toUInt64());
        return QVariant::fromValue(value.toInteger());
    case PlistValue::Type::Real:
        return value.toDouble();
    case PlistValue::Type::Date:
        return value.toDateTime();
    case PlistValue::Type::Data:
        return value.toData();
    case PlistValue::Type::String:
        return value.toString();
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        QVariantList list;
        for (const PlistValue &member : value.toArray())
            list.append(toVariant(member));
        return list;
    }
    case PlistValue::Type::Dictionary: {
        QVariantMap map;
        const PlistDictionary &dictionary = value.toDictionary();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            map.insert(it.key(), toVariant(it.value()));
        return map;
    }
    default:
        // The null marker, UIDs and archived objects have no settings form.
        return {};
    }
}

PlistValue fromVariant(const QVariant &variant)
{
    switch (variant.metaType().id()) {
    case QMetaType::Bool:
        return PlistValue(variant.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return PlistValue(variant.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return PlistValue::unsignedInteger(variant.toULongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return PlistValue(variant.toDouble());
    case QMetaType::QDateTime:
        return PlistValue(variant.toDateTime());
    case QMetaType::QByteArray:
        return PlistValue(variant.toByteArray());
    case QMetaType::QString:
        return PlistValue(variant.toString());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        PlistArray array;
        for (const QVariant &member : variant.toList())
            array.append(fromVariant(member));
        return PlistValue(array);
    }
    case QMetaType::QVariantMap: {
        PlistDictionary dictionary;
        const QVariantMap map = variant.toMap();
        if (map.size() == 1 && map.contains(ArrayWrapperKey))
            return fromVariant(map.value(ArrayWrapperKey));
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            dictionary.insert(it.key(), fromVariant(it.value()));
        return PlistValue(dictionary);
    }
    default:
        return {};
    }
}

// INI files keep scalars as text: a stored bool comes back as the string
// "true". The typed getters read such text as the type they were asked for.
bool textAsBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    return t == QLatin1String("true") || t == QLatin1String("yes") || t.toLongLong() != 0
        || t.toDouble() != 0;
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    if (UserDefaults *substitute = g_override.load())
        return *substitute;
    static UserDefaults *defaults = [] {
        // Without an organisation the application name is only the executable's
        // (vidarium-cli, vidarium): every front end must share one settings file.
        const QString organization = QCoreApplication::organizationName();
        if (organization.isEmpty())
            return new UserDefaults(QStringLiteral("Vidarium"), QStringLiteral("Vidarium"));
        return new UserDefaults(organization, QCoreApplication::applicationName());
    }();
    return *defaults;
}

void UserDefaults::setStandardForTesting(UserDefaults *defaults)
{
    g_override.store(defaults);
}

UserDefaults::UserDefaults(const QString &filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

UserDefaults::UserDefaults(const QString &organization, const QString &application)
    : m_settings(std::make_unique<QSettings>(organization, application))
{
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::fileName() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->fileName();
}

PlistValue UserDefaults::object(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    if (m_settings->contains(key))
        return fromVariant(m_settings->value(key));
    return m_registered.value(key);
}

void UserDefaults::setObject(const QString &key, const PlistValue &value)
{
    if (key.isEmpty())
        return;
    QVariant variant = toVariant(value);
    if (variant.metaType().id() == QMetaType::QVariantList)
        variant = QVariantMap { { ArrayWrapperKey, variant } };
    QMutexLocker locker(&m_mutex);
    if (!variant.isValid())
        m_settings->remove(key);
    else
        m_settings->setValue(key, variant);
}

void UserDefaults::removeObject(const QString &key)
{
    if (key.isEmpty())
        return;
    QMutexLocker locker(&m_mutex);
    m_settings->remove(key);
}

bool UserDefaults::hasUserValue(const QString &key) const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->contains(key);
}

QStringList UserDefaults::userKeys() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings->allKeys();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const PlistValue value = object(key);
    if (value.type() == PlistValue::Type::String)
        return textAsBool(value.toString());
    return value.toBool();
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const PlistValue value = object(key);
    if (value.type() == PlistValue::Type::String) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qint64 integer = text.toLongLong(&ok);
        if (ok)
            return integer;
        const double real = text.toDouble(&ok);
        return ok ? qint64(real) : 0;
    }
    return value.toInteger();
}

double UserDefaults::doubleForKey(const QString &key) const
{
    const PlistValue value = object(key);
    if (value.type() == PlistValue::Type::String)
        return value.toString().trimmed().toDouble();
    return value.toDouble();
}

QString UserDefaults::stringForKey(const QString &key) const
{
    return object(key).toString();
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    return object(key).toData();
}

PlistArray UserDefaults::arrayForKey(const QString &key) const
{
    const PlistValue value = object(key);
    if (value.type() == PlistValue::Type::Array || value.type() == PlistValue::Type::Set)
        return value.toArray();
    return {};
}

PlistDictionary UserDefaults::dictionaryForKey(const QString &key) const
{
    return object(key).toDictionary();
}

QStringList UserDefaults::stringListForKey(const QString &key) const
{
    QStringList strings;
    for (const PlistValue &member : arrayForKey(key)) {
        if (member.type() == PlistValue::Type::String)
            strings.append(member.toString());
    }
    return strings;
}

void UserDefaults::registerDefaults(const PlistDictionary &defaults)
{
    QMutexLocker locker(&m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::synchronize()
{
    QMutexLocker locker(&m_mutex);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

} // namespace vidarium
