#include "guitestsupport.h"

#include "app/applicationmenus.h"
#include "app/documentcontroller.h"
#include "document/document.h"
#include "document/package.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"
#include "platform/plist/keyedarchiver.h"
#include "platform/plist/sortdescriptor.h"
#include "platform/userdefaults.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class DocumentControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        controller = std::make_unique<DocumentController>(testDefaults(), *dispatcher);
    }
    void TearDown() override
    {
        controller.reset();
        processEvents();
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox *>(widget))
                widget->deleteLater();
        }
        processEvents();
    }

    QStringList visibleTitles(QMenu *menu)
    {
        QStringList titles;
        for (QAction *item : menu->actions())
            titles.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        return titles;
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentController> controller;
    ScratchDir scratch;
};

QStringList checkedData(QMenu *menu)
{
    QStringList checked;
    for (QAction *item : menu->actions()) {
        if (item->isChecked())
            checked.append(item->data().toString());
    }
    return checked;
}

} // namespace

TEST_F(DocumentControllerTest, ArrangeMenuRebuildsItsFieldTailEachTimeItOpens)
{
    Document *document = controller->newDocument(false);
    MediaUserFieldPtr director
        = document->library().createFieldWithName(QStringLiteral("Director"));
    MediaUserFieldPtr studio = document->library().createFieldWithName(QStringLiteral("Studio"));
    ASSERT_EQ(document->library().activeUserFields().size(), 2);
    DocumentWindowController *window = controller->windowControllerFor(document);

    QMenu menu;
    ApplicationMenus::buildArrangeItemsMenu(&menu, Definitions::shared(), {});
    const int fixed = int(menu.actions().size());
    ASSERT_EQ(fixed, Definitions::shared().arrangeMenuItems().size());
    for (int round = 0; round < 2; ++round) {
        ApplicationMenus::updateArrangeItemsMenu(&menu, window, {});
        const QList<QAction *> items = menu.actions();
        ASSERT_EQ(items.size(), fixed + 3);
        EXPECT_TRUE(items.at(fixed)->isSeparator());
        EXPECT_EQ(items.at(fixed + 1)->text(), QStringLiteral("Director"));
        EXPECT_EQ(items.at(fixed + 2)->text(), QStringLiteral("Studio"));
    }

    // The first sort key is checked, a user field included.
    document->defaults().setItemsSortDescriptors(
        { std::make_shared<const SortDescriptor>(studio->identifier(), true) });
    ApplicationMenus::updateArrangeItemsMenu(&menu, window, {});
    EXPECT_EQ(checkedData(&menu), QStringList { studio->identifier() });
    ApplicationMenus::updateArrangeItemsMenu(&menu, nullptr, {});
    EXPECT_EQ(menu.actions().size(), fixed);
    EXPECT_TRUE(checkedData(&menu).isEmpty());
}

TEST_F(DocumentControllerTest, RatingMenuChecksOnlyASharedRating)
{
    Document *document = controller->newDocument(false);
    const MediaElementList elements = addElements(*document, 4);
    DocumentWindowController *window = controller->windowControllerFor(document);
    window->itemsViewController()->reloadElements();
    QMenu menu;
    ApplicationMenus::buildRatingMenu(&menu, Definitions::shared(), {}, false);
    ASSERT_EQ(menu.actions().size(), 6);

    for (const MediaElementPtr &element : elements)
        element->setRating(4);
    window->itemsViewController()->setSelectedElements(elements.mid(0, 3));
    ApplicationMenus::updateRatingMenu(&menu, window);
    EXPECT_EQ(checkedData(&menu), QStringList { QStringLiteral("4") });

    elements.at(1)->setRating(5);
    window->itemsViewController()->setSelectedElements(elements.mid(0, 2));
    ApplicationMenus::updateRatingMenu(&menu, window);
    EXPECT_TRUE(checkedData(&menu).isEmpty());
    window->itemsViewController()->setSelectedElements({});
    ApplicationMenus::updateRatingMenu(&menu, window);
    EXPECT_TRUE(checkedData(&menu).isEmpty());
}

