// The source list: its tree, stored nodes, drops, badges and the Empty Trash alert.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "platform/plist/genericarchivedobject.h"
#include "platform/plist/keyedarchiver.h"
#include "platform/plist/keyedunarchiver.h"
#include "window/elementclipboard.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcelistmodel.h"
#include "window/sourceviewcontroller.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

using Field = GenericArchivedObject::Field;

PlistValue storedNode(const QString &key, const QString &name, bool leaf, PlistArray children = {},
    QList<Field> extra = {})
{
    QList<Field> fields { { QStringLiteral("nodeKey"), key, Field::Kind::Reference },
        { QStringLiteral("nodeName"), name, Field::Kind::Reference },
        { QStringLiteral("nodeBadgeCount"), qint64(0), Field::Kind::Reference },
        { QStringLiteral("isExpanded"), !leaf, Field::Kind::Reference },
        { QStringLiteral("isLeaf"), leaf, Field::Kind::Reference },
        { QStringLiteral("children"), children, Field::Kind::Reference } };
    fields.append(extra);
    return PlistValue(
        std::static_pointer_cast<ArchivedObject>(std::make_shared<GenericArchivedObject>(
            QStringList { QStringLiteral("SourceViewNode"), QStringLiteral("NSObject") }, fields)));
}

QStringList names(const SourceViewNode *group)
{
    QStringList out;
    for (const SourceViewNodePtr &child : group->children())
        out.append(child->name());
    return out;
}

class SourceView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        document = std::make_unique<Document>();
        elements = addElements(*document, 6);
    }
    std::unique_ptr<SourceViewController> controller()
    {
        auto made = std::make_unique<SourceViewController>(*document);
        tester = std::make_unique<QAbstractItemModelTester>(
            &made->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        return made;
    }
    std::unique_ptr<Document> document;
    MediaElementList elements;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(SourceView, BuildsTheDefaultTreeAndSelectsAllVideos)
{
    auto source = controller();
    EXPECT_EQ(names(source->model().libraryGroup()),
        (QStringList { "All Videos", "Last Import", "Recently Added", "Recently Played",
            "Favorites", "Missing", "Unreadable", "Trash" }));
    EXPECT_EQ(source->model().libraryGroup()->name(), QStringLiteral("LIBRARY"));
    EXPECT_EQ(source->model().collectionsGroup()->name(), QStringLiteral("COLLECTIONS"));
    EXPECT_EQ(source->selectedNode(), source->model().allVideosNode());
    EXPECT_EQ(source->selectedNodeElements().size(), 6);
}

TEST_F(SourceView, HidingTheSelectedOptionalCollectionSelectsAllVideos)
{
    auto source = controller();
    SourceViewNode *favorites = source->model().libraryGroup()->childAt(4).get();
    ASSERT_EQ(favorites->name(), QStringLiteral("Favorites"));
    source->selectNode(favorites);
    PlistDictionary visibility = document->defaults().sourceListVisibility();
    visibility.insert(MediaPlaylist::TypeFavorites, false);
    document->defaults().setSourceListVisibility(visibility);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, document.get(),
        { { LibraryNotification::LibraryIdentifierKey, document->identifier() } });
    processEvents();
    EXPECT_FALSE(names(source->model().libraryGroup()).contains(QStringLiteral("Favorites")));
    EXPECT_EQ(source->selectedNode(), source->model().allVideosNode());
}

