#pragma once

// The settings of one library: how its images are made, what its window shows
// and how it is laid out, sorting and filtering, watched folders, and the spans
// of the built-in date and rating collections. A new library starts from the
// definition table's "DocumentDefaults"; a stored library merges its own
// visibility and image settings over the table's (so settings a newer table adds
// reach old libraries) and keeps its stored choices for everything else. A stored
// value of another kind than the table's (damage, a foreign writer) is ignored.
// Threads: main thread.

#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace vidarium {

class ArchiveDecoder;
class DocumentDefaults;
class SortDescriptor;

namespace DocumentDefaultsNotification {
// A library's image settings changed: its elements' images are checked again.
inline const QString DidChange
    = QStringLiteral("com.tallowmere.vidarium.DocumentDefaultsDidChangeNotification");
} // namespace DocumentDefaultsNotification
using DocumentDefaultsPtr = std::shared_ptr<DocumentDefaults>;
using SortDescriptorList = QList<std::shared_ptr<const SortDescriptor>>;

class DocumentDefaults final : public ArchivedObject
{
public:
    static inline const QString ClassName = QStringLiteral("DocumentDefaults");

    // init: the first values of the shared definition tables.
    DocumentDefaults();
    // The first values of a "DocumentDefaults" dictionary.
    explicit DocumentDefaults(const PlistDictionary &standardDefaults);

    // Merged on reading, in this order: imageMetrics, sourceListVisibility,
    // tableColumnVisibility, detailVisibility.
    static const QStringList &mutableKeys();
    // Replaced on reading, in their stored order (windowMetrics ... defaultsSheetTabIndex).
    static const QStringList &staticKeys();

    const PlistDictionary &standardDefaults() const { return m_standardDefaults; }
    // The entries under `key` of standardDefaults; empty when missing.
    PlistDictionary mutableDictionaryWithDefaultsKey(const QString &key) const;
    // One descriptor per dictionary of the entry ("Key", "Ascending", "Selector").
    SortDescriptorList sortDescriptorsWithDefaultsKey(const QString &key) const;

    // Any setting by its property name ("imageMetrics", "recentlyAddedDays", ...);
    // Invalid for a name that is not a setting.
    PlistValue valueForKey(const QString &key) const;
    // False, changing nothing, for a name that is not a setting.
    bool setValueForKey(const PlistValue &value, const QString &key);

    PlistDictionary imageMetrics() const { return dictionary(QStringLiteral("imageMetrics")); }
    void setImageMetrics(const PlistDictionary &metrics)
    {
        set(QStringLiteral("imageMetrics"), metrics);
    }
    PlistDictionary sourceListVisibility() const
    {
        return dictionary(QStringLiteral("sourceListVisibility"));
    }
    void setSourceListVisibility(const PlistDictionary &v)
    {
        set(QStringLiteral("sourceListVisibility"), v);
    }
    PlistDictionary tableColumnVisibility() const
    {
        return dictionary(QStringLiteral("tableColumnVisibility"));
    }
    void setTableColumnVisibility(const PlistDictionary &v)
    {
        set(QStringLiteral("tableColumnVisibility"), v);
    }
    PlistDictionary detailVisibility() const
    {
        return dictionary(QStringLiteral("detailVisibility"));
    }
    void setDetailVisibility(const PlistDictionary &v)
    {
        set(QStringLiteral("detailVisibility"), v);
    }
    PlistDictionary windowMetrics() const { return dictionary(QStringLiteral("windowMetrics")); }
    void setWindowMetrics(const PlistDictionary &v) { set(QStringLiteral("windowMetrics"), v); }
    PlistDictionary tableColumnMetrics() const
    {
        return dictionary(QStringLiteral("tableColumnMetrics"));
    }
    void setTableColumnMetrics(const PlistDictionary &v)
    {
        set(QStringLiteral("tableColumnMetrics"), v);
    }

    // Only the members that are sort descriptors.
    SortDescriptorList itemsSortDescriptors() const;
    void setItemsSortDescriptors(const SortDescriptorList &descriptors);

