#include "guitestsupport.h"

#include "app/aboutwindow.h"
#include "app/appdelegate.h"
#include "app/documentcontroller.h"
#include "app/versioninfo.h"
#include "app/welcomecontroller.h"
#include "document/document.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "platform/bookmark.h"
#include "platform/userdefaults.h"
#include "window/documentsaver.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class AppDelegateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults(false);
        dispatcher = makeTestDispatcher();
        documents = std::make_unique<DocumentController>(testDefaults(), *dispatcher);
    }
    void TearDown() override
    {
        delegate.reset();
        documents.reset();
        processEvents();
    }

    AppDelegate &makeDelegate(Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool tools = true)
    {
        AppDelegate::Options options;
        options.modifiers = [modifiers] { return modifiers; };
        options.externalToolsInstalled = [tools] { return tools; };
        options.quit = [this] { ++quits; };
        options.watchSystem = false;
        delegate = std::make_unique<AppDelegate>(
            testDefaults(), Definitions::shared(), *documents, options);
        return *delegate;
    }

    void launch(AppDelegate &app, const QStringList &paths = {})
    {
        app.launch(paths);
        ASSERT_TRUE(waitUntil([&app] { return app.fullyLaunched(); }));
    }

    void restoreList(const QStringList &paths)
    {
        PlistArray bookmarks;
        for (const QString &path : paths) {
            const QByteArray bookmark = Bookmark::create(path);
            bookmarks.append(PlistValue(bookmark.isEmpty() ? QByteArray("gone") : bookmark));
        }
        testDefaults().setBool(QStringLiteral("OpenLastDocument"), true);
        testDefaults().setArray(DocumentController::DocumentsToRestoreKey, bookmarks);
    }

    int untitledCount() const
    {
        int count = 0;
        for (Document *document : documents->documents())
            count += document->filePath().isEmpty() ? 1 : 0;
        return count;
    }

    QMessageBox *closeCheck() const
    {
        for (DocumentWindowController *window : documents->windowControllers()) {
            if (auto *alert = qobject_cast<QMessageBox *>(window->attachedSheet()))
                return alert;
        }
        return nullptr;
    }

    void click(QMessageBox *alert, const char *key)
    {
        const QString text = Definitions::shared().localizedString(QString::fromLatin1(key));
        for (QAbstractButton *button : alert->buttons()) {
            if (button->text() == text) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << key;
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentController> documents;
    std::unique_ptr<AppDelegate> delegate;
    ScratchDir scratch;
    int quits = 0;
};

} // namespace

TEST_F(AppDelegateTest, FirstStartSeedsEveryDefaultAndASecondStartWritesNone)
{
    const PlistDictionary table = Definitions::shared().applicationDefaults();
    ASSERT_FALSE(table.isEmpty());
    launch(makeDelegate());
    QStringList seeded = delegate->seededKeys();
    seeded.sort();
    EXPECT_EQ(seeded, table.keys());
    for (const QString &key : table.keys())
        EXPECT_TRUE(testDefaults().hasUserValue(key)) << key.toStdString();

    testDefaults().setBool(QStringLiteral("UseColorIcons"), false);
    delegate.reset();
    documents = std::make_unique<DocumentController>(testDefaults(), *dispatcher);
    launch(makeDelegate());
    EXPECT_TRUE(delegate->seededKeys().isEmpty());
    EXPECT_FALSE(testDefaults().boolForKey(QStringLiteral("UseColorIcons")));
}

TEST_F(AppDelegateTest, ControlHeldAloneOpensOneUntitledLibraryWithoutRestoring)
{
    const QString saved = makePackage(scratch.path(), QStringLiteral("Saved"));
    restoreList({ saved });
    launch(makeDelegate(Qt::ControlModifier));
    EXPECT_EQ(documents->documents().size(), 1);
    EXPECT_EQ(untitledCount(), 1);
    EXPECT_TRUE(testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey).isEmpty());
}

TEST_F(AppDelegateTest, ControlWithShiftRestoresAsUsual)
{
    const QString saved = makePackage(scratch.path(), QStringLiteral("Saved"));
    restoreList({ saved });
    launch(makeDelegate(Qt::ControlModifier | Qt::ShiftModifier));
    ASSERT_EQ(documents->documents().size(), 1);
    EXPECT_EQ(documents->documents().first()->filePath(), QFileInfo(saved).absoluteFilePath());
}

