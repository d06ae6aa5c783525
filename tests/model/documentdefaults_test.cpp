#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "platform/plist/keyedarchive.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

PlistDictionary table()
{
    return {
        { QStringLiteral("ImageMetrics"),
            PlistDictionary { { QStringLiteral("StoryboardRows"), PlistValue(4) },
                { QStringLiteral("StoryboardColumns"), PlistValue(4) } } },
        { QStringLiteral("TableColumnVisibility"),
            PlistDictionary { { QStringLiteral("name"), PlistValue(true) },
                { QStringLiteral("size"), PlistValue(true) } } },
        { QStringLiteral("DetailVisibility"),
            PlistDictionary { { QStringLiteral("PropertiesExpanded"), PlistValue(true) } } },
        { QStringLiteral("WindowMetrics"),
            PlistDictionary { { QStringLiteral("DocumentWidth"), PlistValue(1280.0) } } },
        { QStringLiteral("ItemsSortDescriptors"),
            PlistArray {
                PlistDictionary { { QStringLiteral("Key"), PlistValue(QStringLiteral("name")) },
                    { QStringLiteral("Ascending"), PlistValue(true) },
                    { QStringLiteral("Selector"),
                        PlistValue(QStringLiteral("compareNumericString:")) } },
                PlistDictionary { { QStringLiteral("Key"), PlistValue(QStringLiteral("size")) },
                    { QStringLiteral("Ascending"), PlistValue(false) } },
                PlistValue(QStringLiteral("not a descriptor")) } },
        { QStringLiteral("DetailProperties"),
            PlistArray { PlistValue(QStringLiteral("name")), PlistValue(QStringLiteral("size")) } },
        { QStringLiteral("PropertyFilter"), PlistValue(QStringLiteral("parentFolder")) },
        { QStringLiteral("RecentlyAddedDays"), PlistValue(7) },
        { QStringLiteral("ShowSourceElementCounts"), PlistValue(true) },
        { QStringLiteral("ItemsViewThumbnailScale"), PlistValue(160.0) },
    };
}

// Stands in for a settings object another program version stored: it writes only
// the fields it is given, under the settings' class name.
class StoredSettings : public ArchivedObject
{
public:
    explicit StoredSettings(PlistDictionary fields)
        : m_fields(std::move(fields))
    {
    }
    QString className() const override { return DocumentDefaults::ClassName; }
    void encode(ArchiveEncoder &encoder) const override
    {
        for (auto field = m_fields.begin(); field != m_fields.end(); ++field)
            encoder.encodeObject(field.key(), field.value());
    }

private:
    PlistDictionary m_fields;
};

DocumentDefaultsPtr readStored(const std::shared_ptr<ArchivedObject> &stored)
{
    const Result<PlistValue> value
        = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(PlistValue(stored)));
    EXPECT_OK(value);
    return value.ok() ? std::dynamic_pointer_cast<DocumentDefaults>(value->toObject()) : nullptr;
}

class DocumentDefaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DocumentDefaults::registerArchiveCoder();
        Definitions::setSharedForTesting(&m_definitions);
    }
    void TearDown() override { Definitions::setSharedForTesting(nullptr); }

    Definitions m_definitions { PlistDictionary { { QStringLiteral("DocumentDefaults"), table() } },
        {} };
};

} // namespace

