#pragma once

// Finds the video files among dropped or chosen files and folders: accepted
// extensions only, hidden files skipped, packages not entered (a Final Cut Pro X
// library is searched below its "Original Media" folders when the setting asks
// for it). Each file is found at most once.
// Threads: pure functions over the file system; any thread.

#include <QSet>
#include <QString>
#include <QStringList>

namespace vidarium {

class FolderScan
{
public:
    struct Options
    {
        QSet<QString> extensions; // lower case, without the dot
        bool searchFCPXPackages = false; // "SearchFCPXPackages"
    };

    // Folders are walked (packages through validImportFilesInPackage), files kept
    // when their extension is accepted, other paths ignored.
    static QStringList validImportFiles(const QStringList &paths, const Options &options);
    static QStringList validImportFilesInDirectory(const QString &folder, const Options &options);
    static QStringList validImportFilesInPackage(const QString &package, const Options &options);
};

} // namespace vidarium
