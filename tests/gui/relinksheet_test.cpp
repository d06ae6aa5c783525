// The relink sheet over real files in a scratch folder: which files match a
// missing element, finding a moved tree from one located file, the files it
// refuses and why, and what OK does to the elements.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "window/documentwindowcontroller.h"
#include "window/panels.h"
#include "window/relinkmatcher.h"
#include "window/relinksheet.h"

#include <QDir>
#include <QFile>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

const QDateTime Recorded = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

class RelinkTest : public ::testing::Test
{
protected:
    void SetUp() override { resetTestDefaults(); }
    void TearDown() override { Panels::setOverride({}); }

    // A file of `size` bytes modified at `modified`.
    QString makeFile(const QString &relative, qint64 size, const QDateTime &modified = Recorded)
    {
        const QString path = scratch.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'v'));
        file.flush();
        file.setFileTime(modified, QFileDevice::FileModificationTime);
        return path;
    }
    // An element whose file was at `relative` under the scratch folder's "Old" and is gone.
    MediaElementPtr addMissing(const QString &relative, qint64 size)
    {
        MediaElementPtr element
            = MediaElement::create(&document.library(), scratch.filePath("Old/" + relative));
        element->setSize(size);
        element->setModifiedDate(PlistDate::fromDateTime(Recorded));
        addToLibrary(element);
        return element;
    }
    void addToLibrary(const MediaElementPtr &element)
    {
        ElementDictionary media = document.library().media();
        media.insert(element->identifier(), element);
        document.library().setMedia(media);
    }
    std::unique_ptr<RelinkSheet> openSheet()
    {
        auto sheet = std::make_unique<RelinkSheet>(document, nullptr);
        EXPECT_TRUE(waitUntil([&] { return !sheet->isScanning(); }));
        return sheet;
    }

    ScratchDir scratch;
    Document document;
};

QStringList names(const MediaElementList &elements)
{
    QStringList result;
    for (const MediaElementPtr &element : elements)
        result.append(element->name());
    return result;
}

} // namespace

TEST_F(RelinkTest, TheMatchingRuleComparesExtensionSizeAndDate)
{
    MediaElementPtr element = addMissing(QStringLiteral("clip.mov"), 10);
    const RelinkMatcher::Facts facts = RelinkMatcher::factsOf(*element);
    using V = RelinkMatcher::Verdict;
    struct Case
    {
        const char *name;
        qint64 size;
        qint64 seconds;
        V verdict;
    };
    const Case cases[] = {
        { "a.mov", 10, 172800, V::Matches },
        { "b.mov", 10, -172800, V::Matches },
        { "c.mov", 10, 172801, V::Date },
        { "d.mov", 10, -172801, V::Date },
        { "e.MOV", 10, 0, V::Extension },
        { "f.mov", 11, 0, V::Size },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path
            = makeFile(QStringLiteral("New/") + c.name, c.size, Recorded.addSecs(c.seconds));
        EXPECT_EQ(RelinkMatcher::check(path, facts).verdict, c.verdict);
    }
    EXPECT_EQ(RelinkMatcher::check(scratch.filePath("New/none.mov"), facts).verdict, V::Unreadable);
    EXPECT_EQ(RelinkMatcher::check(scratch.filePath("New"), facts).verdict, V::NotAFile);
    // Without a recorded date nothing can be recognised as the file.
    element->setModifiedDate(PlistDate {});
    EXPECT_EQ(RelinkMatcher::check(scratch.filePath("New/a.mov"), RelinkMatcher::factsOf(*element))
                  .verdict,
        V::NoDate);
    EXPECT_EQ(RelinkMatcher::candidatePath(QStringLiteral("/Old/A/x.mov"),
                  QStringLiteral("/New/A/x.mov"), QStringLiteral("/Old/B/y.mov")),
        QStringLiteral("/New/B/y.mov"));
}

