#pragma once

// Keeps two programs from changing one library at once. A process that may save
// a library holds an advisory lock (flock) on a file inside its package, from
// before the catalogue is read until it is done with it; a second writer is
// refused or waits. Readers never take it, so they are never blocked and a
// package on a read-only medium stays readable. The kernel drops the lock of a
// process that dies, so a lock is never stale; the holder removes the file when
// it lets go, and a taker checks that the file it locked is still the one the
// package names.
// Threads: the owner's thread.

#include "platform/result.h"

#include <QString>

namespace vidarium {

class LibraryLock
{
public:
    enum class Wait { No, Yes };
    static inline const QString FileName = QStringLiteral(".vidarium-lock");

    // Locks the package at packagePath (a folder that exists). A refusal has
    // Error::Code::Busy and names the library and, when known, the holder's process.
    static Result<LibraryLock> acquire(const QString &packagePath, Wait wait);

    LibraryLock() = default;
    LibraryLock(LibraryLock &&other) noexcept;
    LibraryLock &operator=(LibraryLock &&other) noexcept;
    LibraryLock(const LibraryLock &) = delete;
    LibraryLock &operator=(const LibraryLock &) = delete;
    ~LibraryLock();

    bool isHeld() const { return m_file >= 0; }
    // The package path as given (absolute); kept up to date when the package moves.
    const QString &packagePath() const { return m_packagePath; }
    void setPackagePath(const QString &path) { m_packagePath = path; }
    void release();

private:
    LibraryLock(int folder, int file, QString packagePath);

    int m_folder = -1; // the package, which the lock file follows when it is renamed
    int m_file = -1;
    QString m_packagePath;
};

} // namespace vidarium
