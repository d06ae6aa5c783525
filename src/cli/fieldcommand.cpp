// vidarium-cli field: the user fields of a library. Fields are never deleted:
// removing one hides it and keeps its values, and adding it again brings it back.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"

namespace vidarium::cli {

namespace {

const QString Usage
    = QStringLiteral("usage: vidarium-cli field LIBRARY add NAME [--split] | remove NAME | list");

// updateUserFields marks every field it holds removed before it takes the given
// ones, so it must be handed copies, as the settings sheet does.
QList<MediaUserFieldPtr> copiesOfActiveFields(
    const MediaLibrary &library, const QString &leavingOut = QString())
{
    QList<MediaUserFieldPtr> copies;
    for (const MediaUserFieldPtr &field : library.activeUserFields()) {
        if (field->identifier() != leavingOut)
            copies.append(field->copy());
    }
    return copies;
}

void listFields(const MediaLibrary &library)
{
    QString output;
    for (const QList<MediaUserFieldPtr> &fields :
        { library.activeUserFields(), library.inactiveUserFields() }) {
        for (const MediaUserFieldPtr &field : fields) {
            QStringList flags;
            if (field->split())
                flags.append(QStringLiteral("split"));
            if (field->removed())
                flags.append(QStringLiteral("removed"));
            output += QStringLiteral("%1\t%2\t%3\n")
                          .arg(field->name(), field->identifier(), flags.join(u' '));
        }
    }
    printOut(output);
}

int addField(MediaLibrary &library, const QString &name, bool split)
{
    const MediaUserFieldPtr field = library.createFieldWithName(name);
    if (!field->removed()) {
        if (split)
            field->setSplit(true);
        return 0;
    }
    QList<MediaUserFieldPtr> fields = copiesOfActiveFields(library);
    const MediaUserFieldPtr returning = field->copy();
    returning->setRemoved(false);
    if (split)
        returning->setSplit(true);
    fields.append(returning);
    library.updateUserFields(fields);
    return 0;
}

int removeField(MediaLibrary &library, const QString &name)
{
    const MediaUserFieldPtr field = findUserField(library, name);
    if (!field || field->removed()) {
        printError(QStringLiteral("the library has no user field '%1'").arg(name));
        return 1;
    }
    library.updateUserFields(copiesOfActiveFields(library, field->identifier()));
    // Smart collections must not go on testing a field the user took away.
    for (const MediaPlaylistPtr &playlist : library.playlists())
        playlist->removeStalePredicateReferences();
    return 0;
}

int runField(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    const QString action = arguments.value(1);
    const bool split = parser.isSet(QStringLiteral("split"));
    const QStringList names = arguments.mid(2);
    const bool valid = (action == QLatin1String("list") && arguments.size() == 2 && !split)
        || (action == QLatin1String("add") && names.size() == 1)
        || (action == QLatin1String("remove") && names.size() == 1 && !split);
    if (!valid) {
        printError(Usage);
        return 2;
    }
    const QString name = names.value(0).trimmed();
    if (action != QLatin1String("list") && name.isEmpty()) {
        printError(QStringLiteral("a field needs a name"));
        return 2;
    }

    std::unique_ptr<Document> document = openLibrary(
        arguments[0], action == QLatin1String("list") ? LibraryAccess::Read : LibraryAccess::Write);
    if (!document)
        return 1;
    MediaLibrary &library = document->library();
    if (action == QLatin1String("list")) {
        listFields(library);
        return 0;
    }
    const int status = action == QLatin1String("add") ? addField(library, name, split)
                                                      : removeField(library, name);
    if (status != 0)
        return status;
    document->updateChangeCount(Document::Change::Done);
    return saveLibrary(*document) ? 0 : 1;
}

const CliCommandRegistration registration({
    QStringLiteral("field"),
    QStringLiteral("field LIBRARY add NAME [--split] | remove NAME | list"),
    QStringLiteral(
        "Add a user field (--split: its values are comma-separated lists), remove one (its values "
        "stay; adding it again brings it back), or list them."),
    runField,
    { flagOption(QStringLiteral("split"), QStringLiteral("The field's values are lists.")) },
});

} // namespace

} // namespace vidarium::cli