TEST_F(RelinkTest, ALibraryWithoutMissingFilesChangesNothing)
{
    MediaElementPtr present = MediaElement::create(&document.library(), makeFile("here.mov", 3));
    addToLibrary(present);
    int posted = 0;
    const ObserverToken token
        = NotificationCenter::instance().addObserver(DispatchNotification::SourceDidModifyElements,
            [&posted](const Notification &) { ++posted; });
    auto sheet = openSheet();
    EXPECT_TRUE(sheet->missingElements().isEmpty());
    EXPECT_TRUE(sheet->matchedElements().isEmpty());
    EXPECT_EQ(sheet->summaryText(), QStringLiteral("Matched 0 of 0 missing files."));
    sheet->okButtonAction();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    processEvents();
    EXPECT_EQ(posted, 0);
    EXPECT_FALSE(document.isDocumentEdited());
    NotificationCenter::instance().removeObserver(token);
}

TEST_F(RelinkTest, LocatingOneFileFindsTheRestOfTheMovedTree)
{
    const MediaElementPtr x = addMissing(QStringLiteral("A/x.mov"), 5);
    const MediaElementPtr y = addMissing(QStringLiteral("B/y.mov"), 6);
    const MediaElementPtr z = addMissing(QStringLiteral("B/deep/z.mp4"), 7);
    const MediaElementPtr lost = addMissing(QStringLiteral("A/lost.mov"), 8);
    const QString newX = makeFile(QStringLiteral("New/A/x.mov"), 5);
    makeFile(QStringLiteral("New/B/y.mov"), 6);
    makeFile(QStringLiteral("New/B/deep/z.mp4"), 7);
    auto sheet = openSheet();
    EXPECT_EQ(names(sheet->missingElements()), QStringList({ "lost", "x", "y", "z" }));
    EXPECT_EQ(sheet->summaryText(), QStringLiteral("Matched 0 of 4 missing files."));

    EXPECT_TRUE(sheet->locate(x, newX).isEmpty());
    EXPECT_EQ(names(sheet->matchedElements()), QStringList({ "x", "y", "z" }));
    EXPECT_EQ(names(sheet->missingElements()), QStringList({ "lost" }));
    EXPECT_EQ(sheet->summaryText(), QStringLiteral("Matched 3 of 4 missing files."));

    // Moving one back puts it among the missing, by name.
    sheet->removeMatchedElements({ y });
    EXPECT_EQ(names(sheet->missingElements()), QStringList({ "lost", "y" }));
    EXPECT_EQ(sheet->summaryText(), QStringLiteral("Matched 2 of 4 missing files."));

    int posted = 0;
    const ObserverToken token
        = NotificationCenter::instance().addObserver(DispatchNotification::SourceDidModifyElements,
            [&posted](const Notification &) { ++posted; });
    sheet->okButtonAction();
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(x->path(), newX);
    EXPECT_TRUE(x->fileExists());
    EXPECT_EQ(z->path(), scratch.filePath("New/B/deep/z.mp4"));
    EXPECT_EQ(y->path(), scratch.filePath("Old/B/y.mov"));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(RelinkTest, AFileIsNeverGivenToTwoElements)
{
    const MediaElementPtr first = addMissing(QStringLiteral("first.mov"), 4);
    const MediaElementPtr second = addMissing(QStringLiteral("second.mov"), 4);
    const QString held = makeFile(QStringLiteral("Library/held.mov"), 4);
    addToLibrary(MediaElement::create(&document.library(), held));
    const QString free = makeFile(QStringLiteral("New/free.mov"), 4);
    auto sheet = openSheet();
    ASSERT_EQ(sheet->missingElements().size(), 2);

    const QString refused = sheet->locate(first, held);
    EXPECT_TRUE(refused.contains(QStringLiteral("in this library"))) << refused.toStdString();
    EXPECT_EQ(sheet->messageText(), refused);
    // Through a link or a ".." the file is still the same file.
    ASSERT_EQ(::symlink(QFile::encodeName(held).constData(),
                  QFile::encodeName(scratch.filePath("link.mov")).constData()),
        0);
    EXPECT_FALSE(sheet->locate(first, scratch.filePath("link.mov")).isEmpty());
    EXPECT_TRUE(sheet->locate(first, scratch.filePath("Library/../New/free.mov")).isEmpty());
    EXPECT_EQ(sheet->matchedPath(first), free);
    EXPECT_TRUE(sheet->messageText().isEmpty());
    EXPECT_FALSE(sheet->locate(second, free).isEmpty());
    EXPECT_EQ(sheet->matchedElements().size(), 1);
}

TEST_F(RelinkTest, UnreachableAndChangedFilesAreRefusedWithAReason)
{
    const MediaElementPtr element = addMissing(QStringLiteral("A/clip.mov"), 9);
    const MediaElementPtr other = addMissing(QStringLiteral("B/clip2.mov"), 9);
    const QString found = makeFile(QStringLiteral("New/A/clip.mov"), 9);
    // "New/B" is a link to itself: nothing below it can be reached.
    ASSERT_EQ(::symlink("B", QFile::encodeName(scratch.filePath("New/B")).constData()), 0);
    auto sheet = openSheet();
    // Discovery passes over the place it cannot reach.
    EXPECT_TRUE(sheet->locate(element, found).isEmpty());
    EXPECT_EQ(sheet->matchedElements(), MediaElementList({ element }));
    const QString unreadable = RelinkMatcher::reason(RelinkMatcher::Verdict::Unreadable);
    EXPECT_TRUE(sheet->locate(other, scratch.filePath("New/B/clip2.mov")).contains(unreadable));
    // A folder without permission (which only binds users other than root).
    const QString hidden = makeFile(QStringLiteral("Locked/clip2.mov"), 9);
    ASSERT_TRUE(QFile::setPermissions(scratch.filePath("Locked"), QFileDevice::Permissions {}));
    const QString refused = sheet->locate(other, hidden);
    QFile::setPermissions(scratch.filePath("Locked"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (::geteuid() != 0)
        EXPECT_TRUE(refused.contains(unreadable));
    sheet->removeMatchedElements({ other });

    // The file grows after it was matched: OK keeps the sheet open and says so.
    QFile file(found);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("more");
    file.close();
    sheet->okButtonAction();
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_FALSE(sheet->messageText().isEmpty());
    EXPECT_TRUE(sheet->matchedElements().isEmpty());
    EXPECT_EQ(element->path(), scratch.filePath("Old/A/clip.mov"));
}

TEST_F(RelinkTest, TheWindowCommandLocatesThroughThePanel)
{
    const MediaElementPtr element = addMissing(QStringLiteral("A/clip.mov"), 2);
    const QString found = makeFile(QStringLiteral("New/clip.mov"), 2);
    const QString wrong = makeFile(QStringLiteral("New/other.mov"), 3);
    const std::unique_ptr<DispatchController> dispatcher = makeTestDispatcher();
    DocumentWindowController window(document, *dispatcher);
    bool acceptsFound = false;
    bool acceptsWrong = true;
    QString message;
    Panels::setOverride([&](const Panels::Request &request) {
        acceptsFound = request.acceptFile && request.acceptFile(found);
        acceptsWrong = request.acceptFile && request.acceptFile(wrong);
        message = request.message;
        return QStringList { found };
    });
    window.perform(QStringLiteral("showRelinkFilesSheet:"));
    auto *sheet = qobject_cast<RelinkSheet *>(window.attachedSheet());
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(waitUntil([&] { return !sheet->isScanning(); }));
    sheet->missingView()->topLevelItem(0)->setSelected(true);
    sheet->locateButtonAction();
    ASSERT_TRUE(waitUntil([&] { return !sheet->matchedElements().isEmpty(); }));
    EXPECT_TRUE(acceptsFound);
    EXPECT_FALSE(acceptsWrong);
    EXPECT_EQ(message, QStringLiteral("Original file: ") + scratch.filePath("Old/A/clip.mov"));
    sheet->okButtonAction();
    EXPECT_EQ(element->path(), found);
    processEvents();
    EXPECT_FALSE(window.isSheetAttached());
    window.cleanup();
}