TEST_F(DocumentDefaultsTest, FirstValuesComeFromTheDefinitionTable)
{
    const DocumentDefaults defaults;
    EXPECT_EQ(defaults.standardDefaults(), table());
    EXPECT_EQ(defaults.imageMetrics().value(QStringLiteral("StoryboardRows")).toInteger(), 4);
    EXPECT_EQ(defaults.windowMetrics().value(QStringLiteral("DocumentWidth")).toDouble(), 1280.0);
    EXPECT_EQ(defaults.detailProperties(),
        (QStringList { QStringLiteral("name"), QStringLiteral("size") }));
    EXPECT_EQ(defaults.propertyFilter(), QStringLiteral("parentFolder"));
    EXPECT_EQ(defaults.recentlyAddedDays(), 7);
    EXPECT_TRUE(defaults.showSourceElementCounts());
    // Entries the table lacks read as nothing.
    EXPECT_TRUE(defaults.sourceListVisibility().isEmpty());
    EXPECT_FALSE(defaults.valueForKey(QStringLiteral("tableColumnMetrics")).isValid());
    EXPECT_EQ(defaults.minimumFavoritesRating(), 0);

    const SortDescriptorList sort = defaults.itemsSortDescriptors();
    ASSERT_EQ(sort.size(), 2);
    EXPECT_EQ(sort[0]->key(), QStringLiteral("name"));
    EXPECT_TRUE(sort[0]->ascending());
    EXPECT_EQ(sort[0]->selector(), QStringLiteral("compareNumericString:"));
    EXPECT_EQ(sort[1]->key(), QStringLiteral("size"));
    EXPECT_FALSE(sort[1]->ascending());
    EXPECT_EQ(sort[1]->selector(), QStringLiteral("compare:"));
    EXPECT_TRUE(defaults.sortDescriptorsWithDefaultsKey(QStringLiteral("Missing")).isEmpty());
}

TEST_F(DocumentDefaultsTest, RoundTripsThroughTheArchive)
{
    auto defaults = std::make_shared<DocumentDefaults>();
    defaults->setRecentlyAddedDays(30);
    defaults->setPropertyFilter(QStringLiteral("videoCodec"));
    defaults->setItemsSortDescriptors(
        { SortDescriptor::create(QStringLiteral("duration"), false) });
    defaults->setSourceFolders({ PlistValue(QByteArray("bookmark")) });
    PlistDictionary metrics = defaults->imageMetrics();
    metrics.insert(QStringLiteral("StoryboardRows"), PlistValue(6));
    defaults->setImageMetrics(metrics);

    const DocumentDefaultsPtr read = readStored(defaults);
    ASSERT_NE(read, nullptr);
    for (const QStringList *keys :
        { &DocumentDefaults::mutableKeys(), &DocumentDefaults::staticKeys() })
        for (const QString &key : *keys)
            if (key != QLatin1String("itemsSortDescriptors"))
                EXPECT_EQ(read->valueForKey(key), defaults->valueForKey(key)) << key.toStdString();
    ASSERT_EQ(read->itemsSortDescriptors().size(), 1);
    EXPECT_EQ(*read->itemsSortDescriptors()[0],
        *SortDescriptor::create(QStringLiteral("duration"), false));
}

