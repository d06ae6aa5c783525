// vidarium-cli collection: list, add and remove the collections of a library.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/predicate.h"
#include "model/predicateevaluator.h"

#include <algorithm>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral(
    "usage: vidarium-cli collection LIBRARY list\n"
    "       vidarium-cli collection LIBRARY add NAME [--where PREDICATE | --elements ID,...]\n"
    "       vidarium-cli collection LIBRARY remove NAME");

QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

int listCollections(const MediaLibrary &library)
{
    QString output = QStringLiteral("name\ttype\tkind\tcount\n");
    for (const MediaPlaylistPtr &playlist : sortedPlaylists(library)) {
        output += QStringLiteral("%1\t%2\t%3\t%4\n")
                      .arg(oneLine(playlist->name()), playlist->type(),
                          playlist->isSmart() ? QStringLiteral("smart") : QStringLiteral("static"))
                      .arg(playlist->count());
    }
    printOut(output);
    return 0;
}

// Criteria as the smart collection editor makes them: one AND or OR over
// comparisons (a single comparison becomes an AND of one). Anything else would be
// taken apart when the library is next opened, so it is refused here.
Result<Predicate> smartCriteria(const QString &text)
{
    Result<Predicate> parsed = Predicate::parse(text);
    if (!parsed)
        return parsed.error();
    Predicate criteria = parsed->isComparison() ? Predicate::andPredicate({ *parsed }) : *parsed;
    const bool oneLevel = criteria.isCompound()
        && criteria.compoundType() != CompoundPredicateType::Not
        && std::all_of(criteria.subpredicates().begin(), criteria.subpredicates().end(),
            [](const Predicate &sub) { return sub.isComparison(); });
    if (!oneLevel)
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("A smart collection takes comparisons joined by AND or by OR, "
                           "without groups inside: %1")
                .arg(text));
    if (const Result<PredicateEvaluator> compiled = criteria.evaluator(); !compiled)
        return compiled.error();
    return criteria;
}

// Checks what does not need the library: a name and at most one kind of members.
int checkAddArguments(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments().mid(3);
    if (parser.positionalArguments().size() < 3) {
        printError(Usage);
        return 2;
    }
    if (!arguments.isEmpty()) {
        printError(QStringLiteral("unexpected argument '%1'\n%2").arg(arguments.first(), Usage));
        return 2;
    }
    // The source list would show a row without a name, and nothing could name it again.
    if (parser.positionalArguments().at(2).trimmed().isEmpty()) {
        printError(QStringLiteral("a collection needs a name"));
        return 2;
    }
    if (parser.isSet(QStringLiteral("where")) && parser.isSet(QStringLiteral("elements"))) {
        printError(QStringLiteral(
            "a collection is either smart (--where) or static (--elements), not both"));
        return 2;
    }
    return 0;
}

int addCollection(MediaLibrary &library, const QCommandLineParser &parser)
{
    const QString name = parser.positionalArguments().at(2);
    std::optional<QString> elementList;
    if (parser.isSet(QStringLiteral("elements")))
        elementList = parser.value(QStringLiteral("elements"));
    std::optional<Predicate> criteria;
    if (parser.isSet(QStringLiteral("where"))) {
        Result<Predicate> parsed = smartCriteria(parser.value(QStringLiteral("where")));
        if (!parsed) {
            printError(parsed.error().message());
            return 1;
        }
        criteria = *parsed;
        reportUnknownKeys(library, *criteria);
    }
    MediaElementList members;
    if (elementList) {
        QStringList unknown;
        for (const QString &part : elementList->split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString identifier = part.trimmed().toUpper();
            if (const MediaElementPtr element = library.media().value(identifier))
                members.append(element);
            else
                unknown.append(part.trimmed());
        }
        if (!unknown.isEmpty()) {
            printError(QStringLiteral("no element of the library's media has the identifier %1")
                           .arg(unknown.join(QLatin1String(", "))));
            return 1;
        }
    }
    const MediaPlaylistPtr playlist = library.createPlaylist(name, criteria, members);
    printOut(playlist->identifier() + QLatin1Char('\n'));
    return 0;
}

int removeCollection(MediaLibrary &library, const QStringList &arguments)
{
    if (arguments.size() != 1) {
        printError(Usage);
        return 2;
    }
    QList<MediaPlaylistPtr> named;
    for (const MediaPlaylistPtr &playlist : library.playlists()) {
        if (playlist->name() == arguments.first())
            named.append(playlist);
    }
    if (named.isEmpty()) {
        printError(
            QStringLiteral("the library has no collection named '%1'").arg(arguments.first()));
        return 1;
    }
    if (named.size() > 1) {
        printError(QStringLiteral("%1 collections are named '%2'; none was removed")
                       .arg(named.size())
                       .arg(arguments.first()));
        return 1;
    }
    if (named.first()->isBuiltIn()) {
        printError(QStringLiteral("'%1' is a built-in collection and cannot be removed")
                       .arg(arguments.first()));
        return 1;
    }
    library.removePlaylistWithIdentifier(named.first()->identifier());
    return 0;
}

int runCollection(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() < 2) {
        printError(Usage);
        return 2;
    }
    const QString action = arguments[1];
    if (action != QLatin1String("list") && action != QLatin1String("add")
        && action != QLatin1String("remove")) {
        printError(QStringLiteral("unknown action '%1'\n%2").arg(action, Usage));
        return 2;
    }
    const bool membersGiven
        = parser.isSet(QStringLiteral("where")) || parser.isSet(QStringLiteral("elements"));
    if (action == QLatin1String("add")) {
        if (const int status = checkAddArguments(parser))
            return status;
    } else if (membersGiven) {
        printError(Usage);
        return 2;
    }
    std::unique_ptr<Document> document = openLibrary(
        arguments[0], action == QLatin1String("list") ? LibraryAccess::Read : LibraryAccess::Write);
    if (!document)
        return 1;
    MediaLibrary &library = document->library();
    if (action == QLatin1String("list"))
        return listCollections(library);
    const int status = action == QLatin1String("add") ? addCollection(library, parser)
                                                      : removeCollection(library, arguments.mid(2));
    if (status != 0)
        return status;
    return saveLibrary(*document) ? 0 : 1;
}

const CliCommandRegistration registration({
    QStringLiteral("collection"),
    QStringLiteral(
        "collection LIBRARY list | add NAME [--where PREDICATE | --elements ID,...] | remove NAME"),
    QStringLiteral(
        "List the collections with their kind and count, or add or remove a user collection."),
    runCollection,
    {
        valueOption(QStringLiteral("where"), QStringLiteral("PREDICATE"),
            QStringLiteral("A smart collection of the elements that match the criteria.")),
        valueOption(QStringLiteral("elements"), QStringLiteral("ID,..."),
            QStringLiteral("A static collection of these elements.")),
    },
});

} // namespace

} // namespace vidarium::cli
