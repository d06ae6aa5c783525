// The filter pane: the rows of both lists, their criteria and how the items
// follow them, the notifications, sorting, menus, search boxes and settings.

#include "guitestsupport.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "model/settingkeys.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "widgets/toggleswitch.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/filterlistmodel.h"
#include "window/filtersearchview.h"
#include "window/filterviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/keywordfilterviewcontroller.h"
#include "window/propertyfilterviewcontroller.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

const QString FilterSelectionDidChange
    = QStringLiteral("com.tallowmere.vidarium.FilterSelectionDidChangeNotification");

class FilterViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        token = NotificationCenter::instance().addObserver(
            FilterSelectionDidChange, [this](const Notification &) { ++posted; });
    }
    void TearDown() override
    {
        NotificationCenter::instance().removeObserver(token);
        window.reset();
    }
    void open(int count)
    {
        elements = addElements(document, count);
        makeWindow();
    }
    void makeWindow()
    {
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        window->window()->resize(1280, 800);
        testers.push_back(std::make_unique<QAbstractItemModelTester>(
            &properties()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
        testers.push_back(std::make_unique<QAbstractItemModelTester>(
            &keywords()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal));
    }
    FilterViewController *pane() const { return window->filterViewController(); }
    PropertyFilterViewController *properties() const { return pane()->propertyFilter(); }
    KeywordFilterViewController *keywords() const { return pane()->keywordFilter(); }
    ItemsViewController *items() const { return window->itemsViewController(); }

    static QStringList labels(const FilterSubviewController *list)
    {
        QStringList out;
        for (int row = 0; row < list->model().rowCount(); ++row) {
            const FilterRow &item = list->model().rowAt(row);
            out.append(QStringLiteral("%1 (%2)").arg(item.label).arg(item.count));
        }
        return out;
    }
    // Selects the rows with these labels (the top row by its label too).
    static void select(FilterSubviewController *list, const QStringList &wanted)
    {
        QItemSelection selection;
        for (int row = 0; row < list->model().rowCount(); ++row) {
            if (wanted.contains(list->model().rowAt(row).label))
                selection.select(list->model().index(row), list->model().index(row));
        }
        list->itemsView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    }
    void postModified(const QStringList &keys)
    {
        NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, nullptr,
            { { LibraryNotification::LibraryIdentifierKey, document.identifier() },
                { LibraryNotification::LibraryElementPropertiesKey, keys } });
    }
    MediaUserFieldPtr addField(const QString &name, bool split)
    {
        MediaUserFieldPtr field = document.library().createFieldWithName(name);
        field->setSplit(split);
        return field;
    }

    Document document;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
    MediaElementList elements;
    ObserverToken token;
    int posted = 0;
};

} // namespace

TEST_F(FilterViewTest, FolderValuesNarrowTheItemsUnlessAllItemsIsSelected)
{
    open(24);
    EXPECT_EQ(properties()->property(), "parentFolder");
    EXPECT_EQ(properties()->headerTitle(), "Folder Filter");
    // Twelve folders of two clips each, the top row first.
    ASSERT_EQ(properties()->model().rowCount(), 13);
    EXPECT_EQ(labels(properties()).first(), "(All Items) (0)");
    EXPECT_EQ(labels(properties()).at(1), "Trips 2010 (2)");
    EXPECT_EQ(items()->arrangedElements().size(), 24);

    select(properties(), { "Trips 2010", "Trips 2011" });
    ASSERT_TRUE(properties()->predicate().has_value());
    EXPECT_EQ(items()->arrangedElements().size(), 4);

    // "(All Items)" with values: no narrowing at all.
    select(properties(), { "(All Items)", "Trips 2010" });
    EXPECT_FALSE(properties()->predicate().has_value());
    EXPECT_EQ(items()->arrangedElements().size(), 24);
}

TEST_F(FilterViewTest, KeywordSwitchChoosesItemsWithAllOrAnyKeyword)
{
    open(4);
    MediaLibrary &library = document.library();
    const MediaUserKeywordPtr beach = library.createKeywordWithName("Beach");
    const MediaUserKeywordPtr dog = library.createKeywordWithName("Dog");
    elements[0]->setUserKeywords({ beach->identifier(), dog->identifier() });
    elements[1]->setUserKeywords({ beach->identifier() });
    // An identifier the library does not know gives no row.
    elements[2]->setUserKeywords({ dog->identifier(), QStringLiteral("no-such-keyword") });
    keywords()->populate();
    EXPECT_EQ(labels(keywords()), QStringList({ "(All Keywords) (0)", "Beach (2)", "Dog (2)" }));

    EXPECT_FALSE(keywords()->isSwitchShown());
    select(keywords(), { "Beach", "Dog" });
    EXPECT_TRUE(keywords()->isSwitchShown());
    EXPECT_EQ(items()->arrangedElements().size(), 3);
    const int before = posted;
    keywords()->allSwitch()->click();
    EXPECT_EQ(posted, before + 1);
    EXPECT_EQ(items()->arrangedElements(), MediaElementList { elements[0] });
    keywords()->allSwitch()->click();
    EXPECT_EQ(items()->arrangedElements().size(), 3);
    select(keywords(), { "Dog" });
    EXPECT_FALSE(keywords()->isSwitchShown());
}

