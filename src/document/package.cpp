#include "document/package.h"

#include "model/medialibrary.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace vidarium {

namespace {

// A catalogue larger than this is not one we wrote; refusing it keeps a damaged or
// hostile file from exhausting memory before the reader even starts.
constexpr qint64 MaximumCatalogueSize = qint64(1) << 30;

const char HexDigits[] = "0123456789ABCDEF";

Error ioError(const QString &what, const QString &path, const QString &reason)
{
    return Error(Error::Code::Io, QStringLiteral("%1 “%2”: %3").arg(what, path, reason));
}

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

// Writes through a temporary file in the same folder, renamed over the target,
// so a reader sees the old bytes or the new ones. Images are not synced one by
// one (that would make saving many of them slow); the catalogue is.
Result<void> writeFileReplacing(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    const QString temporary
        = info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return ioError(QStringLiteral("Cannot write"), temporary, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.close();
        QFile::remove(temporary);
        return ioError(QStringLiteral("Cannot write"), path, reason);
    }
    file.close();
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData())
        != 0) {
        const QString reason = QString::fromLocal8Bit(strerror(errno));
        QFile::remove(temporary);
        return ioError(QStringLiteral("Cannot replace"), path, reason);
    }
    return {};
}

Result<void> makeDirectory(const QString &path)
{
    if (QFileInfo(path).isDir() || QDir().mkpath(path))
        return {};
    return ioError(QStringLiteral("Cannot create the folder"), path,
        QStringLiteral("permission denied or disk full"));
}

// Hard links cost nothing and keep the bytes; a copy serves across volumes.
bool linkOrCopy(const QString &from, const QString &to)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(from, to);
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
    return folderName(image) + QLatin1Char('/') + elementIdentifier.at(0) + QLatin1Char('/')
        + elementIdentifier.at(1) + QLatin1Char('/') + elementIdentifier;
}

QString Package::absoluteImagePath(
    const QString &root, ElementImage image, const QString &identifier) const
{
    const QString relative = relativeImagePath(image, identifier);
    return relative.isEmpty() ? QString() : root + QLatin1Char('/') + relative;
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
    const QString path = m_path + QLatin1Char('/') + CatalogueFileName;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorMessage)
            *errorMessage = file.errorString();
        return QByteArray();
    }
    if (file.size() > MaximumCatalogueSize) {
        if (errorMessage)
            *errorMessage
                = QStringLiteral("the catalogue file is too large (%1 bytes)").arg(file.size());
        return QByteArray();
    }
    return file.readAll();
}