    QStringList detailProperties() const { return strings(QStringLiteral("detailProperties")); }
    void setDetailProperties(const QStringList &keys);
    PlistArray sourceFolders() const { return value(QStringLiteral("sourceFolders")).toArray(); }
    void setSourceFolders(const PlistArray &bookmarks)
    {
        set(QStringLiteral("sourceFolders"), bookmarks);
    }

    QString propertyFilter() const { return value(QStringLiteral("propertyFilter")).toString(); }
    void setPropertyFilter(const QString &key) { set(QStringLiteral("propertyFilter"), key); }
    QString propertyFilterSortOrder() const
    {
        return value(QStringLiteral("propertyFilterSortOrder")).toString();
    }
    void setPropertyFilterSortOrder(const QString &o)
    {
        set(QStringLiteral("propertyFilterSortOrder"), o);
    }
    QString keywordFilterSortOrder() const
    {
        return value(QStringLiteral("keywordFilterSortOrder")).toString();
    }
    void setKeywordFilterSortOrder(const QString &o)
    {
        set(QStringLiteral("keywordFilterSortOrder"), o);
    }

    bool showSourceFolderCounts() const
    {
        return value(QStringLiteral("showSourceFolderCounts")).toBool();
    }
    void setShowSourceFolderCounts(bool show)
    {
        set(QStringLiteral("showSourceFolderCounts"), show);
    }
    bool showSourceElementCounts() const
    {
        return value(QStringLiteral("showSourceElementCounts")).toBool();
    }
    void setShowSourceElementCounts(bool show)
    {
        set(QStringLiteral("showSourceElementCounts"), show);
    }
    bool showFilterElementCounts() const
    {
        return value(QStringLiteral("showFilterElementCounts")).toBool();
    }
    void setShowFilterElementCounts(bool show)
    {
        set(QStringLiteral("showFilterElementCounts"), show);
    }

    qint64 recentlyAddedDays() const
    {
        return value(QStringLiteral("recentlyAddedDays")).toInteger();
    }
    void setRecentlyAddedDays(qint64 days) { set(QStringLiteral("recentlyAddedDays"), days); }
    qint64 recentlyPlayedDays() const
    {
        return value(QStringLiteral("recentlyPlayedDays")).toInteger();
    }
    void setRecentlyPlayedDays(qint64 days) { set(QStringLiteral("recentlyPlayedDays"), days); }
    qint64 minimumFavoritesRating() const
    {
        return value(QStringLiteral("minimumFavoritesRating")).toInteger();
    }
    void setMinimumFavoritesRating(qint64 rating)
    {
        set(QStringLiteral("minimumFavoritesRating"), rating);
    }
    qint64 itemsViewStyle() const { return value(QStringLiteral("itemsViewStyle")).toInteger(); }
    void setItemsViewStyle(qint64 style) { set(QStringLiteral("itemsViewStyle"), style); }
    double itemsViewThumbnailScale() const
    {
        return value(QStringLiteral("itemsViewThumbnailScale")).toDouble();
    }
    void setItemsViewThumbnailScale(double scale)
    {
        set(QStringLiteral("itemsViewThumbnailScale"), scale);
    }
    qint64 defaultsSheetTabIndex() const
    {
        return value(QStringLiteral("defaultsSheetTabIndex")).toInteger();
    }
    void setDefaultsSheetTabIndex(qint64 index)
    {
        set(QStringLiteral("defaultsSheetTabIndex"), index);
    }

    // copyWithZone: a deep copy, made by writing the settings to a keyed archive and
    // reading them back, so nothing is shared with this object.
    DocumentDefaultsPtr copy() const;

    QString className() const override { return ClassName; }
    void encode(ArchiveEncoder &encoder) const override;
    // Reads stored settings over the first values of the shared definition tables.
    static Result<PlistValue> decode(ArchiveDecoder &decoder);
    // Registers the decoder under "DocumentDefaults"; safe to call repeatedly.
    static void registerArchiveCoder();

private:
    PlistValue value(const QString &key) const { return m_values.value(key); }
    PlistDictionary dictionary(const QString &key) const { return value(key).toDictionary(); }
    QStringList strings(const QString &key) const;
    void set(const QString &key, const PlistValue &value) { m_values.insert(key, value); }

    PlistDictionary m_standardDefaults;
    PlistDictionary m_values; // by property name
};

} // namespace vidarium
