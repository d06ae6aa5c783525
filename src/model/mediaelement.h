#pragma once

// The record of one video file in one library: where the file is (path, volume,
// bookmark), what an import tool read from it, what the user added (rating,
// comments, keywords, field values), the import bookkeeping and the settings its
// images were made with. Every value is reachable by its property key; any other
// key is the identifier of a user field. Changes are announced through the
// owning library (MediaLibrary::elementValuesChanged), with the derived keys.
// Threads: owned and changed on the main thread. path and device (and
// imageMetrics, which import operations record) are guarded by a per-element
// lock and may be read and set from any thread; fileExists and resource may be
// asked on workers.

#include "model/elementkeys.h"
#include "model/elementstatus.h"
#include "model/imagekinds.h"
#include "model/keyvaluesource.h"
#include "platform/fileidentity.h"
#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

namespace vidarium {

class MediaLibrary;
class MediaElement;

using MediaElementPtr = std::shared_ptr<MediaElement>;
using MediaElementList = QList<MediaElementPtr>;

class MediaElement final : public ArchivedObject, public KeyValueSource
{
public:
    // initWithLibrary:path: owner and batch from the library, a new identifier,
    // device from the path, a bookmark made from the path. library may be null.
    static MediaElementPtr create(MediaLibrary *library, const QString &path);

    // Prefer create(). Without an identifier the element is a blank to be filled
    // from an archive, which then sets one.
    MediaElement(MediaLibrary *library, const QString &path, bool withIdentifier);
    ~MediaElement() override;
    MediaElement(const MediaElement &) = delete;
    MediaElement &operator=(const MediaElement &) = delete;

    static inline const QString ClassName = QStringLiteral("MediaElement");
    static inline const QString PasteboardType
        = QStringLiteral("com.tallowmere.vidarium.pasteboard.mediaelementtype");

    // --- Library back reference (not stored) ---------------------------------
    MediaLibrary *library() const;
    void setLibrary(MediaLibrary *library);

    // --- Stored properties ----------------------------------------------------
    const QString &owner() const { return m_owner; }
    void setOwner(const QString &owner);
    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier);
    int assets() const { return m_hot.assets; }
    void setAssets(int assets);
    const QString &tool() const { return m_tool; }
    void setTool(const QString &tool);
    const QString &batch() const { return m_batch; }
    void setBatch(const QString &batch);
    QString device() const;
    void setDevice(const QString &device);
    QString path() const;
    // setPath: computes device from the volume of the path (under the lock).
    void setPath(const QString &path);
    const QByteArray &bookmark() const { return m_bookmark; }
    void setBookmark(const QByteArray &bookmark);
    const QString &checksum() const { return m_checksum; }
    void setChecksum(const QString &checksum);
    qint64 size() const { return m_hot.size; }
    void setSize(qint64 size);
    double duration() const { return m_hot.duration; }
    void setDuration(double seconds);
    qint64 pixelsWide() const { return m_hot.pixelsWide; }
    void setPixelsWide(qint64 pixels);
    qint64 pixelsHigh() const { return m_hot.pixelsHigh; }
    void setPixelsHigh(qint64 pixels);
    double frameRate() const { return m_hot.frameRate; }
    void setFrameRate(double framesPerSecond);
    const QString &videoCodec() const { return m_videoCodec; }
    void setVideoCodec(const QString &codec);
    const QString &audioCodec() const { return m_audioCodec; }
    void setAudioCodec(const QString &codec);
    PlistDate creationDate() const { return m_creationDate; }
    void setCreationDate(PlistDate date);
    PlistDate modifiedDate() const { return m_modifiedDate; }
    void setModifiedDate(PlistDate date);
    PlistDate importedDate() const { return m_hot.importedDate; }
    void setImportedDate(PlistDate date);
    // Nothing means never played (stored as the null marker).
    std::optional<PlistDate> launchedDate() const;
    void setLaunchedDate(std::optional<PlistDate> date);
    qint64 playCount() const { return m_hot.playCount; }
    void setPlayCount(qint64 count);
    int rating() const { return m_hot.rating; }
    void setRating(int rating);
    PlistDictionary imageMetrics() const;
    void setImageMetrics(const PlistDictionary &metrics);
    // Records the given entries, keeping the other keys (each image kind writes its own).
    void mergeImageMetrics(const PlistDictionary &entries);
    const QString &userComments() const { return m_hot.userComments; }
    void setUserComments(const QString &comments);
    // Keyword identifiers, each at most once, in the order added.
    const QStringList &userKeywords() const { return m_hot.userKeywords; }
    void setUserKeywords(const QStringList &identifiers);
    // Field identifier to value (as text).
    const PlistDictionary &userFields() const { return m_hot.userFields; }
    void setUserFields(const PlistDictionary &fields);
    bool error() const { return m_hot.error; }
    void setError(bool error);

