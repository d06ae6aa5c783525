#pragma once

// Opening and saving a library for a command: the messages a user sees when a
// library cannot be opened or saved, in one place for every command.
// Threads: main thread.

#include "document/document.h"

#include <QString>

#include <memory>

namespace vidarium::cli {

// The library at path, read and with its bookmarks validated; null, with the
// reason printed, when it cannot be opened.
std::unique_ptr<Document> openLibrary(const QString &path);

// Saves to the library's package; prints the reason and answers false on failure.
bool saveLibrary(Document &document);

// The path with the package extension added when it has none.
QString libraryPathWithExtension(const QString &path);

} // namespace vidarium::cli
