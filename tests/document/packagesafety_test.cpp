// Packages from anywhere: links, devices and FIFOs planted in a package never
// lead a read or a write outside it, and saves that fail or are cut short leave
// nothing behind.

#include "document/document.h"
#include "document/documentexport.h"
#include "document/package.h"
#include "document/packagefolder.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidarium;
using vidarium::test::readFile;
using vidarium::test::ScratchDir;
using vidarium::test::writeFile;

namespace {

void link(const QString &target, const QString &path)
{
    QFile::remove(path);
    ASSERT_EQ(
        ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0)
        << path.toStdString();
}

// As an earlier process would have left it.
void backdate(const QString &path)
{
    const timespec times[2]
        = { { std::time(nullptr) - 3600, 0 }, { std::time(nullptr) - 3600, 0 } };
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

// A saved library of one element with a thumbnail.
struct Library
{
    explicit Library(const ScratchDir &scratch)
        : path(scratch.filePath(QStringLiteral("Lib.vidarium")))
    {
        element
            = document.importMediaFilesNow({ writeFile(scratch.filePath("a.mp4"), {}) }).value(0);
        EXPECT_TRUE(element);
        element->addAssets(AssetThumbnail);
        element->library()->setThumbnailData("thumbnail", *element);
        EXPECT_TRUE(document.writeToPath(path).ok());
    }
    QString image(ElementImage kind) const
    {
        return path + QLatin1Char('/') + Package::relativeImagePath(kind, element->identifier());
    }

    QString path;
    Document document;
    MediaElementPtr element;
};

} // namespace

TEST(HostilePackage, LinksUnderTemporaryNamesAreNeverWrittenThrough)
{
    ScratchDir scratch;
    Library library(scratch);
    const QString victim = writeFile(scratch.filePath("victim"), "precious");
    const QString image = library.image(ElementImage::Thumbnail);
    const QFileInfo info(image);
    link(victim, info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving"));
    link(victim,
        library.path + QLatin1Char('/') + PackageFolder::temporaryName(Package::CatalogueFileName));

    library.element->library()->setThumbnailData("second", *library.element);
    library.element->setRating(2);
    library.document.updateChangeCount(Document::Change::Done);
    const Result<void> saved = library.document.save();
    ASSERT_OK(saved);
    EXPECT_EQ(readFile(victim), QByteArray("precious"));
    EXPECT_EQ(readFile(image), QByteArray("second"));
    EXPECT_FALSE(QFileInfo(image).isSymLink());
    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(library.path).ok());
    EXPECT_EQ(reopened.library().elementWithIdentifier(library.element->identifier())->rating(), 2);
}

TEST(HostilePackage, LinkedImageFoldersAndFilesAreNeitherReadNorWritten)
{
    ScratchDir scratch;
    Library library(scratch);
    const QString identifier = library.element->identifier();
    // Outside: a folder laid out like an image folder, and a private file.
    const QString outside = scratch.filePath("outside");
    const QString secret = writeFile(scratch.filePath("secret"), "private bytes");
    writeFile(
        outside + QStringLiteral("/%1/%2/%3").arg(identifier[0]).arg(identifier[1]).arg(identifier),
        "outside image");
    const QStringList outsideBefore = entriesBelow(outside);

    // A link in place of the thumbnail file, and a whole storyboard folder that is a link.
    link(secret, library.image(ElementImage::Thumbnail));
    ASSERT_TRUE(QDir(library.path + QStringLiteral("/Storyboards")).removeRecursively());
    link(outside, library.path + QStringLiteral("/Storyboards"));
    library.element->addAssets(AssetStoryboard);

    Document reader;
    ASSERT_TRUE(reader.readFromPath(library.path).ok());
    const MediaElementPtr element = reader.library().elementWithIdentifier(identifier);
    EXPECT_TRUE(reader.library().imageDataForElement(ElementImage::Thumbnail, *element).isEmpty());
    EXPECT_TRUE(reader.library().imageDataForElement(ElementImage::Storyboard, *element).isEmpty());
    EXPECT_FALSE(reader.package().hasImage(ElementImage::Thumbnail, identifier));

    // Export copies out no image through a link.
    const QString exported = scratch.filePath("exported");
    QDir().mkpath(exported);
    DocumentExport exporter(reader.library());
    for (ElementImage kind : { ElementImage::Thumbnail, ElementImage::Storyboard }) {
        const Result<int> written = exporter.exportImages(kind, exported);
        ASSERT_TRUE(written.ok());
        EXPECT_EQ(*written, 0);
    }

    // Saving a storyboard through the linked folder is refused with the reason.
    library.element->library()->setStoryboardData("board", *library.element);
    const Result<void> saved = library.document.save();
    ASSERT_FALSE(saved.ok());
    EXPECT_TRUE(saved.error().message().contains(QStringLiteral("symbolic link")))
        << saved.error().message().toStdString();
    EXPECT_EQ(entriesBelow(outside), outsideBefore);
    EXPECT_EQ(readFile(secret), QByteArray("private bytes"));

    // Save As to a new place carries no link along.
    ASSERT_TRUE(QFile::remove(library.path + QStringLiteral("/Storyboards")));
    library.element->library()->setStoryboardData(QByteArray(), *library.element);
    const QString copy = scratch.filePath("Copy.vidarium");
    const Result<void> copied = reader.writeToPath(copy);
    ASSERT_OK(copied);
    for (const QString &entry : entriesBelow(copy))
        EXPECT_FALSE(QFileInfo(copy + QLatin1Char('/') + entry).isSymLink()) << entry.toStdString();
    EXPECT_EQ(readFile(secret), QByteArray("private bytes"));
}

TEST(HostilePackage, CatalogueThatIsNotARegularFileIsRefusedAtOnce)
{
    ScratchDir scratch;
    const QString path = Library(scratch).path;
    const QString catalogue = path + QLatin1Char('/') + Package::CatalogueFileName;
    const QString elsewhere = scratch.filePath("elsewhere.plist");
    ASSERT_TRUE(QFile::rename(catalogue, elsewhere));

    struct Case
    {
        const char *name;
        std::function<void()> plant;
    };
    const Case cases[] = {
        { "link to /dev/zero", [&] { link(QStringLiteral("/dev/zero"), catalogue); } },
        { "FIFO",
            [&] {
                QFile::remove(catalogue);
                ASSERT_EQ(::mkfifo(QFile::encodeName(catalogue).constData(), 0600), 0);
            } },
        { "link to a catalogue outside", [&] { link(elsewhere, catalogue); } },
    };
    for (const Case &plant : cases) {
        SCOPED_TRACE(plant.name);
        plant.plant();
        QElapsedTimer timer;
        timer.start();
        Document document;
        const Result<void> read = document.readFromPath(path);
        EXPECT_LT(timer.elapsed(), 5000);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().message().contains(QStringLiteral("Lib.vidarium")))
            << read.error().message().toStdString();
        EXPECT_FALSE(document.hasPackage());
    }
}

