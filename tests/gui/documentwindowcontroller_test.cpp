#include "guitestsupport.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"
#include "platform/plist/keyedarchiver.h"
#include "platform/userdefaults.h"
#include "widgets/splitview.h"
#include "window/documentsaver.h"
#include "window/documenttoolbar.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/elementclipboard.h"
#include "window/itemsviewcontroller.h"
#include "window/storyboardviewcontroller.h"
#include "window/windowmetrics.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class DocumentWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
    }
    void TearDown() override
    {
        controllers.clear();
        documents.clear();
        QGuiApplication::clipboard()->clear();
        processEvents();
    }

    DocumentWindowController &open(int elements = 0)
    {
        documents.push_back(std::make_unique<Document>());
        if (elements > 0)
            addElements(*documents.back(), elements);
        controllers.push_back(
            std::make_unique<DocumentWindowController>(*documents.back(), *dispatcher));
        return *controllers.back();
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::vector<std::unique_ptr<Document>> documents;
    std::vector<std::unique_ptr<DocumentWindowController>> controllers;
    ScratchDir scratch;
};

QMessageBox *attachedAlert(DocumentWindowController &window)
{
    return qobject_cast<QMessageBox *>(window.attachedSheet());
}

QStringList buttonTexts(QMessageBox *alert)
{
    QStringList texts;
    for (QAbstractButton *button : alert->buttons())
        texts.append(button->text());
    return texts;
}

