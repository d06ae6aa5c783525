#include "platform/importedbookmark.h"

#include "platform/volumetable.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <QtEndian>

#include <cstring>

namespace vidarium {

namespace {

// Layout: "book", u32 total size, u32 version, u32 header size; at the header
// size a u32 offset of the table of contents; a table is u32 size, u32 magic
// 0xfffffffe, u32 id, u32 next table, u32 count, then count entries of u32
// key, u32 item offset, u32 reserved. Items are u32 length, u32 type, bytes.
// Offsets count from the end of the header. Little-endian throughout.
constexpr quint32 TocMagic = 0xfffffffe;
constexpr int MaximumTables = 16;
constexpr quint32 MaximumEntries = 4096;
constexpr quint32 MaximumComponents = 1024;
constexpr qsizetype MaximumSize = 1024 * 1024;

constexpr quint32 KeyPath = 0x1004;
constexpr quint32 KeyVolumePath = 0x2002;
constexpr quint32 KeyVolumeName = 0x2010;
constexpr quint32 KeyVolumeUuid = 0x2011;

constexpr quint32 TypeString = 0x0101;
constexpr quint32 TypeArray = 0x0601;
constexpr quint32 TypeUrl = 0x0901;

class Reader
{
public:
    explicit Reader(const QByteArray &data)
        : m_data(data)
    {
    }

    bool u32(qsizetype offset, quint32 *value) const
    {
        if (offset < 0 || offset > m_data.size() - 4)
            return false;
        *value = qFromLittleEndian<quint32>(m_data.constData() + offset);
        return true;
    }

    // An item at a data offset: its type and bytes, all within the data.
    bool item(quint32 dataOffset, quint32 *type, QByteArray *bytes) const
    {
        const qsizetype at = m_base + qsizetype(dataOffset);
        quint32 length = 0;
        if (!u32(at, &length) || !u32(at + 4, type))
            return false;
        if (qsizetype(length) > m_data.size() - (at + 8))
            return false;
        *bytes = m_data.mid(at + 8, length);
        return true;
    }

    std::optional<QString> string(quint32 dataOffset) const
    {
        quint32 type = 0;
        QByteArray bytes;
        if (!item(dataOffset, &type, &bytes) || (type != TypeString && type != TypeUrl))
            return std::nullopt;
        return QString::fromUtf8(bytes);
    }

    qsizetype m_base = 0;

private:
    const QByteArray &m_data;
};

} // namespace

bool ImportedBookmark::looksLikeOne(const QByteArray &data)
{
    return data.size() >= 16 && std::memcmp(data.constData(), "book", 4) == 0;
}

std::optional<ImportedBookmark> ImportedBookmark::parse(const QByteArray &data)
{
    if (!looksLikeOne(data) || data.size() > MaximumSize)
        return std::nullopt;
    Reader reader(data);
    quint32 declaredSize = 0;
    quint32 headerSize = 0;
    quint32 tocOffset = 0;
    // Cut-off data is refused as a whole rather than read as far as it goes.
    if (!reader.u32(4, &declaredSize) || qsizetype(declaredSize) > data.size()
        || !reader.u32(12, &headerSize) || headerSize < 16 || headerSize >= declaredSize
        || !reader.u32(headerSize, &tocOffset))
        return std::nullopt;
    reader.m_base = headerSize;

    QHash<quint32, quint32> itemsByKey;
    quint32 table = tocOffset;
    for (int tables = 0; table != 0 && tables < MaximumTables; ++tables) {
        const qsizetype at = qsizetype(headerSize) + table;
        quint32 magic = 0;
        quint32 next = 0;
        quint32 count = 0;
        if (!reader.u32(at + 4, &magic) || magic != TocMagic || !reader.u32(at + 12, &next)
            || !reader.u32(at + 16, &count) || count > MaximumEntries)
            return std::nullopt;
        for (quint32 i = 0; i < count; ++i) {
            quint32 key = 0;
            quint32 offset = 0;
            if (!reader.u32(at + 20 + qsizetype(i) * 12, &key)
                || !reader.u32(at + 24 + qsizetype(i) * 12, &offset))
                return std::nullopt;
            if (!itemsByKey.contains(key))
                itemsByKey.insert(key, offset);
        }
        if (next == table)
            break;
        table = next;
    }

    ImportedBookmark bookmark;
    quint32 type = 0;
    QByteArray offsets;
    if (!itemsByKey.contains(KeyPath) || !reader.item(itemsByKey.value(KeyPath), &type, &offsets)
        || type != TypeArray || offsets.size() / 4 > qsizetype(MaximumComponents))
        return std::nullopt;
    QStringList components;
    for (qsizetype i = 0; i + 4 <= offsets.size(); i += 4) {
        const auto component = reader.string(qFromLittleEndian<quint32>(offsets.constData() + i));
        if (!component || component->isEmpty() || component->contains(QLatin1Char('/')))
            return std::nullopt;
        components.append(*component);
    }
    bookmark.path = QLatin1Char('/') + components.join(QLatin1Char('/'));

    if (itemsByKey.contains(KeyVolumePath)) {
        if (auto volume = reader.string(itemsByKey.value(KeyVolumePath))) {
            QString path = volume->startsWith(QLatin1String("file:")) ? QUrl(*volume).toLocalFile()
                                                                      : *volume;
            while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
                path.chop(1);
            bookmark.volumePath = path;
        }
    }
    if (itemsByKey.contains(KeyVolumeName))
        bookmark.volumeName = reader.string(itemsByKey.value(KeyVolumeName)).value_or(QString());
    if (itemsByKey.contains(KeyVolumeUuid))
        bookmark.volumeUuid = reader.string(itemsByKey.value(KeyVolumeUuid)).value_or(QString());
    return bookmark;
}

std::optional<QString> ImportedBookmark::locate() const
{
    const auto table = VolumeTable::current();
    const auto reachable = [&](const QString &candidate) {
        const VolumeInfo *holder = table->volumeForPath(candidate);
        return !(holder && holder->isAutomountTrigger()) && QFileInfo::exists(candidate);
    };
    if (reachable(path))
        return path;
    // The start-up disk of another machine cannot be here; a drive can.
    if (volumePath.isEmpty() || volumePath == QLatin1String("/") || volumeName.isEmpty()
        || !path.startsWith(volumePath + QLatin1Char('/')))
        return std::nullopt;
    const QString relative = path.mid(volumePath.size());
    for (const VolumeInfo &volume : table->userVisibleVolumes()) {
        if (volume.label != volumeName && volume.displayName() != volumeName
            && QFileInfo(volume.mountPoint).fileName() != volumeName)
            continue;
        const QString candidate
            = volume.mountPoint == QLatin1String("/") ? relative : volume.mountPoint + relative;
        if (reachable(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace vidarium
