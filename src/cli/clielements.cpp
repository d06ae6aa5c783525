#include "clielements.h"

#include "clicommand.h"

#include "model/elementkeys.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/predicateexpression.h"

namespace vidarium::cli {

MediaElementPtr findElement(const MediaLibrary &library, const QString &identifier)
{
    MediaElementPtr element = library.elementWithIdentifier(identifier.trimmed().toUpper());
    if (!element)
        printError(QStringLiteral("the library has no element '%1' (see 'vidarium-cli list')")
                       .arg(identifier));
    return element;
}

MediaUserFieldPtr findUserField(const MediaLibrary &library, const QString &nameOrIdentifier)
{
    for (const MediaUserFieldPtr &field : library.activeUserFields()) {
        if (field->name() == nameOrIdentifier)
            return field;
    }
    return library.userFieldWithIdentifier(nameOrIdentifier);
}

namespace {

void collectKeys(const PredicateExpression &expression, QStringList &keys, int depth = 0)
{
    // Criteria come from the user's command line, but a bound keeps a crafted
    // nesting from exhausting the stack all the same.
    if (depth > 256)
        return;
    switch (expression.kind()) {
    case PredicateExpression::Kind::KeyPath: {
        const QString key = expression.keyPath().section(QLatin1Char('.'), 0, 0);
        if (!keys.contains(key))
            keys.append(key);
        break;
    }
    case PredicateExpression::Kind::Function:
        if (!expression.isBuiltin())
            collectKeys(expression.operand(), keys, depth + 1);
        [[fallthrough]];
    case PredicateExpression::Kind::Aggregate:
        for (const PredicateExpression &argument : expression.arguments())
            collectKeys(argument, keys, depth + 1);
        break;
    default:
        break;
    }
}

void collectKeys(const Predicate &predicate, QStringList &keys, int depth = 0)
{
    if (depth > 256)
        return;
    if (predicate.isComparison()) {
        collectKeys(predicate.leftExpression(), keys);
        collectKeys(predicate.rightExpression(), keys);
    } else if (predicate.isCompound()) {
        for (const Predicate &sub : predicate.subpredicates())
            collectKeys(sub, keys, depth + 1);
    }
}

} // namespace

QStringList reportUnknownKeys(const MediaLibrary &library, const Predicate &criteria)
{
    QStringList keys;
    collectKeys(criteria, keys);
    QStringList unknown;
    for (const QString &key : std::as_const(keys)) {
        if (key.isEmpty() || ElementKeys::fromName(key) || library.userFieldWithIdentifier(key))
            continue;
        unknown.append(key);
        QString message
            = QStringLiteral("note: '%1' is neither a property nor a user field of the library")
                  .arg(key);
        if (const MediaUserFieldPtr field = findUserField(library, key))
            message += QStringLiteral("; criteria name the user field '%1' by its identifier %2")
                           .arg(field->name(), field->identifier());
        printError(message);
    }
    return unknown;
}

namespace {

const QStringList BuiltInOrder = {
    MediaPlaylist::TypeMedia,
    MediaPlaylist::TypeTrash,
    MediaPlaylist::TypeError,
    MediaPlaylist::TypeLastImport,
    MediaPlaylist::TypeRecentlyAdded,
    MediaPlaylist::TypeRecentlyPlayed,
    MediaPlaylist::TypeFavorites,
    MediaPlaylist::TypeMissing,
};

} // namespace

QList<MediaPlaylistPtr> sortedPlaylists(const MediaLibrary &library)
{
    QList<MediaPlaylistPtr> playlists = library.playlists().values();
    auto rank = [](const MediaPlaylist &playlist) {
        const qsizetype index = BuiltInOrder.indexOf(playlist.type());
        return index < 0 ? BuiltInOrder.size() : index;
    };
    std::sort(playlists.begin(), playlists.end(),
        [&](const MediaPlaylistPtr &a, const MediaPlaylistPtr &b) {
            if (rank(*a) != rank(*b))
                return rank(*a) < rank(*b);
            return a->name() != b->name() ? a->name() < b->name()
                                          : a->identifier() < b->identifier();
        });
    return playlists;
}

} // namespace vidarium::cli
