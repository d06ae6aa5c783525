#pragma once

// The options of the import command, which the open command also takes and
// hands on to the import it runs after saving.
// Threads: main thread.

#include <QCommandLineOption>
#include <QList>

namespace vidarium::cli {

QList<QCommandLineOption> importOptions();

} // namespace vidarium::cli