TEST_F(DocumentDefaultsTest, StoredChoicesMergeOverNewerTables)
{
    const auto stored = std::make_shared<StoredSettings>(PlistDictionary {
        // No "detailVisibility" at all; a column the table lacks and one it has, hidden.
        { QStringLiteral("tableColumnVisibility"),
            PlistDictionary { { QStringLiteral("size"), PlistValue(false) },
                { QStringLiteral("FIELD-ID"), PlistValue(true) } } },
        { QStringLiteral("imageMetrics"),
            PlistDictionary { { QStringLiteral("StoryboardRows"), PlistValue(QStringLiteral("x")) },
                { QStringLiteral("StoryboardColumns"), PlistValue(6) } } },
        { QStringLiteral("detailProperties"), PlistValue(QStringLiteral("damaged")) },
        { QStringLiteral("recentlyAddedDays"), PlistValue(3) },
        { QStringLiteral("windowMetrics"), PlistValue(QStringLiteral("damaged")) },
        { QStringLiteral("propertyFilter"), PlistValue::null() },
    });

    // A newer program's table: another column, a later default span.
    PlistDictionary newer = table();
    PlistDictionary columns = newer.value(QStringLiteral("TableColumnVisibility")).toDictionary();
    columns.insert(QStringLiteral("rating"), PlistValue(true));
    newer.insert(QStringLiteral("TableColumnVisibility"), columns);
    newer.insert(QStringLiteral("RecentlyAddedDays"), PlistValue(14));
    const Definitions newerDefinitions(
        PlistDictionary { { QStringLiteral("DocumentDefaults"), newer } }, {});
    Definitions::setSharedForTesting(&newerDefinitions);

    const DocumentDefaultsPtr defaults = readStored(stored);
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->detailVisibility(),
        table().value(QStringLiteral("DetailVisibility")).toDictionary());
    const PlistDictionary visibility = defaults->tableColumnVisibility();
    EXPECT_FALSE(visibility.value(QStringLiteral("size")).toBool());
    EXPECT_TRUE(visibility.value(QStringLiteral("name")).toBool());
    EXPECT_TRUE(visibility.value(QStringLiteral("rating")).toBool());
    EXPECT_TRUE(visibility.value(QStringLiteral("FIELD-ID")).toBool());
    EXPECT_EQ(defaults->recentlyAddedDays(), 3);
    // Values of the wrong kind, or none, leave the first values in place.
    EXPECT_EQ(defaults->imageMetrics().value(QStringLiteral("StoryboardRows")).toInteger(), 4);
    EXPECT_EQ(defaults->imageMetrics().value(QStringLiteral("StoryboardColumns")).toInteger(), 6);
    EXPECT_EQ(defaults->detailProperties(),
        (QStringList { QStringLiteral("name"), QStringLiteral("size") }));
    EXPECT_EQ(
        defaults->windowMetrics(), table().value(QStringLiteral("WindowMetrics")).toDictionary());
    EXPECT_EQ(defaults->propertyFilter(), QStringLiteral("parentFolder"));
}

TEST_F(DocumentDefaultsTest, ACopyIsIndependent)
{
    DocumentDefaults original;
    original.setMinimumFavoritesRating(5);
    const DocumentDefaultsPtr copy = original.copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->minimumFavoritesRating(), 5);
    EXPECT_EQ(copy->standardDefaults(), original.standardDefaults());

    PlistDictionary metrics = copy->imageMetrics();
    metrics.insert(QStringLiteral("StoryboardRows"), PlistValue(2));
    copy->setImageMetrics(metrics);
    copy->setMinimumFavoritesRating(1);
    EXPECT_EQ(original.imageMetrics().value(QStringLiteral("StoryboardRows")).toInteger(), 4);
    EXPECT_EQ(original.minimumFavoritesRating(), 5);
}

TEST_F(DocumentDefaultsTest, KeyedAccessKnowsOnlyTheSettings)
{
    DocumentDefaults defaults;
    EXPECT_TRUE(defaults.setValueForKey(PlistValue(9), QStringLiteral("recentlyPlayedDays")));
    EXPECT_EQ(defaults.recentlyPlayedDays(), 9);
    EXPECT_FALSE(defaults.setValueForKey(PlistValue(9), QStringLiteral("noSuchSetting")));
    EXPECT_FALSE(defaults.valueForKey(QStringLiteral("noSuchSetting")).isValid());
    EXPECT_EQ(DocumentDefaults::mutableKeys().size(), 4);
    EXPECT_EQ(DocumentDefaults::staticKeys().size(), 17);
}

TEST(DocumentDefaultsShipped, NewLibrariesGetTheShippedImageSettings)
{
    const DocumentDefaults defaults;
    const PlistDictionary metrics = defaults.imageMetrics();
    EXPECT_EQ(metrics.value(QStringLiteral("StoryboardRows")).toInteger(), 4);
    EXPECT_EQ(metrics.value(QStringLiteral("StoryboardColumns")).toInteger(), 4);
    EXPECT_EQ(metrics.value(QStringLiteral("StoryboardSize")).toInteger(), 1);
    EXPECT_EQ(metrics.value(QStringLiteral("FilmstripFrames")).toInteger(), 5);
    ASSERT_EQ(defaults.itemsSortDescriptors().size(), 1);
    EXPECT_EQ(defaults.itemsSortDescriptors()[0]->key(), QStringLiteral("name"));
}