TEST(FailedSave, DiskFullTakesBackTheImagesItAddedAndLeavesNoTemporaries)
{
    ScratchDir scratch;
    Library library(scratch);
    const QByteArray catalogue
        = readFile(library.path + QLatin1Char('/') + Package::CatalogueFileName);
    const QStringList before = entriesBelow(library.path);
    const MediaElementPtr added
        = library.document.importMediaFilesNow({ writeFile(scratch.filePath("b.mp4"), {}) })
              .value(0);
    ASSERT_TRUE(added);
    added->library()->setThumbnailData("new", *added);
    added->library()->setPosterData("poster", *added);

    // The disk "fills up" once the small images are written: the catalogue does not fit.
    ASSERT_LT(catalogue.size(), 64 * 1024);
    rlimit original {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = original;
    full.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    const Result<void> saved = library.document.save();
    ::setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(entriesBelow(library.path), before);
    EXPECT_EQ(readFile(library.path + QLatin1Char('/') + Package::CatalogueFileName), catalogue);
    EXPECT_EQ(library.document.library()
                  .imageStore()
                  .pendingImages(ElementImage::Thumbnail)
                  .value(added->identifier()),
        QByteArray("new"));
    ASSERT_TRUE(library.document.save().ok());
    EXPECT_EQ(readFile(library.path + QLatin1Char('/')
                  + Package::relativeImagePath(ElementImage::Poster, added->identifier())),
        QByteArray("poster"));
}

TEST(InterruptedSave, LeftoversOfEarlierProcessesAreRemovedWhenTheLockIsTaken)
{
    ScratchDir scratch;
    QString path;
    QString identifier;
    {
        Library library(scratch);
        path = library.path;
        identifier = library.element->identifier();
    }
    const QStringList clean = entriesBelow(path);
    const QString image
        = path + QLatin1Char('/') + Package::relativeImagePath(ElementImage::Thumbnail, identifier);
    const QFileInfo info(image);
    const QStringList stale = {
        info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".saving"),
        path + QLatin1Char('/') + PackageFolder::temporaryName(Package::CatalogueFileName),
    };
    for (const QString &file : stale) {
        writeFile(file, "half");
        backdate(file);
    }
    const QString staleStaging = scratch.filePath(".Lib.vidarium.saving-0badf00d");
    const QString staleReplaced = scratch.filePath(".Lib.vidarium.saving-0badf00e-replaced");
    const QString busyStaging = scratch.filePath(".Lib.vidarium.saving-0badf00f");
    const QString freshStaging = scratch.filePath(".Lib.vidarium.saving-0badf010");
    const QString otherLibrary = scratch.filePath(".Other.vidarium.saving-0badf011");
    for (const QString &folder :
        { staleStaging, staleReplaced, busyStaging, freshStaging, otherLibrary }) {
        writeFile(folder + QStringLiteral("/Thumbnails/x"), "x");
        if (folder != freshStaging)
            backdate(folder);
    }
    Result<LibraryLock> building = LibraryLock::acquire(busyStaging, LibraryLock::Wait::No);
    ASSERT_TRUE(building.ok());
    backdate(busyStaging);

    // A reader removes nothing.
    {
        Document reader;
        ASSERT_TRUE(reader.readFromPath(path).ok());
    }
    EXPECT_TRUE(QFileInfo::exists(staleStaging));
    for (const QString &file : stale)
        EXPECT_TRUE(QFileInfo::exists(file));

    Document writer;
    ASSERT_TRUE(writer.lockForWriting(path, LibraryLock::Wait::No).ok());
    ASSERT_TRUE(writer.readFromPath(path).ok());
    for (const QString &file : stale)
        EXPECT_FALSE(QFileInfo::exists(file)) << file.toStdString();
    EXPECT_FALSE(QFileInfo::exists(staleStaging));
    EXPECT_FALSE(QFileInfo::exists(staleReplaced));
    EXPECT_TRUE(QFileInfo::exists(busyStaging)); // a save is building it
    EXPECT_TRUE(QFileInfo::exists(freshStaging)); // made since this process started
    EXPECT_TRUE(QFileInfo::exists(otherLibrary)); // not this library's
    QStringList now = entriesBelow(path);
    now.removeAll(LibraryLock::FileName);
    EXPECT_EQ(now, clean);
}
