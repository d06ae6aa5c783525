#include "document/folderscan.h"

#include "model/stringutilities.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace vidarium {

namespace {

bool accepted(const QFileInfo &file, const FolderScan::Options &options)
{
    return options.extensions.contains(file.suffix().toLower());
}

// Walks a folder without following links to folders (no cycles), skipping hidden
// entries; visit decides per file, enter per folder.
void walk(const QString &root, const std::function<void(const QFileInfo &)> &visitFile,
    const std::function<bool(const QFileInfo &)> &enterFolder)
{
    QStringList pending { root };
    while (!pending.isEmpty()) {
        const QString folder = pending.takeLast();
        const QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (entry.isDir()) {
                if (!entry.isSymLink() && enterFolder(entry))
                    pending.append(entry.absoluteFilePath());
            } else {
                visitFile(entry);
            }
        }
    }
}

} // namespace

QStringList FolderScan::validImportFilesInDirectory(const QString &folder, const Options &options)
{
    QStringList files;
    walk(
        folder,
        [&](const QFileInfo &file) {
            if (accepted(file, options))
                files.append(file.absoluteFilePath());
        },
        [&](const QFileInfo &subfolder) {
            if (!isFilePackage(subfolder.absoluteFilePath()))
                return true;
            files += validImportFilesInPackage(subfolder.absoluteFilePath(), options);
            return false;
        });
    return files;
}

QStringList FolderScan::validImportFilesInPackage(const QString &package, const Options &options)
{
    const QFileInfo packageInfo(package);
    if (!options.searchFCPXPackages || packageInfo.suffix() != QLatin1String("fcpbundle"))
        return {};
    const QString packageName = packageInfo.fileName();
    QStringList files;
    walk(
        packageInfo.absoluteFilePath(),
        [&](const QFileInfo &file) {
            if (!accepted(file, options))
                return;
            const QStringList components = file.absoluteFilePath().split(QLatin1Char('/'));
            const qsizetype start = components.lastIndexOf(packageName);
            if (start >= 0 && components.mid(start).contains(QLatin1String("Original Media")))
                files.append(file.absoluteFilePath());
        },
        [](const QFileInfo &subfolder) { return !isFilePackage(subfolder.absoluteFilePath()); });
    return files;
}

QStringList FolderScan::validImportFiles(const QStringList &paths, const Options &options)
{
    QStringList files;
    QSet<QString> seen;
    const auto add = [&](const QString &file) {
        const QString cleaned = QDir::cleanPath(file);
        if (!seen.contains(cleaned)) {
            seen.insert(cleaned);
            files.append(cleaned);
        }
    };
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            const QStringList found = isFilePackage(info.absoluteFilePath())
                ? validImportFilesInPackage(info.absoluteFilePath(), options)
                : validImportFilesInDirectory(info.absoluteFilePath(), options);
            for (const QString &file : found)
                add(file);
        } else if (info.isFile() && accepted(info, options)) {
            add(info.absoluteFilePath());
        }
    }
    return files;
}

} // namespace vidarium
