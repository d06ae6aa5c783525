#include "model/mediaelement.h"

#include "model/medialibrary.h"
#include "platform/plist/keyedarchive.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;
using vidarium::test::writeFile;

namespace {

MediaElementPtr roundTrip(const MediaElement &element)
{
    Result<MediaElementPtr> decoded = MediaElement::fromPasteboardData(element.pasteboardData());
    EXPECT_OK(decoded);
    return decoded.ok() ? *decoded : nullptr;
}

// An archive whose root is an element with the given stored fields, written
// through a generic object so that any kind of value can be planted.
QByteArray archiveWithFields(const QList<GenericArchivedObject::Field> &fields)
{
    auto object = std::make_shared<GenericArchivedObject>(
        QStringList { QStringLiteral("MediaElement"), QStringLiteral("NSObject") }, fields);
    return KeyedArchiver::archivedData(
        PlistValue(std::static_pointer_cast<ArchivedObject>(object)));
}

using Field = GenericArchivedObject::Field;

} // namespace

TEST(MediaElement, NewElementHasCreationValues)
{
    MediaLibrary library;
    ScratchDir scratch;
    const QString path = writeFile(scratch.filePath(QStringLiteral("Clip 1.mov")), "x");
    const MediaElementPtr element = MediaElement::create(&library, path);

    EXPECT_TRUE(MediaLibrary::isValidIdentifier(element->identifier()));
    EXPECT_EQ(element->owner(), library.identifier());
    EXPECT_EQ(element->batch(), library.batch());
    EXPECT_EQ(element->path(), path);
    EXPECT_FALSE(element->device().isEmpty());
    EXPECT_FALSE(element->bookmark().isEmpty());
    EXPECT_EQ(element->assets(), 0);
    EXPECT_EQ(element->tool(), QString());
    EXPECT_FALSE(element->launchedDate().has_value());
    EXPECT_TRUE(element->valueForKey(QStringLiteral("launchedDate")).isNull());
    EXPECT_EQ(element->name(), QStringLiteral("Clip 1"));
    EXPECT_EQ(element->extension(), QStringLiteral("mov"));
    EXPECT_EQ(element->parentFolder(), QFileInfo(scratch.path()).fileName());
    EXPECT_EQ(element->parentFolderPath(),
        QFileInfo(scratch.path()).absoluteFilePath() + QLatin1Char('/'));
}

TEST(MediaElement, ParentFolderAgreesWithTheFileSystemParsingForAnyPath)
{
    for (const char *path : { "/a/b/Clip.mov", "/Clip.mov", "/a/Trips 2010/x", "/a//b/c.mov",
             "/a/./b/c.mov", "/a/b/../c.mov", "/a/b/", "/a/b/.", "relative/x.mov", "x.mov",
             "/a/b c/ü é/Clip.mp4" }) {
        SCOPED_TRACE(path);
        const MediaElementPtr element = MediaElement::create(nullptr, QString::fromUtf8(path));
        const QString expected = QFileInfo(QFileInfo(element->path()).path()).fileName();
        const QString folder = QFileInfo(element->path()).path();
        EXPECT_EQ(element->parentFolder(), folder == QLatin1String("/") ? folder : expected);
    }
}

TEST(MediaElement, DeviceFollowsThePathOrItsLayout)
{
    const MediaElementPtr archive
        = MediaElement::create(nullptr, QStringLiteral("/Volumes/Archive/Films/a.mov"));
    EXPECT_EQ(archive->device(), QStringLiteral("Archive"));
    EXPECT_TRUE(archive->bookmark().isEmpty()); // no file, no bookmark

    const MediaElementPtr home = MediaElement::create(nullptr, QStringLiteral("/Users/x/a.mov"));
    EXPECT_EQ(home->device(), QStringLiteral("Unknown"));

    // A known volume is kept when the new place cannot be asked about.
    home->setPath(QStringLiteral("/Volumes/Other/b.mov"));
    EXPECT_EQ(home->device(), QStringLiteral("Unknown"));
    EXPECT_EQ(home->path(), QStringLiteral("/Volumes/Other/b.mov"));

    // The same path again with no device computes it again.
    home->setDevice(QString());
    home->setPath(QStringLiteral("/Volumes/Other/b.mov"));
    EXPECT_EQ(home->device(), QStringLiteral("Other"));
}

