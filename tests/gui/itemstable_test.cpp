// The items table: columns and their stored layout, the pinned first column,
// the rating release, completion, and edits that survive a rebuild.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "platform/notificationcenter.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/filebrowser.h"
#include "window/itemscontextmenu.h"
#include "window/itemsmodel.h"
#include "window/itemstablelayout.h"
#include "window/itemstableviewcontroller.h"
#include "window/itemstextdelegate.h"
#include "window/itemsviewcontroller.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class ItemsTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
    }
    DocumentWindowController &open(int count)
    {
        addElements(document, count);
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        window->window()->resize(1280, 800);
        items()->reloadElements();
        return *window;
    }
    ItemsViewController *items() const { return window->itemsViewController(); }
    Document document;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
};

} // namespace

TEST(ItemsTableLayout, MissingColumnsAreAppendedAndDamageIsRepaired)
{
    const QList<ItemsTableLayout::Placement> columns { { "icon", 22 }, { "name", 220 },
        { "size", 80 }, { "duration", 70 } };
    PlistDictionary stored;
    stored.insert("name",
        PlistDictionary {
            { "AutosavedColumnIndex", qint64(0) }, { "AutosavedColumnWidth", 300.0 } });
    stored.insert("icon",
        PlistDictionary { { "AutosavedColumnIndex", qint64(1) },
            { "AutosavedColumnWidth", QStringLiteral("wide") } });
    stored.insert("size",
        PlistDictionary { { "AutosavedColumnIndex", qint64(1) }, { "AutosavedColumnWidth", 1e9 } });
    const auto placed = ItemsTableLayout::restore(stored, {}, columns, "icon");
    QStringList order;
    for (const auto &p : placed)
        order.append(p.identifier);
    // icon pinned first; duration (missing) appended; bad widths fall back.
    EXPECT_EQ(order, QStringList({ "icon", "name", "size", "duration" }));
    EXPECT_EQ(placed.at(0).width, 22);
    EXPECT_EQ(placed.at(1).width, 300);
    EXPECT_EQ(placed.at(2).width, 80);
    EXPECT_FALSE(ItemsTableLayout::isVisible(PlistValue(QStringLiteral("x")), "name"));
    EXPECT_FALSE(ItemsTableLayout::isVisible(PlistDictionary { { "name", qint64(1) } }, "name"));
}

TEST_F(ItemsTableTest, NewFieldColumnIsHiddenLastAnd130Wide)
{
    open(3);
    document.library().createFieldWithName(QStringLiteral("Location"));
    ItemsTableViewController *table = items()->table();
    table->applySettings();
    const QString last = table->displayOrder().last();
    const int column = items()->model()->columnOf(last);
    EXPECT_EQ(items()->model()->columns().at(column).title, QStringLiteral("Location"));
    EXPECT_TRUE(table->itemsView()->isColumnHidden(column));
    table->toggleColumn(last);
    EXPECT_EQ(table->itemsView()->columnWidth(column), 130);
}

TEST_F(ItemsTableTest, FirstColumnStaysFirstAndAutosizeWithoutRowsKeepsWidths)
{
    open(0);
    ItemsTableViewController *table = items()->table();
    QHeaderView *header = table->itemsView()->horizontalHeader();
    const QStringList before = table->displayOrder();
    header->moveSection(3, 0);
    EXPECT_EQ(table->displayOrder(), before);
    header->moveSection(0, 4);
    EXPECT_EQ(table->displayOrder(), before);
    const int name = items()->model()->columnOf("name");
    const int width = header->sectionSize(name);
    table->autosizeColumns();
    EXPECT_EQ(header->sectionSize(name), width);
}

TEST_F(ItemsTableTest, StoredViewStyleZeroShowsTheTableAndIsCorrected)
{
    // New libraries start with the table.
    EXPECT_EQ(Document().defaults().itemsViewStyle(), 1);
    document.defaults().setItemsViewStyle(0);
    open(2);
    items()->selectView(std::nullopt, false);
    EXPECT_EQ(items()->currentViewStyle(), 1);
    EXPECT_EQ(document.defaults().itemsViewStyle(), 1);
}