TEST_F(SourceView, StoredTreeSurvivesEncodeAndDecode)
{
    MediaLibrary &library = document->library();
    const MediaPlaylistPtr a = library.createPlaylist(QStringLiteral("A"), std::nullopt);
    const MediaPlaylistPtr b = library.createPlaylist(QStringLiteral("B"), std::nullopt);
    const PlistValue icon(
        std::static_pointer_cast<ArchivedObject>(std::make_shared<GenericArchivedObject>(
            QStringList { QStringLiteral("NSImage"), QStringLiteral("NSObject") },
            QList<Field> { { QStringLiteral("NSSize"), QStringLiteral("{16, 16}"),
                Field::Kind::Reference } })));
    const PlistValue tree(
        PlistArray { storedNode(QStringLiteral("F1"), QStringLiteral("Outer"), false,
            { storedNode(QStringLiteral("F2"), QStringLiteral("Inner"), false,
                { storedNode(a->identifier(), QStringLiteral("A"), true, {},
                    { { QStringLiteral("nodeIcon"), icon, Field::Kind::Reference } }) }) },
            { { QStringLiteral("futureField"), qint64(7), Field::Kind::Inline } }) });
    library.setSourceNodes(tree);
    auto source = controller();
    // "B" is named by no node: it joins at the end so it stays reachable.
    EXPECT_EQ(names(source->model().collectionsGroup()), (QStringList { "Outer", "B" }));
    const QByteArray bytes = KeyedArchiver::archivedData(source->userCollectionNodes());
    Result<PlistValue> reread = KeyedUnarchiver::unarchive(bytes);
    ASSERT_TRUE(reread) << reread.error().message().toStdString();
    const QList<SourceViewNodePtr> roots
        = SourceViewNode::decodeTree(*reread, [](const QString &) { return true; });
    ASSERT_EQ(roots.size(), 2);
    const SourceViewNodePtr outer = roots.first();
    EXPECT_TRUE(outer->isExpanded());
    const auto generic
        = std::dynamic_pointer_cast<GenericArchivedObject>(reread->toArray().first().toObject());
    ASSERT_TRUE(generic);
    EXPECT_EQ(generic->field(QStringLiteral("futureField")).toInteger(), 7);
    SourceViewNode *leaf = outer->childAt(0)->childAt(0).get();
    EXPECT_EQ(leaf->key(), a->identifier());
    EXPECT_TRUE(leaf->archivedIcon().type() == PlistValue::Type::Object);
    EXPECT_EQ(roots.at(1)->key(), b->identifier());
}

TEST_F(SourceView, BadStoredNodesAreSkipped)
{
    MediaLibrary &library = document->library();
    const MediaPlaylistPtr a = library.createPlaylist(QStringLiteral("A"), std::nullopt);
    PlistValue deep = storedNode(a->identifier(), QStringLiteral("A"), true);
    for (int i = 0; i < 70; ++i)
        deep = storedNode(QStringLiteral("D%1").arg(i), QStringLiteral("Deep"), false, { deep });
    const PlistValue shared = storedNode(QStringLiteral("S"), QStringLiteral("Shared"), false);
    const PlistValue foreign(
        std::static_pointer_cast<ArchivedObject>(std::make_shared<GenericArchivedObject>(
            QStringList { QStringLiteral("NSView"), QStringLiteral("NSObject") })));
    for (const PlistValue &tree : { PlistValue(QStringLiteral("not an array")),
             PlistValue(PlistArray { foreign, shared, shared, deep,
                 storedNode(QStringLiteral("missing"), QStringLiteral("Gone"), true) }) }) {
        library.setSourceNodes(tree);
        auto source = controller();
        const SourceViewNode *group = source->model().collectionsGroup();
        EXPECT_EQ(group->allChildLeafs().size(), 1);
        EXPECT_EQ(group->allChildLeafs().first()->key(), a->identifier());
        int depth = 0;
        for (const SourceViewNode *n = group->allChildLeafs().first(); n->parent(); n = n->parent())
            ++depth;
        EXPECT_LE(depth, SourceViewNode::MaximumDepth + 1);
    }
}

