#pragma once

// Keeps test and benchmark programs away from the user's own settings and home
// folder: the whole process (and every program it starts) sees a temporary
// HOME and XDG folders, and afterwards the real settings folders can be checked
// for anything that changed behind that screen.
// Threads: construct in main() before any thread starts or any path is read.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace vidarium::test {

// What a folder tree held: every file and folder under it, with its size,
// modification time and a hash of its bytes.
class FolderSnapshot
{
public:
    // Folders that do not exist are recorded as absent.
    static FolderSnapshot take(const QStringList &folders);

    // The paths that appeared, vanished or changed between the two.
    QStringList differences(const FolderSnapshot &later) const;

private:
    QHash<QString, QString> m_entries; // path -> "size mtime hash", or "folder"
};

class SettingsIsolation
{
public:
    // Benchmarks read their generated media from the user's cache; tests keep
    // even the cache to themselves.
    enum class Cache { Isolated, Shared };

    explicit SettingsIsolation(Cache cache = Cache::Isolated);
    ~SettingsIsolation();
    SettingsIsolation(const SettingsIsolation &) = delete;
    SettingsIsolation &operator=(const SettingsIsolation &) = delete;

    // The temporary home the process now sees.
    QString home() const;
    // The real configuration folder, as it was before the redirection.
    const QString &realConfigHome() const { return m_realConfigHome; }
    // The settings folders under the real configuration folder that changed
    // since construction; empty when the real settings were left alone.
    QStringList realSettingsChanges() const;

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_realConfigHome;
    QStringList m_watched;
    FolderSnapshot m_before;
};

} // namespace vidarium::test
