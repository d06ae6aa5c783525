#include "clilibrary.h"

#include "clicommand.h"

#include <QFileInfo>

namespace vidarium::cli {

namespace {
bool waitForLibraries = false;
} // namespace

void setWaitForLibraries(bool wait)
{
    waitForLibraries = wait;
}

std::unique_ptr<Document> openLibrary(const QString &path, LibraryAccess access)
{
    // A command has no event loop to hand background results to: validate here.
    MediaLibrary::setBackgroundValidationEnabled(false);
    auto document = std::make_unique<Document>();
    if (access == LibraryAccess::Write) {
        Result<void> locked = document->lockForWriting(path, LibraryLock::Wait::No);
        if (!locked && locked.error().code() == Error::Code::Busy && waitForLibraries) {
            printError(locked.error().message() + QStringLiteral(" Waiting…"));
            locked = document->lockForWriting(path, LibraryLock::Wait::Yes);
        }
        if (!locked) {
            printError(locked.error().code() == Error::Code::Busy
                    ? locked.error().message() + QStringLiteral(" Add --wait to wait for it.")
                    : locked.error().message());
            return nullptr;
        }
    }
    const Result<void> read = document->readFromPath(path);
    if (!read) {
        printError(read.error().message());
        return nullptr;
    }
    if (document->library().validateBookmarksNow() > 0)
        document->updateChangeCount(Document::Change::Done);
    return document;
}

bool saveLibrary(Document &document)
{
    const Result<void> saved = document.save();
    if (!saved) {
        printError(saved.error().message());
        return false;
    }
    return true;
}

QString libraryPathWithExtension(const QString &path)
{
    if (QFileInfo(path).suffix() == Document::PackageExtension)
        return path;
    return path + QLatin1Char('.') + Document::PackageExtension;
}

} // namespace vidarium::cli