TEST_F(SourceView, NamesAreCheckedOnRename)
{
    MediaPlaylistPtr a = document->library().createPlaylist(QStringLiteral("A"), std::nullopt);
    auto source = controller();
    SourceListModel &model = source->model();
    const QModelIndex index = model.indexForNode(model.nodeForKey(a->identifier()));
    EXPECT_FALSE(model.setData(index, QStringLiteral("  "), Qt::EditRole));
    EXPECT_TRUE(model.setData(index, QStringLiteral("Two\nlines"), Qt::EditRole));
    EXPECT_EQ(a->name(), QStringLiteral("Two lines"));
    EXPECT_TRUE(model.setData(index, QString(10000, QLatin1Char('x')), Qt::EditRole));
    EXPECT_EQ(a->name().size(), SourceViewNode::MaximumNameLength);
    EXPECT_FALSE(model.setData(
        model.indexForNode(model.allVideosNode()), QStringLiteral("X"), Qt::EditRole));
}

QMimeData *elementDrag(const MediaElementList &elements, const QString &library)
{
    return ElementClipboard::mimeData(elements, library);
}

TEST_F(SourceView, DropRules)
{
    MediaLibrary &library = document->library();
    const MediaPlaylistPtr stat = library.createPlaylist(QStringLiteral("Static"), std::nullopt);
    const MediaPlaylistPtr smart = library.createPlaylist(
        QStringLiteral("Smart"), Predicate::parse(QStringLiteral("rating >= 3")).value());
    auto source = controller();
    SourceListModel &model = source->model();
    SourceViewNode *all = model.allVideosNode();
    SourceViewNode *trash = model.trashNode();
    SourceViewNode *statNode = model.nodeForKey(stat->identifier());
    SourceViewNode *smartNode = model.nodeForKey(smart->identifier());
    const QString me = document->identifier();
    std::unique_ptr<QMimeData> mine(elementDrag({ elements.at(0) }, me));
    std::unique_ptr<QMimeData> other(elementDrag({ elements.at(1) }, QStringLiteral("OTHER")));
    auto garbage = std::make_unique<QMimeData>();
    garbage->setData(ElementClipboard::DocumentIdentifierType, me.toUtf8());
    garbage->setData(MediaElement::PasteboardType, QByteArray("not an archive"));
    using V = SourceListModel::DropVerdict;
    struct Case
    {
        const char *name;
        QMimeData *data;
        SourceViewNode *target;
        int row;
        V verdict;
    };
    const Case cases[] = {
        { "own elements on empty space", mine.get(), nullptr, -1, V::Move },
        { "own elements on Trash", mine.get(), trash, -1, V::Move },
        { "own elements on a static collection", mine.get(), statNode, -1, V::Move },
        { "own elements on a smart collection", mine.get(), smartNode, -1, V::Refused },
        { "own elements on the selected All Videos", mine.get(), all, -1, V::Refused },
        { "own elements on a group", mine.get(), model.collectionsGroup(), -1, V::Refused },
        { "foreign elements on All Videos", other.get(), all, -1, V::Move },
        { "foreign elements on Trash", other.get(), trash, -1, V::Refused },
        { "garbage", garbage.get(), trash, -1, V::Refused },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(model.validateDrop(c.data, c.target, c.row), c.verdict);
    }
    // Dragging a collection: not just below itself, not onto LIBRARY rows but Trash.
    model.setDraggedNode(statNode);
    auto nodes = std::make_unique<QMimeData>();
    nodes->setData(ElementClipboard::DocumentIdentifierType, me.toUtf8());
    nodes->setData(SourceListModel::NodeType, QByteArray());
    EXPECT_EQ(
        model.validateDrop(nodes.get(), model.collectionsGroup(), statNode->row() + 1), V::Refused);
    EXPECT_EQ(model.validateDrop(nodes.get(), model.collectionsGroup(), 0), V::Move);
    EXPECT_EQ(model.validateDrop(nodes.get(), trash, -1), V::Move);
    EXPECT_EQ(model.validateDrop(nodes.get(), all, -1), V::Refused);
    EXPECT_EQ(model.validateDrop(nodes.get(), smartNode, -1), V::Refused);
}

