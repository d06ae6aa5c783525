#include "platform/bookmark.h"

#include "platform/filepath.h"
#include "platform/importedbookmark.h"
#include "platform/volumetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QtEndian>

#include <dirent.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace vidarium {

namespace {

// Layout: "VDBK", u16 version, u16 field count, then per field u16 tag,
// u32 length and the bytes; little-endian. Readers skip tags they do not know,
// so later versions can add fields.
constexpr char Magic[4] = { 'V', 'D', 'B', 'K' };
constexpr quint16 FormatVersion = 1;
constexpr qsizetype MaximumSize = 64 * 1024;

enum Tag : quint16 {
    TagPath = 1,
    TagDevice = 2,
    TagInode = 3,
    TagSize = 4,
    TagModified = 5, // nanoseconds since 1970
    TagMountPoint = 6,
    TagVolumeUuid = 7,
    TagVolumeLabel = 8,
    TagIsFolder = 9,
};

// Limits of the search for a moved file: the folders near its old place and
// no more, so a missing file never costs a walk of the disk.
constexpr int MaximumFoldersSearched = 64;
constexpr int MaximumEntriesPerFolder = 20000;

struct Record
{
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    qint64 modified = 0;
    QString mountPoint;
    QString volumeUuid;
    QString volumeLabel;
    bool isFolder = false;
};

void appendField(QByteArray &out, quint16 tag, const QByteArray &bytes)
{
    char header[6];
    qToLittleEndian<quint16>(tag, header);
    qToLittleEndian<quint32>(quint32(bytes.size()), header + 2);
    out.append(header, 6);
    out.append(bytes);
}

QByteArray number(quint64 value)
{
    char bytes[8];
    qToLittleEndian<quint64>(value, bytes);
    return QByteArray(bytes, 8);
}

QByteArray encode(const Record &record)
{
    QByteArray fields;
    int count = 0;
    auto add = [&](quint16 tag, const QByteArray &bytes) {
        appendField(fields, tag, bytes);
        ++count;
    };
    add(TagPath, encodePath(record.path));
    add(TagDevice, number(record.device));
    add(TagInode, number(record.inode));
    add(TagSize, number(record.size));
    add(TagModified, number(quint64(record.modified)));
    if (!record.mountPoint.isEmpty())
        add(TagMountPoint, record.mountPoint.toUtf8());
    if (!record.volumeUuid.isEmpty())
        add(TagVolumeUuid, record.volumeUuid.toUtf8());
    if (!record.volumeLabel.isEmpty())
        add(TagVolumeLabel, record.volumeLabel.toUtf8());
    if (record.isFolder)
        add(TagIsFolder, QByteArray(1, '\1'));

    QByteArray out(Magic, 4);
    char header[4];
    qToLittleEndian<quint16>(FormatVersion, header);
    qToLittleEndian<quint16>(quint16(count), header + 2);
    out.append(header, 4);
    out.append(fields);
    return out;
}

std::optional<Record> decode(const QByteArray &data)
{
    if (data.size() < 8 || data.size() > MaximumSize
        || std::memcmp(data.constData(), Magic, 4) != 0)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint16 version = qFromLittleEndian<quint16>(bytes + 4);
    const quint16 count = qFromLittleEndian<quint16>(bytes + 6);
    if (version < 1)
        return std::nullopt;
    Record record;
    bool hasPath = false;
    qsizetype offset = 8;
    for (quint16 i = 0; i < count; ++i) {
        if (data.size() - offset < 6)
            return std::nullopt;
        const quint16 tag = qFromLittleEndian<quint16>(bytes + offset);
        const quint32 length = qFromLittleEndian<quint32>(bytes + offset + 2);
        offset += 6;
        if (quint64(length) > quint64(data.size() - offset))
            return std::nullopt;
        const QByteArray value = data.mid(offset, length);
        offset += length;
        auto asNumber = [&](quint64 &target) {
            if (value.size() != 8)
                return false;
            target = qFromLittleEndian<quint64>(value.constData());
            return true;
        };
        quint64 modified = 0;
        switch (tag) {
        case TagPath:
            record.path = decodePath(value);
            hasPath = true;
            break;
        case TagDevice:
            if (!asNumber(record.device))
                return std::nullopt;
            break;
        case TagInode:
            if (!asNumber(record.inode))
                return std::nullopt;
            break;
        case TagSize:
            if (!asNumber(record.size))
                return std::nullopt;
            break;
        case TagModified:
            if (!asNumber(modified))
                return std::nullopt;
            record.modified = qint64(modified);
            break;
        case TagMountPoint:
            record.mountPoint = QString::fromUtf8(value);
            break;
        case TagVolumeUuid:
            record.volumeUuid = QString::fromUtf8(value);
            break;
        case TagVolumeLabel:
            record.volumeLabel = QString::fromUtf8(value);
            break;
        case TagIsFolder:
            record.isFolder = value == QByteArray(1, '\1');
            break;
        default:
            break;
        }
    }
    if (!hasPath || !record.path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    return record;
}

qint64 modifiedNanoseconds(const struct stat &info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool statPath(const QString &path, struct stat *info)
{
    return ::stat(encodePath(path).constData(), info) == 0;
}

// Same inode is not enough: inode numbers are reused after a delete, and some
// file systems (FAT, exFAT) make them up at mount time. A renamed file keeps
// its size and modification time; we ask for one of the two to agree.
bool isSameFile(const Record &record, const struct stat &info, quint64 device)
{
    if (quint64(info.st_ino) != record.inode || quint64(info.st_dev) != device)
        return false;
    if (S_ISDIR(info.st_mode) != record.isFolder)
        return false;
    if (record.isFolder)
        return true;
    return quint64(info.st_size) == record.size || modifiedNanoseconds(info) == record.modified;
}

// What a search needs of one folder: its entries by inode and its subfolders.
// Validation resolves a whole library in one burst, and files missing from one
// place share the folders searched, so listings are kept for a moment per
// thread. A listing is reused only while the folder's change time is the one
// it was read at, so a file renamed or moved since is never missed; every
// candidate is still checked against the disk before it is believed.
struct FolderListing
{
    std::chrono::steady_clock::time_point readAt;
    qint64 folderChanged = -1; // the folder's change time when listed, in nanoseconds
    QHash<quint64, QString> namesByInode;
    QStringList subfolders; // full paths, hidden ones left out
};

constexpr auto ListingLifetime = std::chrono::seconds(2);
constexpr int MaximumCachedListings = 512;

qint64 folderChangeTime(const QString &folder)
{
    struct stat info
    {
    };
    if (::stat(encodePath(folder).constData(), &info) != 0)
        return -1;
    return qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

std::shared_ptr<const FolderListing> readListing(const QString &folder, qint64 changed)
{
    auto listing = std::make_shared<FolderListing>();
    listing->readAt = std::chrono::steady_clock::now();
    listing->folderChanged = changed;
    const QByteArray encoded = encodePath(folder);
    std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(encoded.constData()), &::closedir);
    if (!dir)
        return listing;
    const QString prefix = folder == QLatin1String("/") ? folder : folder + QLatin1Char('/');
    int seen = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (++seen > MaximumEntriesPerFolder)
            break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        const QString name = decodePath(QByteArray(entry->d_name));
        listing->namesByInode.insert(quint64(entry->d_ino), name); // a hard link: any name will do
        if (entry->d_name[0] == '.' || listing->subfolders.size() >= MaximumFoldersSearched)
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info
            {
            };
            isFolder = ::lstat(encodePath(prefix + name).constData(), &info) == 0
                && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            listing->subfolders.append(prefix + name);
    }
    return listing;
}

std::shared_ptr<const FolderListing> listing(const QString &folder)
{
    thread_local QHash<QString, std::shared_ptr<const FolderListing>> cache;
    const auto now = std::chrono::steady_clock::now();
    const qint64 changed = folderChangeTime(folder);
    if (auto it = cache.constFind(folder); it != cache.cend()
        && now - (*it)->readAt < ListingLifetime && changed != -1
        && (*it)->folderChanged == changed)
        return *it;
    if (cache.size() >= MaximumCachedListings)
        cache.clear();
    auto fresh = readListing(folder, changed);
    cache.insert(folder, fresh);
    return fresh;
}

std::optional<QString> findInFolder(const QString &folder, const Record &record, quint64 device)
{
    const auto entries = listing(folder);
    const auto it = entries->namesByInode.constFind(record.inode);
    if (it == entries->namesByInode.cend())
        return std::nullopt;
    const QString candidate
        = (folder == QLatin1String("/") ? folder : folder + QLatin1Char('/')) + *it;
    struct stat info
    {
    };
    if (statPath(candidate, &info) && isSameFile(record, info, device))
        return candidate;
    return std::nullopt;
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The renamed file in its own folder; a file moved into one of that folder's
// subfolders, up into its parent, or across into a sibling of its folder
// (which also finds files whose folder was renamed).
std::optional<QString> searchNear(const QString &path, const Record &record, quint64 device)
{
    const QString folder = parentOf(path);
    if (auto found = findInFolder(folder, record, device))
        return found;
    int budget = MaximumFoldersSearched;
    for (const QString &child : listing(folder)->subfolders) {
        if (--budget < 0)
            return std::nullopt;
        if (auto found = findInFolder(child, record, device))
            return found;
    }
    if (folder == QLatin1String("/"))
        return std::nullopt;
    const QString parent = parentOf(folder);
    if (auto found = findInFolder(parent, record, device))
        return found;
    for (const QString &sibling : listing(parent)->subfolders) {
        if (sibling == folder)
            continue;
        if (--budget < 0)
            return std::nullopt;
        if (auto found = findInFolder(sibling, record, device))
            return found;
    }
    return std::nullopt;
}

// The volume the file was on, wherever it is mounted now.
const VolumeInfo *currentVolume(const VolumeTable &table, const Record &record)
{
    if (!record.volumeUuid.isEmpty())
        return table.volumeForUuid(record.volumeUuid);
    if (!record.volumeLabel.isEmpty())
        return table.volumeForLabel(record.volumeLabel);
    // Without UUID or label a device number only means something while the
    // volume stays mounted where it was.
    const VolumeInfo *volume = table.volumeForDevice(record.device, record.path);
    if (volume && volume->mountPoint == record.mountPoint && !volume->isAutomountTrigger())
        return volume;
    return nullptr;
}

} // namespace

QByteArray Bookmark::create(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat info
    {
    };
    if (!statPath(absolute, &info))
        return {};
    Record record;
    record.path = absolute;
    record.device = quint64(info.st_dev);
    record.inode = quint64(info.st_ino);
    record.size = quint64(info.st_size);
    record.modified = modifiedNanoseconds(info);
    record.isFolder = S_ISDIR(info.st_mode);
    const auto table = VolumeTable::current();
    if (const VolumeInfo *volume = table->volumeForDevice(record.device, absolute)) {
        record.mountPoint = volume->mountPoint;
        record.volumeUuid = volume->uuid;
        record.volumeLabel = volume->label;
    }
    return encode(record);
}

std::optional<Bookmark::Resolution> Bookmark::resolve(const QByteArray &bookmark)
{
    if (ImportedBookmark::looksLikeOne(bookmark)) {
        const std::optional<ImportedBookmark> imported = ImportedBookmark::parse(bookmark);
        if (!imported)
            return std::nullopt;
        const std::optional<QString> located = imported->locate();
        if (!located)
            return std::nullopt;
        return Resolution { *located, *located != imported->path };
    }
    const std::optional<Record> record = decode(bookmark);
    if (!record)
        return std::nullopt;
    const auto table = VolumeTable::current();

    // Where the path would be now: on a volume that came back under another
    // mount point, the same place relative to its root.
    QString path = record->path;
    quint64 device = record->device;
    const VolumeInfo *volume = currentVolume(*table, *record);
    if (volume) {
        device = volume->deviceId;
        const QString &oldRoot = record->mountPoint;
        if (!oldRoot.isEmpty() && volume->mountPoint != oldRoot && oldRoot != QLatin1String("/")
            && path.startsWith(oldRoot + QLatin1Char('/')))
            path = volume->mountPoint + path.mid(oldRoot.size());
    }

    const VolumeInfo *holder = table->volumeForPath(path);
    if (holder && holder->isAutomountTrigger())
        return std::nullopt;

    struct stat info
    {
    };
    const bool exists = statPath(path, &info);
    if (exists && isSameFile(*record, info, device))
        return Resolution { path, path != record->path };
    // The device numbers changed (another machine, a drive plugged in again):
    // inode numbers cannot be compared, and the file at the path is the best answer.
    if (exists && (!volume || quint64(info.st_dev) != device))
        return Resolution { path, true };

    if (volume) {
        if (auto found = searchNear(path, *record, device))
            return Resolution { *found, true };
    }
    // A file put in the place of the old one (saved by writing a new file and
    // renaming it over the old) is still the file the user means.
    if (exists)
        return Resolution { path, true };
    return std::nullopt;
}

std::optional<QString> Bookmark::resolvePath(const QByteArray &bookmark)
{
    if (auto resolution = resolve(bookmark))
        return resolution->path;
    return std::nullopt;
}

std::optional<QString> Bookmark::recordedPath(const QByteArray &bookmark)
{
    if (ImportedBookmark::looksLikeOne(bookmark)) {
        if (auto imported = ImportedBookmark::parse(bookmark))
            return imported->path;
        return std::nullopt;
    }
    if (auto record = decode(bookmark))
        return record->path;
    return std::nullopt;
}

} // namespace vidarium
