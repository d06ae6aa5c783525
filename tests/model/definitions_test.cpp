#include "model/comparisons.h"
#include "model/definitions.h"
#include "model/valueformatters.h"
#include "model/valuetransformers.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QUuid>

using namespace vidarium;

namespace {

QStringList sortedKeys(const PlistDictionary &dictionary)
{
    return dictionary.keys();
}

void expectKeys(const PlistDictionary &dictionary, const QStringList &keys)
{
    for (const QString &key : keys)
        EXPECT_TRUE(dictionary.contains(key)) << key.toStdString();
}

} // namespace

TEST(Definitions, ShippedTablesHoldEveryKeyTheProgramReads)
{
    const Definitions &definitions = Definitions::shared();
    expectKeys(definitions.defaultDefinitions(),
        { QStringLiteral("ApplicationDefaults"), QStringLiteral("DocumentDefaults") });
    expectKeys(definitions.applicationDefaults(),
        { "ShowWelcomeWindow", "OpenLastDocument", "DocumentsToRestore", "AllowableVideoFormats",
            "LogConsoleMessages", "FFmpegBookmark", "FFprobeBookmark", "ImportImagesImmediately",
            "AVImporterMaximumOperations", "FFImporterMaximumOperations", "SearchFCPXPackages",
            "SearchCommentsField", "UseColorIcons", "ShowFilterSearchBoxes", "ToolbarPlayAction",
            "DoubleClickAction", "ResizePlayerView", "AllowDragToFinder",
            "AutoCompleteUserFields" });
    expectKeys(definitions.documentDefaults(),
        { "ImageMetrics", "SourceListVisibility", "TableColumnVisibility", "DetailVisibility",
            "WindowMetrics", "TableColumnMetrics", "ItemsSortDescriptors", "DetailProperties",
            "SourceFolders", "PropertyFilter", "PropertyFilterSortOrder", "KeywordFilterSortOrder",
            "ShowSourceFolderCounts", "ShowSourceElementCounts", "ShowFilterElementCounts",
            "RecentlyAddedDays", "RecentlyPlayedDays", "MinimumFavoritesRating", "ItemsViewStyle",
            "ItemsViewThumbnailScale", "DefaultsSheetTabIndex" });
    expectKeys(definitions.documentDefaults().value(QStringLiteral("ImageMetrics")).toDictionary(),
        { "ThumbnailPosition", "StoryboardSize", "StoryboardRows", "StoryboardColumns",
            "StoryboardAspect", "StoryboardRetina", "FilmstripSize", "FilmstripFrames",
            "FilmstripAspect", "FilmstripRetina" });
    expectKeys(definitions.privateDefinitions(),
        { "Properties", "ArrangeMenuItems", "FilterMenuItems", "DetailMenuItems", "SourceListItems",
            "RatingStrings" });
    EXPECT_EQ(definitions.ratingStrings().size(), 6);
    EXPECT_FALSE(definitions.sourceListItems().isEmpty());
}

TEST(Definitions, PropertyDefinitionsNameOnlyThingsThatExist)
{
    const Definitions &definitions = Definitions::shared();
    for (const char *key : { "name", "extension", "path", "size", "duration", "resolution",
             "frameRate", "videoCodec", "audioCodec", "creationDate", "modifiedDate",
             "importedDate", "playCount", "rating", "userComments", "pixelsWide", "pixelsHigh" })
        EXPECT_TRUE(definitions.hasPropertyDefinition(QString::fromLatin1(key))) << key;

    ValueTransformerRegistry transformers;
    transformers.registerStandardTransformers(definitions.ratingStrings());
    const QSet<QString> comparisons
        = { QStringLiteral("compareNumericString:"), QStringLiteral("compare:"),
              QStringLiteral("compareResolutionString:"), QStringLiteral("compareAspectString:") };
    for (const QString &key : definitions.propertyKeys()) {
        SCOPED_TRACE(key.toStdString());
        const PropertyDefinition definition = definitions.propertyDefinition(key);
        EXPECT_FALSE(definition.label.isEmpty());
        EXPECT_FALSE(definition.arrangeTitle.isEmpty());
        EXPECT_TRUE(definition.binding.startsWith(QStringLiteral("arrangedObjects.")));
        if (!definition.transformer.isEmpty())
            EXPECT_NE(transformers.valueTransformerForName(definition.transformer), nullptr);
        if (!definition.formatter.isEmpty())
            EXPECT_NE(formatterNamed(definition.formatter), nullptr);
        EXPECT_TRUE(comparisons.contains(definitions.comparisonForKey(key)));
    }
    const QStringList menus[] = { definitions.arrangeMenuItems(), definitions.filterMenuItems(),
        definitions.detailMenuItems() };
    for (const QStringList &menu : menus) {
        EXPECT_FALSE(menu.isEmpty());
        for (const QString &item : menu)
            EXPECT_TRUE(item == QLatin1String("-") || definitions.hasPropertyDefinition(item))
                << item.toStdString();
    }
    // The settings' own property lists name defined properties too.
    const PlistDictionary documentDefaults = definitions.documentDefaults();
    for (const PlistValue &key :
        documentDefaults.value(QStringLiteral("DetailProperties")).toArray())
        EXPECT_TRUE(definitions.hasPropertyDefinition(key.toString()))
            << key.toString().toStdString();
    EXPECT_TRUE(definitions.hasPropertyDefinition(
        documentDefaults.value(QStringLiteral("PropertyFilter")).toString()));
}

