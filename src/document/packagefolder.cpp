#include "document/packagefolder.h"

#include "platform/regularfile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidarium {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

Error ioError(const QString &what, const QString &path, int error)
{
    const QString reason = error == ELOOP || error == ENOTDIR
        ? QStringLiteral("it is a symbolic link or not a folder; a library keeps its files "
                         "inside itself")
        : QString::fromLocal8Bit(std::strerror(error));
    return Error(error == ENOENT ? Error::Code::NotFound : Error::Code::Io,
        QStringLiteral("%1 “%2”: %3").arg(what, path, reason));
}

bool writeAll(int descriptor, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t put
            = ::write(descriptor, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// Creates the file exclusively, never through a link: a stale temporary, or a
// link planted under its name, is removed (the entry itself) and made anew.
int createExclusively(int folder, const QByteArray &name)
{
    constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    int descriptor = ::openat(folder, name.constData(), flags, 0666);
    if (descriptor < 0 && errno == EEXIST && ::unlinkat(folder, name.constData(), 0) == 0)
        descriptor = ::openat(folder, name.constData(), flags, 0666);
    return descriptor;
}

} // namespace

PackageFolder::PackageFolder(int descriptor, QString path)
    : m_descriptor(descriptor)
    , m_path(std::move(path))
{
}

PackageFolder::PackageFolder(PackageFolder &&other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
    , m_path(std::move(other.m_path))
{
}

PackageFolder &PackageFolder::operator=(PackageFolder &&other) noexcept
{
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

PackageFolder::~PackageFolder()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

QString PackageFolder::temporaryName(const QString &name)
{
    return QLatin1Char('.') + name + QStringLiteral(".saving");
}

Result<PackageFolder> PackageFolder::openRoot(const QString &root)
{
    const int descriptor = ::open(QFile::encodeName(root).constData(), FolderFlags);
    if (descriptor < 0)
        return ioError(QStringLiteral("Cannot open the folder"), root, errno);
    return PackageFolder(descriptor, root);
}

Result<PackageFolder> PackageFolder::folder(const QString &relative, Create create) const
{
    int current = ::dup(m_descriptor);
    QString path = m_path;
    for (const QString &step : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + step;
        const QByteArray name = QFile::encodeName(step);
        int next = ::openat(current, name.constData(), FolderFlags | O_NOFOLLOW);
        if (next < 0 && errno == ENOENT && create == Create::Yes) {
            if (::mkdirat(current, name.constData(), 0777) == 0 || errno == EEXIST)
                next = ::openat(current, name.constData(), FolderFlags | O_NOFOLLOW);
        }
        const int error = errno;
        ::close(current);
        if (next < 0)
            return ioError(create == Create::Yes ? QStringLiteral("Cannot create the folder")
                                                 : QStringLiteral("Cannot open the folder"),
                path, error);
        current = next;
    }
    if (current < 0)
        return ioError(QStringLiteral("Cannot open the folder"), path, errno);
    return PackageFolder(current, path);
}

Result<QByteArray> PackageFolder::readFile(const QString &name, qint64 maximumSize) const
{
    const QString path = m_path + QLatin1Char('/') + name;
    const int descriptor = RegularFile::openForReading(
        m_descriptor, QFile::encodeName(name), RegularFile::Links::Refuse);
    if (descriptor < 0) {
        const int error = errno;
        return Error(error == ENOENT ? Error::Code::NotFound : Error::Code::Io,
            QStringLiteral("cannot open %1: %2")
                .arg(path,
                    error == ELOOP ? QStringLiteral("it is a symbolic link")
                                   : QString::fromLocal8Bit(std::strerror(error))));
    }
    Result<QByteArray> bytes = RegularFile::readOpen(descriptor, maximumSize, path);
    ::close(descriptor);
    return bytes;
}

bool PackageFolder::hasRegularFile(const QString &name) const
{
    struct stat status
    {
    };
    return ::fstatat(
               m_descriptor, QFile::encodeName(name).constData(), &status, AT_SYMLINK_NOFOLLOW)
        == 0
        && S_ISREG(status.st_mode);
}

Result<bool> PackageFolder::replaceFile(
    const QString &name, const QByteArray &bytes, Sync sync) const
{
    const QByteArray target = QFile::encodeName(name);
    const QByteArray temporary = QFile::encodeName(temporaryName(name));
    const QString path = m_path + QLatin1Char('/') + name;
    const int descriptor = createExclusively(m_descriptor, temporary);
    if (descriptor < 0)
        return ioError(QStringLiteral("Cannot write"), path, errno);
    const bool written
        = writeAll(descriptor, bytes) && (sync == Sync::No || ::fsync(descriptor) == 0);
    const int writeError = errno;
    if (::close(descriptor) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlinkat(m_descriptor, temporary.constData(), 0);
        return ioError(QStringLiteral("Cannot write"), path, error);
    }
    // Whether the name is new tells a failed save which files it may take back.
    if (::renameat2(
            m_descriptor, temporary.constData(), m_descriptor, target.constData(), RENAME_NOREPLACE)
        == 0)
        return true;
    if (::renameat(m_descriptor, temporary.constData(), m_descriptor, target.constData()) == 0)
        return false;
    const int error = errno;
    ::unlinkat(m_descriptor, temporary.constData(), 0);
    return ioError(QStringLiteral("Cannot replace"), path, error);
}

bool PackageFolder::removeFile(const QString &name) const
{
    return ::unlinkat(m_descriptor, QFile::encodeName(name).constData(), 0) == 0;
}

Result<void> PackageFolder::copyFileTo(const QString &name, const PackageFolder &target) const
{
    const QByteArray encoded = QFile::encodeName(name);
    if (!hasRegularFile(name))
        return {}; // a link or anything else planted here is not carried along
    // No AT_SYMLINK_FOLLOW: the entry itself is linked, never what a link names.
    if (::linkat(m_descriptor, encoded.constData(), target.m_descriptor, encoded.constData(), 0)
        == 0)
        return {};
    const Result<QByteArray> bytes = readFile(name, qint64(1) << 31);
    if (!bytes)
        return bytes.error();
    const Result<bool> copied = target.replaceFile(name, *bytes, Sync::No);
    if (!copied)
        return copied.error();
    return {};
}

QStringList PackageFolder::names(bool folders) const
{
    QStringList result;
    const int descriptor = ::openat(m_descriptor, ".", FolderFlags);
    DIR *directory = descriptor >= 0 ? ::fdopendir(descriptor) : nullptr;
    if (!directory) {
        if (descriptor >= 0)
            ::close(descriptor);
        return result;
    }
    while (const dirent *entry = ::readdir(directory)) {
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status
            {
            };
            if (::fstatat(m_descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_LNK;
        }
        const bool dots
            = std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0;
        if ((folders && type == DT_DIR && !dots) || (!folders && type == DT_REG))
            result.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(directory);
    return result;
}

QStringList PackageFolder::fileNames() const
{
    return names(false);
}

QStringList PackageFolder::folderNames() const
{
    return names(true);
}

void PackageFolder::sync() const
{
    ::fsync(m_descriptor);
}

int PackageFolder::removeTemporariesOlderThan(std::time_t time) const
{
    int removed = 0;
    const int descriptor = ::openat(m_descriptor, ".", FolderFlags);
    DIR *directory = descriptor >= 0 ? ::fdopendir(descriptor) : nullptr;
    if (!directory) {
        if (descriptor >= 0)
            ::close(descriptor);
        return 0;
    }
    while (const dirent *entry = ::readdir(directory)) {
        const size_t length = std::strlen(entry->d_name);
        if (entry->d_name[0] != '.' || length < 8
            || std::strcmp(entry->d_name + length - 7, ".saving") != 0)
            continue;
        struct stat status
        {
        };
        if (::fstatat(m_descriptor, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0
            || S_ISDIR(status.st_mode) || status.st_mtime >= time)
            continue;
        if (::unlinkat(m_descriptor, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(directory);
    return removed;
}

} // namespace vidarium
