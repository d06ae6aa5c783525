#include "document/document.h"

#include "document/folderscan.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/mediaelementcoding.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "model/settingkeys.h"
#include "platform/backgroundpool.h"
#include "platform/plist/keyedarchive.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QThreadPool>

#include "platform/mainthread.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vidarium {

namespace {

std::array<Document::LegacyReader, 3> &legacyReaders()
{
    static std::array<Document::LegacyReader, 3> readers;
    return readers;
}

QList<Document *> &documents()
{
    static QList<Document *> list;
    return list;
}

void registerCatalogueCoders()
{
    MediaElement::registerArchiveCoder();
    MediaUserField::registerArchiveCoder();
    MediaUserKeyword::registerArchiveCoder();
    DocumentDefaults::registerArchiveCoder();
    MediaLibrary::registerArchiveCoders();
}

QString localized(const QString &key)
{
    return Definitions::shared().localizedString(key);
}

// Elements of one stored dictionary ("Media", "Trash" or "Error"). Values that
// are not elements are dropped; an identifier that may not name a file, or that
// another element already has, is replaced (images are found by it, and each
// identifier lives in one dictionary only).
ElementDictionary elementsFromStored(
    const PlistValue &stored, const QString &label, QSet<QString> &taken)
{
    ElementDictionary elements;
    if (stored.type() != PlistValue::Type::Dictionary) {
        if (stored.isValid() && !stored.isNull())
            qWarning().noquote() << "Catalogue:" << label << "is not a dictionary; ignored";
        return elements;
    }
    const PlistDictionary &dictionary = stored.toDictionary();
    elements.reserve(dictionary.size());
    taken.reserve(taken.size() + dictionary.size());
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        auto element = std::dynamic_pointer_cast<MediaElement>(it.value().toObject());
        if (!element) {
            qWarning().noquote() << "Catalogue:" << label << "entry" << it.key()
                                 << "is not a media element; ignored";
            continue;
        }
        if (!MediaLibrary::isValidIdentifier(element->identifier())
            || taken.contains(element->identifier())) {
            const QString fresh = MediaLibrary::generateUUID();
            qWarning().noquote() << "Catalogue: element identifier"
                                 << element->identifier().left(80)
                                 << "cannot name a file or is taken; the element is now" << fresh;
            element->setIdentifier(fresh);
        }
        taken.insert(element->identifier());
        elements.insert(element->identifier(), element);
    }
    return elements;
}

template <typename T>
QHash<QString, std::shared_ptr<T>> objectsFromStored(const PlistValue &stored, const QString &label)
{
    QHash<QString, std::shared_ptr<T>> objects;
    for (const PlistValue &value : stored.toDictionary()) {
        auto object = std::dynamic_pointer_cast<T>(value.toObject());
        if (object && !object->identifier().isEmpty())
            objects.insert(object->identifier(), object);
        else
            qWarning().noquote() << "Catalogue: an entry of" << label << "is not a" << T::ClassName
                                 << "; ignored";
    }
    return objects;
}

template <typename T>
PlistDictionary archivedObjects(const QHash<QString, std::shared_ptr<T>> &objects)
{
    PlistDictionary dictionary;
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it)
        dictionary.insert(
            it.key(), PlistValue(std::static_pointer_cast<ArchivedObject>(it.value())));
    return dictionary;
}

// An element of a dictionary being put in key order. The first eight characters
// of the key ride along, so that most comparisons do not have to visit the keys,
// which lie all over memory in a large library.
struct SortedEntry
{
    std::array<quint64, 2> prefix;
    const QString *key;
    const MediaElementPtr *element;
};

std::array<quint64, 2> keyPrefix(const QString &key)
{
    // Shorter keys are padded with the smallest character, so prefixes order as the
    // keys do; equal prefixes fall back to the whole keys.
    std::array<quint64, 2> prefix {};
    for (qsizetype i = 0; i < 8; ++i)
        prefix[size_t(i / 4)]
            = prefix[size_t(i / 4)] << 16 | (i < key.size() ? key.at(i).unicode() : 0);
    return prefix;
}

