#include "document/document.h"
#include "document/folderscan.h"

#include "model/documentdefaults.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "model/predicate.h"
#include "platform/filepath.h"
#include "platform/plist/keyedarchive.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

using namespace vidarium;
using vidarium::test::ScratchDir;
using vidarium::test::touch;

namespace {

void writeCatalogue(const QString &package, const PlistValue &root)
{
    QDir().mkpath(package);
    QFile file(package + QLatin1Char('/') + Package::CatalogueFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(KeyedArchiver::archivedData(root));
}

PlistValue object(const std::shared_ptr<ArchivedObject> &value)
{
    return PlistValue(value);
}

// Keeps the registered older-format readers of the process around a test.
class LegacyReaderScope
{
public:
    explicit LegacyReaderScope(Document::LegacyFormat format)
        : m_format(format)
        , m_saved(Document::legacyReader(format))
    {
    }
    ~LegacyReaderScope() { Document::setLegacyReader(m_format, m_saved); }

private:
    Document::LegacyFormat m_format;
    Document::LegacyReader m_saved;
};

} // namespace

TEST(Document, WrittenPackageReadsBackEqual)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Round.vidarium"));
    Document document;
    MediaLibrary &library = document.library();
    const MediaElementList elements
        = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))),
            touch(scratch.filePath(QStringLiteral("b.mkv"))),
            touch(scratch.filePath(QStringLiteral("c.mov"))) });
    ASSERT_EQ(elements.size(), 3);
    const MediaUserKeywordPtr keyword = library.createKeywordWithName(QStringLiteral("Beach"));
    const MediaUserFieldPtr field = library.createFieldWithName(QStringLiteral("Camera"));
    elements[0]->addKeywordWithIdentifier(keyword->identifier());
    elements[0]->setValueForUndefinedKey(QStringLiteral("Canon"), field->identifier());
    elements[0]->setRating(5);
    elements[0]->setLaunchedDate(PlistDate { 7.5e8 });
    library.trashElement(elements[1]);
    elements[2]->setError(true);
    library.dequeueElement(elements[2]);
    library.createPlaylist(QStringLiteral("Static"), std::nullopt, { elements[0] });
    library.createPlaylist(
        QStringLiteral("Smart"), *Predicate::parse(QStringLiteral("rating >= 4")));
    document.defaults().setRecentlyAddedDays(3);
    ASSERT_TRUE(document.writeToPath(path).ok());
    EXPECT_FALSE(document.isDocumentEdited());

    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const MediaLibrary &read = reopened.library();
    EXPECT_EQ(read.identifier(), library.identifier());
    EXPECT_EQ(read.batch(), library.batch());
    EXPECT_EQ(read.media().keys(), library.media().keys());
    EXPECT_EQ(read.trash().keys(), library.trash().keys());
    EXPECT_EQ(read.error().keys(), library.error().keys());
    for (const MediaElementPtr &element : library.allElements()) {
        const MediaElementPtr copy = read.elementWithIdentifier(element->identifier());
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->description(), element->description());
        EXPECT_EQ(copy->library(), &read);
    }
    EXPECT_EQ(read.userKeywords().keys(), library.userKeywords().keys());
    EXPECT_EQ(read.userFields().value(field->identifier())->name(), QStringLiteral("Camera"));
    EXPECT_EQ(read.playlists().size(), 10);
    for (const MediaPlaylistPtr &playlist : library.playlists()) {
        if (playlist->isBuiltIn())
            continue;
        const MediaPlaylistPtr copy = read.playlistWithIdentifier(playlist->identifier());
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->description(), playlist->description());
    }
    EXPECT_EQ(reopened.defaults().recentlyAddedDays(), 3);
    EXPECT_EQ(reopened.storedFormat(), Document::CurrentFormat);
    EXPECT_FALSE(reopened.versionAlert());
    EXPECT_FALSE(reopened.isDocumentEdited());
}

