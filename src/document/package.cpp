#include "document/package.h"

#include "document/packagefolder.h"
#include "model/medialibrary.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vidarium {

namespace {

// A catalogue larger than this is not one we wrote; refusing it keeps a damaged or
// hostile file from exhausting memory before the reader even starts.
constexpr qint64 MaximumCatalogueSize = qint64(1) << 30;
// Far above any image a tool makes or a user sets.
constexpr qint64 MaximumImageSize = qint64(1) << 28;

const char HexDigits[] = "0123456789ABCDEF";

// Leftovers older than this process are from saves that ended without cleaning up.
const std::time_t ProcessStart = std::time(nullptr);

const QString StagingInfix = QStringLiteral(".saving-");
const QString ReplacedSuffix = QStringLiteral("-replaced");

// Makes a directory's entries durable: a rename is only safe once the folder
// that holds it has reached the disk.
void syncDirectory(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

Error ioError(const QString &what, const QString &path, const QString &reason)
{
    return Error(Error::Code::Io, QStringLiteral("%1 “%2”: %3").arg(what, path, reason));
}

QString leafFolder(ElementImage image, const QString &identifier)
{
    return Package::folderName(image) + QLatin1Char('/') + identifier.at(0) + QLatin1Char('/')
        + identifier.at(1);
}

// The folder holding an image, or an error; a missing folder is a missing image.
Result<PackageFolder> openLeaf(const QString &root, ElementImage image, const QString &identifier,
    PackageFolder::Create create = PackageFolder::Create::No)
{
    Result<PackageFolder> package = PackageFolder::openRoot(root);
    if (!package)
        return package.error();
    return package->folder(leafFolder(image, identifier), create);
}

// Reading has no error to give back: a link or a device where an image should be
// is reported to the log and reads as no image.
QByteArray readOrWarn(const Result<PackageFolder> &folder, const QString &name)
{
    if (!folder) {
        if (folder.error().code() != Error::Code::NotFound)
            qWarning().noquote() << "Package:" << folder.error().message();
        return QByteArray();
    }
    Result<QByteArray> bytes = folder->readFile(name, MaximumImageSize);
    if (!bytes) {
        if (bytes.error().code() != Error::Code::NotFound)
            qWarning().noquote() << "Package:" << bytes.error().message();
        return QByteArray();
    }
    return std::move(bytes).value();
}

Result<void> prepareDirectoryStructure(const PackageFolder &root)
{
    if (Result<PackageFolder> icons
        = root.folder(Package::IconsFolderName, PackageFolder::Create::Yes);
        !icons)
        return icons.error();
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const QString name = Package::folderName(ElementImage(kind));
        Result<PackageFolder> existing = root.folder(name);
        if (existing)
            continue; // an image folder that exists is taken as complete
        if (existing.error().code() != Error::Code::NotFound)
            return existing.error(); // a link or a file in its place
        Result<PackageFolder> folder = root.folder(name, PackageFolder::Create::Yes);
        if (!folder)
            return folder.error();
        for (int first = 0; first < 16; ++first) {
            Result<PackageFolder> level = folder->folder(
                QString(QLatin1Char(HexDigits[first])), PackageFolder::Create::Yes);
            if (!level)
                return level.error();
            for (int second = 0; second < 16; ++second) {
                if (Result<PackageFolder> leaf = level->folder(
                        QString(QLatin1Char(HexDigits[second])), PackageFolder::Create::Yes);
                    !leaf)
                    return leaf.error();
            }
        }
    }
    return {};
}

// A file this save added, taken back when the save fails.
struct AddedFile
{
    QString folder;
    QString name;
};

void takeBack(const PackageFolder &root, const QList<AddedFile> &added)
{
    for (const AddedFile &file : added) {
        if (Result<PackageFolder> folder = root.folder(file.folder))
            folder->removeFile(file.name);
    }
}

Result<void> writeImages(
    const PackageFolder &root, const Package::Contents &contents, QList<AddedFile> &added)
{
    for (auto it = contents.icons.constBegin(); it != contents.icons.constEnd(); ++it) {
        if (!Package::isSafeFileName(it.key())) {
            qWarning().noquote() << "Icon of collection" << it.key()
                                 << "not written: unsafe identifier";
            continue;
        }
        Result<PackageFolder> icons = root.folder(Package::IconsFolderName);
        if (!icons)
            return icons.error();
        const Result<bool> written
            = icons->replaceFile(it.key(), it.value(), PackageFolder::Sync::No);
        if (!written)
            return written.error();
        if (*written)
            added.append({ Package::IconsFolderName, it.key() });
    }
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const auto &images = contents.images[size_t(kind)];
        for (auto it = images.constBegin(); it != images.constEnd(); ++it) {
            if (!Package::isSafeFileName(it.key())) {
                qWarning().noquote()
                    << "Image of element" << it.key() << "not written: unsafe identifier";
                continue;
            }
            const QString leafName = leafFolder(ElementImage(kind), it.key());
            Result<PackageFolder> leaf = root.folder(leafName, PackageFolder::Create::Yes);
            if (!leaf)
                return leaf.error();
            // Images are not synced one by one (that would make saving many of them
            // slow); the folder is, before the catalogue names them.
            const Result<bool> written
                = leaf->replaceFile(it.key(), it.value(), PackageFolder::Sync::No);
            if (!written)
                return written.error();
            if (*written)
                added.append({ leafName, it.key() });
        }
    }
    return {};
}