// The elements in the order of their identifiers, as a sorted map would hold them:
// filled in that order, each placed at the end, a large library's map is built
// without searching for the place of every identifier.
std::vector<SortedEntry> sortedByKey(const ElementDictionary &dictionary)
{
    std::vector<SortedEntry> entries;
    entries.reserve(size_t(dictionary.size()));
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it)
        entries.push_back({ keyPrefix(it.key()), &it.key(), &it.value() });
    std::sort(entries.begin(), entries.end(), [](const SortedEntry &a, const SortedEntry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return std::lexicographical_compare(
            a.key->cbegin(), a.key->cend(), b.key->cbegin(), b.key->cend());
    });
    return entries;
}

QSet<QString> validExtensions()
{
    PlistValue formats = UserDefaults::standard().object(SettingKey::AllowableVideoFormats);
    if (formats.type() != PlistValue::Type::Array)
        formats
            = Definitions::shared().applicationDefaults().value(SettingKey::AllowableVideoFormats);
    QSet<QString> extensions;
    for (const PlistValue &format : formats.toArray()) {
        const PlistValue extension = format.value(QStringLiteral("Extension"));
        if (extension.type() == PlistValue::Type::String)
            extensions.insert(extension.toString().toLower());
    }
    return extensions;
}

FolderScan::Options scanOptions()
{
    return { validExtensions(),
        UserDefaults::standard().boolForKey(SettingKey::SearchFCPXPackages) };
}

} // namespace

void Document::setLegacyReader(LegacyFormat format, LegacyReader reader)
{
    legacyReaders()[size_t(format)] = std::move(reader);
}

Document::LegacyReader Document::legacyReader(LegacyFormat format)
{
    return legacyReaders()[size_t(format)];
}

Document::Document(QObject *parent)
    : QObject(parent)
{
    registerCatalogueCoders();
    m_defaults = std::make_shared<DocumentDefaults>();
    m_library = std::make_unique<MediaLibrary>(this);
    documents().append(this);
}

Document::~Document()
{
    documents().removeAll(this);
}

const QList<Document *> &Document::openDocuments()
{
    return documents();
}

Document *Document::documentWithIdentifier(const QString &libraryIdentifier)
{
    for (Document *document : documents()) {
        if (document->identifier() == libraryIdentifier)
            return document;
    }
    return nullptr;
}

void Document::setDefaults(std::shared_ptr<DocumentDefaults> defaults)
{
    if (defaults)
        m_defaults = std::move(defaults);
}

void Document::resetToNew()
{
    m_defaults = std::make_shared<DocumentDefaults>();
    m_library = std::make_unique<MediaLibrary>(this);
    m_package.close();
    m_filePath.clear();
    m_storedFormat = CurrentFormat;
    m_versionAlert = false;
    m_changeCount = 0;
}

void Document::adoptPackage(const QString &path)
{
    m_package.open(QFileInfo(path).absoluteFilePath());
    m_filePath = m_package.path();
}

QString Document::versionString()
{
    return QCoreApplication::applicationVersion().isEmpty()
        ? QStringLiteral(VIDARIUM_VERSION) + QStringLiteral(" (1)")
        : QCoreApplication::applicationVersion() + QStringLiteral(" (1)");
}

// --- Reading ---------------------------------------------------------------------------------

Result<void> Document::lockForWriting(const QString &path, LibraryLock::Wait wait)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {};
    const QString absolute = info.absoluteFilePath();
    if (m_lock.isHeld() && m_lock.packagePath() == absolute)
        return {};
    Result<LibraryLock> lock = LibraryLock::acquire(absolute, wait);
    if (!lock)
        return lock.error();
    m_lock = std::move(lock).value();
    Package::removeDebris(absolute);
    return {};
}

Result<void> Document::readFromPath(const QString &path)
{
    Result<void> read = readPackageOrFile(path);
    // The lock stays only on the package this document now reads images from.
    if (!read || !m_package.isOpen() || m_lock.packagePath() != m_package.path())
        m_lock.release();
    return read;
}

