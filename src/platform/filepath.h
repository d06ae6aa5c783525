#pragma once

// File names as the file system holds them: bytes, mostly but not always UTF-8.
// A path is carried as a QString in which each byte that is not part of valid
// UTF-8 stands as a lone surrogate, U+DC80 to U+DCFF, so that an old drive's
// Latin-1 names are catalogued, found again and opened, never silently lost.
// Qt's file classes would turn those bytes into U+FFFD and miss the file, so
// whatever hands a media path to the system, to FFmpeg or to a helper program
// encodes it here, and whatever reads names from the system decodes them here.
// Threads: pure functions over the file system; any thread.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vidarium {

// encodePath(decodePath(b)) == b for any bytes, and decodePath(encodePath(s)) == s
// for any string decodePath made; valid UTF-8 decodes as QString::fromUtf8 does.
QByteArray encodePath(const QString &path);
QString decodePath(const QByteArray &bytes);

// The program's arguments as paths, so a name typed or expanded by the shell
// reaches the file it names (QCoreApplication::arguments() replaces bytes).
QStringList decodedArguments(int argc, const char *const *argv);

// True when the path holds bytes that are not UTF-8 (a Qt file class cannot name it).
bool hasUndecodableBytes(const QString &path);
// The path for messages and logs: each byte that is not UTF-8 written as \xNN.
QString displayPath(const QString &path);

struct FileStatus
{
    bool isFolder = false;
    bool isFile = false; // a regular file
    bool isSymLink = false; // only when links were not followed
    bool isExecutable = false;
    qint64 size = 0;
    QDateTime modified;
    QDateTime created; // invalid when the file system keeps no birth time
};

enum class Links { Follow, DoNotFollow };

// What the system says of a path; nullopt when it cannot be reached.
std::optional<FileStatus> fileStatus(const QString &path, Links links = Links::Follow);
bool pathExists(const QString &path);
bool isFolder(const QString &path);
bool isRegularFile(const QString &path);

// One folder's entries without "." and "..": name (decoded), and what the entry
// is when links are followed. isLink marks a link; entries that are neither a
// file nor a folder (devices, sockets, broken links) are left out.
struct FolderEntry
{
    QString name;
    bool isFolder = false;
    bool isLink = false;
};
// Sorted by name; at most maximumEntries read, so a damaged file system cannot stall a scan.
QList<FolderEntry> folderEntries(const QString &folder, int maximumEntries = 1000000);

// Renames without ever replacing an existing file.
bool renamePath(const QString &from, const QString &to);

// Writes a file that must not exist yet (an existing one is never overwritten,
// even one made meanwhile); a file left half written is removed.
bool writeNewFile(const QString &path, const QByteArray &data);

} // namespace vidarium
