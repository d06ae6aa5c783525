#pragma once

// The path menu of the item context menu: the folders that hold an element's
// file, from the root down, each of which can be shown in the file manager. A
// file in the desktop's trash shows as "Trash" and the file alone; the folders
// that only hold mount points (/media, /run/media/<user>) are passed over, and
// the walk ends at a package the user sees as one file.
// Threads: main thread (icons are looked up when the menu opens).

#include <QList>
#include <QString>

#include <functional>

class QMenu;

namespace vidarium {

class ItemsPathMenu
{
public:
    struct Entry
    {
        QString title;
        QString path; // empty for the disabled "Trash" item
        bool isTrash = false;
    };

    // The entries for `path`; `homeTrash` is the user's own trash folder
    // ($XDG_DATA_HOME/Trash/files).
    static QList<Entry> entries(const QString &path, const QString &homeTrash);
    static QList<Entry> entries(const QString &path);
    // Whether `path` lies in a freedesktop trash folder: the user's own, or a
    // volume's ".Trash-<uid>" or ".Trash/<uid>".
    static bool isInTrash(const QString &path, const QString &homeTrash);
    static QString homeTrashFolder();
    // Replaces the menu's items with those for `path`; choosing one hands its
    // path to `reveal`.
    static void fill(
        QMenu *menu, const QString &path, const std::function<void(const QString &)> &reveal);
};

} // namespace vidarium
