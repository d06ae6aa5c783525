#include "guitestsupport.h"

#include "app/applicationmenus.h"
#include "document/document.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemstableviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/librarysettingssheet.h"
#include "window/panels.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcefolderlistmodel.h"
#include "window/sourceviewcontroller.h"
#include "window/userfieldlistmodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class LibrarySettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        addElements(document, 5);
    }
    void TearDown() override { Panels::setOverride({}); }

    std::unique_ptr<LibrarySettingsSheet> open()
    {
        auto sheet = std::make_unique<LibrarySettingsSheet>(document, nullptr);
        new QAbstractItemModelTester(sheet->fieldModel(),
            QAbstractItemModelTester::FailureReportingMode::Fatal, sheet.get());
        new QAbstractItemModelTester(sheet->folderModel(),
            QAbstractItemModelTester::FailureReportingMode::Fatal, sheet.get());
        return sheet;
    }
    MediaUserFieldPtr addField(const QString &name, bool visible)
    {
        MediaUserFieldPtr field = document.library().createFieldWithName(name);
        PlistDictionary visibility = document.defaults().tableColumnVisibility();
        visibility.insert(field->identifier(), visible);
        document.defaults().setTableColumnVisibility(visibility);
        return field;
    }
    static QStringList names(const UserFieldListModel &model)
    {
        QStringList names;
        for (const UserFieldListModel::Row &row : model.rows())
            names.append(row.field->name());
        return names;
    }
    static void selectRows(QAbstractItemView *view, const QList<int> &rows)
    {
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static std::unique_ptr<QMimeData> urls(const QStringList &paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> list;
        for (const QString &path : paths)
            list.append(QUrl::fromLocalFile(path));
        data->setUrls(list);
        return data;
    }

    Document document;
    ScratchDir scratch;
};

} // namespace

TEST_F(LibrarySettings, CancelDiscardsEverythingButTheTabShown)
{
    addField(QStringLiteral("Scene"), true);
    const qint64 days = document.defaults().recentlyAddedDays();
    auto sheet = open();
    sheet->findChild<QSpinBox *>(QStringLiteral("recentlyAddedDays"))->setValue(int(days) + 5);
    sheet->addUserDefinedField();
    selectRows(sheet->fieldView(), { 0 });
    sheet->removeUserDefinedFields();
    sheet->tabs()->setCurrentIndex(LibrarySettingsSheet::FoldersTab);
    EXPECT_EQ(sheet->workingCopy().recentlyAddedDays(), days + 5);
    sheet->cancelButtonAction();

    EXPECT_EQ(document.defaults().recentlyAddedDays(), days);
    ASSERT_EQ(document.library().activeUserFields().size(), 1);
    EXPECT_EQ(document.library().activeUserFields().first()->name(), QStringLiteral("Scene"));
    EXPECT_EQ(document.defaults().defaultsSheetTabIndex(), LibrarySettingsSheet::FoldersTab);
    EXPECT_FALSE(document.isDocumentEdited());
    // The sheet opens again where it was left.
    EXPECT_EQ(open()->tabs()->currentIndex(), LibrarySettingsSheet::FoldersTab);
}

TEST_F(LibrarySettings, OkReplacesTheSettingsMarksTheLibraryAndAnnouncesOnce)
{
    auto sheet = open();
    sheet->findChild<QSpinBox *>(QStringLiteral("recentlyPlayedDays"))->setValue(30);
    int posted = 0;
    QVariant identifier;
    const ObserverToken token = NotificationCenter::instance().addObserver(
        DocumentDefaultsNotification::DidChange, [&](const Notification &note) {
            ++posted;
            identifier = note.userInfo.value(LibraryNotification::LibraryIdentifierKey);
        });
    const DocumentDefaults *before = &document.defaults();
    sheet->okButtonAction();
    processEvents();
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(document.defaults().recentlyPlayedDays(), 30);
    // A copy of the working copy: later edits of the sheet's copy stay out.
    EXPECT_NE(&document.defaults(), before);
    sheet->workingCopy().setRecentlyPlayedDays(99);
    EXPECT_EQ(document.defaults().recentlyPlayedDays(), 30);
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(identifier.toString(), document.identifier());
}

TEST_F(LibrarySettings, FieldNamesAreNeverBlankOrTakenTwice)
{
    addField(QStringLiteral("Take"), false);
    auto sheet = open();
    UserFieldListModel &model = *sheet->fieldModel();
    sheet->addUserDefinedField();
    sheet->addUserDefinedField();
    EXPECT_EQ(names(model), (QStringList { "Take", "Untitled", "Untitled 2" }));
    EXPECT_TRUE(model.rows().at(1).visible);

    const QModelIndex untitled = model.index(1, UserFieldListModel::NameColumn);
    for (const QString &blank : { QString(), QStringLiteral("   "), QStringLiteral("\t\n") }) {
        EXPECT_FALSE(model.setData(untitled, blank, Qt::EditRole));
        EXPECT_FALSE(sheet->messageLabel()->isHidden());
    }
    EXPECT_FALSE(model.setData(untitled, QStringLiteral("take"), Qt::EditRole));
    EXPECT_TRUE(sheet->messageLabel()->text().contains(QStringLiteral("take")));
    // Renaming sorts again; white space inside a name is made plain.
    EXPECT_TRUE(model.setData(untitled, QStringLiteral(" Angle\tB "), Qt::EditRole));
    EXPECT_EQ(names(model), (QStringList { "Angle B", "Take", "Untitled 2" }));
}