TEST_F(AppDelegateTest, UnresolvableOrJunkRestoreListsGiveExactlyOneUntitledLibrary)
{
    restoreList({ scratch.filePath(QStringLiteral("Gone.vidarium")), QStringLiteral("/nowhere") });
    launch(makeDelegate());
    EXPECT_EQ(documents->documents().size(), 1);
    EXPECT_EQ(untitledCount(), 1);

    delegate.reset();
    documents = std::make_unique<DocumentController>(testDefaults(), *dispatcher);
    testDefaults().setString(DocumentController::DocumentsToRestoreKey, QStringLiteral("junk"));
    launch(makeDelegate());
    EXPECT_EQ(documents->documents().size(), 1);
    EXPECT_EQ(untitledCount(), 1);
}

TEST_F(AppDelegateTest, RestoreListIsEmptiedBeforeTheFirstLibraryOpens)
{
    const QString saved = makePackage(scratch.path(), QStringLiteral("Saved"));
    restoreList({ saved });
    std::optional<qsizetype> storedWhenOpening;
    // The windows close in TearDown, after storedWhenOpening is gone; the receiver
    // ends the connection with this scope.
    const QObject scope;
    QObject::connect(
        documents.get(), &DocumentController::documentsChanged, &scope, [&storedWhenOpening] {
            if (!storedWhenOpening) {
                storedWhenOpening
                    = testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey).size();
            }
        });
    launch(makeDelegate());
    ASSERT_TRUE(storedWhenOpening);
    EXPECT_EQ(*storedWhenOpening, 0);
    EXPECT_EQ(documents->documents().size(), 1);
}

TEST_F(AppDelegateTest, CommandLinePathsOpenBesideTheRestoredLibraries)
{
    const QString restored = makePackage(scratch.path(), QStringLiteral("Restored"));
    const QString named = makePackage(scratch.path(), QStringLiteral("Named"));
    restoreList({ restored });
    launch(makeDelegate(), { named });
    EXPECT_EQ(documents->documents().size(), 2);
    delegate->openPaths({ named });
    EXPECT_EQ(documents->documents().size(), 2);
}

TEST_F(AppDelegateTest, WelcomeWindowOnlyWhileTheProgramsAreMissing)
{
    testDefaults().setBool(QStringLiteral("ShowWelcomeWindow"), true);
    launch(makeDelegate(Qt::NoModifier, true));
    EXPECT_FALSE(WelcomeController::sharedWelcomeController().isVisible());

    delegate.reset();
    documents = std::make_unique<DocumentController>(testDefaults(), *dispatcher);
    AppDelegate &app = makeDelegate(Qt::NoModifier, false);
    app.launch();
    ASSERT_TRUE(waitUntil([] { return WelcomeController::sharedWelcomeController().isVisible(); }));
    EXPECT_FALSE(app.fullyLaunched());
    WelcomeController::sharedWelcomeController().okButtonAction();
    EXPECT_TRUE(waitUntil([&app] { return app.fullyLaunched(); }));
    EXPECT_EQ(WelcomeController::versionString(), VersionInfo::versionString());
}

TEST_F(AppDelegateTest, QuittingRecordsSavedLibrariesAndAsksAboutUnsavedOnes)
{
    launch(makeDelegate());
    const QString one = makePackage(scratch.path(), QStringLiteral("One"));
    const QString two = makePackage(scratch.path(), QStringLiteral("Two"));
    ASSERT_TRUE(documents->openDocumentWithPath(one, false).ok());
    ASSERT_TRUE(documents->openDocumentWithPath(two, false).ok());
    Document *edited = documents->documents().last();
    edited->updateChangeCount(Document::Change::Done);

    std::optional<bool> quitting;
    delegate->requestQuit([&quitting](bool answer) { quitting = answer; });
    ASSERT_TRUE(waitUntil([this] { return closeCheck() != nullptr; }));
    click(closeCheck(), "SaveDocumentAlertCancelButtonText");
    ASSERT_TRUE(waitUntil([&quitting] { return quitting.has_value(); }));
    EXPECT_FALSE(*quitting);
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(documents->documents().size(), 3);

    quitting.reset();
    processEvents();
    delegate->requestQuit([&quitting](bool answer) { quitting = answer; });
    ASSERT_TRUE(waitUntil([this] { return closeCheck() != nullptr; }));
    click(closeCheck(), "SaveDocumentAlertNoSaveButtonText");
    ASSERT_TRUE(waitUntil([&quitting] { return quitting.has_value(); }));
    EXPECT_TRUE(*quitting);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(documents->documents().isEmpty());
    // Two saved libraries and the untitled one opened at start: two bookmarks.
    EXPECT_EQ(testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey).size(), 2);
}

