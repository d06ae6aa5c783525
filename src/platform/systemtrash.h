#pragma once

// Moves files to the desktop's trash (the freedesktop.org trash), where the
// user can still restore them; the catalogue uses it when emptying its own trash.
// Threads: reentrant; the background variant returns at once.

#include "platform/result.h"

#include <QStringList>

namespace vidarium {

class SystemTrash
{
public:
    // Fails with NotFound for a missing file, Io when the trash refuses it.
    static Result<void> moveToTrash(const QString &path);
    // Trashes each file on a worker thread without waiting; failures are logged
    // and otherwise dropped (the files stay where they were).
    static void moveToTrashInBackground(const QStringList &paths);
};

} // namespace vidarium