Result<void> Document::readPackageOrFile(const QString &path)
{
    m_recoverySuggestion.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return Error(
            Error::Code::NotFound, QStringLiteral("There is no library at “%1”.").arg(path));
    if (!info.isDir())
        return readLegacy(LegacyFormat::UsherExport, info.absoluteFilePath(), PlistValue());
    const QDir package(info.absoluteFilePath());
    if (package.exists(Package::LegacyCatalogueFileName))
        return readLegacy(LegacyFormat::LibraryV1, info.absoluteFilePath(), PlistValue());
    if (!package.exists(Package::CatalogueFileName))
        return Error(Error::Code::NotFound,
            QStringLiteral("“%1” holds no library catalogue.").arg(info.fileName()));

    Package reading;
    reading.open(info.absoluteFilePath());
    QString readError;
    const QByteArray data = reading.catalogueData(&readError);
    if (data.isEmpty())
        return Error(Error::Code::Io,
            QStringLiteral("The catalogue of “%1” cannot be read: %2")
                .arg(info.fileName(),
                    readError.isEmpty() ? QStringLiteral("it is empty") : readError));
    MediaElementDecodingContext elements;
    const Result<PlistValue> root
        = KeyedUnarchiver::unarchive(data, KeyedUnarchiver::rootKey, &elements);
    elements.applyPendingPaths();
    if (!root)
        return root.error().withContext(
            QStringLiteral("The catalogue of “%1” is damaged").arg(info.fileName()));
    if (root->type() != PlistValue::Type::Dictionary)
        return Error(Error::Code::Corrupt,
            QStringLiteral("The catalogue of “%1” is damaged: its root is %2, not a dictionary.")
                .arg(info.fileName(), PlistValue::typeName(root->type())));

    const PlistValue formatValue = root->value(QStringLiteral("Format"));
    const qint64 format = formatValue.isNumber() ? formatValue.toInteger() : 0;
    if (format > CurrentFormat) {
        const PlistValue minimum = root->value(QStringLiteral("MinimumVersion"));
        m_recoverySuggestion = localized(QStringLiteral("ReadDocumentNewerAlertInformativeText"))
            + (minimum.type() == PlistValue::Type::String ? minimum.toString() : QString())
            + QLatin1Char('.');
        return Error(Error::Code::Unsupported,
            localized(QStringLiteral("ReadDocumentNewerAlertMessageText")) + QLatin1Char('\n')
                + m_recoverySuggestion);
    }
    if (format < FirstCurrentLayoutFormat)
        return readLegacy(LegacyFormat::LibraryV2, info.absoluteFilePath(), *root);
    return readCurrentFormat(info.absoluteFilePath(), root->toDictionary(), int(format));
}

Result<void> Document::readLegacy(LegacyFormat format, const QString &path, const PlistValue &root)
{
    const LegacyReader &reader = legacyReaders()[size_t(format)];
    if (!reader) {
        static const char *const names[] = { "an Usher export", "a library of the oldest format",
            "a library of an older format" };
        return Error(Error::Code::Unsupported,
            QStringLiteral("“%1” is %2, which this program cannot read.")
                .arg(QFileInfo(path).fileName(), QLatin1String(names[int(format)])));
    }
    resetToNew();
    Result<void> result = reader(*this, path, root);
    if (!result)
        resetToNew();
    return result;
}