TEST_F(SourceView, UnreadableElementsOnlyOntoTrashAndRestoringFromTrash)
{
    MediaLibrary &library = document->library();
    library.trashElement(elements.at(0));
    auto source = controller();
    SourceListModel &model = source->model();
    source->selectNode(model.trashNode());
    std::unique_ptr<QMimeData> drag(elementDrag({ elements.at(0) }, document->identifier()));
    ASSERT_EQ(model.validateDrop(drag.get(), model.allVideosNode(), -1),
        SourceListModel::DropVerdict::Move);
    EXPECT_TRUE(model.acceptDrop(drag.get(), model.allVideosNode(), -1));
    EXPECT_TRUE(library.media().contains(elements.at(0)->identifier()));
    EXPECT_FALSE(library.isTrashFull());

    elements.at(1)->setError(true);
    std::unique_ptr<QMimeData> unreadable(elementDrag({ elements.at(1) }, document->identifier()));
    source->selectNode(model.allVideosNode());
    EXPECT_EQ(
        model.validateDrop(unreadable.get(), nullptr, -1), SourceListModel::DropVerdict::Refused);
    EXPECT_EQ(model.validateDrop(unreadable.get(), model.trashNode(), -1),
        SourceListModel::DropVerdict::Move);
}

TEST_F(SourceView, DropOnEmptySpaceMakesUntitledAndKeepsTheSelection)
{
    auto source = controller();
    SourceListModel &model = source->model();
    SourceViewNode *before = source->selectedNode();
    std::unique_ptr<QMimeData> drag(
        elementDrag({ elements.at(2), elements.at(3) }, document->identifier()));
    ASSERT_TRUE(model.acceptDrop(drag.get(), nullptr, -1));
    const SourceViewNode *made = model.collectionsGroup()->children().last().get();
    EXPECT_EQ(made->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(model.playlistForNode(made)->count(), 2);
    // The collection holds the library's own elements, not the drag's copies.
    EXPECT_EQ(model.playlistForNode(made)->elements().first().get() == elements.at(2).get()
            || model.playlistForNode(made)->elements().first().get() == elements.at(3).get(),
        true);
    EXPECT_EQ(source->selectedNode(), before);
}

TEST_F(SourceView, IconFilesMustBeOneSixteenOrSixteenAndThirtyTwo)
{
    QTemporaryDir dir;
    const auto png = [&](const QString &name, int size) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::red);
        const QString path = dir.filePath(name);
        image.save(path, "png");
        return path;
    };
    const QString small = png(QStringLiteral("s.png"), 16);
    const QString large = png(QStringLiteral("l.png"), 32);
    const QString other = png(QStringLiteral("o.png"), 20);
    QFile corrupt(dir.filePath(QStringLiteral("c.png")));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("\x89PNG\r\n\x1a\n garbage");
    corrupt.close();
    EXPECT_FALSE(SourceListModel::iconDataFromFiles({ small }).isEmpty());
    EXPECT_FALSE(SourceListModel::iconDataFromFiles({ large, small }).isEmpty());
    EXPECT_TRUE(SourceListModel::iconDataFromFiles({ large }).isEmpty());
    EXPECT_TRUE(SourceListModel::iconDataFromFiles({ other }).isEmpty());
    EXPECT_TRUE(SourceListModel::iconDataFromFiles({ corrupt.fileName() }).isEmpty());
    EXPECT_TRUE(SourceListModel::iconDataFromFiles({ small, small }).isEmpty());

    const MediaPlaylistPtr stat
        = document->library().createPlaylist(QStringLiteral("S"), std::nullopt);
    auto source = controller();
    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(small) });
    SourceViewNode *node = source->model().nodeForKey(stat->identifier());
    ASSERT_TRUE(source->model().acceptDrop(&files, node, -1));
    EXPECT_TRUE(stat->hasCustomIcon());
}