    // --- Key-value access -------------------------------------------------------
    // Any property, stored or derived, by key; a key that is no property is a user
    // field (valueForUndefinedKey). Invalid for derived keys this platform lacks.
    PlistValue valueForKey(const QString &key) const override;
    PlistValue valueForKey(ElementKey key) const;
    PlistValue valueForPreparedKey(const PreparedKey &key) const override;
    std::optional<bool> testText(const PreparedKey &key, const StringTest &test) const override;
    // "userKeywordObjects.name" gives the names of the element's keywords that the
    // library knows; other paths follow the key's value.
    PlistValue valueForKeyPath(const QString &keyPath) const override;
    // FUNCTION(SELF, 'arrayValueForUndefinedKey:', field): the split field values.
    PlistValue callFunction(const QString &selector, const PlistArray &arguments) const override;
    // Sets a stored property, converting numbers and text as the property needs;
    // "name" renames the file; a key that is no property sets a user field. A value
    // of a kind the property cannot take is refused (false) and nothing changes.
    bool setValueForKey(const PlistValue &value, const QString &key);
    // The field's value, or " " when the element has none.
    PlistValue valueForUndefinedKey(const QString &key) const;
    // An absent value removes the entry.
    void setValueForUndefinedKey(const PlistValue &value, const QString &key);
    // The field's text cut at every "," with spaces and tabs trimmed from each piece.
    QStringList arrayValueForUndefinedKey(const QString &key) const;

    // --- Derived values --------------------------------------------------------
    QString name() const;
    // Renames the file on disk (a change of case goes through a temporary name).
    // Reports nothing: a failed move leaves the file and path as they were.
    void setName(const QString &name);
    QString extension() const;
    QString parentFolder() const;
    QString parentFolderPath() const;
    QString resolution() const;
    QString aspectRatio() const;
    QString roundedFrameRate() const;
    // Size, duration, resolution, aspect ratio and frame rate in their display forms.
    QString summary() const;
    ElementStatus status() const;
    // Whether the file is at path, or the bookmark still finds it elsewhere. Asks
    // only: the path stays as it is (see followMovedFile()).
    bool fileExists() const;
    // Whether the file is at path; when it is not but the bookmark finds it
    // elsewhere, the path follows it there (announced as any change of path).
    bool followMovedFile();
    QStringList userKeywordNames() const;
    bool userKeywordsExist() const { return !m_hot.userKeywords.isEmpty(); }
    // The identity of the file the bookmark finds; nothing when it does not resolve.
    std::optional<FileIdentity> resource() const;

    // --- Assets and image settings -----------------------------------------------
    void addKeywordWithIdentifier(const QString &identifier);
    void removeKeywordWithIdentifier(const QString &identifier);
    void addAssets(int flags);
    void removeAssets(int flags);
    bool containsAssets(int flags) const { return (m_hot.assets & flags) == flags; }
    bool requiresAssets(int flags) const { return (m_hot.assets & flags) == 0; }
    bool conformsToThumbnailMetrics(const PlistDictionary &settings) const;
    bool conformsToStoryboardMetrics(const PlistDictionary &settings) const;
    bool conformsToFilmstripMetrics(const PlistDictionary &settings) const;
    static int bitfieldForStoryboardMetrics(const PlistDictionary &metrics);
    static int bitfieldForFilmstripMetrics(const PlistDictionary &metrics);

