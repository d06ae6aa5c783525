#include "model/elementfiles.h"

#include "model/medialibrary.h"
#include "platform/bookmark.h"
#include "platform/filepath.h"

#include <QFileInfo>

namespace vidarium {

QByteArray ElementFiles::bookmarkDataWithPath(const QString &path)
{
    return Bookmark::create(path);
}

QString ElementFiles::pathWithBookmarkData(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return QString();
    return Bookmark::resolvePath(bookmark).value_or(QString());
}

bool ElementFiles::exists(const QString &path, const QByteArray &bookmark)
{
    if (!path.isEmpty() && pathExists(path))
        return true;
    return !pathWithBookmarkData(bookmark).isEmpty();
}

std::optional<QString> ElementFiles::movedLocation(const QString &path, const QByteArray &bookmark)
{
    if (!path.isEmpty() && pathExists(path))
        return std::nullopt;
    const QString found = pathWithBookmarkData(bookmark);
    if (found.isEmpty())
        return std::nullopt;
    return found;
}

bool ElementFiles::movePath(const QString &from, const QString &to)
{
    // Never rename(2) alone, which replaces an existing file.
    return renamePath(from, to);
}

bool ElementFiles::isValidName(const QString &name)
{
    // A name that is not one path component would move the file elsewhere.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..");
}

FileNameParts ElementFiles::splitFileName(QStringView path)
{
    const QStringView fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    // A leading dot names a hidden file, not an extension.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return { fileName, {} };
    return { fileName.left(dot), fileName.mid(dot + 1) };
}

std::optional<QString> ElementFiles::rename(const QString &path, const QString &name)
{
    if (!isValidName(name))
        return std::nullopt;
    const FileNameParts parts = splitFileName(path);
    const QString folder = QFileInfo(path).path();
    const QString suffix
        = parts.extension.isEmpty() ? QString() : QLatin1Char('.') + parts.extension.toString();
    const QString target = folder + QLatin1Char('/') + name + suffix;

    if (parts.name.compare(name, Qt::CaseInsensitive) != 0) {
        if (movePath(path, target))
            return target;
        return std::nullopt;
    }
    const QString detour = folder + QLatin1Char('/') + MediaLibrary::generateUUID() + suffix;
    if (!movePath(path, detour))
        return std::nullopt;
    if (movePath(detour, target))
        return target;
    // Never leave the file under the detour name unrecorded: put it back, or at
    // least say where it is.
    if (!movePath(detour, path))
        return detour;
    return std::nullopt;
}

} // namespace vidarium