TEST(MediaElement, DerivedDimensionTexts)
{
    struct Case
    {
        qint64 width, height;
        const char *resolution, *aspect;
    };
    const Case cases[] = {
        { 1920, 1080, "1920 x 1080", "16:9" },
        { 720, 480, "720 x 480", "3:2" },
        { 0, 1080, "0 x 1080", "0:0" },
        { 1080, 0, "1080 x 0", "0:0" },
        { 1000, 1000, "1000 x 1000", "1:1" },
    };
    const MediaElementPtr element = MediaElement::create(nullptr, QString());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.resolution);
        element->setPixelsWide(c.width);
        element->setPixelsHigh(c.height);
        EXPECT_EQ(element->resolution(), QLatin1String(c.resolution));
        EXPECT_EQ(element->aspectRatio(), QLatin1String(c.aspect));
    }
    element->setFrameRate(29.97002997);
    EXPECT_EQ(element->roundedFrameRate(), QStringLiteral("29.97"));
    element->setFrameRate(24.995);
    EXPECT_EQ(element->roundedFrameRate(), QStringLiteral("25"));
}

TEST(MediaElement, StatusFollowsFileErrorAndAssets)
{
    ScratchDir scratch;
    const QString path = writeFile(scratch.filePath(QStringLiteral("a.mp4")), "x");
    const MediaElementPtr element = MediaElement::create(nullptr, path);
    struct Case
    {
        int assets;
        bool error;
        int status;
    };
    const Case present[] = { { 15, false, 0 }, { 2, false, 1 }, { 12, false, 1 }, { 1, false, 2 },
        { 0, false, 3 }, { 15, true, 4 }, { 0, true, 4 } };
    for (const Case &c : present) {
        SCOPED_TRACE(testing::Message() << "assets " << c.assets << " error " << c.error);
        element->setAssets(c.assets);
        element->setError(c.error);
        EXPECT_EQ(element->status(), ElementStatus(c.status));
    }
    QFile::remove(path);
    element->setAssets(15);
    EXPECT_EQ(element->status(), ElementStatus::FileMissing);
    element->setError(true);
    EXPECT_EQ(element->status(), ElementStatus::FileMissing);
}

TEST(MediaElement, FileExistsFollowsAMovedFile)
{
    ScratchDir scratch;
    const QString path = writeFile(scratch.filePath(QStringLiteral("a.mp4")), "x");
    const MediaElementPtr element = MediaElement::create(nullptr, path);
    const QString moved = scratch.filePath(QStringLiteral("renamed.mp4"));
    ASSERT_TRUE(QFile::rename(path, moved));
    EXPECT_TRUE(element->fileExists());
    EXPECT_EQ(element->path(), path); // asking moves nothing
    EXPECT_TRUE(element->followMovedFile());
    EXPECT_EQ(element->path(), QFileInfo(moved).absoluteFilePath());
    EXPECT_EQ(element->valueForKey(ElementKey::FileExists), PlistValue(true));
    QFile::remove(moved);
    EXPECT_FALSE(element->fileExists());
    EXPECT_FALSE(element->followMovedFile());
}

TEST(MediaElement, ImageSettingsFingerprints)
{
    const auto metrics = [](qint64 rows, qint64 columns) {
        return PlistDictionary { { QStringLiteral("StoryboardRows"), rows },
            { QStringLiteral("StoryboardColumns"), columns },
            { QStringLiteral("StoryboardSize"), qint64(1) } };
    };
    const MediaElementPtr element = MediaElement::create(nullptr, QString());
    element->setImageMetrics(metrics(4, 4));
    EXPECT_TRUE(element->conformsToStoryboardMetrics(metrics(4, 4)));
    EXPECT_FALSE(element->conformsToStoryboardMetrics(metrics(4, 5)));
    EXPECT_TRUE(element->conformsToStoryboardMetrics(metrics(20, 4))); // 20 & 15 == 4
    EXPECT_EQ(MediaElement::bitfieldForStoryboardMetrics(metrics(4, 5)), 1 | (4 << 4) | (5 << 8));
    EXPECT_EQ(MediaElement::bitfieldForFilmstripMetrics(
                  { { QStringLiteral("FilmstripFrames"), qint64(5) },
                      { QStringLiteral("FilmstripRetina"), true } }),
        (5 << 4) | (1 << 13));

    EXPECT_FALSE(
        element->conformsToThumbnailMetrics({ { QStringLiteral("ThumbnailPosition"), 0.25 } }));
    element->mergeImageMetrics({ { QStringLiteral("ThumbnailPosition"), 0.25 } });
    EXPECT_TRUE(
        element->conformsToThumbnailMetrics({ { QStringLiteral("ThumbnailPosition"), 0.25 } }));
    EXPECT_TRUE(
        element->conformsToStoryboardMetrics(metrics(4, 4))); // merge kept the storyboard keys
}

