#include "platform/regularfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidarium {

namespace {

QString systemReason(int error)
{
    if (error == ELOOP)
        return QStringLiteral("it is a symbolic link");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

int RegularFile::openForReading(int directory, const QByteArray &name, Links links)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse)
        flags |= O_NOFOLLOW;
    return ::openat(directory, name.constData(), flags);
}

Result<QByteArray> RegularFile::read(const QString &path, qint64 maximumSize, Links links)
{
    const int descriptor = openForReading(AT_FDCWD, QFile::encodeName(path), links);
    if (descriptor < 0) {
        const int error = errno;
        return Error(error == ENOENT ? Error::Code::NotFound : Error::Code::Io,
            QStringLiteral("cannot open %1: %2").arg(path, systemReason(error)));
    }
    Result<QByteArray> bytes = readOpen(descriptor, maximumSize, path);
    ::close(descriptor);
    return bytes;
}

Result<QByteArray> RegularFile::readOpen(int descriptor, qint64 maximumSize, const QString &name)
{
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0)
        return Error(
            Error::Code::Io, QStringLiteral("cannot read %1: %2").arg(name, systemReason(errno)));
    if (!S_ISREG(status.st_mode))
        return Error(Error::Code::Unsupported,
            QStringLiteral("%1 is not a regular file (a folder, device, FIFO or socket)")
                .arg(name));
    if (status.st_size > maximumSize)
        return Error(Error::Code::Unsupported,
            QStringLiteral("%1 is too large (%2 bytes)").arg(name).arg(qint64(status.st_size)));
    // Reading stays blocking for a regular file; the flag only mattered for the open.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    QByteArray bytes;
    bytes.resize(qsizetype(status.st_size));
    qint64 filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got
            = ::read(descriptor, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error(Error::Code::Io,
                QStringLiteral("cannot read %1: %2").arg(name, systemReason(errno)));
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(qsizetype(filled));
    // The file may have grown since it was measured: read on, but never past the cap.
    char more[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, more, sizeof more);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Error(Error::Code::Io,
                QStringLiteral("cannot read %1: %2").arg(name, systemReason(errno)));
        if (got == 0)
            break;
        if (bytes.size() + got > maximumSize)
            return Error(Error::Code::Unsupported,
                QStringLiteral("%1 is too large (more than %2 bytes)").arg(name).arg(maximumSize));
        bytes.append(more, qsizetype(got));
    }
    return bytes;
}

} // namespace vidarium