QByteArray Package::imageData(ElementImage image, const QString &elementIdentifier) const
{
    if (!isOpen() || m_removedImages[size_t(image)].contains(elementIdentifier))
        return QByteArray();
    const QString path = absoluteImagePath(m_path, image, elementIdentifier);
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool Package::hasImage(ElementImage image, const QString &elementIdentifier) const
{
    if (!isOpen() || m_removedImages[size_t(image)].contains(elementIdentifier))
        return false;
    const QString path = absoluteImagePath(m_path, image, elementIdentifier);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QByteArray Package::iconData(const QString &playlistIdentifier) const
{
    if (!isOpen() || !isSafeFileName(playlistIdentifier)
        || m_removedIcons.contains(playlistIdentifier))
        return QByteArray();
    QFile file(m_path + QLatin1Char('/') + IconsFolderName + QLatin1Char('/') + playlistIdentifier);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
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

Result<void> Package::prepareDirectoryStructure(const QString &root) const
{
    if (Result<void> made = makeDirectory(root + QLatin1Char('/') + IconsFolderName); !made)
        return made;
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const QString folder = root + QLatin1Char('/') + folderName(ElementImage(kind));
        if (QFileInfo(folder).isDir())
            continue; // an image folder that exists is taken as complete
        for (int first = 0; first < 16; ++first) {
            for (int second = 0; second < 16; ++second) {
                const QString leaf = folder + QLatin1Char('/') + QLatin1Char(HexDigits[first])
                    + QLatin1Char('/') + QLatin1Char(HexDigits[second]);
                if (Result<void> made = makeDirectory(leaf); !made)
                    return made;
            }
        }
    }
    return {};
}

Result<void> Package::writeInPlace(const QString &root, const Contents &contents)
{
    if (Result<void> prepared = prepareDirectoryStructure(root); !prepared)
        return prepared;

    // Images first: the old catalogue never names a file the new one lacks, so
    // nothing it needs is touched until the new catalogue is in place.
    for (auto it = contents.icons.constBegin(); it != contents.icons.constEnd(); ++it) {
        if (!isSafeFileName(it.key())) {
            qWarning().noquote() << "Icon of collection" << it.key()
                                 << "not written: unsafe identifier";
            continue;
        }
        const QString path
            = root + QLatin1Char('/') + IconsFolderName + QLatin1Char('/') + it.key();
        if (Result<void> written = writeFileReplacing(path, it.value()); !written)
            return written;
    }
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const auto &images = contents.images[size_t(kind)];
        for (auto it = images.constBegin(); it != images.constEnd(); ++it) {
            const QString path = absoluteImagePath(root, ElementImage(kind), it.key());
            if (path.isEmpty()) {
                qWarning().noquote()
                    << "Image of element" << it.key() << "not written: unsafe identifier";
                continue;
            }
            if (Result<void> made = makeDirectory(QFileInfo(path).path()); !made)
                return made;
            if (Result<void> written = writeFileReplacing(path, it.value()); !written)
                return written;
        }
    }
    syncDirectory(root);

    const QString cataloguePath = root + QLatin1Char('/') + CatalogueFileName;
    QSaveFile catalogue(cataloguePath);
    catalogue.setDirectWriteFallback(false);
    if (!catalogue.open(QIODevice::WriteOnly))
        return ioError(
            QStringLiteral("Cannot write the catalogue"), cataloguePath, catalogue.errorString());
    if (catalogue.write(contents.catalogue) != contents.catalogue.size() || !catalogue.commit())
        return ioError(
            QStringLiteral("Cannot write the catalogue"), cataloguePath, catalogue.errorString());
    syncDirectory(root);
    return {};
}

Result<void> Package::copyImagesTo(const QString &root) const
{
    for (int kind = -1; kind < ElementImageCount; ++kind) {
        const QString folder = kind < 0 ? IconsFolderName : folderName(ElementImage(kind));
        QDirIterator files(
            m_path + QLatin1Char('/') + folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString source = files.next();
            const QString name = QFileInfo(source).fileName();
            if (!isSafeFileName(name))
                continue; // leftovers of an interrupted save, or not ours
            const bool removed = kind < 0 ? m_removedIcons.contains(name)
                                          : m_removedImages[size_t(kind)].contains(name);
            if (removed)
                continue;
            const QString target = kind < 0
                ? root + QLatin1Char('/') + IconsFolderName + QLatin1Char('/') + name
                : absoluteImagePath(root, ElementImage(kind), name);
            if (!linkOrCopy(source, target))
                return ioError(QStringLiteral("Cannot copy"), source,
                    QStringLiteral("disk full or permission denied"));
        }
    }
    return {};
}

Result<void> Package::write(const QString &target, const Contents &contents)
{
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    const bool inPlace
        = isOpen() && QFileInfo(absoluteTarget) == QFileInfo(m_path) && QFileInfo(m_path).isDir();
    if (inPlace) {
        if (Result<void> written = writeInPlace(m_path, contents); !written)
            return written;
    } else {
        // A new package is built beside its final place and moved there whole, so
        // no half-made package ever carries the name.
        const QFileInfo targetInfo(absoluteTarget);
        const QString staging = targetInfo.path() + QStringLiteral("/.") + targetInfo.fileName()
            + QStringLiteral(".saving-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
        Result<void> written = prepareDirectoryStructure(staging);
        if (written && isOpen())
            written = copyImagesTo(staging);
        if (written)
            written = writeInPlace(staging, contents);
        QString replaced;
        if (written && targetInfo.exists()) {
            replaced = staging + QStringLiteral("-replaced");
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
        if (!written) {
            QDir(staging).removeRecursively();
            return written;
        }
        if (!replaced.isEmpty())
            QDir(replaced).removeRecursively();
        syncDirectory(targetInfo.path());
        m_path = absoluteTarget;
    }

    // The new catalogue is in place: files it no longer names may go now.
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        for (const QString &identifier : std::as_const(m_removedImages[size_t(kind)])) {
            if (!contents.images[size_t(kind)].contains(identifier))
                QFile::remove(absoluteImagePath(m_path, ElementImage(kind), identifier));
        }
        m_removedImages[size_t(kind)].clear();
    }
    for (const QString &identifier : std::as_const(m_removedIcons)) {
        if (!contents.icons.contains(identifier))
            QFile::remove(
                m_path + QLatin1Char('/') + IconsFolderName + QLatin1Char('/') + identifier);
    }
    m_removedIcons.clear();
    return {};
}

} // namespace vidarium
