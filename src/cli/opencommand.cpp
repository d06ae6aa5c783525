// vidarium-cli open: reads anything the document reader accepts (a library of
// the current or an older format, an Usher CSV export) and saves it as a new
// library in the current format; then the import reads the properties and makes
// the images of the elements that lack them (those of older formats and Usher
// exports are read afresh), unless --no-import.

#include "clicommand.h"
#include "cliimport.h"
#include "clilibrary.h"

#include "model/medialibrary.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral(
    "usage: vidarium-cli open PATH --save NEW.vidarium [--no-import] [import options]");

struct OpenArguments
{
    QString source;
    QString target;
    bool import = true;
    QStringList importOptions; // handed on to the import command as given
};

std::optional<OpenArguments> parseArguments(const QCommandLineParser &parser)
{
    OpenArguments parsed;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return std::nullopt;
    parsed.source = positional.first();
    parsed.target = parser.value(QStringLiteral("save"));
    parsed.import = !parser.isSet(QStringLiteral("no-import"));
    for (const QCommandLineOption &option : importOptions()) {
        const QString name = option.names().constFirst();
        for (const QString &value : parser.values(name))
            parsed.importOptions << QStringLiteral("--") + name << value;
    }
    if (parsed.source.isEmpty() || parsed.target.isEmpty())
        return std::nullopt;
    if (!parsed.import && !parsed.importOptions.isEmpty()) {
        printError(QStringLiteral("%1 is an import option, and --no-import was given")
                       .arg(parsed.importOptions.first()));
        return std::nullopt;
    }
    return parsed;
}

qsizetype elementCount(const MediaLibrary &library)
{
    return library.media().size() + library.trash().size() + library.error().size();
}

int runOpen(const QCommandLineParser &arguments)
{
    const std::optional<OpenArguments> parsed = parseArguments(arguments);
    if (!parsed) {
        printError(Usage);
        return 2;
    }
    const QString target = libraryPathWithExtension(parsed->target);
    // The new library never replaces anything: not the one read, not another.
    if (QFileInfo::exists(target)) {
        printError(
            QStringLiteral("%1 already exists; choose a new name for the library").arg(target));
        return 1;
    }
    std::unique_ptr<Document> document = openLibrary(parsed->source);
    if (!document)
        return 1;
    const Result<void> saved = document->writeToNewPath(target);
    if (!saved) {
        printError(saved.error().message());
        return 1;
    }
    const qsizetype count = elementCount(document->library());
    printOut(QStringLiteral("Saved %1 %2 to %3\n")
                 .arg(count)
                 .arg(count == 1 ? QStringLiteral("element") : QStringLiteral("elements"), target));
    if (!parsed->import)
        return 0;

    // The import command reads the library's elements that lack properties or
    // images along with the files it is given: here it is given none.
    const CliCommand *import = commandNamed(QStringLiteral("import"));
    QTemporaryDir nothingMore;
    if (!import || !nothingMore.isValid()) {
        printError(QStringLiteral("the library was saved, but cannot be imported now; "
                                  "run vidarium-cli import on it"));
        return 1;
    }
    document.reset();
    return runCommand(*import, QStringList { target, nothingMore.path() } + parsed->importOptions);
}

const CliCommandRegistration registration({
    QStringLiteral("open"),
    QStringLiteral("open PATH --save NEW.vidarium [--no-import] [import options]"),
    QStringLiteral(
        "Read a library of this or an older format, or an Usher CSV export, and save it as a "
        "new library; then import the elements that lack properties or images (the import "
        "command's options apply) unless --no-import."),
    runOpen,
    QList {
        valueOption(QStringLiteral("save"), QStringLiteral("NEW.vidarium"),
            QStringLiteral("The new library to save.")),
        flagOption(QStringLiteral("no-import"),
            QStringLiteral("Leave the elements without properties or images as they are.")),
    } + importOptions(),
});

} // namespace

} // namespace vidarium::cli