// Large libraries apply their paths on two threads once the catalogue is read: every
// element must still end with its own path, name, extension and device.
TEST(Document, ALargeLibraryReadsBackEveryPathAndDevice)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Large.vidarium"));
    Document document;
    MediaLibrary &library = document.library();
    ElementDictionary media;
    for (int i = 0; i < 3000; ++i) {
        // Files that exist take the volume they are on; missing ones keep what was stored.
        const QString file = i % 2 == 0
            ? touch(scratch.filePath(QStringLiteral("Films/%1/Clip %2.mov").arg(i / 500).arg(i)))
            : QStringLiteral("/Volumes/Card %1/DCIM/clip%2.mp4").arg(i % 7).arg(i);
        const MediaElementPtr element = MediaElement::create(&library, file);
        if (i % 4 == 0)
            element->setDevice(QStringLiteral("Where It Was Before"));
        media.insert(element->identifier(), element);
    }
    library.setMedia(media);
    ASSERT_TRUE(document.writeToPath(path).ok());
    const QString here
        = MediaElement::create(nullptr, touch(scratch.filePath(QStringLiteral("here.mov"))))
              ->device();

    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    ASSERT_EQ(reopened.library().media().size(), 3000);
    for (const MediaElementPtr &element : media) {
        SCOPED_TRACE(element->path().toStdString());
        const MediaElementPtr copy
            = reopened.library().elementWithIdentifier(element->identifier());
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy->path(), element->path());
        EXPECT_EQ(copy->name(), element->name());
        EXPECT_EQ(copy->extension(), element->extension());
        const bool exists = QFileInfo::exists(element->path());
        EXPECT_EQ(copy->device(), exists ? here : element->device());
    }
}

TEST(Document, BuiltInCollectionsStoredInPlaylistsAreMadeAfresh)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Built.vidarium"));
    Document document;
    const MediaPlaylistPtr mine
        = document.library().createPlaylist(QStringLiteral("Mine"), std::nullopt);
    PlistDictionary root = document.catalogueRoot();
    // A stale extra built-in, as a damaged or older catalogue might hold.
    auto extra = MediaPlaylist::create(nullptr, MediaPlaylist::TypeFavorites,
        QStringLiteral("Old Favorites"), *Predicate::parse(QStringLiteral("rating >= 1")));
    PlistDictionary playlists = root.value(QStringLiteral("Playlists")).toDictionary();
    playlists.insert(extra->identifier(), object(extra));
    root.insert(QStringLiteral("Playlists"), playlists);
    writeCatalogue(path, root);

    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const auto &read = reopened.library().playlists();
    EXPECT_EQ(read.size(), 9);
    EXPECT_TRUE(read.contains(mine->identifier()));
    EXPECT_FALSE(read.contains(extra->identifier()));
    for (const MediaPlaylistPtr &playlist : document.library().playlists()) {
        if (playlist->isBuiltIn())
            EXPECT_FALSE(read.contains(playlist->identifier())) << playlist->name().toStdString();
    }
    EXPECT_EQ(reopened.library().playlistWithType(MediaPlaylist::TypeFavorites)->name(),
        QStringLiteral("Favorites"));
}

TEST(Document, SavedCollectionsNameTheLibraryAsOwner)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Owner.vidarium"));
    Document document;
    document.library().createPlaylist(QStringLiteral("Mine"), std::nullopt);
    ASSERT_TRUE(document.writeToPath(path).ok());

    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const QString identifier = document.library().identifier();
    ASSERT_EQ(reopened.library().identifier(), identifier);
    const PlistDictionary saved
        = reopened.catalogueRoot().value(QStringLiteral("Playlists")).toDictionary();
    ASSERT_EQ(saved.size(), 9);
    for (const PlistValue &value : saved) {
        const MediaPlaylistPtr playlist = MediaPlaylist::fromValue(value);
        ASSERT_TRUE(playlist);
        EXPECT_EQ(playlist->owner().toStdString(), identifier.toStdString())
            << playlist->name().toStdString();
    }
}

