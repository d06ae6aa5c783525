// Pictures of the source list for review, written to build/screenshots/sources/
// by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "platform/userdefaults.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"

#include <QDir>
#include <QMessageBox>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/sources");
    QDir().mkpath(folder);
    processEvents(5);
    const QPixmap picture = widget->grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

TEST(SourceScreenshots, SourceList)
{
    resetTestDefaults();
    Document document;
    const MediaElementList elements = addElements(document, 40);
    MediaLibrary &library = document.library();
    library.trashElement(elements.at(0));
    const auto fav = library.createPlaylist(QStringLiteral("Holiday 2023"), std::nullopt,
        { elements.at(1), elements.at(2), elements.at(3) });
    library.createPlaylist(
        QStringLiteral("Highly rated"), Predicate::parse(QStringLiteral("rating >= 4")).value());
    library.createPlaylist(QStringLiteral("Long names are elided at the end of the row"),
        std::nullopt, { elements.at(4) });
    document.defaults().setShowSourceElementCounts(true);
    document.defaults().setShowSourceFolderCounts(true);
    for (const bool colour : { true, false }) {
        testDefaults().setBool(QStringLiteral("UseColorIcons"), colour);
        SourceViewController source(document);
        source.createFolder();
        source.model().moveNode(source.model().nodeForKey(fav->identifier()),
            source.model().collectionsGroup()->children().last().get(), 0);
        source.treeView()->expandAll();
        source.badges().updateAll();
        QWidget *view = source.view();
        view->resize(240, 420);
        view->show();
        view->activateWindow();
        view->setFocus();
        waitUntil([&] { return !source.badges().isCountingMissing(); });
        save(view,
            colour ? QStringLiteral("source-list-colour")
                   : QStringLiteral("source-list-monochrome"));
        view->hide();
    }
}

} // namespace
