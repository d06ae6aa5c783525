#pragma once

// The application settings ("user defaults"): typed get and set by key, stored
// with QSettings, over a registration domain of fallback values that are never
// written. A key the user never set and nobody registered reads as nothing: a
// bool reads false, a number 0, a string "". Read scalars with the typed
// getters: the settings file keeps them as text, so after a restart object()
// gives a stored bool or number back as a string.
// Threads: every member may be called from any thread.

#include "platform/plist/plistvalue.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace vidarium {

class UserDefaults
{
public:
    // The application's settings (organisation and application name of the
    // QCoreApplication, "Vidarium" when unset). Tests can substitute their own.
    static UserDefaults &standard();
    // Makes `defaults` the standard settings until called with nullptr; the
    // caller keeps ownership and must undo this before destroying it.
    static void setStandardForTesting(UserDefaults *defaults);

    // Settings kept in an INI file at `filePath` (tests, tools).
    explicit UserDefaults(const QString &filePath);
    UserDefaults(const QString &organization, const QString &application);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // The user's value, else the registered one, else Invalid.
    PlistValue object(const QString &key) const;
    // An absent or null value removes the user's value.
    void setObject(const QString &key, const PlistValue &value);
    void removeObject(const QString &key);
    // Whether the user's own settings hold the key (registered values do not count).
    bool hasUserValue(const QString &key) const;
    QStringList userKeys() const;

    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    PlistArray arrayForKey(const QString &key) const;
    PlistDictionary dictionaryForKey(const QString &key) const;
    QStringList stringListForKey(const QString &key) const; // non-strings skipped

    void setBool(const QString &key, bool value) { setObject(key, PlistValue(value)); }
    void setInteger(const QString &key, qint64 value) { setObject(key, PlistValue(value)); }
    void setDouble(const QString &key, double value) { setObject(key, PlistValue(value)); }
    void setString(const QString &key, const QString &value) { setObject(key, PlistValue(value)); }
    void setData(const QString &key, const QByteArray &value) { setObject(key, PlistValue(value)); }
    void setArray(const QString &key, const PlistArray &value)
    {
        setObject(key, PlistValue(value));
    }
    void setDictionary(const QString &key, const PlistDictionary &value)
    {
        setObject(key, PlistValue(value));
    }

    // Fallbacks for keys the user has not set; merged over earlier registrations.
    void registerDefaults(const PlistDictionary &defaults);

    // Writes pending changes to disk; false when that failed.
    bool synchronize();
    // Where the user's values are kept.
    QString fileName() const;

private:
    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings; // guarded by m_mutex
    PlistDictionary m_registered; // guarded by m_mutex
};

} // namespace vidarium
