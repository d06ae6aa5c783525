#pragma once

// One open library: its settings and catalogue, the package it was read from
// (images are read from it only when asked for), reading and writing that
// package, importing files and folders, and the change mark. Older libraries
// and Usher exports are read by readers registered through setLegacyReader.
// Threads: main thread. The folder scan of importMediaFiles runs on a worker
// and touches no model object.

#include "document/package.h"
#include "model/medialibrary.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vidarium {

class DocumentDefaults;

class Document : public QObject, public MediaLibraryHost
{
    Q_OBJECT
public:
    // The formats this reader knows: older ones are handed to registered readers.
    static constexpr int CurrentFormat = 10;
    static constexpr int FirstCurrentLayoutFormat = 5;
    static inline const QString MinimumVersion = QStringLiteral("3.5");
    static inline const QString ErrorDomain = QStringLiteral("com.tallowmere.vidarium");
    static inline const QString PackageExtension = QStringLiteral("vidarium");

    // The older formats, each read by a reader the side-format code registers.
    enum class LegacyFormat {
        UsherExport, // a plain file: a CSV export of Usher
        LibraryV1, // a package holding "com.tallowmere.vidarium.library.plist"
        LibraryV2, // a catalogue file with "Format" absent or 0 to 4
    };
    // Fills the document's defaults and library (and, for V2, may keep the package
    // and set versionAlert). path is the file or package; root is the unarchived
    // catalogue for V2 and Invalid otherwise.
    using LegacyReader = std::function<Result<void>(
        Document &document, const QString &path, const PlistValue &root)>;
    static void setLegacyReader(LegacyFormat format, LegacyReader reader);
    static LegacyReader legacyReader(LegacyFormat format);

    // init: new settings, a new library, no package.
    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    // Every open document, for finding one by its library identifier.
    static const QList<Document *> &openDocuments();
    static Document *documentWithIdentifier(const QString &libraryIdentifier);

    // --- Reading and writing -------------------------------------------------------
    // readFromFileWrapper: a package, an older package or an Usher export. On
    // failure the document is left as new; the error explains, and for a newer
    // format recoverySuggestion() names the version needed.
    Result<void> readFromPath(const QString &path);
    // Takes the lock of the package at path for this document, to be called before
    // reading a library it is going to change: no other program may save the
    // library until this document is closed or reads another. Nothing to lock
    // (Error::Code::Busy when another program holds it) for a path that is not a package.
    Result<void> lockForWriting(const QString &path, LibraryLock::Wait wait);
    bool holdsLock() const { return m_lock.isHeld(); }
    // On closing: the library is free for the next writer at once, even while
    // this object still waits to be deleted.
    void releaseLock() { m_lock.release(); }
    QString recoverySuggestion() const { return m_recoverySuggestion; }
    // Writes the package at path (the current package, or a new location: Save As).
    // The catalogue file is replaced atomically after every image is in place; a
    // failure leaves the old package readable and the document with its changes.
    // A save takes the package's lock when the document does not hold it yet, and
    // keeps it.
    Result<void> writeToPath(const QString &path);
    // The same for a library that must be new: fails, and keeps whatever is
    // there, when anything has the name by the time the package is moved in.
    Result<void> writeToNewPath(const QString &path);
    // Writes to the package last read or written.
    Result<void> save();
    QString filePath() const { return m_filePath; }
    // setFileURL: records a new location; later image reads follow it.
    void setFilePath(const QString &path);
    bool hasPackage() const { return m_package.isOpen(); }
    // Keeps the package at path as the one images are read from and saves go to
    // (the reader of the second older format keeps the package it read).
    void adoptPackage(const QString &path);
    const Package &package() const { return m_package; }

    // Builds the catalogue's root dictionary as a save writes it.
    PlistDictionary catalogueRoot() const;
    // versionString: "0.1.0 (1)".
    static QString versionString();

    // --- Model ---------------------------------------------------------------------
    MediaLibrary &library() { return *m_library; }
    const MediaLibrary &library() const { return *m_library; }
    const QString &identifier() const { return m_library->identifier(); }
    DocumentDefaults &defaults() { return *m_defaults; }
    const DocumentDefaults &defaults() const { return *m_defaults; }
    void setDefaults(std::shared_ptr<DocumentDefaults> defaults);
    bool versionAlert() const { return m_versionAlert; }
    // The catalogue format the package was read in; the current one for a new library.
    int storedFormat() const { return m_storedFormat; }
    void setStoredFormat(int format) { m_storedFormat = format; }
    void setVersionAlert() { m_versionAlert = true; }

    // --- Change count --------------------------------------------------------------
    enum class Change { Done, Cleared };
    void updateChangeCount(Change change);
    bool isDocumentEdited() const { return m_changeCount != 0; }
    int changeCount() const { return m_changeCount; }

    // --- Importing -----------------------------------------------------------------
    // Scans the paths, stats the files and makes the elements on a worker and,
    // back on the main thread, queues them a slice per turn of the event loop;
    // done receives each slice's new elements (the dispatcher's hand-over
    // point), at least once. Imports asked for meanwhile wait their turn, so
    // that none catalogues a file another is taking in.
    void importMediaFiles(
        const QStringList &paths, std::function<void(const MediaElementList &elements)> done = {});
    // The same, synchronously.
    MediaElementList importMediaFilesNow(const QStringList &paths);

    // --- Package images (MediaLibraryHost) ------------------------------------------
    const DocumentDefaults *libraryDefaults() const override { return m_defaults.get(); }
    QByteArray packageImageData(
        ElementImage image, const QString &elementIdentifier) const override;
    std::function<QByteArray()> packageImageReader(
        ElementImage image, const QString &elementIdentifier) const override;
    QByteArray packageIconData(const QString &playlistIdentifier) const override;
    void removePackageImage(ElementImage image, const QString &elementIdentifier) override;
    void removePackageIcon(const QString &playlistIdentifier) override;
    void libraryDidChange() override { updateChangeCount(Change::Done); }

signals:
    void changeCountChanged(int changeCount);

private:
    Result<void> readCurrentFormat(const QString &path, const PlistDictionary &root, int format);
    Result<void> readLegacy(LegacyFormat format, const QString &path, const PlistValue &root);
    Result<void> readPackageOrFile(const QString &path);
    Result<void> write(const QString &path, Package::Replace replace);
    void resetToNew();
    struct ImportRequest;
    void startNextImport();
    void takeInMadeElements(const std::shared_ptr<ImportRequest> &request,
        const MediaElementList &made, qsizetype from);

    std::shared_ptr<DocumentDefaults> m_defaults;
    std::unique_ptr<MediaLibrary> m_library;
    Package m_package;
    LibraryLock m_lock; // on m_package once this document may save it
    QString m_filePath;
    QString m_recoverySuggestion;
    int m_changeCount = 0;
    int m_storedFormat = CurrentFormat;
    bool m_versionAlert = false;
    QList<std::shared_ptr<ImportRequest>> m_importRequests;
    bool m_importing = false;
};

} // namespace vidarium
