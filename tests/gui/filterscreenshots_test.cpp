// Pictures of the filter pane for review, written to build/screenshots/filters/
// by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "platform/notificationcenter.h"
#include "widgets/toggleswitch.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/filterlistmodel.h"
#include "window/filterviewcontroller.h"
#include "window/keywordfilterviewcontroller.h"
#include "window/propertyfilterviewcontroller.h"

#include <QDir>
#include <QLineEdit>
#include <QListView>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    processEvents(5);
    saveScreenshot(widget->grab(), QStringLiteral("filters"), name);
}

void selectLabels(FilterSubviewController *list, const QStringList &wanted)
{
    QItemSelection selection;
    for (int row = 0; row < list->model().rowCount(); ++row) {
        if (wanted.contains(list->model().rowAt(row).label))
            selection.select(list->model().index(row), list->model().index(row));
    }
    list->itemsView()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

class FilterScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        const MediaElementList elements = addElements(document, 60);
        MediaLibrary &library = document.library();
        const QStringList names { "Beach", "Birthday", "Dog", "Family", "Garden", "Mountains",
            "Night", "Snow", "Sunset", "Wedding" };
        QStringList pool;
        for (const QString &name : names)
            pool.append(library.createKeywordWithName(name)->identifier());
        for (int i = 0; i < elements.size(); ++i) {
            QStringList chosen { pool.at(i % pool.size()) };
            if (i % 3 == 0)
                chosen.append(pool.at((i / 3) % 4));
            chosen.removeDuplicates();
            elements.at(i)->setUserKeywords(chosen);
        }
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        window->window()->resize(1280, 800);
        window->window()->show();
        pane()->keywordFilter()->populate();
        pane()->view()->resize(240, 620);
    }
    void TearDown() override { window.reset(); }
    FilterViewController *pane() const { return window->filterViewController(); }

    Document document;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
};

} // namespace

TEST_F(FilterScreenshots, CountsOnAndOff)
{
    selectLabels(pane()->propertyFilter(), { "Trips 2013" });
    save(pane()->view(), QStringLiteral("filter-pane-counts-on"));
    document.defaults().setShowFilterElementCounts(false);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, &document);
    save(pane()->view(), QStringLiteral("filter-pane-counts-off"));
}

TEST_F(FilterScreenshots, SearchBoxesShown)
{
    pane()->propertyFilter()->performFindPanelAction();
    pane()->propertyFilter()->searchField()->setText(QStringLiteral("trips 201"));
    pane()->keywordFilter()->performFindPanelAction();
    save(pane()->view(), QStringLiteral("filter-pane-search-boxes"));
}

TEST_F(FilterScreenshots, KeywordSwitchShown)
{
    window->perform(QStringLiteral("arrangeFilter:"), FilterViewController::KeywordSortByCount);
    selectLabels(pane()->keywordFilter(), { "Beach", "Dog" });
    save(pane()->view(), QStringLiteral("filter-pane-keyword-switch-any"));
    pane()->keywordFilter()->allSwitch()->click();
    save(pane()->view(), QStringLiteral("filter-pane-keyword-switch-all"));
}
