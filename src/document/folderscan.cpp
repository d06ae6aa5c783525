#include "document/folderscan.h"

#include "model/stringutilities.h"
#include "platform/filepath.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace vidarium {

namespace {

// One entry met on a walk: its full path, and its name for the suffix.
struct Found
{
    QString path;
    QString name;
    QString suffix() const
    {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        return dot < 0 ? QString() : name.mid(dot + 1);
    }
};

bool accepted(const Found &file, const FolderScan::Options &options)
{
    return options.extensions.contains(file.suffix().toLower());
}

// Walks a folder without following links to folders (no cycles), skipping hidden
// entries; visit decides per file, enter per folder. The listing is our own, not
// QDir's: QDir leaves out names that are not UTF-8, and they must be found too.
void walk(const QString &root, const std::function<void(const Found &)> &visitFile,
    const std::function<bool(const Found &)> &enterFolder)
{
    QStringList pending { root };
    while (!pending.isEmpty()) {
        const QString folder = pending.takeLast();
        const QString prefix
            = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
        for (const FolderEntry &entry : folderEntries(folder)) {
            if (entry.name.startsWith(QLatin1Char('.')))
                continue;
            const Found found { prefix + entry.name, entry.name };
            if (entry.isFolder) {
                if (!entry.isLink && enterFolder(found))
                    pending.append(found.path);
            } else {
                visitFile(found);
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
        [&](const Found &file) {
            if (accepted(file, options))
                files.append(file.path);
        },
        [&](const Found &subfolder) {
            if (!isFilePackage(subfolder.path))
                return true;
            files += validImportFilesInPackage(subfolder.path, options);
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
        [&](const Found &file) {
            if (!accepted(file, options))
                return;
            const QStringList components = file.path.split(QLatin1Char('/'));
            const qsizetype start = components.lastIndexOf(packageName);
            if (start >= 0 && components.mid(start).contains(QLatin1String("Original Media")))
                files.append(file.path);
        },
        [](const Found &subfolder) { return !isFilePackage(subfolder.path); });
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
        // QFileInfo only for the string work: it would not find a name that is not UTF-8.
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const std::optional<FileStatus> status = fileStatus(absolute);
        if (!status)
            continue;
        if (status->isFolder) {
            const QStringList found = isFilePackage(absolute)
                ? validImportFilesInPackage(absolute, options)
                : validImportFilesInDirectory(absolute, options);
            for (const QString &file : found)
                add(file);
        } else if (status->isFile
            && accepted(Found { absolute, QFileInfo(absolute).fileName() }, options)) {
            add(absolute);
        }
    }
    return files;
}

} // namespace vidarium
