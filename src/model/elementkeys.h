#pragma once

// The property keys of a media element, as an enum for fast dispatch and as the
// strings that address them everywhere else (definitions, predicates, columns,
// notifications). Also the key lists that drive archive coding and the keys a
// change of one key implies.
// Threads: pure functions over constant tables; safe from any thread.

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace vidarium {

enum class ElementKey : quint8 {
    // Stored, in archive order.
    Owner,
    Identifier,
    Assets,
    Tool,
    Batch,
    Device,
    Path,
    Bookmark,
    Checksum,
    Size,
    Duration,
    PixelsWide,
    PixelsHigh,
    FrameRate,
    VideoCodec,
    AudioCodec,
    CreationDate,
    ModifiedDate,
    ImportedDate,
    LaunchedDate,
    PlayCount,
    Rating,
    ImageMetrics,
    UserComments,
    UserKeywords,
    UserFields,
    Error,
    // Derived, read only.
    Name,
    Extension,
    ParentFolder,
    ParentFolderPath,
    Resolution,
    AspectRatio,
    RoundedFrameRate,
    Summary,
    Status,
    FileExists,
    UserKeywordObjects,
    UserKeywordsExist,
    Resource,
    Handlers,
    PosterData,
    ThumbnailData,
    StoryboardData,
    FilmstripData,
};

namespace ElementKeys {

// The key's name ("pixelsWide").
QString name(ElementKey key);
// The key named so, or nothing when the name is not an element property (then it
// is the identifier of a user field).
std::optional<ElementKey> fromName(const QString &name);
bool isStored(ElementKey key);

// Archive coding lists, in the order written and read.
const QStringList &staticKeys();
const QStringList &collectionKeys();
const QStringList &boolKeys();

// The key itself plus every derived key whose value follows from it ("path" also
// changes "name", "device", "parentFolder", "status", ...).
QSet<QString> affectedKeys(const QString &key);

} // namespace ElementKeys

} // namespace vidarium