TEST(MediaElement, UserFieldsByUndefinedKeys)
{
    const MediaElementPtr element = MediaElement::create(nullptr, QString());
    const QString field = QStringLiteral("6F1C0B9E-2D3A-4B5C-8D7E-9F0A1B2C3D4E");
    EXPECT_EQ(element->valueForKey(field).toString(), QStringLiteral(" "));
    EXPECT_EQ(element->arrayValueForUndefinedKey(field), QStringList { QString() });

    EXPECT_TRUE(element->setValueForKey(QStringLiteral("a, b ,\tc"), field));
    EXPECT_EQ(element->valueForKey(field).toString(), QStringLiteral("a, b ,\tc"));
    EXPECT_EQ(element->arrayValueForUndefinedKey(field),
        (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
    EXPECT_EQ(element->callFunction(QStringLiteral("arrayValueForUndefinedKey:"), { field })
                  .toArray()
                  .size(),
        3);

    element->setValueForUndefinedKey(PlistValue(), field);
    EXPECT_TRUE(element->userFields().isEmpty());
}

TEST(MediaElement, SetValueForKeyConvertsOrRefuses)
{
    const MediaElementPtr element = MediaElement::create(nullptr, QString());
    EXPECT_TRUE(element->setValueForKey(QStringLiteral("4"), QStringLiteral("rating")));
    EXPECT_EQ(element->rating(), 4);
    EXPECT_FALSE(element->setValueForKey(qint64(9), QStringLiteral("rating")));
    EXPECT_EQ(element->rating(), 4);
    EXPECT_FALSE(element->setValueForKey(PlistDictionary(), QStringLiteral("path")));
    EXPECT_FALSE(element->setValueForKey(QStringLiteral("x"), QStringLiteral("status")));
    EXPECT_FALSE(element->setValueForKey(QStringLiteral("ABC"), QStringLiteral("identifier")));
    EXPECT_TRUE(element->setValueForKey(2.5, QStringLiteral("duration")));
    EXPECT_DOUBLE_EQ(element->duration(), 2.5);
    EXPECT_TRUE(element->setValueForKey(PlistValue::null(), QStringLiteral("launchedDate")));
    EXPECT_FALSE(element->launchedDate().has_value());
}

TEST(MediaElement, ChangesAnnounceDerivedKeys)
{
    MediaLibrary library;
    const MediaElementPtr element
        = MediaElement::create(&library, QStringLiteral("/Volumes/A/one.mov"));
    QList<QSet<QString>> announced;
    QObject::connect(&library, &MediaLibrary::elementValuesChanged,
        [&](const QString &, const QSet<QString> &keys) { announced.append(keys); });

    element->setPath(QStringLiteral("/Volumes/A/two.mov"));
    ASSERT_EQ(announced.size(), 1);
    for (const char *key : { "path", "name", "device", "parentFolder", "status" })
        EXPECT_TRUE(announced.last().contains(QLatin1String(key))) << key;

    element->setPixelsWide(640);
    EXPECT_TRUE(announced.last().contains(QStringLiteral("aspectRatio")));
    EXPECT_TRUE(announced.last().contains(QStringLiteral("resolution")));
    element->setAssets(3);
    EXPECT_TRUE(announced.last().contains(QStringLiteral("status")));
    const qsizetype count = announced.size();
    element->setAssets(3); // no change, no announcement
    EXPECT_EQ(announced.size(), count);
}

TEST(MediaElement, RenameChangesCaseThroughADetour)
{
    ScratchDir scratch;
    const MediaElementPtr element = MediaElement::create(
        nullptr, writeFile(scratch.filePath(QStringLiteral("Clip.mov")), "x"));
    element->setName(QStringLiteral("clip"));
    EXPECT_EQ(element->name(), QStringLiteral("clip"));
    EXPECT_EQ(
        QDir(scratch.path()).entryList(QDir::Files), QStringList { QStringLiteral("clip.mov") });

    element->setName(QStringLiteral("Holiday"));
    EXPECT_EQ(element->path(),
        QFileInfo(scratch.filePath(QStringLiteral("Holiday.mov"))).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(element->path()));
}

TEST(MediaElement, RenameNeverReplacesOrLeavesTheFolder)
{
    ScratchDir scratch;
    const QString other = writeFile(scratch.filePath(QStringLiteral("Taken.mov")), "x");
    const MediaElementPtr element = MediaElement::create(
        nullptr, writeFile(scratch.filePath(QStringLiteral("Mine.mov")), "x"));
    const QString before = element->path();

    element->setName(QStringLiteral("Taken"));
    EXPECT_EQ(element->path(), before);
    QFile taken(other);
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.size(), 1); // the other file is untouched

    element->setName(QStringLiteral("../Escaped"));
    EXPECT_EQ(element->path(), before);
    EXPECT_FALSE(
        QFileInfo::exists(QFileInfo(scratch.path()).path() + QStringLiteral("/Escaped.mov")));
}

TEST(MediaElementArchive, RoundTripKeepsEveryStoredValue)
{
    MediaLibrary library;
    const MediaElementPtr element
        = MediaElement::create(&library, QStringLiteral("/Volumes/Films/Clip 7.mkv"));
    element->setAssets(7);
    element->setTool(QStringLiteral("com.tallowmere.vidarium.importer.ff"));
    element->setSize(123456789);
    element->setDuration(61.5);
    element->setPixelsWide(1280);
    element->setPixelsHigh(720);
    element->setFrameRate(25);
    element->setVideoCodec(QStringLiteral("H.264"));
    element->setAudioCodec(QStringLiteral("AAC"));
    element->setLaunchedDate(PlistDate { 700000000.25 });
    element->setPlayCount(3);
    element->setRating(5);
    element->setImageMetrics({ { QStringLiteral("ThumbnailPosition"), 0.5 } });
    element->setUserComments(QStringLiteral("clíp μLaw\ttab"));
    element->addKeywordWithIdentifier(QStringLiteral("K1"));
    element->addKeywordWithIdentifier(QStringLiteral("K2"));
    element->setValueForUndefinedKey(QStringLiteral("Canon"), QStringLiteral("F1"));
    element->setError(true);

    const MediaElementPtr decoded = roundTrip(*element);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->library(), nullptr);
    EXPECT_EQ(decoded->description(), element->description());
    EXPECT_EQ(decoded->device(), QStringLiteral("Films")); // stored before the path, kept
}

