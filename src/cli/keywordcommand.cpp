// vidarium-cli keyword: attaching keywords to an element and taking them off.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/mediauserkeyword.h"

namespace vidarium::cli {

namespace {

const QString Usage
    = QStringLiteral("usage: vidarium-cli keyword LIBRARY add|remove ELEMENT-ID NAME...");

MediaUserKeywordPtr keywordNamed(const MediaLibrary &library, const QString &name)
{
    for (const MediaUserKeywordPtr &keyword : library.userKeywords()) {
        if (keyword->name() == name)
            return keyword;
    }
    return nullptr;
}

int runKeyword(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() < 4
        || (arguments[1] != QLatin1String("add") && arguments[1] != QLatin1String("remove"))) {
        printError(Usage);
        return 2;
    }
    const bool adding = arguments[1] == QLatin1String("add");
    QStringList names;
    for (const QString &argument : arguments.mid(3)) {
        const QString name = argument.trimmed();
        if (name.isEmpty()) {
            printError(QStringLiteral("a keyword needs a name"));
            return 2;
        }
        names.append(name);
    }

    std::unique_ptr<Document> document = openLibrary(arguments[0], LibraryAccess::Write);
    if (!document)
        return 1;
    MediaLibrary &library = document->library();
    const MediaElementPtr element = findElement(library, arguments[2]);
    if (!element)
        return 1;

    if (adding) {
        for (const QString &name : std::as_const(names))
            element->addKeywordWithIdentifier(library.createKeywordWithName(name)->identifier());
    } else {
        QStringList identifiers;
        for (const QString &name : std::as_const(names)) {
            const MediaUserKeywordPtr keyword = keywordNamed(library, name);
            if (!keyword || !element->userKeywords().contains(keyword->identifier())) {
                printError(QStringLiteral("the element has no keyword '%1'").arg(name));
                return 1;
            }
            identifiers.append(keyword->identifier());
        }
        for (const QString &identifier : std::as_const(identifiers))
            element->removeKeywordWithIdentifier(identifier);
        library.removeStaleKeywords();
    }
    document->updateChangeCount(Document::Change::Done);
    return saveLibrary(*document) ? 0 : 1;
}

const CliCommandRegistration registration({
    QStringLiteral("keyword"),
    QStringLiteral("keyword LIBRARY add|remove ELEMENT-ID NAME..."),
    QStringLiteral(
        "Attach keywords to an element (made when new) or take them off (a keyword no element "
        "carries any more is gone)."),
    runKeyword,
});

} // namespace

} // namespace vidarium::cli
