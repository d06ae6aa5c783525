// The items table acted on directly: refused renames, the double click by the
// setting, the path menu, what a drag carries out and which drops it takes.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/elementclipboard.h"
#include "window/filebrowser.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemspathmenu.h"
#include "window/itemsviewcontroller.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class ItemsInteractionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        FileBrowser::setOverrideForTesting([this](const QStringList &paths) { revealed = paths; });
    }
    void TearDown() override { FileBrowser::setOverrideForTesting({}); }

    void open()
    {
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        window->window()->resize(1280, 800);
        items()->reloadElements();
    }
    ItemsViewController *items() const { return window->itemsViewController(); }
    ItemsModel *model() const { return items()->model(); }
    MediaElementPtr fileElement(const QString &path)
    {
        QFile(path).open(QIODevice::WriteOnly);
        MediaElementPtr made = MediaElement::create(&document.library(), path);
        made->setAssets(15);
        ElementDictionary media = document.library().media();
        media.insert(made->identifier(), made);
        document.library().setMedia(media);
        return made;
    }

    Document document;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
    QStringList revealed;
};

} // namespace

TEST_F(ItemsInteractionTest, ARenameTheFileSystemRefusesIsShownABadNameOnlyBeeps)
{
    QTemporaryDir folder;
    fileElement(folder.filePath(QStringLiteral("first.mp4")));
    QFile(folder.filePath(QStringLiteral("taken.mp4"))).open(QIODevice::WriteOnly);
    open();
    const QModelIndex name = model()->index(0, model()->columnOf(QStringLiteral("name")));

    EXPECT_FALSE(model()->setData(name, QStringLiteral("a/b"), Qt::EditRole));
    processEvents();
    EXPECT_FALSE(window->isSheetAttached());

    EXPECT_FALSE(model()->setData(name, QStringLiteral("taken"), Qt::EditRole));
    processEvents();
    ASSERT_TRUE(window->isSheetAttached());
    auto *alert = qobject_cast<QMessageBox *>(window->attachedSheet());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->objectName(), "RenameRefusedAlert");
    EXPECT_TRUE(alert->informativeText().contains("taken.mp4"));
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("first.mp4"))));
    alert->accept();
}

TEST_F(ItemsInteractionTest, DoubleClickFollowsTheSettingOnTheSelectedRowOnly)
{
    addElements(document, 3);
    open();
    UserDefaults &settings = UserDefaults::standard();
    settings.setInteger(SettingKey::DoubleClickAction, 2);
    items()->setSelectedElements({ model()->elementAt(1) });
    items()->doubleClickRow(0); // not selected: nothing
    EXPECT_TRUE(revealed.isEmpty());
    items()->doubleClickRow(1);
    ASSERT_EQ(revealed.size(), 1);
    EXPECT_EQ(revealed.first(), model()->elementAt(1)->path());

    // The grid and the combined list answer a double click alike.
    revealed.clear();
    items()->selectView(ItemsViewController::GridStyle, false);
    QAbstractItemView *grid = items()->grid()->itemsView();
    emit grid->doubleClicked(model()->index(1, 0));
    EXPECT_EQ(revealed.size(), 1);
    items()->selectView(ItemsViewController::TableStyle, false);

    revealed.clear();
    settings.setInteger(SettingKey::DoubleClickAction, 0);
    items()->doubleClickRow(1);
    EXPECT_TRUE(revealed.isEmpty());
}

TEST_F(ItemsInteractionTest, DragsCarryTheElementsAndFileUrlsOnlyWhenAllowed)
{
    addElements(document, 4);
    open();
    UserDefaults &settings = UserDefaults::standard();
    // Each row shows up once per column, and out of order.
    const QModelIndexList indexes { model()->index(2, 1), model()->index(0, 0),
        model()->index(2, 0), model()->index(0, 3) };

    settings.setBool(SettingKey::AllowDragToFinder, false);
    std::unique_ptr<QMimeData> kept(model()->mimeData(indexes));
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->hasUrls());
    EXPECT_EQ(kept->data(ElementClipboard::DocumentIdentifierType), document.identifier().toUtf8());
    const MediaElementList decoded = ElementClipboard::decode(kept.get());
    ASSERT_EQ(decoded.size(), 2);
    EXPECT_EQ(decoded.at(0)->identifier(), model()->elementAt(0)->identifier());
    EXPECT_EQ(decoded.at(1)->identifier(), model()->elementAt(2)->identifier());
    EXPECT_EQ(model()->supportedDragActions(), Qt::CopyAction);

    settings.setBool(SettingKey::AllowDragToFinder, true);
    std::unique_ptr<QMimeData> leaving(model()->mimeData(indexes));
    ASSERT_EQ(leaving->urls().size(), 2);
    EXPECT_EQ(leaving->urls().at(1).toLocalFile(), model()->elementAt(2)->path());
    // The table does not take its own rows back as files to import.
    EXPECT_FALSE(model()->canDropMimeData(leaving.get(), Qt::CopyAction, -1, -1, {}));
}

