#pragma once

// Finding what a command names on its command line: an element by identifier, a
// user field by name, with the message a user sees when there is none.
// Threads: main thread.

#include "model/medialibrary.h"

#include <QString>

namespace vidarium::cli {

// The element with that identifier (any letter case) in the catalogue, the
// trash or the unreadable elements; null, with the reason printed, when none.
MediaElementPtr findElement(const MediaLibrary &library, const QString &identifier);

// The active field with exactly that name, else the field with that identifier;
// null when neither exists.
MediaUserFieldPtr findUserField(const MediaLibrary &library, const QString &nameOrIdentifier);

} // namespace vidarium::cli
