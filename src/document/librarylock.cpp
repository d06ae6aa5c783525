#include "document/librarylock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidarium {

namespace {

// Each try that loses a race with a holder letting go starts again; far more
// tries than such races can happen in a row.
constexpr int MaximumTries = 100;

QString libraryName(const QString &packagePath)
{
    return QFileInfo(packagePath).absoluteFilePath();
}

Error lockError(const QString &packagePath, int error)
{
    const QString reason = error == ELOOP ? QStringLiteral("its lock file is a symbolic link")
                                          : QString::fromLocal8Bit(std::strerror(error));
    return Error(Error::Code::Io,
        QStringLiteral("The library “%1” cannot be locked for changing: %2")
            .arg(libraryName(packagePath), reason));
}

// The holder writes its process number into the file; a refused writer names it.
QString holderOf(int file)
{
    char text[32] = {};
    const ssize_t got = ::pread(file, text, sizeof text - 1, 0);
    bool ok = false;
    const qint64 process = got > 0 ? QByteArray(text, int(got)).trimmed().toLongLong(&ok) : 0;
    return ok && process > 0 ? QStringLiteral(" (process %1)").arg(process) : QString();
}

// The file locked is still the one the package names: a holder that let go may
// have removed it between our open and our lock.
bool stillNamed(int folder, int file)
{
    struct stat named
    {
    };
    struct stat held
    {
    };
    return ::fstatat(folder, QFile::encodeName(LibraryLock::FileName).constData(), &named,
               AT_SYMLINK_NOFOLLOW)
        == 0
        && ::fstat(file, &held) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
}

} // namespace

LibraryLock::LibraryLock(int folder, int file, QString packagePath)
    : m_folder(folder)
    , m_file(file)
    , m_packagePath(std::move(packagePath))
{
}

LibraryLock::LibraryLock(LibraryLock &&other) noexcept
    : m_folder(std::exchange(other.m_folder, -1))
    , m_file(std::exchange(other.m_file, -1))
    , m_packagePath(std::move(other.m_packagePath))
{
}

LibraryLock &LibraryLock::operator=(LibraryLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_folder = std::exchange(other.m_folder, -1);
        m_file = std::exchange(other.m_file, -1);
        m_packagePath = std::move(other.m_packagePath);
    }
    return *this;
}

LibraryLock::~LibraryLock()
{
    release();
}

void LibraryLock::release()
{
    if (m_file >= 0) {
        // Removed while still held, so no one can lock a file about to vanish
        // without noticing (see stillNamed).
        if (stillNamed(m_folder, m_file))
            ::unlinkat(m_folder, QFile::encodeName(FileName).constData(), 0);
        ::close(m_file);
        m_file = -1;
    }
    if (m_folder >= 0) {
        ::close(m_folder);
        m_folder = -1;
    }
    m_packagePath.clear();
}

Result<LibraryLock> LibraryLock::acquire(const QString &packagePath, Wait wait)
{
    const QByteArray name = QFile::encodeName(FileName);
    for (int attempt = 0; attempt < MaximumTries; ++attempt) {
        const int folder = ::open(
            QFile::encodeName(packagePath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0)
            return lockError(packagePath, errno);
        // O_NONBLOCK and O_NOFOLLOW: a FIFO or a link planted under the name is refused.
        const int file = ::openat(folder, name.constData(),
            O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
        struct stat status
        {
        };
        if (file < 0 || ::fstat(file, &status) != 0 || !S_ISREG(status.st_mode)) {
            const int error = file < 0 ? errno : EINVAL;
            if (file >= 0)
                ::close(file);
            ::close(folder);
            return lockError(packagePath, error);
        }
        int locked = ::flock(file, LOCK_EX | LOCK_NB);
        if (locked != 0 && errno == EWOULDBLOCK && wait == Wait::Yes) {
            do
                locked = ::flock(file, LOCK_EX);
            while (locked != 0 && errno == EINTR);
        }
        if (locked != 0) {
            const int error = errno;
            const QString holder = holderOf(file);
            ::close(file);
            ::close(folder);
            if (error != EWOULDBLOCK)
                return lockError(packagePath, error);
            return Error(Error::Code::Busy,
                QStringLiteral("The library “%1” is being changed by another program%2; "
                               "try again when it has finished.")
                    .arg(libraryName(packagePath), holder));
        }
        if (!stillNamed(folder, file)) {
            ::close(file);
            ::close(folder);
            continue;
        }
        const QByteArray process = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(file, 0) == 0)
            (void)::pwrite(file, process.constData(), size_t(process.size()), 0);
        return LibraryLock(folder, file, packagePath);
    }
    return lockError(packagePath, EAGAIN);
}

} // namespace vidarium
