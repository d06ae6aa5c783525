// Pictures of the items area for review, written to build/screenshots/items/ by
// `make screenshots`: the header menu, the item context menu with its
// submenus, an edit with a completion, the rating column, the reveal alert and
// a table of 100,000 rows scrolled to the middle.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemscontextmenu.h"
#include "window/itemsmodel.h"
#include "window/itemstableviewcontroller.h"
#include "window/itemsviewcontroller.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

QString picturePath(const QString &name)
{
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/items");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

void save(const QPixmap &picture, const QString &name)
{
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    ASSERT_TRUE(picture.save(picturePath(name))) << name.toStdString();
}

void save(QWidget *widget, const QString &name)
{
    processEvents(5);
    save(widget->grab(), name);
}

// What an imported video has, so the columns show something real.
void fillValues(const MediaElementList &elements)
{
    const QStringList codecs { "H.264", "HEVC", "ProRes 422", "VP9" };
    for (int i = 0; i < elements.size(); ++i) {
        const MediaElementPtr &element = elements.at(i);
        element->setSize(qint64(40'000'000) * (1 + i % 37));
        element->setDuration(42.0 + 97 * (i % 53));
        element->setPixelsWide(i % 3 ? 1920 : 3840);
        element->setPixelsHigh(i % 3 ? 1080 : 2160);
        element->setFrameRate(i % 2 ? 25.0 : 29.97);
        element->setVideoCodec(codecs.at(i % codecs.size()));
    }
}

// A menu with one of its submenus open beside it, as the user sees them
// cascading.
QPixmap cascade(QMenu *menu, const QStringList &opened)
{
    menu->popup(QPoint(0, 0));
    processEvents(5);
    const QPixmap main = menu->grab();
    QList<std::pair<QPoint, QPixmap>> parts { { QPoint(0, 0), main } };
    int width = main.width();
    int height = main.height();
    const int x = main.width() - 4;
    for (QAction *action : menu->actions()) {
        if (!action->menu() || !opened.contains(action->text()))
            continue;
        QMenu *sub = action->menu();
        sub->popup(QPoint(0, 0));
        processEvents(5);
        const QPoint at(x, std::max(0, menu->actionGeometry(action).top() - 4));
        parts.append({ at, sub->grab() });
        width = std::max(width, at.x() + parts.last().second.width());
        height = std::max(height, at.y() + parts.last().second.height());
        sub->hide();
    }
    menu->hide();
    QPixmap picture(width + 8, height + 8);
    picture.fill(QColor(236, 236, 236));
    QPainter painter(&picture);
    for (const auto &[at, part] : parts) {
        painter.fillRect(QRect(at + QPoint(3, 3), part.size()), QColor(0, 0, 0, 40));
        painter.drawPixmap(at, part);
    }
    return picture;
}

class ItemsScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        testDefaults().setBool(SettingKey::ImportImagesImmediately, false);
        dispatcher = makeTestDispatcher();
    }
    void open()
    {
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        window->window()->resize(1280, 800);
        window->window()->show();
        items()->reloadElements();
    }
    ItemsViewController *items() const { return window->itemsViewController(); }

    Document document;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
};

} // namespace

TEST_F(ItemsScreenshots, HeaderAndContextMenus)
{
    fillValues(addElements(document, 12));
    open();
    ItemsTableViewController *table = items()->table();
    emit table->headerMenu()->aboutToShow();
    save(cascade(table->headerMenu(), {}), QStringLiteral("header-menu"));

    items()->setSelectedElements({ items()->arrangedElements().at(2) });
    ItemsContextMenu *context = items()->contextMenu();
    context->popup(2, QPoint(0, 0));
    context->menu()->hide();
    const std::pair<const char *, const char *> submenus[] = { { "Open With", "context-open-with" },
        { "Rate", "context-rate" }, { "Make Images", "context-make-images" },
        { "Enclosing Folders", "context-enclosing-folders" } };
    for (const auto &[title, name] : submenus) {
        context->popup(2, QPoint(0, 0));
        context->menu()->hide();
        save(cascade(context->menu(), { QLatin1String(title) }), QLatin1String(name));
    }
}

TEST_F(ItemsScreenshots, EditingWithACompletionAndTheRatingColumn)
{
    testDefaults().setBool(SettingKey::AutoCompleteUserFields, true);
    const MediaElementList elements = addElements(document, 14);
    const MediaUserFieldPtr place = document.library().createFieldWithName("Location");
    const QStringList places { "Paris", "Lisbon", "Porto", "Oslo" };
    for (int i = 0; i < elements.size(); ++i) {
        if (i != 3)
            elements.at(i)->setValueForUndefinedKey(
                PlistValue(places.at(i % places.size())), place->identifier());
    }
    fillValues(elements);
    open();
    // Wide enough for every default column and the field's.
    window->window()->resize(2000, 800);
    ItemsTableViewController *table = items()->table();
    table->applySettings();
    table->toggleColumn(place->identifier());
    ItemsTableView *view = table->itemsView();
    ItemsModel *model = items()->model();
    const MediaElementPtr target = model->elementAt(3);
    items()->setSelectedElements({ target });
    const QModelIndex cell = model->index(3, model->columnOf(place->identifier()));
    view->scrollTo(cell);
    view->setCurrentIndex(cell);
    view->edit(cell);
    auto *editor = qobject_cast<QLineEdit *>(view->indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "Po");
    EXPECT_EQ(editor->text(), "Porto");
    processEvents(5);
    const int used = view->viewport()->x() + view->horizontalHeader()->length() + 1;
    save(view->grab().copy(QRect(0, 0, std::min(used, view->width()), view->height())),
        QStringLiteral("edit-completion"));
    table->commitEdit();

    // The stars of several rows, one of them selected.
    const int rating = model->columnOf(QStringLiteral("rating"));
    const int name = model->columnOf(QStringLiteral("name"));
    view->scrollToTop();
    processEvents(5);
    const QHeaderView *header = view->horizontalHeader();
    const int offset = view->viewport()->x();
    const int left = offset + header->sectionViewportPosition(name);
    const int right
        = offset + header->sectionViewportPosition(rating) + header->sectionSize(rating);
    const int rows = view->rowHeight(0) * 10 + header->height() + 2;
    ASSERT_LT(left, right);
    save(
        view->grab().copy(QRect(left, 0, right - left + 1, rows)), QStringLiteral("rating-column"));
}

TEST_F(ItemsScreenshots, RevealAlert)
{
    addElements(document, 12); // in twelve folders
    open();
    items()->setSelectedElements(items()->arrangedElements());
    items()->revealTargetInFinder();
    ASSERT_TRUE(window->isSheetAttached());
    save(window->attachedSheet(), QStringLiteral("reveal-alert"));
    window->attachedSheet()->accept();
}

TEST_F(ItemsScreenshots, HundredThousandRowsScrolledToTheMiddle)
{
    fillValues(addElements(document, 100000));
    open();
    ItemsModel *model = items()->model();
    ASSERT_EQ(model->rowCount(), 100000);
    const QModelIndex middle = model->index(50000, 0);
    items()->setSelectedElements({ model->elementAt(50000) });
    items()->itemsView()->scrollTo(middle, QAbstractItemView::PositionAtCenter);
    save(window->window(), QStringLiteral("table-100000-middle"));
}
