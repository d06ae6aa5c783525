// The source list's removals carried through their alerts: emptying the trash,
// and collections or folders dropped on Trash, which ask before anything goes.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"
#include "window/sourceviewnode.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

QMessageBox *openAlert(const QString &name)
{
    processEvents();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->objectName() == name && box->isVisible())
            return box;
    }
    return nullptr;
}

void press(QMessageBox *alert, const QString &text)
{
    for (QAbstractButton *button : alert->buttons()) {
        if (button->text() == text) {
            button->click();
            break;
        }
    }
    processEvents();
}

class SourceRemoval : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 6);
    }
    // Drags `node` onto Trash the way the tree view does.
    bool dropOnTrash(SourceViewController &source, SourceViewNode *node)
    {
        SourceListModel &model = source.model();
        std::unique_ptr<QMimeData> data(model.mimeData({ model.indexForNode(node) }));
        const QModelIndex trash = model.indexForNode(model.trashNode());
        return data && model.canDropMimeData(data.get(), Qt::MoveAction, -1, 0, trash)
            && model.dropMimeData(data.get(), Qt::MoveAction, -1, 0, trash);
    }
    Document document;
    MediaElementList elements;
};

} // namespace

TEST_F(SourceRemoval, EmptyingTheTrashThroughItsAlertRemovesTheElements)
{
    MediaLibrary &library = document.library();
    library.trashElement(elements.at(0));
    library.trashElement(elements.at(1));
    SourceViewController source(document);
    source.emptyTrash();
    QMessageBox *alert = openAlert(QStringLiteral("EmptyTrashAlert"));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(),
        Definitions::shared().localizedString(QStringLiteral("EmptyTrashPluralAlertMessageText")));
    press(alert, QStringLiteral("Cancel"));
    EXPECT_EQ(library.trash().size(), 2);

    source.emptyTrash();
    press(openAlert(QStringLiteral("EmptyTrashAlert")), QStringLiteral("Keep Files"));
    EXPECT_TRUE(library.trash().isEmpty());
    EXPECT_FALSE(library.containsElement(*elements.at(0)));
    EXPECT_EQ(library.media().size(), 4);
    EXPECT_FALSE(source.isTrashFull());
}

TEST_F(SourceRemoval, CollectionsAndFoldersDroppedOnTrashAskFirst)
{
    MediaLibrary &library = document.library();
    const MediaPlaylistPtr smart = library.createPlaylist(
        QStringLiteral("Top rated"), Predicate::parse(QStringLiteral("rating >= 4")).value());
    const MediaPlaylistPtr kept
        = library.createPlaylist(QStringLiteral("Trip"), std::nullopt, { elements.at(2) });
    SourceViewController source(document);
    SourceListModel &model = source.model();

    ASSERT_TRUE(dropOnTrash(source, model.nodeForKey(smart->identifier())));
    QMessageBox *alert = openAlert(QStringLiteral("RemoveCollectionAlert"));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "Remove the smart collection “Top rated”?");
    press(alert, QStringLiteral("Cancel"));
    EXPECT_TRUE(library.playlistWithIdentifier(smart->identifier()));

    // A folder holding the static collection.
    source.createFolder();
    SourceViewNode *folder = nullptr;
    for (const SourceViewNodePtr &child : model.collectionsGroup()->children())
        if (child->isFolder())
            folder = child.get();
    ASSERT_NE(folder, nullptr);
    ASSERT_TRUE(model.moveNode(model.nodeForKey(kept->identifier()), folder, 0));
    ASSERT_TRUE(dropOnTrash(source, folder));
    alert = openAlert(QStringLiteral("RemoveCollectionAlert"));
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(),
        QStringLiteral("Remove the folder “%1” and the collection in it?").arg(folder->name()));
    EXPECT_FALSE(alert->informativeText().isEmpty());
    press(alert, QStringLiteral("Remove"));
    EXPECT_FALSE(library.playlistWithIdentifier(kept->identifier()));
    EXPECT_EQ(model.nodeForKey(kept->identifier()), nullptr);
    // The elements themselves stay in the library.
    EXPECT_TRUE(library.containsElement(*elements.at(2)));
}