    // --- Archive coding and the pasteboard -------------------------------------
    QString className() const override { return ClassName; }
    QStringList classChain() const override;
    void encode(ArchiveEncoder &encoder) const override;
    // Registered with the archive coder registry under "MediaElement" (idempotent).
    static void registerArchiveCoder();
    // The element as a keyed archive whose root is the element.
    QByteArray pasteboardData() const;
    // A new element with the same identifier and values and no library.
    static Result<MediaElementPtr> fromPasteboardData(const QByteArray &data);

    // While one is alive on a thread, the elements archived there store equal image
    // settings, and the empty keyword set and field dictionary, once for all of
    // them: a catalogue repeats these in nearly every element, and sharing them
    // makes the catalogue smaller, faster to write and read, and smaller in memory
    // once read (every element then holds the same decoded value).
    class ArchiveSharingScope
    {
    public:
        ArchiveSharingScope();
        ~ArchiveSharingScope();
        ArchiveSharingScope(const ArchiveSharingScope &) = delete;
        ArchiveSharingScope &operator=(const ArchiveSharingScope &) = delete;

    private:
        bool m_outermost = false; // nested scopes use the outermost one's values
    };

    // A dictionary of the stored properties, for logging.
    PlistDictionary description() const;

    // Ask the processor to fetch what criteria read most: loops over many elements
    // call prefetch() for an element some places ahead of the one they test, and
    // prefetchValues() (which reads the element itself) when it is nearer.
    void prefetch() const;
    void prefetchValues() const;

private:
    friend class MediaElementDecoding;
    void didChange(ElementKey key);
    void setPathLocked(const QString &path); // m_hot.mutex held
    // Sets a stored property from a value of the kind it takes; false otherwise.
    bool assignStored(ElementKey key, const PlistValue &value);
    PlistValue derivedValue(ElementKey key) const;
    QByteArray imageData(ElementImage image) const;
    bool followMovedFileOnRead() const;

    // The values criteria and searches read most, together and first, so that
    // testing an element fetches few cache lines (see prefetch()). Anything added
    // here costs every criterion a share of a cache line: the size is asserted.
    struct HotFields
    {
        mutable QMutex mutex;
        // Cut from the path whenever it is set: criteria and searches read the name
        // of every element, and cutting it on each request cost an allocation each time.
        QString name; // guarded by mutex
        std::atomic<const QChar *> nameText = nullptr; // name's characters, for prefetchValues()
        QString userComments;
        PlistDictionary userFields;
        qint64 size = 0;
        double duration = 0;
        int rating = 0;
        int assets = 0;
        QStringList userKeywords;
        qint64 playCount = 0;
        PlistDate importedDate;
        PlistDate launchedDate;
        qint64 pixelsWide = 0;
        qint64 pixelsHigh = 0;
        double frameRate = 0;
        bool hasLaunchedDate = false;
        bool error = false;
    };
    static_assert(sizeof(HotFields) == 176,
        "the fields criteria read most must stay within three cache lines");
    HotFields m_hot;
    PlistDate m_creationDate;
    PlistDate m_modifiedDate;
    QPointer<MediaLibrary> m_library;
    QString m_owner;
    QString m_identifier;
    QString m_tool;
    QString m_batch;
    QString m_device; // guarded by m_hot.mutex
    QString m_path; // guarded by m_hot.mutex
    QString m_extension; // guarded by m_hot.mutex
    QByteArray m_bookmark;
    QString m_checksum;
    QString m_videoCodec;
    QString m_audioCodec;
    PlistDictionary m_imageMetrics; // guarded by m_hot.mutex
};

} // namespace vidarium