TEST_F(FilterViewTest, SplitFieldCountsEachPartAndSkipsEmptyOnes)
{
    open(4);
    const MediaUserFieldPtr cast = addField("Cast", true);
    elements[0]->setValueForUndefinedKey(QStringLiteral("a, b"), cast->identifier());
    elements[1]->setValueForUndefinedKey(QStringLiteral("b"), cast->identifier());
    elements[2]->setValueForUndefinedKey(QStringLiteral(" , ,"), cast->identifier());
    window->perform(QStringLiteral("selectFilterProperty:"), cast->identifier());
    EXPECT_EQ(document.defaults().propertyFilter(), cast->identifier());
    EXPECT_EQ(properties()->headerTitle(), "Cast Filter");
    EXPECT_EQ(labels(properties()), QStringList({ "(All Items) (0)", "a (1)", "b (2)" }));
    select(properties(), { "b" });
    const MediaElementList shown = items()->arrangedElements();
    EXPECT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown.contains(elements[0]) && shown.contains(elements[1]));
}

TEST_F(FilterViewTest, ElementsWithoutAValueGetNoRowOfTheirOwn)
{
    open(4);
    const MediaUserFieldPtr place = addField("Place", false);
    elements[0]->setValueForUndefinedKey(QStringLiteral("Oslo"), place->identifier());
    elements[1]->setValueForUndefinedKey(PlistValue::null(), place->identifier());
    elements[2]->setValueForUndefinedKey(QString(), place->identifier());
    properties()->selectProperty(place->identifier());
    EXPECT_EQ(labels(properties()), QStringList({ "(All Items) (0)", "Oslo (1)" }));
    select(properties(), { "Oslo" });
    EXPECT_EQ(items()->arrangedElements(), MediaElementList { elements[0] });
}

TEST_F(FilterViewTest, MixedValueKindsSortTheSameWhateverTheirOrder)
{
    open(5);
    const MediaUserFieldPtr code = addField("Code", false);
    const PlistValue values[] = { PlistValue(QStringLiteral("10")), PlistValue(qint64(5)),
        PlistValue(QStringLiteral("9")), PlistValue(2.5), PlistValue(true) };
    const auto fillWith = [&](bool reversed) {
        for (int i = 0; i < 5; ++i)
            elements[i]->setValueForUndefinedKey(values[reversed ? 4 - i : i], code->identifier());
        properties()->populate();
        return labels(properties());
    };
    properties()->selectProperty(code->identifier());
    const QStringList forward = fillWith(false);
    EXPECT_EQ(forward.size(), 6);
    EXPECT_EQ(fillWith(true), forward);
}

TEST_F(FilterViewTest, RatingChangeRefillsOnlyWhenTheListReadsTheRating)
{
    elements = addElements(document, 6);
    const auto good = document.library().createPlaylist(
        "Good", Predicate::parse(QStringLiteral("rating >= 3")).value());
    makeWindow();
    const int start = properties()->populateCount();
    postModified({ "rating" });
    EXPECT_EQ(properties()->populateCount(), start);
    // A path change moves elements between folders.
    postModified({ "path" });
    EXPECT_EQ(properties()->populateCount(), start + 1);

    properties()->selectProperty("rating");
    const int shown = properties()->populateCount();
    postModified({ "rating" });
    EXPECT_EQ(properties()->populateCount(), shown + 1);

    // A smart collection reading the rating: the folder list refills too.
    properties()->selectProperty("parentFolder");
    SourceViewController *source = window->sourceViewController();
    source->selectNode(source->model().nodeForKey(good->identifier()));
    ASSERT_EQ(source->selectedPlaylist(), good);
    const int selected = properties()->populateCount();
    postModified({ "rating" });
    EXPECT_EQ(properties()->populateCount(), selected + 1);
    // Keywords never read the rating.
    const int keywordRefills = keywords()->populateCount();
    postModified({ "comments" });
    postModified({ "userComments" });
    EXPECT_EQ(keywords()->populateCount(), keywordRefills);
}

