// More pictures of the source list for build/screenshots/sources/: the badge
// in its four colour states, folder totals, a custom icon, a smart collection
// whose criteria test a removed field, and the two Empty Trash alerts.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "platform/userdefaults.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcelistdelegate.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"
#include "window/sourceviewnode.h"

#include <QBuffer>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(const QPixmap &picture, const QString &name)
{
    saveScreenshot(picture, QStringLiteral("sources"), name);
}

QPixmap grabbed(QWidget *widget)
{
    processEvents(5);
    return widget->grab();
}

// A little sun icon, as a user might drop on a collection.
QByteArray sunIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(235, 150, 20), 2.5));
    for (int ray = 0; ray < 8; ++ray) {
        painter.save();
        painter.translate(16, 16);
        painter.rotate(45 * ray);
        painter.drawLine(QPointF(0, 10), QPointF(0, 14.5));
        painter.restore();
    }
    painter.setBrush(QColor(250, 200, 40));
    painter.drawEllipse(QPointF(16, 16), 7.5, 7.5);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class SourceStatesScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        testDefaults().setBool(QStringLiteral("UseColorIcons"), true);
        elements = addElements(document, 40);
        document.defaults().setShowSourceElementCounts(true);
        document.defaults().setShowSourceFolderCounts(true);
    }
    // A shown source list of the document, every folder open.
    std::unique_ptr<SourceViewController> shown()
    {
        auto source = std::make_unique<SourceViewController>(document);
        source->treeView()->expandAll();
        source->badges().updateAll();
        source->view()->resize(240, 440);
        source->view()->show();
        waitUntil([&] { return !source->badges().isCountingMissing(); });
        return source;
    }
    Document document;
    MediaElementList elements;
};

} // namespace

TEST_F(SourceStatesScreenshots, BadgeColourStates)
{
    document.library().createPlaylist(QStringLiteral("Holiday"), std::nullopt, elements.mid(0, 7));
    auto source = shown();
    source->selectNode(
        source->model().nodeForKey(source->model().collectionsGroup()->children().first()->key()));
    using Focus = SourceListDelegate::Focus;
    const std::pair<Focus, const char *> states[]
        = { { Focus::ListFocused, "List focused: selected and other rows" },
              { Focus::WindowMain, "Window in front, focus elsewhere" },
              { Focus::Inactive, "Window in the background" } };
    QList<std::pair<QString, QPixmap>> parts;
    for (const auto &[focus, title] : states) {
        const Focus fixed = focus;
        source->treeView()->setItemDelegate(new SourceListDelegate(
            source->model(), [fixed] { return fixed; }, source->treeView()));
        // The view's own part of the selection follows the keyboard focus.
        source->view()->activateWindow();
        if (fixed == Focus::ListFocused)
            source->treeView()->setFocus();
        else
            source->treeView()->clearFocus();
        parts.append({ QLatin1String(title), grabbed(source->view()) });
    }
    const int width = parts.first().second.width();
    const int height = parts.first().second.height();
    QPixmap picture(3 * width + 4 * 12, height + 40);
    picture.fill(QColor(246, 246, 246));
    QPainter painter(&picture);
    for (int i = 0; i < parts.size(); ++i) {
        const int x = 12 + i * (width + 12);
        painter.drawText(QRect(x, 6, width, 24), Qt::AlignCenter, parts.at(i).first);
        painter.drawPixmap(x, 32, parts.at(i).second);
        painter.setPen(QColor(200, 200, 200));
        painter.drawRect(QRect(x - 1, 31, width + 1, height + 1));
        painter.setPen(Qt::black);
    }
    painter.end();
    save(picture, QStringLiteral("badges-colour-states"));
}

TEST_F(SourceStatesScreenshots, FolderTotalsCustomIconAndStaleCriteria)
{
    MediaLibrary &library = document.library();
    const MediaPlaylistPtr summer
        = library.createPlaylist(QStringLiteral("Summer"), std::nullopt, elements.mid(0, 9));
    library.createPlaylist(QStringLiteral("Winter"), std::nullopt, elements.mid(9, 4));
    library.createPlaylist(
        QStringLiteral("Five stars"), Predicate::parse(QStringLiteral("rating == 5")).value());
    const MediaUserFieldPtr place = library.createFieldWithName(QStringLiteral("Place"));
    library.createPlaylist(QStringLiteral("In Lisbon (field removed)"),
        Predicate::parse(QStringLiteral("rating >= 0 AND ") + place->identifier()
            + QStringLiteral(" == 'Lisbon'"))
            .value());
    place->setRemoved(true);
    library.setIconData(sunIcon(), *summer);
    {
        // Summer and Winter in a folder "Trips", stored as the library's tree.
        SourceViewController arranging(document);
        SourceListModel &model = arranging.model();
        arranging.createFolder();
        SourceViewNode *folder = nullptr;
        for (const SourceViewNodePtr &child : model.collectionsGroup()->children())
            if (child->isFolder())
                folder = child.get();
        ASSERT_NE(folder, nullptr);
        model.setData(model.indexForNode(folder), QStringLiteral("Trips"), Qt::EditRole);
        for (const char *name : { "Winter", "Summer" })
            for (const SourceViewNodePtr &child : model.collectionsGroup()->children())
                if (child->name() == QLatin1String(name)) {
                    model.moveNode(child.get(), folder, 0);
                    break;
                }
        library.setSourceNodes(arranging.userCollectionNodes());
        arranging.cleanup();
    }
    auto source = shown();
    save(grabbed(source->view()), QStringLiteral("folder-totals-custom-icon-stale-criteria"));
}

TEST_F(SourceStatesScreenshots, EmptyTrashAlerts)
{
    for (const int count : { 1, 12 }) {
        std::unique_ptr<QMessageBox> alert(
            SourceViewController::makeEmptyTrashAlert(count, nullptr));
        alert->setAttribute(Qt::WA_DeleteOnClose, false);
        alert->show();
        save(grabbed(alert.get()),
            count == 1 ? QStringLiteral("empty-trash-one") : QStringLiteral("empty-trash-several"));
        alert->hide();
    }
}