// Images first: the old catalogue never names a file the new one lacks, so
// nothing it needs is touched until the new catalogue is in place.
Result<void> writeInPlace(const PackageFolder &root, const Package::Contents &contents)
{
    if (Result<void> prepared = prepareDirectoryStructure(root); !prepared)
        return prepared;
    QList<AddedFile> added;
    Result<void> written = writeImages(root, contents, added);
    if (written) {
        root.sync();
        const Result<bool> catalogue = root.replaceFile(
            Package::CatalogueFileName, contents.catalogue, PackageFolder::Sync::Yes);
        if (!catalogue)
            written
                = catalogue.error().withContext(QStringLiteral("The catalogue was not written"));
    }
    if (!written) {
        // The old catalogue names none of the files this save added.
        takeBack(root, added);
        return written;
    }
    root.sync();
    return {};
}

bool isStagingFolderOf(const QString &entry, const QString &packageName)
{
    return entry.startsWith(QLatin1Char('.') + packageName + StagingInfix);
}

// Staging folders beside the package: a save builds a new package there and
// holds its lock while it does.
void removeStaleStaging(const QString &packagePath)
{
    const QFileInfo package(packagePath);
    const QDir parent = package.dir();
    const QStringList entries = parent.entryList(
        { QLatin1Char('.') + package.fileName() + StagingInfix + QLatin1Char('*') },
        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString &entry : entries) {
        if (!isStagingFolderOf(entry, package.fileName()))
            continue;
        const QString path = parent.filePath(entry);
        struct stat status
        {
        };
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISDIR(status.st_mode)
            || status.st_mtime >= ProcessStart)
            continue;
        // The package moved aside by a replacing save is the only copy when the
        // save ended before the new one took its name.
        if (entry.endsWith(ReplacedSuffix) && !package.exists())
            continue;
        Result<LibraryLock> held = LibraryLock::acquire(path, LibraryLock::Wait::No);
        if (!held)
            continue; // a save is building it now
        qInfo().noquote() << "Removing" << path << "left by an interrupted save";
        QDir(path).removeRecursively();
    }
}

} // namespace

QString Package::folderName(ElementImage image)
{
    switch (image) {
    case ElementImage::Poster:
        return QStringLiteral("Posters");
    case ElementImage::Thumbnail:
        return QStringLiteral("Thumbnails");
    case ElementImage::Storyboard:
        return QStringLiteral("Storyboards");
    case ElementImage::Filmstrip:
        return QStringLiteral("Filmstrips");
    }
    return QString();
}

bool Package::isSafeFileName(const QString &identifier)
{
    return MediaLibrary::isValidIdentifier(identifier);
}

QString Package::relativeImagePath(ElementImage image, const QString &elementIdentifier)
{
    if (!isSafeFileName(elementIdentifier))
        return QString();
    return leafFolder(image, elementIdentifier) + QLatin1Char('/') + elementIdentifier;
}

void Package::open(const QString &path)
{
    if (path != m_path)
        close();
    m_path = path;
}

void Package::close()
{
    m_path.clear();
    for (QSet<QString> &removed : m_removedImages)
        removed.clear();
    m_removedIcons.clear();
}

QByteArray Package::catalogueData(QString *errorMessage) const
{
    Result<PackageFolder> root = PackageFolder::openRoot(m_path);
    // Never through a link, never a device or FIFO, never more bytes than the cap.
    Result<QByteArray> bytes
        = root ? root->readFile(CatalogueFileName, MaximumCatalogueSize) : root.error();
    if (!bytes) {
        if (errorMessage)
            *errorMessage = bytes.error().message();
        return QByteArray();
    }
    return std::move(bytes).value();
}

QByteArray Package::imageData(ElementImage image, const QString &elementIdentifier) const
{
    if (!isOpen() || m_removedImages[size_t(image)].contains(elementIdentifier)
        || !isSafeFileName(elementIdentifier))
        return QByteArray();
    return readOrWarn(openLeaf(m_path, image, elementIdentifier), elementIdentifier);
}