Result<void> Document::readCurrentFormat(
    const QString &path, const PlistDictionary &root, int format)
{
    auto library = std::make_unique<MediaLibrary>(this);
    std::shared_ptr<DocumentDefaults> defaults = std::dynamic_pointer_cast<DocumentDefaults>(
        root.value(QStringLiteral("Defaults")).toObject());
    if (!defaults) {
        qWarning().noquote() << "Catalogue: no library settings stored; using the first values";
        defaults = std::make_shared<DocumentDefaults>();
    }
    const PlistValue identifier = root.value(QStringLiteral("Identifier"));
    if (identifier.type() == PlistValue::Type::String && !identifier.toString().isEmpty())
        library->setIdentifier(identifier.toString());
    const PlistValue batch = root.value(QStringLiteral("Batch"));
    if (batch.type() == PlistValue::Type::String)
        library->setBatch(batch.toString());

    QSet<QString> taken;
    library->setMedia(
        elementsFromStored(root.value(QStringLiteral("Media")), QStringLiteral("Media"), taken));
    library->setTrash(
        elementsFromStored(root.value(QStringLiteral("Trash")), QStringLiteral("Trash"), taken));
    library->setError(
        elementsFromStored(root.value(QStringLiteral("Error")), QStringLiteral("Error"), taken));
    library->setUserFields(objectsFromStored<MediaUserField>(
        root.value(QStringLiteral("UserFields")), QStringLiteral("UserFields")));
    library->setUserKeywords(objectsFromStored<MediaUserKeyword>(
        root.value(QStringLiteral("UserKeywords")), QStringLiteral("UserKeywords")));

    // The library's built-in collections read the settings through this document.
    std::swap(m_defaults, defaults);
    std::swap(m_library, library);
    m_library->updateBuiltInPredicates();
    m_library->adoptStoredPlaylists(root.value(QStringLiteral("Playlists")));
    m_library->setSourceNodes(root.value(QStringLiteral("NodeTree")));
    m_library->synchronize();

    m_package.close();
    adoptPackage(path);
    m_versionAlert = format < CurrentFormat;
    m_storedFormat = format;
    m_changeCount = 0;
    emit changeCountChanged(m_changeCount);
    return {};
}

// --- Writing ---------------------------------------------------------------------------------

PlistDictionary Document::catalogueRoot() const
{
    const auto elements = [](const ElementDictionary &dictionary) {
        PlistDictionary archived;
        for (const SortedEntry &entry : sortedByKey(dictionary))
            archived.insert(archived.cend(), *entry.key,
                PlistValue(std::static_pointer_cast<ArchivedObject>(*entry.element)));
        return archived;
    };
    PlistDictionary root;
    root.insert(QStringLiteral("Format"), qint64(CurrentFormat));
    root.insert(QStringLiteral("Version"), versionString());
    root.insert(QStringLiteral("MinimumVersion"), MinimumVersion);
    root.insert(QStringLiteral("Defaults"),
        PlistValue(std::static_pointer_cast<ArchivedObject>(m_defaults)));
    root.insert(QStringLiteral("Identifier"), m_library->identifier());
    root.insert(QStringLiteral("Batch"), m_library->batch());
    root.insert(QStringLiteral("Media"), elements(m_library->media()));
    root.insert(QStringLiteral("Trash"), elements(m_library->trash()));
    root.insert(QStringLiteral("Error"), elements(m_library->error()));
    root.insert(QStringLiteral("Playlists"), m_library->archivedPlaylists());
    root.insert(QStringLiteral("UserFields"), archivedObjects(m_library->userFields()));
    root.insert(QStringLiteral("UserKeywords"), archivedObjects(m_library->userKeywords()));
    const PlistValue nodes = m_library->sourceNodes();
    root.insert(QStringLiteral("NodeTree"),
        nodes.type() == PlistValue::Type::Array ? nodes : PlistValue(PlistArray()));
    return root;
}

Result<void> Document::writeToPath(const QString &path)
{
    return write(path, Package::Replace::Allowed);
}

Result<void> Document::writeToNewPath(const QString &path)
{
    return write(path, Package::Replace::Never);
}

Result<void> Document::write(const QString &path, Package::Replace replace)
{
    if (path.isEmpty())
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("No place to save the library was given."));
    Package::Contents contents;
    {
        const MediaElement::ArchiveSharingScope sharing;
        contents.catalogue = KeyedArchiver::archivedData(PlistValue(catalogueRoot()));
    }
    if (contents.catalogue.isEmpty())
        return Error(Error::Code::Generic, QStringLiteral("The catalogue could not be archived."));
    const ImageStore &images = m_library->imageStore();
    for (int kind = 0; kind < ElementImageCount; ++kind)
        contents.images[size_t(kind)] = images.pendingImages(ElementImage(kind));
    contents.icons = images.pendingIcons();

    if (Result<void> written = m_package.write(path, contents, m_lock, replace); !written)
        return written.error().withContext(QStringLiteral("The library could not be saved"));

    // Only what was written leaves memory; the rest waits for the next save.
    m_library->imageStore().clearPending();
    m_filePath = m_package.path();
    m_storedFormat = CurrentFormat;
    updateChangeCount(Change::Cleared);
    return {};
}