TEST_F(DocumentControllerTest, OpenWithListsTheHandlersOfOneSelectedElement)
{
    Document *document = controller->newDocument(false);
    const MediaElementList elements = addElements(*document, 2);
    DocumentWindowController *window = controller->windowControllerFor(document);
    window->itemsViewController()->reloadElements();
    // The items area selects its first row by itself; start from none.
    window->itemsViewController()->setSelectedElements({});
    QMenu menu;
    ApplicationMenus::clearHandlerCache();

    ApplicationMenus::updateOpenWithMenu(&menu, nullptr, {});
    EXPECT_EQ(visibleTitles(&menu), QStringList { QStringLiteral("No Selection") });
    ApplicationMenus::updateOpenWithMenu(&menu, window, {});
    EXPECT_EQ(visibleTitles(&menu), QStringList { QStringLiteral("No Selection") });
    window->itemsViewController()->setSelectedElements(elements);
    ApplicationMenus::updateOpenWithMenu(&menu, window, {});
    EXPECT_EQ(visibleTitles(&menu), QStringList { QStringLiteral("Multiple Selection") });
    EXPECT_FALSE(menu.actions().first()->isEnabled());

    window->itemsViewController()->setSelectedElements({ elements.first() });
    QString opened;
    ApplicationMenus::updateOpenWithMenu(&menu, window,
        [&opened](const QString &, const QVariant &argument) { opened = argument.toString(); });
    ASSERT_TRUE(visibleTitles(&menu).contains(QStringLiteral("Test Player")))
        << visibleTitles(&menu).join(QLatin1Char(',')).toStdString();
    for (QAction *item : menu.actions()) {
        if (item->text() == QStringLiteral("Test Player"))
            item->trigger();
    }
    EXPECT_EQ(opened, QStringLiteral("vidarium-test-player.desktop"));
}

TEST_F(DocumentControllerTest, MovieMenuHidesImageCommandWhileImagesAreMadeAtImport)
{
    QMenu menu;
    QMenu *images = menu.addMenu(QStringLiteral("Make Images"));
    images->menuAction()->setProperty("menuTag", ApplicationMenus::ImportImagesTag);
    ApplicationMenus::updateMovieMenu(&menu, true);
    EXPECT_FALSE(images->menuAction()->isVisible());
    ApplicationMenus::updateMovieMenu(&menu, false);
    EXPECT_TRUE(images->menuAction()->isVisible());
}

TEST_F(DocumentControllerTest, VolumeChangesPostOneNotificationPerLibrary)
{
    QStringList identifiers;
    for (int i = 0; i < 3; ++i)
        identifiers.append(controller->newDocument(false)->identifier());
    QStringList posted;
    const ObserverToken token = NotificationCenter::instance().addObserver(
        DispatchNotification::SystemDidChangeVolumes, [&posted](const Notification &n) {
            posted.append(n.userInfo.value(QStringLiteral("LibraryIdentifier")).toString());
        });
    controller->volumesChanged();
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(posted, identifiers);
}

TEST_F(DocumentControllerTest, OpeningAnOpenPackageAgainRaisesItsWindow)
{
    const QString path = makePackage(scratch.path(), QStringLiteral("Twice"));
    ASSERT_FALSE(path.isEmpty());
    const Result<Document *> first = controller->openDocumentWithPath(path, false);
    ASSERT_TRUE(first.ok());
    const Result<Document *> second
        = controller->openDocumentWithPath(path + QStringLiteral("/../Twice.vidarium"), false);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(controller->documents().size(), 1);
    EXPECT_FALSE((*first)->isDocumentEdited());
}

TEST_F(DocumentControllerTest, AClosedLibraryOpensAgainAtOnce)
{
    const QString path = makePackage(scratch.path(), QStringLiteral("Again"));
    const Result<Document *> first = controller->openDocumentWithPath(path, false);
    ASSERT_TRUE(first.ok());
    controller->closeDocument(*first);
    // No event loop has run: the closed document still waits to be deleted.
    const Result<Document *> again = controller->openDocumentWithPath(path, false);
    ASSERT_TRUE(again.ok()) << again.error().message().toStdString();
    EXPECT_TRUE((*again)->holdsLock());
}