TEST_F(FilterViewTest, RepeatingASelectionPostsNothing)
{
    open(6);
    select(properties(), { "Trips 2010" });
    const int after = posted;
    select(properties(), { "Trips 2010" });
    EXPECT_EQ(posted, after);
    // A refill that keeps the value selected announces nothing either.
    properties()->populate();
    EXPECT_EQ(posted, after);
    select(properties(), { "Trips 2011" });
    EXPECT_EQ(posted, after + 1);
}

TEST_F(FilterViewTest, SummaryCountsShownRowsBesidesTheTopRows)
{
    open(1);
    MediaLibrary &library = document.library();
    elements[0]->setUserKeywords({ library.createKeywordWithName("One")->identifier(),
        library.createKeywordWithName("Two")->identifier() });
    keywords()->populate();
    EXPECT_EQ(pane()->itemsSummary(), "1 property, 2 keywords");
    EXPECT_EQ(pane()->summaryLabel()->text(), "1 property, 2 keywords");
}

TEST_F(FilterViewTest, ListSearchKeepsTheTopRowAndEscapeClearsIt)
{
    open(6);
    EXPECT_FALSE(properties()->isSearchBoxVisible());
    properties()->performFindPanelAction();
    EXPECT_TRUE(properties()->isSearchBoxVisible());
    properties()->searchField()->setText(QStringLiteral("  TRIPS   2011 "));
    EXPECT_EQ(labels(properties()), QStringList({ "(All Items) (0)", "Trips 2011 (1)" }));
    properties()->searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(labels(properties()), QStringList({ "(All Items) (0)" }));
    EXPECT_EQ(properties()->itemsView()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(pane()->itemsSummary(), "0 properties, 0 keywords");

    // Escape in the list: the window does not take the key; the search goes.
    QTest::keyClick(properties()->itemsView(), Qt::Key_Escape);
    EXPECT_TRUE(properties()->searchField()->text().isEmpty());
    EXPECT_FALSE(properties()->isSearchBoxVisible());
    EXPECT_EQ(properties()->model().rowCount(), 7);
    EXPECT_TRUE(DocumentWindow::keepsKey(properties()->itemsView(), Qt::Key_Escape));
    EXPECT_FALSE(DocumentWindow::keepsKey(properties()->itemsView(), Qt::Key_Space));
}

TEST_F(FilterViewTest, SearchBoxHidesWhenTheFocusLeavesUnlessTheSettingKeepsIt)
{
    open(3);
    properties()->performFindPanelAction();
    const auto leave = [this] {
        NotificationCenter::instance().post(DocumentWindow::FirstResponderDidChange, nullptr,
            { { DocumentWindow::FirstResponderPreviousKey,
                  QVariant::fromValue<QObject *>(properties()->searchField()) },
                { DocumentWindow::FirstResponderNextKey,
                    QVariant::fromValue<QObject *>(items()->itemsView()) } });
    };
    properties()->searchField()->setText("x");
    leave();
    EXPECT_TRUE(properties()->isSearchBoxVisible());
    properties()->searchField()->clear();
    leave();
    EXPECT_FALSE(properties()->isSearchBoxVisible());

    testDefaults().setBool(SettingKey::ShowFilterSearchBoxes, true);
    properties()->applySearchBoxSetting();
    leave();
    EXPECT_TRUE(properties()->isSearchBoxVisible());
}

TEST_F(FilterViewTest, SortCommandsStoreTheOrderAndMarkTheLibraryChanged)
{
    open(12);
    elements[0]->setPath("/media/archive/Trips 2015/Extra.mp4");
    properties()->populate();
    EXPECT_EQ(pane()->filterSortTags(), QList<int>({ 1, 3 }));
    window->perform(QStringLiteral("arrangeFilter:"), FilterViewController::PropertySortByCount);
    EXPECT_EQ(document.defaults().propertyFilterSortOrder(), "count");
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(labels(properties()).at(1), "Trips 2015 (2)");
    EXPECT_EQ(pane()->filterSortTags(), QList<int>({ 2, 3 }));
    document.defaults().setKeywordFilterSortOrder("shuffled");
    EXPECT_EQ(pane()->filterSortTags(), QList<int>({ 2, 0 }));
}

TEST_F(FilterViewTest, MenusListPropertiesAndActiveFieldsWithACheckMark)
{
    open(2);
    const MediaUserFieldPtr cast = addField("Cast", false);
    document.defaults().setShowFilterElementCounts(true);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, &document);
    QStringList titles;
    QString checked;
    for (const QAction *item : properties()->headerMenu()->actions()) {
        titles.append(item->isSeparator() ? "-" : item->text());
        if (item->isChecked())
            checked = item->text();
    }
    EXPECT_EQ(titles.first(), "Folder");
    EXPECT_EQ(titles.mid(titles.size() - 2), QStringList({ "-", "Cast" }));
    EXPECT_EQ(checked, "Folder");
    EXPECT_EQ(properties()->contextMenu()->actions().size(), titles.size());

    // Choosing from the list's menu is the menu command: stored, and a change.
    for (QAction *item : properties()->contextMenu()->actions()) {
        if (item->text() == "Cast")
            item->trigger();
    }
    EXPECT_EQ(properties()->property(), cast->identifier());
    EXPECT_EQ(document.defaults().propertyFilter(), cast->identifier());
    EXPECT_EQ(properties()->headerTitle(), "Cast Filter");
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(FilterViewTest, CountColumnFollowsTheSettingAndHidesTheTopRowsZero)
{
    open(2);
    const QModelIndex top = properties()->model().index(0);
    const QModelIndex value = properties()->model().index(1);
    EXPECT_EQ(top.data(FilterListModel::CountTextRole).toString(), "");
    EXPECT_EQ(value.data(FilterListModel::CountTextRole).toString(), "1");
    document.defaults().setShowFilterElementCounts(false);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, nullptr,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() } });
    EXPECT_EQ(value.data(FilterListModel::CountTextRole).toString(), "");
    EXPECT_EQ(keywords()->model().showsCounts(), false);
}