Result<void> Document::save()
{
    if (m_filePath.isEmpty())
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("The library has never been saved; choose a place for it."));
    return writeToPath(m_filePath);
}

void Document::setFilePath(const QString &path)
{
    if (m_package.isOpen()) {
        m_package.relocate(QFileInfo(path).absoluteFilePath());
        // The lock file moved with the package.
        if (m_lock.isHeld())
            m_lock.setPackagePath(m_package.path());
    }
    m_filePath = path;
}

// --- Change count ------------------------------------------------------------------------------

void Document::updateChangeCount(Change change)
{
    const int before = m_changeCount;
    m_changeCount = change == Change::Done ? m_changeCount + 1 : 0;
    if (m_changeCount != before)
        emit changeCountChanged(m_changeCount);
}

// --- Importing ---------------------------------------------------------------------------------

struct Document::ImportRequest
{
    QStringList paths;
    std::function<void(const MediaElementList &)> done;
};

void Document::importMediaFiles(
    const QStringList &paths, std::function<void(const MediaElementList &)> done)
{
    m_importRequests.append(
        std::make_shared<ImportRequest>(ImportRequest { paths, std::move(done) }));
    if (!m_importing)
        startNextImport();
}

void Document::startNextImport()
{
    if (m_importRequests.isEmpty()) {
        m_importing = false;
        return;
    }
    m_importing = true;
    const std::shared_ptr<ImportRequest> request = m_importRequests.takeFirst();
    const FolderScan::Options options = scanOptions();
    // The elements are only read there (their files' identities); they come back
    // with the answer, to be released on the main thread that owns them.
    const MediaElementList existing = m_library->allElements();
    QPointer<Document> guard(this);
    backgroundPool().start([guard, request, options, existing] {
        const QStringList files = FolderScan::validImportFiles(request->paths, options);
        const MediaElementList made = MediaLibrary::makeElements(files, existing);
        postToMainThread([guard, request, existing, made] {
            if (!guard)
                return;
            guard->library().beginImport();
            guard->takeInMadeElements(request, made, 0);
        });
    });
}

void Document::takeInMadeElements(
    const std::shared_ptr<ImportRequest> &request, const MediaElementList &made, qsizetype from)
{
    // A slice per turn of the event loop: every list of the window takes in
    // what the library accepts, and a hundred thousand files at once would
    // hold the window for seconds.
    constexpr qsizetype slice = 2000;
    const MediaElementList accepted = m_library->queueMadeElements(made.mid(from, slice));
    if (request->done)
        request->done(accepted);
    if (from + slice >= made.size()) {
        startNextImport();
        return;
    }
    QPointer<Document> guard(this);
    postToMainThread([guard, request, made, from] {
        if (guard)
            guard->takeInMadeElements(request, made, from + slice);
    });
}

MediaElementList Document::importMediaFilesNow(const QStringList &paths)
{
    return m_library->queueElementsWithURLs(FolderScan::validImportFiles(paths, scanOptions()));
}

// --- Package images ----------------------------------------------------------------------------

QByteArray Document::packageImageData(ElementImage image, const QString &elementIdentifier) const
{
    return m_package.imageData(image, elementIdentifier);
}

std::function<QByteArray()> Document::packageImageReader(
    ElementImage image, const QString &elementIdentifier) const
{
    return m_package.imageReader(image, elementIdentifier);
}

QByteArray Document::packageIconData(const QString &playlistIdentifier) const
{
    return m_package.iconData(playlistIdentifier);
}

void Document::removePackageImage(ElementImage image, const QString &elementIdentifier)
{
    m_package.removeImage(image, elementIdentifier);
}

void Document::removePackageIcon(const QString &playlistIdentifier)
{
    m_package.removeIcon(playlistIdentifier);
}

} // namespace vidarium