TEST_F(ItemsTableTest, SummaryCountsMovies)
{
    open(0);
    EXPECT_TRUE(items()->summaryText().startsWith("0 movies, "));
    addElements(document, 1);
    items()->reloadElements();
    EXPECT_TRUE(items()->summaryText().startsWith("1 movie, "));
    EXPECT_TRUE(items()->summaryText().contains(" running time, "));
    addElements(document, 1, 5);
    items()->reloadElements();
    EXPECT_TRUE(items()->summaryText().startsWith("2 movies, "));
}

TEST_F(ItemsTableTest, RatingReleaseReportsTrackingThenTheRowsRating)
{
    open(3);
    QStringList names;
    MediaElementPtr edited;
    QStringList properties;
    NotificationCenter &centre = NotificationCenter::instance();
    QObject context;
    centre.addObserver(
        TableElementDidEndTrackingNotification,
        [&](const Notification &) { names.append("tracking"); }, &context);
    centre.addObserver(
        TableElementDidEndEditingNotification,
        [&](const Notification &note) {
            names.append("edit");
            edited = note.userInfo.value("LibraryElement").value<MediaElementPtr>();
            properties = note.userInfo.value("LibraryElementProperties").toStringList();
        },
        &context);
    ItemsTableView *view = items()->table()->itemsView();
    const int rating = items()->model()->columnOf("rating");
    items()->setSelectedElements({ items()->model()->elementAt(1) });
    view->show();
    processEvents();
    const QRect cell = view->visualRect(items()->model()->index(1, rating));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(60, 5));
    ASSERT_TRUE(waitUntil([&] { return names.size() >= 2; }));
    EXPECT_EQ(names, QStringList({ "tracking", "edit" }));
    EXPECT_EQ(edited, items()->model()->elementAt(1));
    EXPECT_TRUE(properties.contains("rating"));
    EXPECT_EQ(edited->rating(), 5);
}

TEST_F(ItemsTableTest, CompletionFillsTheRestAndSelectsIt)
{
    QLineEdit editor;
    editor.setText("Par");
    ItemsTextDelegate::complete(&editor, { "Paris", "Parma" });
    EXPECT_EQ(editor.text(), "Paris");
    EXPECT_EQ(editor.selectedText(), "is");
}

TEST_F(ItemsTableTest, EditSurvivesAHeartbeatAndASelectionChangeCommitsIt)
{
    const MediaPlaylistPtr typed = document.library().createPlaylist(
        "Typed", Predicate::parse(QStringLiteral("userComments CONTAINS 'typed'")).value());
    open(3);
    ItemsTableView *view = items()->table()->itemsView();
    view->show();
    const int comments = items()->model()->columnOf("userComments");
    view->setColumnHidden(comments, false);
    const MediaElementPtr first = items()->model()->elementAt(0);
    items()->setSelectedElements({ first });
    const QModelIndex cell = items()->model()->index(0, comments);
    view->setCurrentIndex(cell);
    view->edit(cell);
    ASSERT_TRUE(items()->table()->tableEditInProgress());
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    editor->setText("typed while importing");
    NotificationCenter::instance().post(
        "com.tallowmere.vidarium.SourceDidModifyElementsNotification", nullptr,
        { { "LibraryIdentifier", document.identifier() } });
    processEvents();
    EXPECT_TRUE(items()->table()->tableEditInProgress());
    EXPECT_EQ(editor->text(), "typed while importing");
    // The new collection's criteria read the comment being typed: every pane
    // sees the committed edit, whichever asked for the collection first.
    SourceViewController *source = window->sourceViewController();
    source->selectNode(source->model().nodeForKey(typed->identifier()));
    processEvents();
    EXPECT_FALSE(items()->table()->tableEditInProgress());
    EXPECT_EQ(first->userComments(), "typed while importing");
    EXPECT_EQ(items()->arrangedElements(), MediaElementList { first });
}

