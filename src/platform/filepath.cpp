#include "platform/filepath.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vidarium {

namespace {

constexpr char16_t EscapeBase = 0xDC00; // byte b (0x80-0xFF) travels as U+DC00 + b

bool isEscape(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at p (at most `left` bytes), or 0. Strict:
// overlong forms, encoded surrogates and values past U+10FFFF are not valid, so
// the bytes of an encoded escape never decode to the escape itself.
int sequenceLength(const unsigned char *p, qsizetype left, char32_t *code)
{
    const unsigned char b = p[0];
    if (b < 0x80) {
        *code = b;
        return 1;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        value = b & 0x1F;
        minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        value = b & 0x0F;
        minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        value = b & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(p[i]))
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

QDateTime fromTimestamp(const statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
}

} // namespace

QByteArray encodePath(const QString &path)
{
    if (!hasUndecodableBytes(path))
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    const qsizetype size = path.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = path.at(i).unicode();
        if (isEscape(c)) {
            out.append(char(c - EscapeBase));
        } else if (QChar::isHighSurrogate(c) && i + 1 < size
            && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(c, path.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out.append('?'); // no name on disk decodes to it; as toUtf8 writes it
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

QString decodePath(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size;) {
        char32_t code = 0;
        const int length = sequenceLength(p + i, size - i, &code);
        if (length == 0) {
            out.append(QChar(char16_t(EscapeBase + p[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(char16_t(code)));
        }
        i += length;
    }
    return out;
}

QStringList decodedArguments(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(decodePath(QByteArray(argv[i])));
    return arguments;
}

bool hasUndecodableBytes(const QString &path)
{
    return std::any_of(path.cbegin(), path.cend(), [](QChar c) { return isEscape(c.unicode()); });
}

QString displayPath(const QString &path)
{
    if (!hasUndecodableBytes(path))
        return path;
    QString out;
    out.reserve(path.size() + 16);
    for (const QChar c : path) {
        if (isEscape(c.unicode())) {
            char text[8];
            std::snprintf(text, sizeof text, "\\x%02X", unsigned(c.unicode() - EscapeBase));
            out.append(QLatin1String(text));
        } else {
            out.append(c);
        }
    }
    return out;
}

std::optional<FileStatus> fileStatus(const QString &path, Links links)
{
    if (path.isEmpty())
        return std::nullopt;
    struct statx info
    {
    };
    const int flags = links == Links::Follow ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::statx(
            AT_FDCWD, encodePath(path).constData(), flags, STATX_BASIC_STATS | STATX_BTIME, &info)
        != 0)
        return std::nullopt;
    FileStatus status;
    status.isFolder = S_ISDIR(info.stx_mode);
    status.isFile = S_ISREG(info.stx_mode);
    status.isSymLink = S_ISLNK(info.stx_mode);
    status.isExecutable = (info.stx_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
    status.size = qint64(info.stx_size);
    status.modified = fromTimestamp(info.stx_mtime);
    if (info.stx_mask & STATX_BTIME)
        status.created = fromTimestamp(info.stx_btime);
    return status;
}

bool pathExists(const QString &path)
{
    return fileStatus(path).has_value();
}

bool isFolder(const QString &path)
{
    const std::optional<FileStatus> status = fileStatus(path);
    return status && status->isFolder;
}

bool isRegularFile(const QString &path)
{
    const std::optional<FileStatus> status = fileStatus(path);
    return status && status->isFile;
}

QList<FolderEntry> folderEntries(const QString &folder, int maximumEntries)
{
    QList<FolderEntry> entries;
    const QByteArray encoded = encodePath(folder);
    const int folderFd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return entries;
    // fdopendir owns the descriptor from here; the entries are looked at relative
    // to it, so a folder renamed during the scan is still the one listed.
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(folderFd), &::closedir);
    if (!dir) {
        ::close(folderFd);
        return entries;
    }
    int seen = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (++seen > maximumEntries)
            break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat info
        {
        };
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        FolderEntry found { decodePath(QByteArray(entry->d_name)), false, S_ISLNK(info.st_mode) };
        if (found.isLink && ::fstatat(folderFd, entry->d_name, &info, 0) != 0)
            continue; // a broken link
        found.isFolder = S_ISDIR(info.st_mode);
        if (found.isFolder || S_ISREG(info.st_mode))
            entries.append(std::move(found));
    }
    std::sort(entries.begin(), entries.end(),
        [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
    return entries;
}

bool renamePath(const QString &from, const QString &to)
{
    if (!hasUndecodableBytes(from) && !hasUndecodableBytes(to))
        return QFile::rename(from, to); // keeps its copy across volumes
    const QByteArray source = encodePath(from);
    const QByteArray target = encodePath(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot refuse to replace by itself: a hard link can.
    if (::link(source.constData(), target.constData()) != 0)
        return false;
    return ::unlink(source.constData()) == 0;
}

bool writeNewFile(const QString &path, const QByteArray &data)
{
    const QByteArray encoded = encodePath(path);
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const char *next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        next += written;
        left -= written;
    }
    const bool closed = ::close(fd) == 0;
    if (left == 0 && closed)
        return true;
    ::unlink(encoded.constData());
    return false;
}

} // namespace vidarium
