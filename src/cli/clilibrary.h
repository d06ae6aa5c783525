#pragma once

// Opening and saving a library for a command: the messages a user sees when a
// library cannot be opened or saved, in one place for every command.
// Threads: main thread.

#include "document/document.h"

#include <QString>

#include <memory>

namespace vidarium::cli {

enum class LibraryAccess {
    Read, // never blocked, never blocks a writer
    Write, // holds the library's lock until the document is gone
};

// The library at path, read and with its bookmarks validated; null, with the
// reason printed, when it cannot be opened. For writing, the library's lock is
// taken before it is read, so no other program's save is lost in between; while
// another program holds it the command is refused, or waits (setWaitForLibraries).
std::unique_ptr<Document> openLibrary(
    const QString &path, LibraryAccess access = LibraryAccess::Read);

// --wait: a writing command waits for another program to finish with its library.
void setWaitForLibraries(bool wait);

// Saves to the library's package; prints the reason and answers false on failure.
bool saveLibrary(Document &document);

// The path with the package extension added when it has none.
QString libraryPathWithExtension(const QString &path);

} // namespace vidarium::cli