TEST(Document, FormatNumbersDecideHowACatalogueIsRead)
{
    ScratchDir scratch;
    Document source;
    PlistDictionary root = source.catalogueRoot();

    const QString older = scratch.filePath(QStringLiteral("Nine.vidarium"));
    root.insert(QStringLiteral("Format"), qint64(9));
    writeCatalogue(older, root);
    Document nine;
    ASSERT_TRUE(nine.readFromPath(older).ok());
    EXPECT_TRUE(nine.versionAlert());
    EXPECT_EQ(nine.identifier(), source.identifier());

    const QString newer = scratch.filePath(QStringLiteral("Eleven.vidarium"));
    root.insert(QStringLiteral("Format"), qint64(11));
    root.insert(QStringLiteral("MinimumVersion"), QStringLiteral("4.0"));
    writeCatalogue(newer, root);
    Document eleven;
    const Result<void> refused = eleven.readFromPath(newer);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code(), Error::Code::Unsupported);
    EXPECT_TRUE(eleven.recoverySuggestion().endsWith(QStringLiteral("4.0.")))
        << eleven.recoverySuggestion().toStdString();
    EXPECT_FALSE(eleven.hasPackage());

    LegacyReaderScope scope(Document::LegacyFormat::LibraryV2);
    QString handedPath;
    PlistValue handedRoot;
    Document::setLegacyReader(Document::LegacyFormat::LibraryV2,
        [&](Document &document, const QString &path, const PlistValue &catalogue) -> Result<void> {
            handedPath = path;
            handedRoot = catalogue;
            document.adoptPackage(path);
            document.setVersionAlert();
            return {};
        });
    const QString second = scratch.filePath(QStringLiteral("Second.vidarium"));
    root.remove(QStringLiteral("Format"));
    writeCatalogue(second, root);
    Document v2;
    ASSERT_TRUE(v2.readFromPath(second).ok());
    EXPECT_EQ(handedPath, QFileInfo(second).absoluteFilePath());
    EXPECT_EQ(handedRoot.value(QStringLiteral("Identifier")).toString(), source.identifier());
    EXPECT_TRUE(v2.versionAlert());
    EXPECT_TRUE(v2.hasPackage());
}

TEST(Document, OlderFormatsWithoutAReaderAreRefusedClearly)
{
    ScratchDir scratch;
    LegacyReaderScope v1(Document::LegacyFormat::LibraryV1);
    LegacyReaderScope usher(Document::LegacyFormat::UsherExport);
    Document::setLegacyReader(Document::LegacyFormat::LibraryV1, {});
    Document::setLegacyReader(Document::LegacyFormat::UsherExport, {});
    const QString oldest = scratch.filePath(QStringLiteral("Old.vidariumlibrary"));
    touch(oldest + QLatin1Char('/') + Package::LegacyCatalogueFileName);
    Document document;
    Result<void> read = document.readFromPath(oldest);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().code(), Error::Code::Unsupported);
    read = document.readFromPath(touch(scratch.filePath(QStringLiteral("export.csv"))));
    ASSERT_FALSE(read.ok());
    EXPECT_FALSE(document.readFromPath(scratch.filePath(QStringLiteral("nothing-here"))).ok());
    QDir().mkpath(scratch.filePath(QStringLiteral("Empty.vidarium")));
    EXPECT_FALSE(document.readFromPath(scratch.filePath(QStringLiteral("Empty.vidarium"))).ok());
}

