// vidarium-cli set: what a user adds to an element (rating, comments, name, user
// field values), from the command line.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/elementkeys.h"
#include "model/mediauserfield.h"

#include <functional>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral("usage: vidarium-cli set LIBRARY ELEMENT-ID KEY=VALUE...");

// One checked edit, applied only once every edit of the command line checked out.
using Edit = std::function<bool(MediaElement &element)>;

Edit ratingEdit(const QString &value, QString *problem)
{
    bool ok = false;
    const int rating = value.trimmed().toInt(&ok);
    if (!ok || rating < 0 || rating > 5) {
        *problem = QStringLiteral("a rating is a whole number from 0 to 5, not '%1'").arg(value);
        return {};
    }
    return [rating](MediaElement &element) {
        element.setRating(rating);
        return true;
    };
}

Edit nameEdit(const QString &value, QString *problem)
{
    if (value.trimmed().isEmpty() || value.contains(u'/') || value.contains(QChar(0))
        || value == QLatin1String(".") || value == QLatin1String("..")) {
        *problem = QStringLiteral("'%1' cannot be a file name").arg(value);
        return {};
    }
    return [value](MediaElement &element) {
        const QString before = element.path();
        element.setName(value);
        if (element.name() == value)
            return true;
        printError(
            QStringLiteral("could not rename %1 to '%2': the file is missing or the name is taken")
                .arg(before, value));
        return false;
    };
}

Edit fieldEdit(const MediaUserFieldPtr &field, const QString &value)
{
    const QString identifier = field->identifier();
    // An empty value clears the field rather than storing an empty text.
    const PlistValue stored = value.isEmpty() ? PlistValue() : PlistValue(value);
    return [identifier, stored](MediaElement &element) {
        element.setValueForUndefinedKey(stored, identifier);
        return true;
    };
}

Edit editFor(
    const MediaLibrary &library, const QString &key, const QString &value, QString *problem)
{
    if (key == QLatin1String("rating"))
        return ratingEdit(value, problem);
    if (key == QLatin1String("name"))
        return nameEdit(value, problem);
    if (key == QLatin1String("comments") || key == QLatin1String("userComments")) {
        return [value](MediaElement &element) {
            element.setUserComments(value);
            return true;
        };
    }
    if (ElementKeys::fromName(key)) {
        *problem = QStringLiteral(
            "'%1' is read from the file and cannot be set; editable are rating, comments, "
            "name and user fields")
                       .arg(key);
        return {};
    }
    if (const MediaUserFieldPtr field = findUserField(library, key))
        return fieldEdit(field, value);
    *problem = QStringLiteral(
        "the library has no user field '%1' (add one with 'vidarium-cli field LIBRARY add %1')")
                   .arg(key);
    return {};
}

int runSet(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() < 3) {
        printError(Usage);
        return 2;
    }
    for (const QString &assignment : arguments.mid(2)) {
        if (!assignment.contains(u'=')) {
            printError(QStringLiteral("'%1' is not KEY=VALUE; %2").arg(assignment, Usage));
            return 2;
        }
    }
    std::unique_ptr<Document> document = openLibrary(arguments[0], LibraryAccess::Write);
    if (!document)
        return 1;
    MediaLibrary &library = document->library();
    const MediaElementPtr element = findElement(library, arguments[1]);
    if (!element)
        return 1;

    // Renaming is the one edit that can fail (it moves the file), so it goes first
    // and a failure leaves the library as it was.
    QList<Edit> edits;
    for (const QString &assignment : arguments.mid(2)) {
        const qsizetype equals = assignment.indexOf(u'=');
        const QString key = assignment.left(equals).trimmed();
        QString problem;
        Edit edit = editFor(library, key, assignment.mid(equals + 1), &problem);
        if (!edit) {
            printError(problem);
            return 1;
        }
        if (key == QLatin1String("name"))
            edits.prepend(std::move(edit));
        else
            edits.append(std::move(edit));
    }
    for (const Edit &edit : std::as_const(edits)) {
        if (!edit(*element))
            return 1;
    }
    document->updateChangeCount(Document::Change::Done);
    return saveLibrary(*document) ? 0 : 1;
}

const CliCommandRegistration registration({
    QStringLiteral("set"),
    QStringLiteral("set LIBRARY ELEMENT-ID KEY=VALUE..."),
    QStringLiteral(
        "Set an element's rating (0-5), comments, name (renames its file) or user fields by field "
        "name; an empty value clears a field."),
    runSet,
});

} // namespace

} // namespace vidarium::cli
