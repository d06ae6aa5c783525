#include "clilibrary.h"

#include "clicommand.h"

#include <QFileInfo>

namespace vidarium::cli {

std::unique_ptr<Document> openLibrary(const QString &path)
{
    // A command has no event loop to hand background results to: validate here.
    MediaLibrary::setBackgroundValidationEnabled(false);
    auto document = std::make_unique<Document>();
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