TEST_F(AppDelegateTest, QuittingWithNothingOpenKeepsTheRestoreList)
{
    launch(makeDelegate());
    documents->closeDocument(documents->documents().first());
    const QString saved = makePackage(scratch.path(), QStringLiteral("Saved"));
    restoreList({ saved });
    delegate->requestQuit();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey).size(), 1);
}

TEST_F(AppDelegateTest, ClosingTheLastWindowGoesThroughTheQuitRoutine)
{
    launch(makeDelegate());
    ASSERT_EQ(documents->documents().size(), 1);
    DocumentWindowController *window = documents->windowControllers().first();
    window->window()->close();
    EXPECT_TRUE(waitUntil([this] { return quits == 1; }));
    EXPECT_TRUE(documents->documents().isEmpty());
}

TEST_F(AppDelegateTest, TerminationRecordsTheLibrariesWithoutAsking)
{
    launch(makeDelegate());
    const QString saved = makePackage(scratch.path(), QStringLiteral("Saved"));
    ASSERT_TRUE(documents->openDocumentWithPath(saved, false).ok());
    documents->documents().last()->updateChangeCount(Document::Change::Done);
    delegate->terminateNow();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(documents->documents().isEmpty());
    EXPECT_EQ(testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey).size(), 1);
}

TEST_F(AppDelegateTest, BrokenDefinitionTablesGiveAWindowWithEmptyMenus)
{
    const Definitions broken = Definitions::load(scratch.filePath(QStringLiteral("missing.plist")),
        scratch.filePath(QStringLiteral("missing.plist")));
    Definitions::setSharedForTesting(&broken);
    launch(makeDelegate());
    ASSERT_EQ(documents->documents().size(), 1);
    DocumentWindow *window = documents->windowControllers().first()->window();
    QMenu *arrange = window->menuBar()->findChild<QMenu *>(QStringLiteral("ArrangeMenu"));
    ASSERT_TRUE(arrange);
    emit arrange->aboutToShow();
    EXPECT_TRUE(arrange->actions().isEmpty());
    Definitions::setSharedForTesting(nullptr);
}

TEST_F(AppDelegateTest, VersionTextOfTheAboutWindow)
{
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("3.5"), QStringLiteral("1234")),
        QStringLiteral("Version 3.5 (4D2)"));
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("3.5"), QStringLiteral("abc")),
        QStringLiteral("Version 3.5 (0)"));
    const QLabel *label = AboutWindow::shared().findChild<QLabel *>(QStringLiteral("VersionLabel"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text(), VersionInfo::versionString());
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Version ") + VersionInfo::shortVersion()));
}

TEST_F(AppDelegateTest, AQuitIsCancelledWhileAnUnsavedWindowShowsASheet)
{
    launch(makeDelegate());
    DocumentWindowController *window = documents->windowControllers().first();
    window->document().updateChangeCount(Document::Change::Done);
    window->perform(QStringLiteral("showStatisticsSheet:"));
    ASSERT_TRUE(window->isSheetAttached());
    std::optional<bool> quitting;
    delegate->requestQuit([&quitting](bool answer) { quitting = answer; });
    ASSERT_TRUE(waitUntil([&quitting] { return quitting.has_value(); }));
    EXPECT_FALSE(*quitting);
    EXPECT_FALSE(delegate->isQuitting());
    EXPECT_EQ(quits, 0);
    window->attachedSheet()->reject();
    processEvents();
}
