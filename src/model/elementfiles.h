#pragma once

// What an element does to and asks of the file it catalogues: make and resolve
// bookmarks, tell whether the file is still there, and rename it in place without
// ever replacing another file. Works on paths and bookmarks only, so it can be
// used without an element and tested on its own.
// Threads: reentrant; every function may be called from any thread.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace vidarium {

// A path's last component cut at the extension's dot.
struct FileNameParts
{
    QStringView name;
    QStringView extension; // empty when there is none
};

class ElementFiles
{
public:
    ElementFiles() = delete;

    // An empty bookmark when the path cannot be bookmarked.
    static QByteArray bookmarkDataWithPath(const QString &path);
    // Where the bookmark finds the file now; empty when it finds nothing.
    static QString pathWithBookmarkData(const QByteArray &bookmark);
    // Whether the file is at path, or the bookmark still finds it somewhere.
    static bool exists(const QString &path, const QByteArray &bookmark);
    // Where the file is when it is no longer at path but the bookmark finds it
    // elsewhere; nothing when it is at path or cannot be found.
    static std::optional<QString> movedLocation(const QString &path, const QByteArray &bookmark);
    // Moves from to to, refusing when to exists (a rename must not destroy
    // another of the user's files).
    static bool movePath(const QString &from, const QString &to);
    // Renames the file at path to name (one path component; the extension is
    // kept) and returns where it ended up, which is path itself when the rename
    // failed half way and the file could be put back; nothing when nothing moved.
    // A change of case alone goes through a temporary name, so that file
    // systems that ignore case still see it.
    static std::optional<QString> rename(const QString &path, const QString &name);
    // The name and extension of the file at path, as views into path.
    static FileNameParts splitFileName(QStringView path);
    // Whether name can be a file's new name: one path component, not "." or "..".
    static bool isValidName(const QString &name);
};

} // namespace vidarium