TEST_F(DocumentControllerTest, UnreadableLibrariesGiveAnAlertAndNoWindow)
{
    Document *kept = controller->newDocument(false);
    const QString good = makePackage(scratch.path(), QStringLiteral("Good"));

    // A newer format, a package without a catalogue, a truncated catalogue. The
    // document that writes the newer one is gone before the window opens it, as it
    // holds the package's lock while it lives.
    const QString newerPath = scratch.filePath(QStringLiteral("Newer.vidarium"));
    {
        Document newer;
        addElements(newer, 1);
        PlistDictionary root = newer.catalogueRoot();
        root.insert(QStringLiteral("Format"), PlistValue(qint64(11)));
        ASSERT_TRUE(newer.writeToPath(newerPath).ok());
        QFile catalogue(newerPath + QLatin1Char('/') + Package::CatalogueFileName);
        ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly | QIODevice::Truncate));
        catalogue.write(KeyedArchiver::archivedData(PlistValue(root)));
        catalogue.close();
    }

    const QString empty = scratch.filePath(QStringLiteral("Empty.vidarium"));
    QDir().mkpath(empty);
    const QString truncated = makePackage(scratch.path(), QStringLiteral("Truncated"));
    QFile cut(truncated + QLatin1Char('/') + Package::CatalogueFileName);
    ASSERT_TRUE(cut.resize(cut.size() / 2));

    for (const QString &path : { newerPath, empty, truncated }) {
        SCOPED_TRACE(path.toStdString());
        const Result<Document *> opened = controller->openDocumentWithPath(path, false);
        EXPECT_FALSE(opened.ok());
        EXPECT_EQ(controller->documents().size(), 1);
        EXPECT_FALSE(controller->lastOpenError().isEmpty());
    }
    EXPECT_TRUE(controller->lastOpenError().contains(QStringLiteral("Truncated")));
    ASSERT_TRUE(controller->openDocumentWithPath(newerPath, false)
                    .error()
                    .message()
                    .contains(Definitions::shared().localizedString(
                        QStringLiteral("ReadDocumentNewerAlertMessageText"))));
    EXPECT_TRUE(controller->openDocumentWithPath(good, false).ok());
    EXPECT_EQ(controller->documents().size(), 2);
    EXPECT_EQ(controller->documents().first(), kept);
}

TEST_F(DocumentControllerTest, AConvertedUsherExportStaysMarkedChanged)
{
    const QString csv = scratch.filePath(QStringLiteral("export.csv"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Name,Location,Rating\r\nbeach,/videos/beach.mov,4\r\n");
    file.close();
    const Result<Document *> opened = controller->openForeignDocument(csv);
    ASSERT_TRUE(opened.ok()) << opened.error().message().toStdString();
    EXPECT_TRUE((*opened)->isDocumentEdited());
    DocumentWindowController *window = controller->windowControllerFor(*opened);
    EXPECT_FALSE(window->hasFileLocation());
    EXPECT_TRUE(window->validateAction(QStringLiteral("saveDocument:")));
}

TEST_F(DocumentControllerTest, PreviousVersionCommandNeedsItsLibrary)
{
    EXPECT_FALSE(QFileInfo::exists(DocumentController::legacyLibraryPath()));
    EXPECT_FALSE(controller->canOpenLegacyVersionDocument());
    EXPECT_TRUE(
        DocumentController::legacyLibraryPath().startsWith(qEnvironmentVariable("XDG_DATA_HOME")));
}

TEST_F(DocumentControllerTest, CaptureRecordsLibrariesWithAPlaceOnDisk)
{
    const QString one = makePackage(scratch.path(), QStringLiteral("One"));
    const QString two = makePackage(scratch.path(), QStringLiteral("Two"));
    ASSERT_TRUE(controller->openDocumentWithPath(one, false).ok());
    ASSERT_TRUE(controller->openDocumentWithPath(two, false).ok());
    controller->newDocument(false)->updateChangeCount(Document::Change::Done);
    controller->captureOpenDocuments();
    const PlistArray stored = testDefaults().arrayForKey(DocumentController::DocumentsToRestoreKey);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(Bookmark::resolvePath(stored.at(0).toData()), QFileInfo(one).absoluteFilePath());
    EXPECT_EQ(Bookmark::resolvePath(stored.at(1).toData()), QFileInfo(two).absoluteFilePath());
}