TEST(Document, DamagedCataloguesAreRefusedOrRepairedWithoutLoss)
{
    ScratchDir scratch;
    const QString package = scratch.filePath(QStringLiteral("Damaged.vidarium"));

    struct Refused
    {
        const char *what;
        QByteArray bytes;
    };
    const Refused refused[] = {
        { "garbage", QByteArray("not a property list at all") },
        { "empty", QByteArray() },
        { "root is an array", KeyedArchiver::archivedData(PlistValue(PlistArray { qint64(1) })) },
        { "root is a string", KeyedArchiver::archivedData(PlistValue(QStringLiteral("Media"))) },
    };
    for (const Refused &c : refused) {
        SCOPED_TRACE(c.what);
        QDir().mkpath(package);
        QFile file(package + QLatin1Char('/') + Package::CatalogueFileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        Document document;
        const Result<void> read = document.readFromPath(package);
        ASSERT_FALSE(read.ok());
        EXPECT_FALSE(read.error().message().isEmpty());
        EXPECT_FALSE(document.hasPackage());
    }

    // Values of the wrong kind are dropped; elements with unsafe or taken
    // identifiers keep their values under a new identifier.
    Document source;
    const MediaElementPtr good
        = MediaElement::create(&source.library(), QStringLiteral("/Volumes/A/good.mov"));
    const MediaElementPtr evil
        = MediaElement::create(&source.library(), QStringLiteral("/Volumes/A/evil.mov"));
    evil->setIdentifier(QStringLiteral("../../../../tmp/evil"));
    evil->setRating(3);
    const MediaElementPtr twin
        = MediaElement::create(&source.library(), QStringLiteral("/Volumes/A/twin.mov"));
    twin->setIdentifier(good->identifier());
    PlistDictionary root = source.catalogueRoot();
    root.insert(QStringLiteral("Media"),
        PlistDictionary { { good->identifier(), object(good) },
            { QStringLiteral("x"), object(evil) },
            { QStringLiteral("y"), QStringLiteral("not an element") },
            { QStringLiteral("z"), object(source.library().playlists().values().first()) } });
    root.insert(QStringLiteral("Trash"), PlistDictionary { { QStringLiteral("t"), object(twin) } });
    root.insert(QStringLiteral("Error"), QStringLiteral("a string where a dictionary belongs"));
    root.insert(QStringLiteral("UserKeywords"), PlistArray { qint64(3) });
    root.insert(QStringLiteral("Defaults"), QStringLiteral("no settings"));
    writeCatalogue(package, root);

    Document document;
    const Result<void> read = document.readFromPath(package);
    ASSERT_OK(read);
    const MediaLibrary &library = document.library();
    EXPECT_EQ(library.media().size(), 2);
    EXPECT_EQ(library.trash().size(), 1);
    EXPECT_TRUE(library.error().isEmpty());
    EXPECT_TRUE(library.media().contains(good->identifier()));
    for (const MediaElementPtr &element : library.allElements())
        EXPECT_TRUE(MediaLibrary::isValidIdentifier(element->identifier()))
            << element->identifier().toStdString();
    EXPECT_NE(library.trash().values().first()->identifier(), good->identifier());
    bool foundEvil = false;
    for (const MediaElementPtr &element : library.media())
        foundEvil
            |= element->path() == QStringLiteral("/Volumes/A/evil.mov") && element->rating() == 3;
    EXPECT_TRUE(foundEvil);

    // Saving the repaired library writes nothing outside the package.
    for (const MediaElementPtr &element : library.allElements())
        element->library()->setPosterData("poster", *element);
    ASSERT_TRUE(document.save().ok());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/evil")));
}

TEST(Document, ImportScansOffTheMainThreadAndQueuesOnIt)
{
    ScratchDir scratch;
    touch(scratch.filePath(QStringLiteral("in/a.mp4")));
    touch(scratch.filePath(QStringLiteral("in/b.MOV")));
    touch(scratch.filePath(QStringLiteral("in/notes.txt")));
    Document document;
    bool done = false;
    MediaElementList received;
    document.importMediaFiles(
        { scratch.filePath(QStringLiteral("in")) }, [&](const MediaElementList &elements) {
            received = elements;
            done = true;
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_EQ(received.size(), 2);
    EXPECT_EQ(document.library().media().size(), 2);
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST(Document, ImportsAskedForTogetherCatalogueEachFileOnce)
{
    // Each import stats the library's files on its worker: a second one must
    // not start before the first has taken its elements in.
    ScratchDir scratch;
    for (int i = 0; i < 40; ++i)
        touch(scratch.filePath(QStringLiteral("in/clip %1.mp4").arg(i)));
    Document document;
    int finished = 0;
    qsizetype received = 0;
    const auto done = [&](const MediaElementList &elements) {
        received += elements.size();
        ++finished;
    };
    document.importMediaFiles({ scratch.filePath(QStringLiteral("in")) }, done);
    document.importMediaFiles({ scratch.filePath(QStringLiteral("in/clip 7.mp4")) }, done);
    document.importMediaFiles({ scratch.filePath(QStringLiteral("in")) }, done);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished == 3; }, 10000));
    EXPECT_EQ(received, 40);
    EXPECT_EQ(document.library().media().size(), 40);
}

TEST(Document, LargeImportsAreTakenInASliceAtATime)
{
    // Between slices the event loop runs: a timer set before the import fires
    // before its last slice is in.
    ScratchDir scratch;
    for (int i = 0; i < 2500; ++i)
        touch(scratch.filePath(QStringLiteral("in/clip %1.mp4").arg(i)));
    Document document;
    QList<qsizetype> slices;
    qsizetype seenByTimer = -1;
    document.importMediaFiles(
        { scratch.filePath(QStringLiteral("in")) }, [&](const MediaElementList &elements) {
            slices.append(elements.size());
            if (slices.size() == 1)
                QTimer::singleShot(0, [&] { seenByTimer = document.library().media().size(); });
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return slices.size() == 2; }, 20000));
    EXPECT_EQ(slices, (QList<qsizetype> { 2000, 500 }));
    EXPECT_EQ(seenByTimer, 2000);
    EXPECT_EQ(document.library().media().size(), 2500);
}