std::function<QByteArray()> Package::imageReader(
    ElementImage image, const QString &elementIdentifier) const
{
    if (!isOpen() || m_removedImages[size_t(image)].contains(elementIdentifier)
        || !isSafeFileName(elementIdentifier))
        return {};
    return [root = m_path, image, elementIdentifier] {
        return readOrWarn(openLeaf(root, image, elementIdentifier), elementIdentifier);
    };
}

bool Package::hasImage(ElementImage image, const QString &elementIdentifier) const
{
    if (!isOpen() || m_removedImages[size_t(image)].contains(elementIdentifier)
        || !isSafeFileName(elementIdentifier))
        return false;
    const Result<PackageFolder> leaf = openLeaf(m_path, image, elementIdentifier);
    return leaf && leaf->hasRegularFile(elementIdentifier);
}

QByteArray Package::iconData(const QString &playlistIdentifier) const
{
    if (!isOpen() || !isSafeFileName(playlistIdentifier)
        || m_removedIcons.contains(playlistIdentifier))
        return QByteArray();
    Result<PackageFolder> root = PackageFolder::openRoot(m_path);
    if (!root)
        return QByteArray();
    return readOrWarn(root->folder(IconsFolderName), playlistIdentifier);
}

void Package::removeImage(ElementImage image, const QString &elementIdentifier)
{
    if (isOpen() && isSafeFileName(elementIdentifier))
        m_removedImages[size_t(image)].insert(elementIdentifier);
}

void Package::removeIcon(const QString &playlistIdentifier)
{
    if (isOpen() && isSafeFileName(playlistIdentifier))
        m_removedIcons.insert(playlistIdentifier);
}

Result<void> Package::copyImagesTo(const PackageFolder &root) const
{
    Result<PackageFolder> source = PackageFolder::openRoot(m_path);
    if (!source)
        return source.error();
    const auto copyFolder = [](const PackageFolder &from, const PackageFolder &to,
                                const QSet<QString> &removed) -> Result<void> {
        for (const QString &name : from.fileNames()) {
            if (!isSafeFileName(name) || removed.contains(name))
                continue; // leftovers of an interrupted save, or not ours
            if (Result<void> copied = from.copyFileTo(name, to); !copied)
                return copied;
        }
        return {};
    };
    if (Result<PackageFolder> icons = source->folder(IconsFolderName)) {
        Result<PackageFolder> target = root.folder(IconsFolderName);
        if (!target)
            return target.error();
        if (Result<void> copied = copyFolder(*icons, *target, m_removedIcons); !copied)
            return copied;
    }
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const QString name = folderName(ElementImage(kind));
        // Only real folders are followed: images behind a link are not the package's.
        Result<PackageFolder> folder = source->folder(name);
        if (!folder)
            continue;
        for (const QString &first : folder->folderNames()) {
            Result<PackageFolder> level = folder->folder(first);
            for (const QString &second : level ? level->folderNames() : QStringList()) {
                const QString leafName
                    = name + QLatin1Char('/') + first + QLatin1Char('/') + second;
                Result<PackageFolder> leaf = level->folder(second);
                Result<PackageFolder> target = root.folder(leafName);
                if (!leaf || !target)
                    continue; // not one of the 256 leaves: nothing of ours is there
                if (Result<void> copied = copyFolder(*leaf, *target, m_removedImages[size_t(kind)]);
                    !copied)
                    return copied;
            }
        }
    }
    return {};
}

Result<void> Package::write(
    const QString &target, const Contents &contents, LibraryLock &lock, Replace replace)
{
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    removeStaleStaging(absoluteTarget);
    const bool inPlace
        = isOpen() && QFileInfo(absoluteTarget) == QFileInfo(m_path) && QFileInfo(m_path).isDir();
    if (!inPlace)
        return writeElsewhere(absoluteTarget, contents, lock, replace);

    if (!lock.isHeld() || lock.packagePath() != m_path) {
        Result<LibraryLock> taken = LibraryLock::acquire(m_path, LibraryLock::Wait::No);
        if (!taken)
            return taken.error();
        lock = std::move(taken).value();
        removeDebris(m_path);
    }
    Result<PackageFolder> root = PackageFolder::openRoot(m_path);
    if (!root)
        return root.error();
    if (Result<void> written = writeInPlace(*root, contents); !written)
        return written;
    removeUnusedFiles(contents);
    return {};
}