TEST_F(ItemsTableTest, RatingRebuildsOnlyWhenCriteriaOrOrderReadIt)
{
    open(6);
    ItemsModel *model = items()->model();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    const MediaElementPtr first = model->elementAt(0);
    items()->setSelectedElements({ first });
    items()->rateTarget(4);
    processEvents();
    // Sorted by name with no criteria: nothing can move, so nothing is rebuilt.
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(first->rating(), 4);
    EXPECT_EQ(model->rowCount(), 6);

    // A filter on the rating: the rated row must leave the list.
    NotificationCenter::instance().post(
        "com.tallowmere.vidarium.FilterSelectionDidChangeNotification", nullptr,
        { { "LibraryIdentifier", document.identifier() }, { "FilterType", "FilterPropertyType" },
            { "FilterPredicate", "rating >= 3" } });
    processEvents();
    ASSERT_TRUE(items()->arrangedElements().contains(first));
    items()->setSelectedElements({ first });
    items()->rateTarget(1);
    processEvents();
    EXPECT_FALSE(items()->arrangedElements().contains(first));
}

TEST_F(ItemsTableTest, SortingByRatingReordersAfterRating)
{
    open(4);
    items()->arrangeItems("rating");
    const MediaElementPtr first = items()->model()->elementAt(0);
    items()->setSelectedElements({ first });
    items()->rateTarget(5);
    processEvents();
    EXPECT_EQ(items()->model()->elementAt(3), first);
}

TEST_F(ItemsTableTest, ContextMenuAimsAtTheClickedRowUnlessItIsSelected)
{
    open(4);
    ItemsModel *model = items()->model();
    const MediaElementPtr selected = model->elementAt(0);
    const MediaElementPtr clicked = model->elementAt(2);
    const int before = selected->rating();
    items()->setSelectedElements({ selected });
    items()->contextMenu()->popup(2, QPoint(10, 10));
    EXPECT_EQ(items()->targetItems(), MediaElementList { clicked });
    QMenu *rate = items()->contextMenu()->menu()->findChild<QMenu *>("ItemsRatingMenu");
    ASSERT_NE(rate, nullptr);
    items()->contextMenu()->menu()->hide();
    rate->actions().at(3)->trigger();
    processEvents();
    EXPECT_EQ(clicked->rating(), 3);
    EXPECT_EQ(selected->rating(), before);
    // Once the command has run, commands follow the selection again.
    EXPECT_EQ(items()->targetItems(), MediaElementList { selected });

    // A click on a selected row aims at the whole selection.
    items()->setSelectedElements({ selected, clicked });
    items()->contextMenu()->popup(2, QPoint(10, 10));
    EXPECT_EQ(items()->targetItems().size(), 2);
    QStringList titles;
    for (QAction *action : items()->contextMenu()->menu()->actions())
        titles.append(action->text());
    // Outside a static collection removing moves to the trash, and says so.
    EXPECT_TRUE(titles.contains("Move to Trash"));
    EXPECT_FALSE(titles.contains("Remove from Collection"));
    items()->contextMenu()->menu()->hide();
}

TEST_F(ItemsTableTest, RevealShowsUpToTenFoldersAndRefusesEleven)
{
    QStringList revealed;
    FileBrowser::setOverrideForTesting([&](const QStringList &paths) { revealed = paths; });
    open(12); // in twelve folders
    const MediaElementList all = items()->arrangedElements();
    items()->setSelectedElements(all.mid(0, 10));
    items()->revealTargetInFinder();
    EXPECT_EQ(revealed.size(), 10);
    EXPECT_EQ(window->window()->findChild<QMessageBox *>("RevealInFinderAlert"), nullptr);

    revealed.clear();
    items()->setSelectedElements(all.mid(0, 11));
    items()->revealTargetInFinder();
    EXPECT_TRUE(revealed.isEmpty());
    auto *alert = window->window()->findChild<QMessageBox *>("RevealInFinderAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Too many folders to show.");
    EXPECT_EQ(alert->icon(), QMessageBox::Warning);
    alert->accept();
    FileBrowser::setOverrideForTesting({});
}