QAbstractButton *buttonWithText(QMessageBox *alert, const QString &text)
{
    for (QAbstractButton *button : alert->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QString localized(const char *key)
{
    return Definitions::shared().localizedString(QString::fromLatin1(key));
}

} // namespace

TEST_F(DocumentWindowTest, EnablingFollowsTheSelectionAndThePanes)
{
    DocumentWindowController &window = open(4);
    ItemsViewController *items = window.itemsViewController();
    const MediaElementList all = items->arrangedElements();
    ASSERT_EQ(all.size(), 4);

    struct Row
    {
        const char *action;
        bool none;
        bool one;
        bool two;
    };
    // Set-up installs ffprobe and ffmpeg, which are found on the PATH, so re-import is on.
    const Row rows[] = {
        { "createPlaylistWithSelection:", false, true, true },
        { "presentMovie:", false, true, false },
        { "playMovie:", false, true, false },
        { "resizeForMovie:", false, true, false },
        { "openTarget:", false, true, true },
        { "revealTargetInFinder:", false, true, true },
        { "removeTargetFromCollection:", false, true, true },
        { "trashTarget:", false, true, true },
        { "reimportTarget:", false, true, true },
        { "importImagesForTarget:", false, true, true },
        { "rateTarget:", false, true, true },
        { "showEditFieldsSheet:", false, true, true },
        { "showEditKeywordsSheet:", false, true, true },
        { "stopMovie:", false, false, false },
        { "editTargetPredicate:", false, false, false },
        { "removeCollection:", false, false, false },
        { "removeCollectionIcon:", false, false, false },
        { "emptyTrash:", false, false, false },
        { "paste:", false, false, false },
        { "performFindPanelAction:", true, true, true },
        { "stopImport:", false, false, false },
        { "importFiles:", true, true, true },
        { "showStatisticsSheet:", true, true, true },
    };
    const std::pair<MediaElementList, int> selections[]
        = { { {}, 0 }, { { all.at(0) }, 1 }, { { all.at(1), all.at(2) }, 2 } };
    for (const auto &[selection, count] : selections) {
        items->setSelectedElements(selection);
        ASSERT_EQ(window.selectedElementCount(), count);
        for (const Row &row : rows) {
            SCOPED_TRACE(std::string(row.action) + " with " + std::to_string(count));
            const bool expected = count == 0 ? row.none : count == 1 ? row.one : row.two;
            EXPECT_EQ(window.validateAction(QString::fromLatin1(row.action)), expected);
        }
    }

    // The trash is not empty once an element is in it; save needs a change.
    EXPECT_FALSE(window.validateAction(QStringLiteral("saveDocument:")));
    EXPECT_FALSE(window.validateAction(QStringLiteral("saveDocumentAs:")));
    items->setSelectedElements({ all.at(3) });
    window.perform(QStringLiteral("trashTarget:"));
    EXPECT_TRUE(window.validateAction(QStringLiteral("emptyTrash:")));
    EXPECT_TRUE(window.validateAction(QStringLiteral("saveDocument:")));
    EXPECT_TRUE(window.validateAction(QStringLiteral("saveDocumentAs:")));
}

TEST_F(DocumentWindowTest, AnImportsStreamOfChangesIsValidatedOncePerTurn)
{
    // Each element an import reads marks the library changed; with every row
    // selected, one check of the commands reads every selected element.
    DocumentWindowController &window = open(3);
    QAction command;
    command.setProperty("action", QStringLiteral("newDocument:"));
    window.registerAction(&command);
    int checks = 0;
    window.setApplicationValidator([&checks](const QString &) {
        ++checks;
        return true;
    });
    window.updateActions();
    const int perUpdate = checks;
    ASSERT_GT(perUpdate, 0);
    checks = 0;
    for (int i = 0; i < 500; ++i)
        window.document().updateChangeCount(Document::Change::Done);
    processEvents();
    EXPECT_EQ(checks, perUpdate);
    EXPECT_TRUE(window.validateAction(QStringLiteral("saveDocument:")));
}

TEST_F(DocumentWindowTest, EveryCommandIsOffWhileASheetIsAttached)
{
    DocumentWindowController &window = open(2);
    window.itemsViewController()->setSelectedElements(
        { window.itemsViewController()->arrangedElements().first() });
    window.document().updateChangeCount(Document::Change::Done);
    window.updateActions();
    ASSERT_TRUE(window.validateAction(QStringLiteral("saveDocument:")));
    ASSERT_TRUE(window.validateAction(QStringLiteral("rateTarget:")));

    window.perform(QStringLiteral("showStatisticsSheet:"));
    ASSERT_TRUE(window.isSheetAttached());
    for (const char *action : { "saveDocument:", "saveDocumentAs:", "rateTarget:", "importFiles:",
             "performFindPanelAction:", "newDocument:", "showPreferencesWindow:", "performClose:" })
        EXPECT_FALSE(window.validateAction(QString::fromLatin1(action))) << action;
    const QAction *import = window.toolbar()->action(QStringLiteral("Import"));
    ASSERT_TRUE(import);
    EXPECT_FALSE(import->isEnabled());

    window.attachedSheet()->reject();
    processEvents();
    EXPECT_FALSE(window.isSheetAttached());
    EXPECT_TRUE(import->isEnabled());
    EXPECT_TRUE(window.validateAction(QStringLiteral("saveDocument:")));
}

TEST_F(DocumentWindowTest, PresentMovieFollowsTheToolbarPlaySetting)
{
    DocumentWindowController &window = open(2);
    window.itemsViewController()->setSelectedElements(
        { window.itemsViewController()->arrangedElements().first() });
    // The fixture's dispatcher opens nothing but counts each play.
    const MediaElementPtr element = window.itemsViewController()->arrangedElements().first();
    for (const qint64 setting : { qint64(0), qint64(7) }) {
        testDefaults().setInteger(QStringLiteral("ToolbarPlayAction"), setting);
        window.perform(QStringLiteral("presentMovie:"));
        EXPECT_EQ(element->playCount(), 0) << setting;
    }
    testDefaults().removeObject(QStringLiteral("ToolbarPlayAction"));
    window.perform(QStringLiteral("presentMovie:"));
    EXPECT_EQ(element->playCount(), 0);
    // Opening counts a play only once the file was handed to an application.
    testDefaults().setInteger(QStringLiteral("ToolbarPlayAction"), 2);
    window.perform(QStringLiteral("presentMovie:"));
    EXPECT_EQ(element->playCount(), 0);
    element->setBookmark(Bookmark::create(touch(scratch.filePath(QStringLiteral("a.mp4")))));
    window.perform(QStringLiteral("presentMovie:"));
    EXPECT_EQ(element->playCount(), 1);
}

TEST_F(DocumentWindowTest, MetricsRoundTripThroughSaveAndReopen)
{
    DocumentWindowController &window = open(3);
    window.window()->resize(1300, 760);
    window.window()->show();
    window.splitView()->setDividerPosition(0, 200);
    window.splitView()->setDividerPosition(1, 420);
    window.splitView()->setDividerPosition(2, 1080);
    window.itemsSplitView()->setDividerPosition(0, 240);
    const PlistDictionary live = window.windowMetrics();
    const QString path = scratch.filePath(QStringLiteral("Metrics.vidarium"));
    ASSERT_TRUE(window.saver().writeTo(path));

    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const PlistDictionary stored = reopened.defaults().windowMetrics();
    for (const QString &key : live.keys()) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_TRUE(stored.value(key).isFloat32());
        EXPECT_NEAR(stored.value(key).toDouble(), live.value(key).toDouble(), 0.5);
    }
    DocumentWindowController again(reopened, *dispatcher);
    again.window()->show();
    processEvents();
    const PlistDictionary restored = again.windowMetrics();
    for (const QString &key : { WindowMetrics::DocumentWidth, WindowMetrics::DocumentHeight,
             WindowMetrics::FilterPosition, WindowMetrics::ItemsPosition,
             WindowMetrics::DetailPosition, WindowMetrics::ItemsSplitPosition }) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_NEAR(restored.value(key).toDouble(), live.value(key).toDouble(), 1.0);
    }
}

