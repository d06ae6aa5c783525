#include "settingsisolation.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

namespace vidarium::test {

namespace {

// Every name the programs of this project store their settings under.
const QStringList SettingsFolderNames
    = { QStringLiteral("Vidarium"), QStringLiteral("VidariumTests") };

QString fileDigest(const QFileInfo &info)
{
    QFile file(info.filePath());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly))
        hash.addData(&file);
    return QStringLiteral("%1 %2 %3")
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(QString::fromLatin1(hash.result().toHex()));
}

// The account's home from the password database: HOME may already point
// elsewhere, and the real settings must be watched wherever they are.
QString accountHome()
{
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return QFile::decodeName(entry->pw_dir);
    return QString();
}

} // namespace

FolderSnapshot FolderSnapshot::take(const QStringList &folders)
{
    FolderSnapshot snapshot;
    for (const QString &folder : folders) {
        const QFileInfo root(folder);
        if (!root.exists())
            continue;
        snapshot.m_entries.insert(root.absoluteFilePath(), QStringLiteral("folder"));
        QDirIterator it(root.absoluteFilePath(),
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info = it.nextFileInfo();
            snapshot.m_entries.insert(info.absoluteFilePath(),
                info.isDir() && !info.isSymLink() ? QStringLiteral("folder") : fileDigest(info));
        }
    }
    return snapshot;
}

QStringList FolderSnapshot::differences(const FolderSnapshot &later) const
{
    QStringList changed;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (later.m_entries.value(it.key()) != it.value())
            changed.append(it.key());
    }
    for (auto it = later.m_entries.cbegin(); it != later.m_entries.cend(); ++it) {
        if (!m_entries.contains(it.key()))
            changed.append(it.key());
    }
    changed.sort();
    return changed;
}

SettingsIsolation::SettingsIsolation(Cache cache)
    : m_home(
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vidarium-home-XXXXXX")))
{
    const QString home = qEnvironmentVariable("HOME");
    m_realConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (m_realConfigHome.isEmpty())
        m_realConfigHome = home + QStringLiteral("/.config");
    QStringList configHomes { m_realConfigHome };
    const QString account = accountHome();
    if (!account.isEmpty() && account + QStringLiteral("/.config") != m_realConfigHome)
        configHomes.append(account + QStringLiteral("/.config"));
    for (const QString &configHome : std::as_const(configHomes)) {
        for (const QString &name : SettingsFolderNames)
            m_watched.append(configHome + QLatin1Char('/') + name);
    }
    m_before = FolderSnapshot::take(m_watched);

    if (cache == Cache::Shared && qEnvironmentVariableIsEmpty("XDG_CACHE_HOME"))
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
    const QString fake = m_home->path();
    qputenv("HOME", QFile::encodeName(fake));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fake + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(fake + QStringLiteral("/.local/share")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(fake + QStringLiteral("/.local/state")));
    if (cache == Cache::Isolated)
        qputenv("XDG_CACHE_HOME", QFile::encodeName(fake + QStringLiteral("/.cache")));
}

SettingsIsolation::~SettingsIsolation() = default;

QString SettingsIsolation::home() const
{
    return m_home->path();
}

QStringList SettingsIsolation::realSettingsChanges() const
{
    return m_before.differences(FolderSnapshot::take(m_watched));
}

} // namespace vidarium::test