TEST_F(SourceView, BadgesFollowTheTwoCountSettings)
{
    MediaLibrary &library = document->library();
    const MediaPlaylistPtr stat = library.createPlaylist(
        QStringLiteral("S"), std::nullopt, { elements.at(0), elements.at(1) });
    PlistValue tree(PlistArray { storedNode(QStringLiteral("F"), QStringLiteral("Folder"), false,
        { storedNode(stat->identifier(), QStringLiteral("S"), true) }) });
    library.setSourceNodes(tree);
    for (const bool e : { false, true })
        for (const bool f : { false, true }) {
            SCOPED_TRACE(QStringLiteral("elements %1 folders %2").arg(e).arg(f).toStdString());
            document->defaults().setShowSourceElementCounts(e);
            document->defaults().setShowSourceFolderCounts(f);
            auto source = controller();
            source->badges().updateAll();
            SourceListModel &model = source->model();
            EXPECT_EQ(model.nodeForKey(stat->identifier())->badgeCount(), e ? 2 : 0);
            EXPECT_EQ(model.nodeForKey(QStringLiteral("F"))->badgeCount(), f ? 2 : 0);
            EXPECT_EQ(model.allVideosNode()->badgeCount(), e ? 6 : 0);
        }
}

TEST_F(SourceView, RatingChangeRecountsOnlyCollectionsThatTestRating)
{
    MediaLibrary &library = document->library();
    library.createPlaylist(
        QStringLiteral("Rated"), Predicate::parse(QStringLiteral("rating >= 3")).value());
    library.createPlaylist(
        QStringLiteral("Named"), Predicate::parse(QStringLiteral("name CONTAINS 'x'")).value());
    document->defaults().setShowSourceElementCounts(true);
    auto source = controller();
    source->badges().updateAll();
    const int before = source->badges().evaluations();
    elements.first()->setRating(4);
    source->badges().updateAfterChange({ QStringLiteral("rating") });
    // "Rated" and the built-in "Favorites" test the rating; nothing else is counted.
    EXPECT_EQ(source->badges().evaluations() - before, 2);
}

TEST_F(SourceView, QueuedElementsGoOnWhenTheSelectionAdmitsThem)
{
    MediaLibrary &library = document->library();
    library.createPlaylist(
        QStringLiteral("Rated"), Predicate::parse(QStringLiteral("rating >= 3")).value());
    const MediaPlaylistPtr fixed
        = library.createPlaylist(QStringLiteral("Static"), std::nullopt, elements.mid(0, 2));
    auto source = controller();
    source->createFolder();
    SourceViewNode *folder = nullptr;
    QList<SourceViewNode *> leaves;
    for (const SourceViewNodePtr &child : source->model().collectionsGroup()->children())
        child->isLeaf() ? leaves.append(child.get()) : void(folder = child.get());
    ASSERT_NE(folder, nullptr);
    for (SourceViewNode *leaf : leaves)
        source->model().moveNode(leaf, folder, 0);
    MediaElementList passed;
    QObject context;
    NotificationCenter::instance().addObserver(
        SourceNotification::DidAddElements,
        [&](const Notification &note) {
            passed = note.userInfo.value(LibraryNotification::LibraryElementArrayKey)
                         .value<MediaElementList>();
        },
        &context);
    const auto queue = [&](int rating) {
        const MediaElementPtr made = MediaElement::create(nullptr,
            QStringLiteral("/queued/rated %1 %2.mp4").arg(rating).arg(library.media().size()));
        made->setRating(rating);
        passed.clear();
        library.queueElements({ made });
        return made;
    };
    // A folder admits what one of its smart collections admits.
    source->selectNode(folder);
    const MediaElementPtr good = queue(4);
    EXPECT_EQ(passed, MediaElementList { good });
    (void)queue(1);
    EXPECT_TRUE(passed.isEmpty());
    // "All Videos" admits everything; a static collection nothing.
    source->selectNode(source->model().allVideosNode());
    const MediaElementPtr any = queue(0);
    EXPECT_EQ(passed, MediaElementList { any });
    source->selectNode(source->model().nodeForKey(fixed->identifier()));
    ASSERT_EQ(source->selectedPlaylist(), fixed);
    (void)queue(5);
    EXPECT_TRUE(passed.isEmpty());
}