TEST_F(DocumentWindowTest, DamagedMetricsAreIgnoredOrClamped)
{
    const QSize minimum(
        DocumentWindowController::MinimumWidth, DocumentWindowController::MinimumHeight);
    const WindowMetrics metrics = WindowMetrics::fromDictionary(
        { { WindowMetrics::DocumentWidth, PlistValue(1e9) },
            { WindowMetrics::DocumentHeight, PlistValue(std::nan("")) },
            { WindowMetrics::FilterPosition, PlistValue(QStringLiteral("180")) },
            { WindowMetrics::ItemsPosition, PlistValue(-5.0) },
            { WindowMetrics::DetailPosition, PlistValue(true) },
            { WindowMetrics::ItemsSplitPosition, PlistValue(INFINITY) } },
        minimum, QSize(1920, 1080));
    EXPECT_EQ(metrics.width, 1920.0);
    EXPECT_FALSE(metrics.height);
    EXPECT_FALSE(metrics.filterPosition);
    EXPECT_FALSE(metrics.itemsPosition);
    EXPECT_FALSE(metrics.detailPosition);
    EXPECT_FALSE(metrics.itemsSplitPosition);
    EXPECT_EQ(WindowMetrics::fromDictionary(
                  { { WindowMetrics::DocumentWidth, PlistValue(qint64(3)) } }, minimum, QSize())
                  .width,
        double(minimum.width()));

    // A window built from such metrics keeps every pane within its limits.
    auto document = std::make_unique<Document>();
    document->defaults().setWindowMetrics({ { WindowMetrics::DocumentWidth, PlistValue(1e9) },
        { WindowMetrics::FilterPosition, PlistValue(99999.0) },
        { WindowMetrics::ItemsPosition, PlistValue(1.0) },
        { WindowMetrics::DocumentHeight, PlistValue(QStringLiteral("tall")) } });
    DocumentWindowController window(*document, *dispatcher);
    window.window()->show();
    processEvents();
    const QList<int> sizes = window.splitView()->sizes();
    ASSERT_EQ(sizes.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const SplitView::PaneLimits limits = window.splitView()->paneLimits(i);
        EXPECT_GE(sizes.at(i), limits.minimum) << i;
        EXPECT_LE(sizes.at(i), limits.maximum) << i;
    }
}

TEST_F(DocumentWindowTest, CloseCheckOffersSaveCancelAndDontSave)
{
    DocumentWindowController &untitled = open(1);
    untitled.setUntitledName(QStringLiteral("Untitled"));
    untitled.document().updateChangeCount(Document::Change::Done);
    std::optional<bool> answer;
    untitled.saver().runCloseCheck([&answer](bool mayClose) { answer = mayClose; });
    QMessageBox *alert = attachedAlert(untitled);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text(), localized("SaveDocumentAlertMessageText") + "“Untitled”?");
    EXPECT_EQ(alert->informativeText(), localized("SaveDocumentAlertInformativeText"));
    EXPECT_EQ(alert->icon(), QMessageBox::Information);
    EXPECT_EQ(buttonTexts(alert).size(), 3);
    // Without a package the first button opens the save panel.
    ASSERT_TRUE(buttonWithText(alert, localized("SaveDocumentAlertSaveDialogButtonText")));
    buttonWithText(alert, localized("SaveDocumentAlertCancelButtonText"))->click();
    ASSERT_TRUE(waitUntil([&answer] { return answer.has_value(); }));
    EXPECT_FALSE(*answer);

    answer.reset();
    processEvents();
    untitled.saver().runCloseCheck([&answer](bool mayClose) { answer = mayClose; });
    buttonWithText(attachedAlert(untitled), localized("SaveDocumentAlertNoSaveButtonText"))
        ->click();
    ASSERT_TRUE(waitUntil([&answer] { return answer.has_value(); }));
    EXPECT_TRUE(*answer);

    // A saved library from an older format: plain Save, and the older-format note.
    DocumentWindowController &older = open(1);
    ASSERT_TRUE(older.saver().writeTo(scratch.filePath(QStringLiteral("Older.vidarium"))));
    older.document().setVersionAlert();
    older.document().updateChangeCount(Document::Change::Done);
    processEvents();
    answer.reset();
    older.saver().runCloseCheck([&answer](bool mayClose) { answer = mayClose; });
    alert = attachedAlert(older);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->text(), localized("SaveDocumentAlertMessageText") + "“Older”?");
    EXPECT_EQ(alert->informativeText(),
        localized("SaveDocumentAlertInformativeText") + "\n\n"
            + localized("SaveDocumentOlderAlertInformativeText") + "\n");
    QAbstractButton *save = buttonWithText(alert, localized("SaveDocumentAlertSaveButtonText"));
    ASSERT_TRUE(save);
    save->click();
    ASSERT_TRUE(waitUntil([&answer] { return answer.has_value(); }));
    EXPECT_TRUE(*answer);
    EXPECT_FALSE(older.document().isDocumentEdited());
}

