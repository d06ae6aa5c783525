#pragma once

// Finding what a command names on its command line: an element by identifier, a
// user field by name, the keys of criteria, with the message a user sees when
// there is none.
// Threads: main thread.

#include "model/medialibrary.h"
#include "model/predicate.h"

#include <QString>

namespace vidarium::cli {

// The element with that identifier (any letter case) in the catalogue, the
// trash or the unreadable elements; null, with the reason printed, when none.
MediaElementPtr findElement(const MediaLibrary &library, const QString &identifier);

// The active field with exactly that name, else the field with that identifier;
// null when neither exists.
MediaUserFieldPtr findUserField(const MediaLibrary &library, const QString &nameOrIdentifier);

// Prints a line on standard error for each key the criteria test that is
// neither an element property nor a user field of the library: such a key
// reads as nothing, which is rarely what the user meant. The criteria still
// run as written. Returns the keys reported.
QStringList reportUnknownKeys(const MediaLibrary &library, const Predicate &criteria);

// Built-in collections in the source list's order, then the user's by name.
QList<MediaPlaylistPtr> sortedPlaylists(const MediaLibrary &library);

} // namespace vidarium::cli