TEST_F(FilterViewTest, DeactivatingTheShownFieldFallsBackToTheDefaultProperty)
{
    open(3);
    const MediaUserFieldPtr cast = addField("Cast", false);
    properties()->selectProperty(cast->identifier());
    ASSERT_EQ(properties()->property(), cast->identifier());
    cast->setRemoved(true);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, &document);
    EXPECT_EQ(properties()->property(), "parentFolder");
    EXPECT_EQ(document.defaults().propertyFilter(), "parentFolder");
    EXPECT_EQ(properties()->headerTitle(), "Folder Filter");
    EXPECT_EQ(properties()->model().rowCount(), 4);
}

TEST_F(FilterViewTest, StoredPropertyNamingNothingShowsTheDefault)
{
    const MediaUserFieldPtr gone = addField("Gone", false);
    gone->setRemoved(true);
    for (const QString &stored : { QStringLiteral("no such property"), gone->identifier(),
             QStringLiteral("-"), QString() }) {
        SCOPED_TRACE(stored.toStdString());
        document.defaults().setPropertyFilter(stored);
        SourceViewController source(document);
        PropertyFilterViewController filter(document, source, nullptr);
        EXPECT_EQ(filter.property(), "parentFolder");
        EXPECT_EQ(filter.headerTitle(), "Folder Filter");
    }
}

TEST_F(FilterViewTest, KeywordAddedInTheInspectorGetsARowWithTheSelectionsCount)
{
    open(4);
    const MediaUserKeywordPtr added = document.library().createKeywordWithName("New");
    items()->setSelectedElements({ elements[0], elements[1] });
    for (const MediaElementPtr &element : { elements[0], elements[1] })
        element->addKeywordWithIdentifier(added->identifier());
    NotificationCenter::instance().post(
        QStringLiteral("com.tallowmere.vidarium.DetailDidAddKeywordNotification"), nullptr,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() },
            { LibraryNotification::LibraryKeywordKey, added->identifier() } });
    EXPECT_EQ(labels(keywords()), QStringList({ "(All Keywords) (0)", "New (2)" }));
    added->setName("Renamed");
    NotificationCenter::instance().post(
        QStringLiteral("com.tallowmere.vidarium.DetailDidRenameKeywordNotification"), nullptr,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() } });
    EXPECT_EQ(labels(keywords()).at(1), "Renamed (2)");
}

TEST_F(FilterViewTest, FindSearchesTheFilterListThatHasTheFocus)
{
    open(3);
    window->window()->show();
    keywords()->itemsView()->setFocus();
    window->perform(QStringLiteral("performFindPanelAction:"));
    EXPECT_TRUE(keywords()->isSearchBoxVisible());
    EXPECT_FALSE(properties()->isSearchBoxVisible());
    EXPECT_EQ(window->window()->focusWidget(), keywords()->searchField());
}