TEST_F(DocumentWindowTest, StatusLineIsThrottledAndSaysWhenAnImportWasStopped)
{
    DocumentWindowController &window = open(0);
    EXPECT_EQ(window.statusMessage(), QStringLiteral("Idle"));
    const int before = window.statusChangeCount();
    for (int i = 0; i < 200; ++i)
        window.setStatusMessage(QStringLiteral("Importing %1").arg(i));
    EXPECT_LE(window.statusChangeCount() - before, 1);
    EXPECT_TRUE(
        waitUntil([&window] { return window.statusMessage() == QStringLiteral("Importing 199"); }));
    EXPECT_LE(window.statusChangeCount() - before, 2);

    // Work in hand: the dispatcher's tools hold it. Stopping says so.
    Document &document = window.document();
    const MediaElementList added = addElements(document, 2, 100);
    for (const MediaElementPtr &element : added)
        element->setAssets(0);
    dispatcher->dispatchDocument(document, added);
    ASSERT_TRUE(window.validateAction(QStringLiteral("stopImport:")));
    ASSERT_TRUE(waitUntil([&window] {
        return window.statusMessage() != QStringLiteral("Importing 199")
            && window.statusMessage() != QStringLiteral("Idle");
    }));
    window.perform(QStringLiteral("stopImport:"));
    ASSERT_TRUE(waitUntil([&window] {
        return window.statusMessage() == DocumentWindowController::importStoppedMessage();
    }));
    EXPECT_FALSE(window.validateAction(QStringLiteral("stopImport:")));
}

TEST_F(DocumentWindowTest, AStoppedImportReadsNoneOfTheSlicesStillToCome)
{
    // Large imports arrive 2,000 files a turn; once stopped, the rest are
    // catalogued but not handed to the tools.
    ScratchDir files;
    for (int i = 0; i < 6500; ++i)
        touch(files.filePath(QStringLiteral("in/clip %1.mp4").arg(i)));
    DocumentWindowController &window = open(0);
    const MediaLibrary &library = window.document().library();
    window.importPaths({ files.filePath(QStringLiteral("in")) });
    ASSERT_TRUE(waitUntil([&] { return library.media().size() >= 2000; }, 20000));
    ASSERT_LT(library.media().size(), 6500);
    ASSERT_TRUE(window.validateAction(QStringLiteral("stopImport:")));
    window.perform(QStringLiteral("stopImport:"));
    ASSERT_TRUE(waitUntil([&] { return library.media().size() == 6500; }, 20000));
    processEvents();
    EXPECT_FALSE(window.validateAction(QStringLiteral("stopImport:")));
}

TEST_F(DocumentWindowTest, SpaceAndEscapeTriggerOnceAndLeaveTextFieldsAlone)
{
    DocumentWindowController &window = open(2);
    window.itemsViewController()->setSelectedElements(
        { window.itemsViewController()->arrangedElements().first() });
    QAction space(QStringLiteral("Play"));
    QAction escape(QStringLiteral("Stop"));
    int played = 0;
    int stopped = 0;
    QObject::connect(&space, &QAction::triggered, [&played] { ++played; });
    QObject::connect(&escape, &QAction::triggered, [&stopped] { ++stopped; });
    window.window()->setSpaceAction(&space);
    window.window()->setEscapeAction(&escape);
    window.window()->show();
    QApplication::setActiveWindow(window.window());
    QTableView *list = window.itemsViewController()->itemsView();
    list->setFocus();
    processEvents();

    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(played, 1);
    // An auto-repeat goes to the list like any other key.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(list, &repeat);
    EXPECT_EQ(played, 1);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(stopped, 1);

    QLineEdit *search = window.itemsViewController()->searchField();
    search->setFocus();
    processEvents();
    QTest::keyClick(search, Qt::Key_Space);
    QTest::keyClick(search, Qt::Key_Escape);
    EXPECT_EQ(search->text(), QStringLiteral(" "));
    EXPECT_EQ(played, 1);
    EXPECT_EQ(stopped, 1);
}

