#include "platform/systemtrash.h"

#include "platform/backgroundpool.h"
#include "platform/filepath.h"

#include <QFile>
#include <QLoggingCategory>
#include <QtConcurrent/QtConcurrentRun>

namespace vidarium {

Q_LOGGING_CATEGORY(lcTrash, "vidarium.trash")

Result<void> SystemTrash::moveToTrash(const QString &path)
{
    if (path.isEmpty() || !fileStatus(path, Links::DoNotFollow))
        return Error(Error::Code::NotFound,
            QStringLiteral("\"%1\" cannot be moved to the trash: it does not exist.")
                .arg(displayPath(path)));
    // Qt's trash names files by their decoded names and would miss this one; it
    // stays where it is rather than go anywhere under another name.
    if (hasUndecodableBytes(path))
        return Error(Error::Code::Unsupported,
            QStringLiteral("\"%1\" could not be moved to the trash: its name is not UTF-8.")
                .arg(displayPath(path)));
    QString trashedAs;
    if (!QFile::moveToTrash(path, &trashedAs))
        return Error(
            Error::Code::Io, QStringLiteral("\"%1\" could not be moved to the trash.").arg(path));
    return {};
}

void SystemTrash::moveToTrashInBackground(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // Fire and forget: the future is dropped, the work still runs on the pool.
    (void)QtConcurrent::run(&backgroundPool(), [paths] {
        for (const QString &path : paths) {
            const Result<void> result = moveToTrash(path);
            if (!result.ok())
                qCWarning(lcTrash) << result.error().message();
        }
    });
}

} // namespace vidarium