TEST_F(LibrarySettings, RemovingSeveralFieldsDropsEveryOnesVisibility)
{
    const MediaUserFieldPtr a = addField(QStringLiteral("A"), true);
    const MediaUserFieldPtr b = addField(QStringLiteral("B"), false);
    const MediaUserFieldPtr c = addField(QStringLiteral("C"), true);
    auto sheet = open();
    selectRows(sheet->fieldView(), { 0, 2 });
    sheet->removeUserDefinedFields();
    EXPECT_EQ(names(*sheet->fieldModel()), QStringList { "B" });
    sheet->okButtonAction();

    const PlistDictionary visibility = document.defaults().tableColumnVisibility();
    EXPECT_FALSE(visibility.contains(a->identifier()));
    EXPECT_FALSE(visibility.contains(c->identifier()));
    EXPECT_TRUE(visibility.contains(b->identifier()));
    const QList<MediaUserFieldPtr> active = document.library().activeUserFields();
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active.first()->identifier(), b->identifier());
    // Removed fields are kept, marked, with their values on the elements.
    EXPECT_TRUE(document.library().userFieldWithIdentifier(a->identifier())->removed());
    EXPECT_TRUE(document.library().userFieldWithIdentifier(c->identifier())->removed());
}

TEST_F(LibrarySettings, FoldersThatCannotBeFoundStayUntilRemoved)
{
    const QString kept = scratch.filePath(QStringLiteral("Kept"));
    const QString unplugged = scratch.filePath(QStringLiteral("Unplugged"));
    QDir().mkpath(kept);
    QDir().mkpath(unplugged);
    const QByteArray keptBookmark = Bookmark::create(kept);
    const QByteArray goneBookmark = Bookmark::create(unplugged);
    ASSERT_FALSE(goneBookmark.isEmpty());
    // Held open while gone, so no folder made meanwhile can take its place on
    // the disk and be found by the bookmark instead.
    const int held = ::open(QFile::encodeName(unplugged).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(held, 0);
    const auto release = qScopeGuard([held] { ::close(held); });
    QDir(unplugged).removeRecursively();
    const PlistValue garbage(QByteArray("\x00\xffnot a bookmark", 16));
    const PlistValue wrongKind(QStringLiteral("/a/string/is/no/bookmark"));
    document.defaults().setSourceFolders(
        { PlistValue(keptBookmark), PlistValue(goneBookmark), garbage, wrongKind });

    auto sheet = open();
    const SourceFolderListModel &model = *sheet->folderModel();
    ASSERT_EQ(model.rowCount(), 4);
    int unavailable = 0;
    for (const SourceFolderListModel::Row &row : model.rows())
        unavailable += row.available ? 0 : 1;
    EXPECT_EQ(unavailable, 3);
    const QStringList shown = [&] {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts.append(model.index(row).data().toString());
        return texts;
    }();
    EXPECT_TRUE(shown.contains(QStringLiteral("Kept")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Unplugged (unavailable)")))
        << shown.join('|').toStdString();

    sheet->okButtonAction();
    const PlistArray stored = document.defaults().sourceFolders();
    ASSERT_EQ(stored.size(), 4);
    EXPECT_TRUE(stored.contains(PlistValue(goneBookmark)));
    EXPECT_TRUE(stored.contains(garbage));
    EXPECT_TRUE(stored.contains(wrongKind));

    // Only the user's removal drops one.
    auto again = open();
    const int row = shown.indexOf(QStringLiteral("Unplugged (unavailable)"));
    selectRows(again->folderView(), { row });
    again->removeSourceFolders();
    again->okButtonAction();
    EXPECT_EQ(document.defaults().sourceFolders().size(), 3);
    EXPECT_FALSE(document.defaults().sourceFolders().contains(PlistValue(goneBookmark)));
}

TEST_F(LibrarySettings, DropsTakeOnlyFoldersAndListEachOnce)
{
    const QString file = scratch.filePath(QStringLiteral("clip.mp4"));
    QFile(file).open(QIODevice::WriteOnly);
    // Folders are slow to make on a busy disk: 10,000 dropped paths name 250
    // folders in several spellings each.
    QStringList folders;
    for (int i = 0; i < 250; ++i)
        folders.append(scratch.filePath(QStringLiteral("Dropped/F%1").arg(i)));
    for (const QString &folder : folders)
        ASSERT_TRUE(QDir().mkpath(folder));
    QStringList dropped;
    for (int i = 0; i < 10000; ++i) {
        const QString &folder = folders.at(i % folders.size());
        const int spelling = i / folders.size() % 3;
        dropped.append(spelling == 0 ? folder
                : spelling == 1      ? folder + QStringLiteral("/")
                                     : folder + QStringLiteral("/./"));
    }
    auto sheet = open();
    SourceFolderListModel &model = *sheet->folderModel();

    const auto mixed = urls({ folders.at(0), file });
    EXPECT_FALSE(model.canDropMimeData(mixed.get(), Qt::CopyAction, -1, -1, {}));
    EXPECT_FALSE(model.dropMimeData(mixed.get(), Qt::CopyAction, -1, -1, {}));
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(sheet->messageLabel()->text().isEmpty());
    const auto missing = urls({ scratch.filePath(QStringLiteral("nothing here")) });
    EXPECT_FALSE(model.canDropMimeData(missing.get(), Qt::CopyAction, -1, -1, {}));
    const auto none = urls({});
    EXPECT_TRUE(model.canDropMimeData(none.get(), Qt::CopyAction, -1, -1, {}));

    const auto many = urls(dropped);
    ASSERT_TRUE(model.dropMimeData(many.get(), Qt::CopyAction, -1, -1, {}));
    EXPECT_EQ(model.rowCount(), 250);
    // Names sort as numbers: F2 before F10.
    EXPECT_EQ(model.index(2).data().toString(), QStringLiteral("F2"));
    ASSERT_TRUE(model.dropMimeData(many.get(), Qt::CopyAction, -1, -1, {}));
    EXPECT_EQ(model.rowCount(), 250);

    sheet->okButtonAction();
    EXPECT_EQ(document.defaults().sourceFolders().size(), 250);
    // A closed sheet takes no more drops.
    EXPECT_FALSE(model.canDropMimeData(none.get(), Qt::CopyAction, -1, -1, {}));
}

TEST_F(LibrarySettings, TheFolderPanelAddsFoldersOnly)
{
    const QString folder = scratch.filePath(QStringLiteral("Chosen"));
    QDir().mkpath(folder);
    const QString file = scratch.filePath(QStringLiteral("notes.txt"));
    QFile(file).open(QIODevice::WriteOnly);
    Panels::setOverride([&](const Panels::Request &request) {
        EXPECT_EQ(request.kind, Panels::Kind::ChooseFolder);
        return QStringList { folder, file };
    });
    auto sheet = open();
    sheet->addSourceFolder();
    processEvents();
    ASSERT_EQ(sheet->folderModel()->rowCount(), 1);
    EXPECT_EQ(sheet->folderModel()->rows().first().path, folder);
    EXPECT_FALSE(sheet->messageLabel()->text().isEmpty());
}

TEST_F(LibrarySettings, AFieldAddedWithItsColumnHiddenReachesTableMenuAndBadges)
{
    auto dispatcher = makeTestDispatcher();
    document.defaults().setShowSourceElementCounts(true);
    DocumentWindowController window(document, *dispatcher);
    processEvents();
    ItemsModel &items = *window.itemsViewController()->model();
    const int columnsBefore = items.columnCount();
    const int countsBefore = window.sourceViewController()->badges().evaluations();

    ASSERT_TRUE(window.validateAction(QStringLiteral("showDocumentDefaultsSheet:")));
    window.perform(QStringLiteral("showDocumentDefaultsSheet:"));
    ASSERT_TRUE(window.isSheetAttached());
    auto *sheet = qobject_cast<LibrarySettingsSheet *>(window.attachedSheet());
    ASSERT_TRUE(sheet);
    sheet->addUserDefinedField();
    UserFieldListModel &fields = *sheet->fieldModel();
    ASSERT_TRUE(fields.setData(
        fields.index(0, UserFieldListModel::NameColumn), QStringLiteral("Camera"), Qt::EditRole));
    fields.setData(
        fields.index(0, UserFieldListModel::VisibleColumn), Qt::Unchecked, Qt::CheckStateRole);
    const QString identifier = fields.rows().first().field->identifier();
    sheet->okButtonAction();
    processEvents();
    EXPECT_FALSE(window.isSheetAttached());

    EXPECT_EQ(items.columnCount(), columnsBefore + 1);
    const int column = items.columnOf(identifier);
    ASSERT_GE(column, 0);
    EXPECT_EQ(items.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
        QStringLiteral("Camera"));
    EXPECT_FALSE(window.itemsViewController()->table()->isColumnVisible(identifier));

    QMenu filter;
    const ApplicationMenus::Perform perform = [](const QString &, const QVariant &) {};
    ApplicationMenus::buildFilterMenu(&filter, Definitions::shared(), perform);
    ApplicationMenus::updateFilterMenu(&filter, &window, perform);
    QStringList rows;
    for (const QAction *action : filter.actions())
        rows.append(action->data().toString());
    EXPECT_TRUE(rows.contains(identifier));

    EXPECT_GT(window.sourceViewController()->badges().evaluations(), countsBefore);
}