TEST_F(DocumentWindowTest, FocusChangesAreAnnouncedOnlyWhenTheyChange)
{
    DocumentWindowController &window = open(1);
    window.window()->show();
    QApplication::setActiveWindow(window.window());
    QTableView *list = window.itemsViewController()->itemsView();
    QLineEdit *search = window.itemsViewController()->searchField();
    list->setFocus();
    processEvents();
    ASSERT_EQ(window.window()->firstResponder(), list);
    QList<QVariantMap> posted;
    const ObserverToken token
        = NotificationCenter::instance().addObserver(DocumentWindow::FirstResponderDidChange,
            window.window(), [&posted](const Notification &n) { posted.append(n.userInfo); });
    list->setFocus();
    processEvents();
    search->setFocus();
    processEvents();
    search->setFocus();
    processEvents();
    NotificationCenter::instance().removeObserver(token);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(
        posted.first().value(DocumentWindow::FirstResponderNextKey).value<QObject *>(), search);
    EXPECT_EQ(
        posted.first().value(DocumentWindow::FirstResponderPreviousKey).value<QObject *>(), list);
}

TEST_F(DocumentWindowTest, PasteTakesOnlyElementsOfAnotherLibraryDecodedOnce)
{
    DocumentWindowController &window = open(2);
    const MediaElementList own = window.itemsViewController()->arrangedElements();
    Document other;
    const MediaElementList foreign = addElements(other, 2, 50);

    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(ElementClipboard::mimeData(own, window.document().identifier()));
    processEvents();
    EXPECT_FALSE(window.validateAction(QStringLiteral("paste:")));

    clipboard->setMimeData(ElementClipboard::mimeData(foreign, other.identifier()));
    processEvents();
    const int decodes = ElementClipboard::instance().decodeCount();
    EXPECT_TRUE(window.validateAction(QStringLiteral("paste:")));
    EXPECT_TRUE(window.validateAction(QStringLiteral("paste:")));
    window.updateActions();
    EXPECT_EQ(ElementClipboard::instance().decodeCount(), decodes + 1);
    const MediaElementList pasted = ElementClipboard::instance().elements();
    ASSERT_EQ(pasted.size(), 2);
    EXPECT_EQ(pasted.first()->path(), foreign.first()->path());

    // Bytes from any program: garbage, a non-element archive, too many bytes.
    auto *garbage = new QMimeData;
    garbage->setData(MediaElement::PasteboardType, QByteArray("bplist00 not really", 19));
    clipboard->setMimeData(garbage);
    processEvents();
    EXPECT_FALSE(window.validateAction(QStringLiteral("paste:")));
    EXPECT_TRUE(
        ElementClipboard::decode(KeyedArchiver::archivedData(PlistValue(QStringLiteral("hello"))))
            .isEmpty());
    EXPECT_TRUE(
        ElementClipboard::decode(QByteArray(ElementClipboard::MaximumBytes + 1, 'b')).isEmpty());
}

TEST_F(DocumentWindowTest, VersionAlertAppearsOnceAfterStartUp)
{
    auto document = std::make_unique<Document>();
    document->setVersionAlert();
    DocumentWindowController window(*document, *dispatcher);
    // Not during start-up itself.
    EXPECT_FALSE(window.isSheetAttached());
    ASSERT_TRUE(waitUntil([&window] { return window.isSheetAttached(); }));
    QMessageBox *alert = attachedAlert(window);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->objectName(), QStringLiteral("VersionAlert"));
    EXPECT_EQ(alert->text(), localized("ReadDocumentOlderAlertMessageText"));
    EXPECT_EQ(alert->buttons().size(), 1);
    alert->accept();
    processEvents(5);
    EXPECT_FALSE(window.isSheetAttached());
    EXPECT_FALSE(document->isDocumentEdited());
}