TEST_F(SourceView, MissingIsCountedOnAWorker)
{
    document->defaults().setShowSourceElementCounts(true);
    auto source = controller();
    QSignalSpy delivered(&source->badges(), &SourceBadgeCounter::missingCountDelivered);
    source->badges().updateAll();
    ASSERT_TRUE(waitUntil([&] { return delivered.count() > 0; }));
    SourceViewNode *missing = source->model().libraryGroup()->childAt(5).get();
    EXPECT_EQ(missing->name(), QStringLiteral("Missing"));
    EXPECT_EQ(missing->badgeCount(), delivered.last().first().toLongLong());

    // Asked again while counting, it counts once more when done, so the last
    // figure is the library as it is now.
    delivered.clear();
    QTemporaryDir folder;
    const QString found = folder.filePath(QStringLiteral("Found.mp4"));
    ASSERT_TRUE(QFile(found).open(QIODevice::WriteOnly));
    source->badges().updateAll();
    elements.first()->setPath(found);
    source->badges().updateAll();
    ASSERT_TRUE(
        waitUntil([&] { return delivered.count() == 2 && !source->badges().isCountingMissing(); }));
    EXPECT_EQ(delivered.last().first().toLongLong(), elements.size() - 1);
    EXPECT_EQ(missing->badgeCount(), elements.size() - 1);
}

TEST_F(SourceView, EmptyTrashAlertTextsAndButtons)
{
    for (const int count : { 1, 3 }) {
        std::unique_ptr<QMessageBox> alert(
            SourceViewController::makeEmptyTrashAlert(count, nullptr));
        alert->setAttribute(Qt::WA_DeleteOnClose, false);
        QStringList buttons;
        for (QAbstractButton *button : alert->buttons())
            buttons.append(button->text());
        const QString keep
            = count == 1 ? QStringLiteral("Keep File") : QStringLiteral("Keep Files");
        EXPECT_TRUE(buttons.contains(keep));
        EXPECT_TRUE(buttons.contains(QStringLiteral("Move to Trash")));
        EXPECT_TRUE(buttons.contains(QStringLiteral("Cancel")));
        EXPECT_FALSE(alert->text().isEmpty());
        EXPECT_EQ(alert->icon(), QMessageBox::Warning);
    }
}

TEST_F(SourceView, RemovingASmartCollectionAsksFirst)
{
    const MediaPlaylistPtr smart = document->library().createPlaylist(
        QStringLiteral("Smart"), Predicate::parse(QStringLiteral("rating >= 3")).value());
    const MediaPlaylistPtr stat
        = document->library().createPlaylist(QStringLiteral("S"), std::nullopt);
    auto source = controller();
    source->removeNode(source->model().nodeForKey(stat->identifier()));
    EXPECT_FALSE(document->library().playlistWithIdentifier(stat->identifier()));
    source->removeNode(source->model().nodeForKey(smart->identifier()));
    EXPECT_TRUE(document->library().playlistWithIdentifier(smart->identifier()));
    auto *alert = source->view()->findChild<QMessageBox *>(QStringLiteral("RemoveCollectionAlert"));
    if (!alert)
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w);
                box && box->objectName() == "RemoveCollectionAlert")
                alert = box;
    ASSERT_TRUE(alert);
    for (QAbstractButton *button : alert->buttons())
        if (button->text() == QStringLiteral("Remove"))
            button->click();
    processEvents();
    EXPECT_FALSE(document->library().playlistWithIdentifier(smart->identifier()));
    EXPECT_EQ(source->selectedNode(), source->model().allVideosNode());
}

} // namespace
