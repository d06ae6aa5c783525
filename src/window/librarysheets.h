#pragma once

// The sheets of the library window that show or edit the library as a whole:
// its settings and its statistics.
// Threads: main thread.

#include <QString>

class QDialog;

namespace vidarium {

class DocumentWindowController;

// The sheet for one of the window's sheet commands, not yet shown; null for a
// command that is not one of these sheets.
QDialog *makeLibrarySheet(DocumentWindowController &window, const QString &action);

} // namespace vidarium
