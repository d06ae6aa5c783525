#include "platform/fileidentity.h"

#include "platform/filepath.h"

#include <QFile>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vidarium {

Result<FileIdentity> FileIdentity::ofPath(const QString &path)
{
    if (path.isEmpty())
        return Error(Error::Code::InvalidArgument, QStringLiteral("No file path given."));
    struct stat info
    {
    };
    if (::stat(encodePath(path).constData(), &info) != 0) {
        const int code = errno;
        return Error(code == ENOENT || code == ENOTDIR ? Error::Code::NotFound : Error::Code::Io,
            QStringLiteral("Cannot read \"%1\": %2")
                .arg(displayPath(path), QString::fromLocal8Bit(std::strerror(code))));
    }
    return FileIdentity { quint64(info.st_dev), quint64(info.st_ino) };
}

} // namespace vidarium