TEST(Definitions, AcceptedVideoFormatsCarryDescriptionsAndUniqueIdentifiers)
{
    const PlistArray formats = Definitions::shared()
                                   .applicationDefaults()
                                   .value(QStringLiteral("AllowableVideoFormats"))
                                   .toArray();
    QSet<QString> extensions, identifiers;
    for (const PlistValue &format : formats) {
        const QString extension = format.value(QStringLiteral("Extension")).toString();
        SCOPED_TRACE(extension.toStdString());
        EXPECT_EQ(extension, extension.toLower());
        EXPECT_FALSE(format.value(QStringLiteral("Description")).toString().isEmpty());
        const QString identifier = format.value(QStringLiteral("Identifier")).toString();
        EXPECT_FALSE(QUuid(identifier).isNull());
        EXPECT_EQ(identifier, identifier.toUpper());
        extensions.insert(extension);
        identifiers.insert(identifier);
    }
    EXPECT_EQ(identifiers.size(), formats.size());
    for (const char *required : { "mp4", "m4v", "mov", "mkv", "webm", "avi", "wmv", "mpg", "mpeg",
             "m2ts", "mts", "ts", "flv", "3gp", "ogv", "mxf", "dv", "vob" })
        EXPECT_TRUE(extensions.contains(QString::fromLatin1(required))) << required;
}

TEST(Definitions, StringsTableHasEveryAlertAndNotificationText)
{
    const Definitions &definitions = Definitions::shared();
    for (const char *key : { "AboutBoxMessage", "ReadDocumentNewerAlertMessageText",
             "ReadDocumentNewerAlertInformativeText", "ReadDocumentOlderAlertMessageText",
             "ReadDocumentOlderAlertInformativeText", "SaveDocumentOlderAlertMessageText",
             "SaveDocumentOlderAlertInformativeText", "SaveDocumentAlertMessageText",
             "SaveDocumentAlertInformativeText", "SaveDocumentAlertSaveButtonText",
             "SaveDocumentAlertSaveDialogButtonText", "SaveDocumentAlertCancelButtonText",
             "SaveDocumentAlertNoSaveButtonText", "EmptyTrashAlertMessageText",
             "EmptyTrashAlertInformativeText", "EmptyTrashPluralAlertMessageText",
             "EmptyTrashPluralAlertInformativeText", "RevealInFinderAlertMessageText",
             "RevealInFinderAlertInformativeText", "SmartCollectionAlertMessageText",
             "SmartCollectionAlertInformativeText", "ImportCompleteNotificationMessageText",
             "ImportCompleteNotificationInformativeText", "Hide", "Show" }) {
        const QString text = definitions.localizedString(QString::fromLatin1(key));
        EXPECT_FALSE(text.isEmpty()) << key;
        if (QByteArray(key).endsWith("Text"))
            EXPECT_NE(text, QString::fromLatin1(key)) << key;
    }
    EXPECT_EQ(
        definitions.localizedString(QStringLiteral("NoSuchKey")), QStringLiteral("NoSuchKey"));
}

TEST(Definitions, EmbeddedTablesAreTheOnesInTheSourceTree)
{
    // What an installed program carries must be what the repository ships.
    for (const QString &name : { QStringLiteral("DefaultDefinitions.plist"),
             QStringLiteral("PrivateDefinitions.plist"), QStringLiteral("Localizable.plist") }) {
        QFile embedded(QStringLiteral(":/resources/") + name);
        QFile source(test::sourcePath(QStringLiteral("resources/") + name));
        ASSERT_TRUE(embedded.open(QIODevice::ReadOnly)) << name.toStdString();
        ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(embedded.readAll(), source.readAll()) << name.toStdString();
    }
    const Definitions fromFiles
        = Definitions::load(test::sourcePath(QStringLiteral("resources/DefaultDefinitions.plist")),
            test::sourcePath(QStringLiteral("resources/PrivateDefinitions.plist")));
    EXPECT_EQ(PlistValue(fromFiles.defaultDefinitions()),
        PlistValue(Definitions::shared().defaultDefinitions()));
    EXPECT_EQ(sortedKeys(fromFiles.privateDefinitions()),
        sortedKeys(Definitions::shared().privateDefinitions()));
}

TEST(Definitions, MissingOrBrokenTablesLoadAsNothing)
{
    test::ScratchDir scratch;
    const QString broken = scratch.filePath(QStringLiteral("broken.plist"));
    const QString notADictionary = scratch.filePath(QStringLiteral("array.plist"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><plist><dict><key>Properties</key><dict>");
    }
    {
        QFile file(notADictionary);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><plist><array><string>x</string></array></plist>");
    }
    for (const Definitions &definitions :
        { Definitions::load(scratch.filePath(QStringLiteral("missing.plist")), broken),
            Definitions::load(notADictionary, QString()) }) {
        EXPECT_TRUE(definitions.defaultDefinitions().isEmpty());
        EXPECT_TRUE(definitions.privateDefinitions().isEmpty());
        EXPECT_TRUE(definitions.applicationDefaults().isEmpty());
        EXPECT_TRUE(definitions.arrangeMenuItems().isEmpty());
        EXPECT_TRUE(definitions.propertyDefinition(QStringLiteral("name")).label.isEmpty());
        EXPECT_EQ(definitions.comparisonForKey(QStringLiteral("size")),
            QStringLiteral("compareNumericString:"));
        EXPECT_EQ(definitions.localizedString(QStringLiteral("Hide")), QStringLiteral("Hide"));
    }
}
