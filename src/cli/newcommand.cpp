// vidarium-cli new: makes an empty library package.

#include "clicommand.h"
#include "clilibrary.h"

#include <QFileInfo>

namespace vidarium::cli {

namespace {

int runNew(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 1) {
        printError(QStringLiteral("usage: vidarium-cli new LIBRARY"));
        return 2;
    }
    // An empty name would make a hidden ".vidarium" package where the user is.
    if (arguments.first().trimmed().isEmpty()) {
        printError(QStringLiteral("a library needs a name"));
        return 2;
    }
    const QString path = libraryPathWithExtension(arguments.first());
    if (QFileInfo::exists(path)) {
        printError(QStringLiteral("%1 already exists; a new library needs a new name").arg(path));
        return 1;
    }
    MediaLibrary::setBackgroundValidationEnabled(false);
    Document document;
    const Result<void> written = document.writeToNewPath(path);
    if (!written) {
        printError(written.error().message());
        return 1;
    }
    printOut(QStringLiteral("%1\t%2\n").arg(document.filePath(), document.identifier()));
    return 0;
}

const CliCommandRegistration registration({
    QStringLiteral("new"),
    QStringLiteral("new LIBRARY"),
    QStringLiteral(
        "Create an empty library package (the .vidarium extension is added when missing)."),
    runNew,
});

} // namespace

} // namespace vidarium::cli
