#include "model/elementkeys.h"

#include <QHash>

#include <array>

namespace vidarium::ElementKeys {

namespace {

constexpr int KeyCount = int(ElementKey::FilmstripData) + 1;

const std::array<QString, KeyCount> &names()
{
    static const std::array<QString, KeyCount> table = {
        QStringLiteral("owner"),
        QStringLiteral("identifier"),
        QStringLiteral("assets"),
        QStringLiteral("tool"),
        QStringLiteral("batch"),
        QStringLiteral("device"),
        QStringLiteral("path"),
        QStringLiteral("bookmark"),
        QStringLiteral("checksum"),
        QStringLiteral("size"),
        QStringLiteral("duration"),
        QStringLiteral("pixelsWide"),
        QStringLiteral("pixelsHigh"),
        QStringLiteral("frameRate"),
        QStringLiteral("videoCodec"),
        QStringLiteral("audioCodec"),
        QStringLiteral("creationDate"),
        QStringLiteral("modifiedDate"),
        QStringLiteral("importedDate"),
        QStringLiteral("launchedDate"),
        QStringLiteral("playCount"),
        QStringLiteral("rating"),
        QStringLiteral("imageMetrics"),
        QStringLiteral("userComments"),
        QStringLiteral("userKeywords"),
        QStringLiteral("userFields"),
        QStringLiteral("error"),
        QStringLiteral("name"),
        QStringLiteral("extension"),
        QStringLiteral("parentFolder"),
        QStringLiteral("parentFolderPath"),
        QStringLiteral("resolution"),
        QStringLiteral("aspectRatio"),
        QStringLiteral("roundedFrameRate"),
        QStringLiteral("summary"),
        QStringLiteral("status"),
        QStringLiteral("fileExists"),
        QStringLiteral("userKeywordObjects"),
        QStringLiteral("userKeywordsExist"),
        QStringLiteral("resource"),
        QStringLiteral("handlers"),
        QStringLiteral("posterData"),
        QStringLiteral("thumbnailData"),
        QStringLiteral("storyboardData"),
        QStringLiteral("filmstripData"),
    };
    return table;
}

const QHash<QString, ElementKey> &byName()
{
    static const QHash<QString, ElementKey> table = [] {
        QHash<QString, ElementKey> result;
        for (int i = 0; i < KeyCount; ++i)
            result.insert(names()[size_t(i)], ElementKey(i));
        return result;
    }();
    return table;
}

// Derived keys that follow each key, beyond the key itself.
QList<ElementKey> dependents(ElementKey key)
{
    using K = ElementKey;
    switch (key) {
    case K::Path:
    case K::Name:
        return { K::Path, K::Name, K::Extension, K::Device, K::ParentFolder, K::ParentFolderPath,
            K::Status, K::FileExists, K::Resource, K::Handlers };
    case K::Bookmark:
        return { K::FileExists, K::Resource, K::Status };
    case K::Assets:
    case K::Error:
        return { K::Status };
    case K::PixelsWide:
    case K::PixelsHigh:
        return { K::Resolution, K::AspectRatio, K::Summary };
    case K::FrameRate:
        return { K::RoundedFrameRate, K::Summary };
    case K::Size:
    case K::Duration:
        return { K::Summary };
    case K::UserKeywords:
        return { K::UserKeywordObjects, K::UserKeywordsExist };
    default:
        return {};
    }
}

} // namespace

QString name(ElementKey key)
{
    return names()[size_t(key)];
}

std::optional<ElementKey> fromName(const QString &name)
{
    const auto it = byName().constFind(name);
    if (it == byName().constEnd())
        return std::nullopt;
    return *it;
}

bool isStored(ElementKey key)
{
    return int(key) <= int(ElementKey::Error);
}

const QStringList &staticKeys()
{
    static const QStringList keys = [] {
        QStringList result;
        for (int i = int(ElementKey::Owner); i <= int(ElementKey::UserComments); ++i)
            result.append(names()[size_t(i)]);
        return result;
    }();
    return keys;
}

const QStringList &collectionKeys()
{
    static const QStringList keys
        = { QStringLiteral("userKeywords"), QStringLiteral("userFields") };
    return keys;
}

const QStringList &boolKeys()
{
    static const QStringList keys = { QStringLiteral("error") };
    return keys;
}

QSet<QString> affectedKeys(const QString &key)
{
    QSet<QString> result { key };
    if (const auto known = fromName(key)) {
        for (ElementKey dependent : dependents(*known))
            result.insert(name(dependent));
    }
    return result;
}

} // namespace vidarium::ElementKeys