TEST(FolderScan, FindsAcceptedFilesOnceAndRespectsPackages)
{
    ScratchDir scratch;
    const QString root = scratch.path();
    const QString visible = touch(root + QStringLiteral("/Films/a.mp4"));
    const QString upper = touch(root + QStringLiteral("/Films/deeper/b.MKV"));
    touch(root + QStringLiteral("/Films/.hidden.mp4"));
    touch(root + QStringLiteral("/Films/.cache/c.mp4"));
    touch(root + QStringLiteral("/Films/readme.txt"));
    touch(root + QStringLiteral("/Films/Other.vidarium/d.mp4"));
    const QString original
        = touch(root + QStringLiteral("/Films/Edit.fcpbundle/Event/Original Media/e.mov"));
    touch(root + QStringLiteral("/Films/Edit.fcpbundle/Event/Render Files/f.mov"));
    touch(root + QStringLiteral("/Films/CAPS.FCPBUNDLE/Event/Original Media/g.mov"));

    FolderScan::Options options {
        { QStringLiteral("mp4"), QStringLiteral("mkv"), QStringLiteral("mov") }, false
    };
    QStringList found = FolderScan::validImportFiles(
        { root + QStringLiteral("/Films"), visible, visible }, options);
    found.sort();
    EXPECT_EQ(found, (QStringList { visible, upper }));

    options.searchFCPXPackages = true;
    found = FolderScan::validImportFiles({ root + QStringLiteral("/Films") }, options);
    found.sort();
    EXPECT_EQ(found, (QStringList { original, visible, upper }));
    EXPECT_EQ(
        FolderScan::validImportFiles({ root + QStringLiteral("/Films/Edit.fcpbundle") }, options),
        QStringList { original });
    EXPECT_TRUE(FolderScan::validImportFiles(
        { root + QStringLiteral("/Films/CAPS.FCPBUNDLE"), root + QStringLiteral("/missing") },
        options)
                    .isEmpty());
}

namespace {

// Creates an empty file under a name given as bytes, as an old drive holds it.
void touchRaw(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ::close(fd);
}

} // namespace

TEST(FolderScan, FindsNamesThatAreNotUtf8InFoldersAndNamedDirectly)
{
    ScratchDir scratch;
    const QByteArray root = QFile::encodeName(scratch.path());
    ASSERT_EQ(::mkdir((root + "/Vac\xe9").constData(), 0755), 0);
    touchRaw(root + "/caf\xe9.mp4");
    touchRaw(root + "/Vac\xe9/pla\xefge.MOV");
    touchRaw(root + "/.hid\xe9.mp4");
    touchRaw(root + "/not\xe9.txt");

    const FolderScan::Options options { { QStringLiteral("mp4"), QStringLiteral("mov") }, false };
    QList<QByteArray> found;
    for (const QString &path : FolderScan::validImportFiles({ scratch.path() }, options))
        found.append(encodePath(path));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(
        found, (QList<QByteArray> { root + "/Vac\xe9/pla\xefge.MOV", root + "/caf\xe9.mp4" }));

    // Named directly, relative or absolute, each once.
    const QString direct = decodePath(root + "/caf\xe9.mp4");
    const QString relative = QDir::current().relativeFilePath(direct);
    const QStringList named = FolderScan::validImportFiles({ direct, relative }, options);
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(encodePath(named.first()), root + "/caf\xe9.mp4");
}

TEST(Document, CataloguesNamesThatAreNotUtf8AndKeepsThemAcrossSaving)
{
    ScratchDir scratch;
    const QByteArray bytes = QFile::encodeName(scratch.path()) + "/caf\xe9.mp4";
    touchRaw(bytes);
    Document document;
    const MediaElementList added = document.library().queueElementsWithURLs({ decodePath(bytes) });
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(encodePath(added.first()->path()), bytes);
    EXPECT_EQ(added.first()->name(), QStringLiteral("caf") + QChar(char16_t(0xDCE9)));
    EXPECT_TRUE(added.first()->fileExists());

    const QString path = scratch.filePath(QStringLiteral("Latin.vidarium"));
    ASSERT_TRUE(document.writeToPath(path).ok());
    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const MediaElementPtr copy
        = reopened.library().elementWithIdentifier(added.first()->identifier());
    ASSERT_TRUE(copy);
    EXPECT_EQ(encodePath(copy->path()), bytes);
    EXPECT_TRUE(copy->fileExists());
    EXPECT_EQ(encodePath(copy->path()), bytes); // found where it is, not followed elsewhere
}
