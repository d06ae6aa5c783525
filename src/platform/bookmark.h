#pragma once

// Bookmarks: opaque bytes made from a file's path that find the file again
// after it was renamed within its folder, moved nearby on the same volume, or
// its volume came back under another mount point. Resolution never asks the
// user and never mounts anything; a file that cannot be found gives nothing.
// Bookmarks that libraries brought from their first platform are read too
// (see ImportedBookmark), so their files are found on drives mounted here.
// Threads: all functions are reentrant; bookmark validation calls resolve from
// a background thread for every element of a library.

#include <QByteArray>
#include <QString>

#include <optional>

namespace vidarium {

class Bookmark
{
public:
    struct Resolution
    {
        QString path;
        // The file is no longer where the bookmark says; callers should store
        // `path` (and may make a fresh bookmark).
        bool stale = false;
    };

    // Bookmark bytes for an existing file or folder; empty bytes when there is
    // no such file (a bookmark cannot be made).
    static QByteArray create(const QString &path);

    // Where the file is now, or nothing when it cannot be found (including
    // empty or damaged bytes and files on volumes that are not mounted).
    static std::optional<Resolution> resolve(const QByteArray &bookmark);
    // The path alone; a stale bookmark is used as it resolves.
    static std::optional<QString> resolvePath(const QByteArray &bookmark);

    // The path recorded when the bookmark was made, without looking at the
    // disk; nothing for damaged bytes. For messages and the relink sheet.
    static std::optional<QString> recordedPath(const QByteArray &bookmark);
};

} // namespace vidarium
