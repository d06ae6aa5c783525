// vidarium-cli add: turns files and folders into elements of a library and saves
// it. Properties and images are left for an import.

#include "clicommand.h"
#include "clilibrary.h"

#include <QFileInfo>

namespace vidarium::cli {

namespace {

int runAdd(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() < 2) {
        printError(QStringLiteral("usage: vidarium-cli add LIBRARY PATH..."));
        return 2;
    }
    std::unique_ptr<Document> document = openLibrary(arguments.first(), LibraryAccess::Write);
    if (!document)
        return 1;
    QStringList paths;
    int status = 0;
    for (const QString &path : arguments.mid(1)) {
        if (QFileInfo::exists(path)) {
            paths.append(path);
        } else {
            printError(QStringLiteral("%1: no such file or folder").arg(path));
            status = 1;
        }
    }
    const MediaElementList added = document->importMediaFilesNow(paths);
    if (!saveLibrary(*document))
        return 1;
    printOut(QStringLiteral("Added %1 %2\n")
                 .arg(added.size())
                 .arg(added.size() == 1 ? QStringLiteral("element") : QStringLiteral("elements")));
    return status;
}

const CliCommandRegistration registration({
    QStringLiteral("add"),
    QStringLiteral("add LIBRARY PATH..."),
    QStringLiteral("Add video files (folders are searched) as elements, skipping files already "
                   "catalogued, and save."),
    runAdd,
});

} // namespace

} // namespace vidarium::cli