TEST(MediaElementArchive, WrongKindsAreIgnoredAndArraysReadAsSets)
{
    const QByteArray data = archiveWithFields({
        { QStringLiteral("identifier"), QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000A"),
            Field::Kind::Reference },
        { QStringLiteral("path"), PlistDictionary { { QStringLiteral("x"), qint64(1) } },
            Field::Kind::Reference },
        { QStringLiteral("rating"), QStringLiteral("five"), Field::Kind::Reference },
        { QStringLiteral("size"), PlistArray { qint64(1) }, Field::Kind::Reference },
        { QStringLiteral("userKeywords"),
            PlistArray { QStringLiteral("K1"), QStringLiteral("K2"), QStringLiteral("K1") },
            Field::Kind::Reference },
        { QStringLiteral("userFields"), QStringLiteral("not a dictionary"),
            Field::Kind::Reference },
        { QStringLiteral("imageMetrics"), QStringLiteral("nor this"), Field::Kind::Reference },
        { QStringLiteral("error"), true, Field::Kind::Inline },
    });
    Result<MediaElementPtr> decoded = MediaElement::fromPasteboardData(data);
    ASSERT_OK(decoded);
    const MediaElement &element = **decoded;
    EXPECT_EQ(element.identifier(), QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000A"));
    EXPECT_EQ(element.path(), QString());
    EXPECT_EQ(element.rating(), 0);
    EXPECT_EQ(element.size(), 0);
    EXPECT_EQ(element.userKeywords(), (QStringList { QStringLiteral("K1"), QStringLiteral("K2") }));
    EXPECT_TRUE(element.userFields().isEmpty());
    EXPECT_TRUE(element.imageMetrics().isEmpty());
    EXPECT_TRUE(element.error());
}

TEST(MediaElementArchive, PasteboardRefusesWhatIsNoElement)
{
    EXPECT_FALSE(MediaElement::fromPasteboardData(QByteArray("garbage")).ok());
    const QByteArray dictionary = KeyedArchiver::archivedData(
        PlistValue(PlistDictionary { { QStringLiteral("a"), true } }));
    EXPECT_FALSE(MediaElement::fromPasteboardData(dictionary).ok());
}
