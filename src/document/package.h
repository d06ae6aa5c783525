#pragma once

// A library package on disk: the catalogue file and the five image folders, the
// element images sharded into 16 x 16 leaf folders by the first two characters
// of the identifier. Images are read only when asked for; removals wait for the
// next write. A write puts every image in place first and then replaces the
// catalogue atomically, so an interrupted save leaves the old catalogue or the
// new one, never neither. Nothing in a package is trusted: its files and
// folders are reached without following links (PackageFolder), and a save
// that fails takes back the image files it had added.
// Threads: one owner (the document, on the main thread).

#include "document/librarylock.h"
#include "model/imagekinds.h"
#include "platform/result.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace vidarium {

class PackageFolder;

class Package
{
public:
    static inline const QString CatalogueFileName
        = QStringLiteral("com.tallowmere.vidarium.collection.plist");
    static inline const QString LegacyCatalogueFileName
        = QStringLiteral("com.tallowmere.vidarium.library.plist");
    static inline const QString IconsFolderName = QStringLiteral("Icons");

    // "Posters", "Thumbnails", "Storyboards", "Filmstrips".
    static QString folderName(ElementImage image);
    // "Thumbnails/3/F/3F2504E0-..." relative to the package; empty for an
    // identifier that may not name a file (see isSafeFileName).
    static QString relativeImagePath(ElementImage image, const QString &elementIdentifier);
    // Identifiers name files inside the package, so only the 36-character
    // upper-case UUID form is accepted: nothing else can reach outside a leaf folder.
    static bool isSafeFileName(const QString &identifier);

    bool isOpen() const { return !m_path.isEmpty(); }
    const QString &path() const { return m_path; }
    // Takes the package at path as the one images are read from (nothing is read yet).
    void open(const QString &path);
    // The package was moved: images are read from its new place, and removals
    // still wait for the next write.
    void relocate(const QString &path) { m_path = path; }
    void close();

    QByteArray catalogueData(QString *errorMessage = nullptr) const;
    QByteArray imageData(ElementImage image, const QString &elementIdentifier) const;
    // A function reading that image from the package where it is now, for a
    // worker thread: it holds copies, never this package.
    std::function<QByteArray()> imageReader(
        ElementImage image, const QString &elementIdentifier) const;
    QByteArray iconData(const QString &playlistIdentifier) const;
    bool hasImage(ElementImage image, const QString &elementIdentifier) const;
    void removeImage(ElementImage image, const QString &elementIdentifier);
    void removeIcon(const QString &playlistIdentifier);

    // What one save writes.
    struct Contents
    {
        QByteArray catalogue;
        std::array<QHash<QString, QByteArray>, ElementImageCount> images; // by identifier
        QHash<QString, QByteArray> icons; // by collection identifier
    };
    enum class Replace {
        Allowed, // Save As over another package (the panel asked the user)
        Never, // a new library: whatever appeared at the name meanwhile is kept
    };
    // Writes the package at target (this package, or a new location that receives
    // a copy of every image this package still holds). lock is the caller's hold
    // on this package: a save in place takes it when not held, a save elsewhere
    // replaces it with the hold on the new package. On success the package is
    // open at target and pending removals are done.
    Result<void> write(
        const QString &target, const Contents &contents, LibraryLock &lock, Replace replace);

    // Removes what interrupted saves of earlier processes left: staging folders
    // beside the package that nobody holds, and temporary files inside it. The
    // caller holds the package's lock.
    static void removeDebris(const QString &packagePath);

private:
    Result<void> writeElsewhere(
        const QString &target, const Contents &contents, LibraryLock &lock, Replace replace);
    Result<void> copyImagesTo(const PackageFolder &root) const;
    void removeUnusedFiles(const Contents &contents);

    QString m_path;
    std::array<QSet<QString>, ElementImageCount> m_removedImages;
    QSet<QString> m_removedIcons;
};

} // namespace vidarium