// A new package is built beside its final place and moved there whole, so no
// half-made package ever carries the name.
Result<void> Package::writeElsewhere(
    const QString &absoluteTarget, const Contents &contents, LibraryLock &lock, Replace replace)
{
    const QFileInfo targetInfo(absoluteTarget);
    const QString staging = targetInfo.path() + QStringLiteral("/.") + targetInfo.fileName()
        + StagingInfix + QUuid::createUuid().toString(QUuid::Id128).left(8);
    if (!QDir().mkdir(staging))
        return ioError(QStringLiteral("Cannot create the folder"), staging,
            QStringLiteral("permission denied or disk full"));
    // Held from the start, so a cleaner never takes the folder for a leftover; it
    // becomes the hold on the package when the folder takes its name.
    Result<LibraryLock> stagingLock = LibraryLock::acquire(staging, LibraryLock::Wait::No);
    Result<PackageFolder> root = stagingLock ? PackageFolder::openRoot(staging)
                                             : Result<PackageFolder>(stagingLock.error());
    Result<void> written = root ? prepareDirectoryStructure(*root) : root.error();
    if (written && isOpen())
        written = copyImagesTo(*root);
    if (written)
        written = writeInPlace(*root, contents);

    LibraryLock targetLock;
    QString replaced;
    if (written && replace == Replace::Never) {
        if (::renameat2(AT_FDCWD, QFile::encodeName(staging).constData(), AT_FDCWD,
                QFile::encodeName(absoluteTarget).constData(), RENAME_NOREPLACE)
            != 0)
            written = ioError(QStringLiteral("Cannot create the library"), absoluteTarget,
                errno == EEXIST ? QStringLiteral("something of that name appeared meanwhile")
                                : QString::fromLocal8Bit(std::strerror(errno)));
    } else if (written) {
        if (targetInfo.isDir() && (!lock.isHeld() || lock.packagePath() != absoluteTarget)) {
            // Another program may be changing the package this one replaces.
            Result<LibraryLock> taken = LibraryLock::acquire(absoluteTarget, LibraryLock::Wait::No);
            if (taken)
                targetLock = std::move(taken).value();
            else
                written = taken.error();
        }
        if (written && targetInfo.exists()) {
            replaced = staging + ReplacedSuffix;
            if (!QDir().rename(absoluteTarget, replaced))
                written = ioError(QStringLiteral("Cannot replace"), absoluteTarget,
                    QStringLiteral("permission denied"));
        }
        if (written && !QDir().rename(staging, absoluteTarget)) {
            written = ioError(QStringLiteral("Cannot move the new package to"), absoluteTarget,
                QStringLiteral("permission denied"));
            if (!replaced.isEmpty())
                QDir().rename(replaced, absoluteTarget);
            replaced.clear();
        }
    }
    if (!written) {
        QDir(staging).removeRecursively();
        return written;
    }
    if (!replaced.isEmpty())
        QDir(replaced).removeRecursively();
    syncDirectory(targetInfo.path());
    lock = std::move(stagingLock).value();
    lock.setPackagePath(absoluteTarget);
    m_path = absoluteTarget;
    removeUnusedFiles(contents);
    return {};
}

// The new catalogue is in place: files it no longer names may go now.
void Package::removeUnusedFiles(const Contents &contents)
{
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        for (const QString &identifier : std::as_const(m_removedImages[size_t(kind)])) {
            if (contents.images[size_t(kind)].contains(identifier))
                continue;
            if (const Result<PackageFolder> leaf = openLeaf(m_path, ElementImage(kind), identifier))
                leaf->removeFile(identifier);
        }
        m_removedImages[size_t(kind)].clear();
    }
    Result<PackageFolder> root = PackageFolder::openRoot(m_path);
    Result<PackageFolder> icons = root ? root->folder(IconsFolderName) : root.error();
    for (const QString &identifier : std::as_const(m_removedIcons)) {
        if (icons && !contents.icons.contains(identifier))
            icons->removeFile(identifier);
    }
    m_removedIcons.clear();
}

void Package::removeDebris(const QString &packagePath)
{
    removeStaleStaging(packagePath);
    Result<PackageFolder> root = PackageFolder::openRoot(packagePath);
    if (!root)
        return;
    int removed = root->removeTemporariesOlderThan(ProcessStart);
    if (Result<PackageFolder> icons = root->folder(IconsFolderName))
        removed += icons->removeTemporariesOlderThan(ProcessStart);
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        Result<PackageFolder> folder = root->folder(folderName(ElementImage(kind)));
        if (!folder)
            continue;
        for (int first = 0; first < 16; ++first) {
            for (int second = 0; second < 16; ++second) {
                const QString leafName = QString(QLatin1Char(HexDigits[first])) + QLatin1Char('/')
                    + QLatin1Char(HexDigits[second]);
                if (Result<PackageFolder> leaf = folder->folder(leafName))
                    removed += leaf->removeTemporariesOlderThan(ProcessStart);
            }
        }
    }
    if (removed > 0)
        qInfo().noquote() << "Removed" << removed << "temporary files of interrupted saves from"
                          << packagePath;
}

} // namespace vidarium