TEST_F(ItemsInteractionTest, DroppedFilesAreReadOffTheMainThreadAndImported)
{
    QTemporaryDir folder;
    open();
    QList<QUrl> urls;
    for (const char *name : { "one.mp4", "two.mkv", "notes.txt" }) {
        const QString path = folder.filePath(QLatin1String(name));
        QFile(path).open(QIODevice::WriteOnly);
        urls.append(QUrl::fromLocalFile(path));
    }
    QMimeData files;
    files.setUrls(urls);
    EXPECT_TRUE(model()->canDropMimeData(&files, Qt::CopyAction, 3, 2, {}));
    QMimeData text;
    text.setText(QStringLiteral("/etc/passwd"));
    EXPECT_FALSE(model()->canDropMimeData(&text, Qt::CopyAction, -1, -1, {}));

    ASSERT_TRUE(model()->dropMimeData(&files, Qt::CopyAction, -1, -1, {}));
    ASSERT_TRUE(waitUntil([this] { return document.library().media().size() == 2; }));
    EXPECT_TRUE(waitUntil([this] { return model()->rowCount() == 2; }));
}

TEST(ItemsUriList, DamagedAndForeignLinesAreSkipped)
{
    const QByteArray list = "# a comment\r\nfile:///home/u/a%20b.mp4\r\nhttp://example.com/x.mp4\n"
                            "\nfile:///tmp/%00nul.mp4\nnot a url at all\nfile:///tmp/c.mkv";
    EXPECT_EQ(
        ItemsModel::localPathsOfUriList(list), QStringList({ "/home/u/a b.mp4", "/tmp/c.mkv" }));
    EXPECT_TRUE(ItemsModel::localPathsOfUriList(QByteArray(4096, '\xff')).isEmpty());
}

TEST(ItemsPathMenu, FoldersFromTheRootTrashAndPackages)
{
    const auto titles = [](const QList<ItemsPathMenu::Entry> &entries) {
        QStringList result;
        for (const ItemsPathMenu::Entry &entry : entries)
            result.append(entry.title);
        return result;
    };
    const QString trash = QStringLiteral("/home/u/.local/share/Trash/files");
    const auto plain = ItemsPathMenu::entries(QStringLiteral("/home/u/Videos/a.mp4"), trash);
    EXPECT_EQ(titles(plain), QStringList({ "Computer", "home", "u", "Videos", "a.mp4" }));
    EXPECT_EQ(plain.at(3).path, "/home/u/Videos");

    const auto trashed = ItemsPathMenu::entries(trash + QStringLiteral("/old.mp4"), trash);
    ASSERT_EQ(trashed.size(), 2);
    EXPECT_TRUE(trashed.at(0).isTrash);
    EXPECT_EQ(trashed.at(1).title, "old.mp4");

    // Inside a library package the walk stops at the package.
    QTemporaryDir folder;
    ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("Cut.fcpbundle/Media"))));
    const auto packaged = ItemsPathMenu::entries(
        folder.filePath(QStringLiteral("Cut.fcpbundle/Media/x.mov")), trash);
    EXPECT_EQ(titles(packaged).last(), "Cut.fcpbundle");

    const QString user = qEnvironmentVariable("USER", QStringLiteral("someone"));
    qputenv("USER", user.toUtf8());
    const auto mounted
        = ItemsPathMenu::entries(QStringLiteral("/media/") + user + "/Disk/a.mp4", trash);
    EXPECT_EQ(titles(mounted), QStringList({ "Computer", "Disk", "a.mp4" }));
}
