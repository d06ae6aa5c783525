#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "platform/notificationcenter.h"
#include "widgets/stackingview.h"
#include "window/chunkedplaintext.h"
#include "window/commentssectionviewcontroller.h"
#include "window/detailkeywordsmodel.h"
#include "window/detailpropertiesmodel.h"
#include "window/detailviewcontroller.h"
#include "window/keywordnamedelegate.h"
#include "window/keywordssectionviewcontroller.h"
#include "window/propertiessectionviewcontroller.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class DetailViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 6);
        detail = std::make_unique<DetailViewController>(document);
        detail->view()->resize(260, 700);
        detail->view()->show();
        processEvents();
    }
    void TearDown() override
    {
        detail.reset();
        processEvents();
    }

    QString contentOf(const QString &key) const
    {
        const DetailPropertiesModel *model = detail->properties()->model();
        return model->contentAt(model->rowOfKey(key));
    }
    StackingView *inspector() const { return detail->stackingView(); }

    Document document;
    MediaElementList elements;
    std::unique_ptr<DetailViewController> detail;
};

TEST_F(DetailViewTest, PlaceholdersFollowTheSelection)
{
    detail->properties()->toggleProperty(QStringLiteral("rating"));
    EXPECT_EQ(contentOf(QStringLiteral("rating")), QStringLiteral("No Selection"));
    EXPECT_EQ(detail->comments()->commentsView()->toPlainText(), QStringLiteral("No Selection"));

    elements[0]->setRating(2);
    elements[1]->setRating(4);
    detail->setSelectedElements({ elements[0], elements[1] });
    EXPECT_EQ(contentOf(QStringLiteral("rating")), QStringLiteral("Multiple Values"));
    EXPECT_EQ(contentOf(QStringLiteral("name")), QStringLiteral("Multiple Values"));
    // Equal values show through the transformer, as one element's would.
    EXPECT_EQ(contentOf(QStringLiteral("videoCodec")), QString());

    elements[1]->setRating(2);
    detail->setSelectedElements({ elements[0], elements[1] });
    EXPECT_EQ(contentOf(QStringLiteral("rating")), QStringLiteral("★★☆☆☆"));

    detail->setSelectedElements({ elements[0] });
    EXPECT_EQ(contentOf(QStringLiteral("name")), elements[0]->name());
    EXPECT_FALSE(detail->comments()->commentsView()->isReadOnly());
    detail->setSelectedElements({ elements[0], elements[1] });
    // Differing or not, comments of several elements are not edited here.
    EXPECT_TRUE(detail->comments()->commentsView()->isReadOnly());
}

TEST_F(DetailViewTest, SelectionChangesOfElementsReachTheInspectorOnce)
{
    detail->setSelectedElements({ elements[0] });
    detail->properties()->toggleProperty(QStringLiteral("rating"));
    for (int i = 0; i < 5; ++i)
        elements[0]->setRating(i);
    EXPECT_TRUE(detail->isUpdatePending());
    processEvents();
    EXPECT_FALSE(detail->isUpdatePending());
    EXPECT_EQ(contentOf(QStringLiteral("rating")), QStringLiteral("★★★★☆"));
    // Elements outside the selection do not wake the inspector.
    elements[3]->setRating(1);
    EXPECT_FALSE(detail->isUpdatePending());
}

TEST_F(DetailViewTest, EditingFollowsTheItemsRule)
{
    DetailPropertiesModel *model = detail->properties()->model();
    detail->properties()->toggleProperty(QStringLiteral("rating"));
    const MediaUserFieldPtr field = document.library().createFieldWithName(QStringLiteral("Place"));
    detail->properties()->toggleProperty(field->identifier());
    detail->setSelectedElements({ elements[0], elements[1] });
    auto contentIndex = [&](const QString &key) {
        return model->index(model->rowOfKey(key), DetailPropertiesModel::ContentColumn);
    };
    EXPECT_FALSE(model->flags(contentIndex(QStringLiteral("name"))) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(contentIndex(QStringLiteral("size"))) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->setData(contentIndex(QStringLiteral("rating")), 5, Qt::EditRole));
    EXPECT_TRUE(
        model->setData(contentIndex(field->identifier()), QStringLiteral("Oslo"), Qt::EditRole));
    for (int i : { 0, 1 }) {
        EXPECT_EQ(elements[i]->rating(), 5);
        EXPECT_EQ(elements[i]->userFields().value(field->identifier()).toString(),
            QStringLiteral("Oslo"));
    }
    EXPECT_EQ(elements[2]->rating(), 2);
    EXPECT_FALSE(
        model->setData(contentIndex(QStringLiteral("name")), QStringLiteral("x"), Qt::EditRole));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(DetailViewTest, SectionHeightsStackWithSharedBorders)
{
    inspector()->setState(StackingSectionView::Collapsed, QList<int> { 0, 1, 2, 3 }, false);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(inspector()->frameForSectionAtIndex(i),
            QRect(0, i * 18, inspector()->documentView()->width(), 19));
    }
    EXPECT_EQ(inspector()->boundsForContent().height(), 3 * 18 + 19);
    EXPECT_FALSE(
        document.defaults().detailVisibility().value(QStringLiteral("CommentsExpanded")).toBool());

    detail->setSelectedElements({ elements[0] });
    inspector()->setState(StackingSectionView::Expanded, 1, false);
    EXPECT_EQ(inspector()->frameForSectionAtIndex(1).height(), 163 + 19);
    EXPECT_EQ(inspector()->frameForSectionAtIndex(2).top(), 18 + 163 + 19);

    elements[0]->setUserComments(
        QString(2000, QLatin1Char('w')).replace(QLatin1Char('w'), QStringLiteral("word ")));
    detail->setSelectedElements({ elements[0] });
    EXPECT_EQ(detail->comments()->naturalHeight(), 403);
    EXPECT_EQ(inspector()->frameForSectionAtIndex(1).height(), 403 + 19);
}

TEST_F(DetailViewTest, KeywordsHeightHoldsBetweenSixAndTwentyRows)
{
    MediaLibrary &library = document.library();
    for (int i = 0; i < 25; ++i) {
        const MediaUserKeywordPtr keyword
            = library.createKeywordWithName(QStringLiteral("k%1").arg(i));
        (i < 3 ? elements[0] : elements[1])->addKeywordWithIdentifier(keyword->identifier());
    }
    const int row = KeywordsSectionViewController::StandardRowHeight
        + KeywordsSectionViewController::IntercellSpacing;
    detail->setSelectedElements({ elements[0] });
    EXPECT_EQ(detail->keywords()->naturalHeight(), 6 * row + 21);
    detail->setSelectedElements({ elements[1] });
    EXPECT_EQ(detail->keywords()->naturalHeight(), 20 * row + 21);
    // The union of both, sorted as numbers read.
    detail->setSelectedElements({ elements[0], elements[1] });
    const QList<MediaUserKeywordPtr> &shown = detail->keywords()->model()->keywords();
    ASSERT_EQ(shown.size(), 25);
    EXPECT_EQ(shown.at(2)->name(), QStringLiteral("k2"));
    EXPECT_EQ(shown.at(10)->name(), QStringLiteral("k10"));
    // An identifier the library does not know is passed over.
    elements[0]->addKeywordWithIdentifier(QStringLiteral("no-such-keyword"));
    detail->setSelectedElements({ elements[0] });
    EXPECT_EQ(detail->keywords()->model()->keywords().size(), 3);
}

TEST_F(DetailViewTest, NewKeywordIsSharedRenamedInPlaceAndAnnounced)
{
    KeywordsSectionViewController *keywords = detail->keywords();
    QStringList posted;
    NotificationCenter::instance().addObserver(
        QString(),
        [&](const Notification &note) {
            if (note.name.startsWith(QStringLiteral("com.tallowmere.vidarium.DetailDid")))
                posted.append(note.name.section(QLatin1Char('.'), -1));
        },
        keywords);
    document.library().createKeywordWithName(QStringLiteral("Taken"));
    detail->setSelectedElements({ elements[0], elements[1] });
    keywords->addKeyword(QString());
    EXPECT_TRUE(posted.isEmpty()); // announced after the action
    ASSERT_EQ(elements[0]->userKeywords().size(), 1);
    EXPECT_EQ(elements[0]->userKeywords(), elements[1]->userKeywords());
    processEvents();
    EXPECT_EQ(posted, QStringList { QStringLiteral("DetailDidAddKeywordNotification") });
    ASSERT_TRUE(keywords->isEditing());

    QLineEdit *editor
        = keywords->itemsView()->findChild<QLineEdit *>(QStringLiteral("KeywordNameEditor"));
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), QStringLiteral("Untitled"));
    for (const QString &refused : { QStringLiteral("Taken"), QStringLiteral("   ") }) {
        editor->setText(refused);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_TRUE(keywords->isEditing()) << qPrintable(refused);
    }
    // Its own unchanged name ends the edit.
    editor->setText(QStringLiteral("Untitled"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(keywords->isEditing());

    processEvents(); // the closed editor goes
    keywords->itemsView()->edit(keywords->model()->index(0, 0));
    editor = keywords->itemsView()->findChild<QLineEdit *>(QStringLiteral("KeywordNameEditor"));
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("Harbour"));
    // Collapsing the section keeps a valid name being typed.
    detail->stackingView()->setState(StackingSectionView::Collapsed, 2, false);
    processEvents();
    EXPECT_EQ(document.library().keywordNameForIdentifier(elements[0]->userKeywords().first()),
        QStringLiteral("Harbour"));
    EXPECT_EQ(posted.last(), QStringLiteral("DetailDidRenameKeywordNotification"));
}

TEST_F(DetailViewTest, RemovingKeywordsPrunesTheLibrary)
{
    MediaLibrary &library = document.library();
    const MediaUserKeywordPtr shared = library.createKeywordWithName(QStringLiteral("Shared"));
    const MediaUserKeywordPtr alone = library.createKeywordWithName(QStringLiteral("Alone"));
    elements[0]->addKeywordWithIdentifier(alone->identifier());
    for (int i : { 0, 1, 4 })
        elements[i]->addKeywordWithIdentifier(shared->identifier());
    detail->setSelectedElements({ elements[0], elements[1] });
    KeywordsSectionViewController *keywords = detail->keywords();
    keywords->itemsView()->selectAll();
    keywords->removeKeyword();
    EXPECT_TRUE(elements[0]->userKeywords().isEmpty());
    EXPECT_TRUE(keywords->model()->keywords().isEmpty());
    processEvents();
    // Another element still carries "Shared"; nobody carries "Alone".
    EXPECT_TRUE(library.keywordWithIdentifier(shared->identifier()));
    EXPECT_FALSE(library.keywordWithIdentifier(alone->identifier()));
}

TEST_F(DetailViewTest, PropertyRowsMoveByDragAndFollowTheFields)
{
    PropertiesSectionViewController *properties = detail->properties();
    DetailPropertiesModel *model = properties->model();
    const QStringList before = model->keys();
    std::unique_ptr<QMimeData> dragged(model->mimeData({ model->index(0, 0) }));
    ASSERT_TRUE(dragged);
    // Onto a row is no place for it; between rows is.
    EXPECT_FALSE(model->canDropMimeData(dragged.get(), Qt::MoveAction, -1, -1, model->index(2, 0)));
    EXPECT_TRUE(model->dropMimeData(dragged.get(), Qt::MoveAction, 3, 0, {}));
    EXPECT_EQ(model->keys().at(2), before.at(0));
    EXPECT_EQ(document.defaults().detailProperties(), model->keys());

    const MediaUserFieldPtr field = document.library().createFieldWithName(QStringLiteral("Place"));
    properties->buildPropertyMenu();
    properties->toggleProperty(field->identifier());
    EXPECT_EQ(model->titleForKey(field->identifier()), QStringLiteral("Place"));
    EXPECT_TRUE(document.defaults().detailProperties().contains(field->identifier()));
    field->setRemoved(true);
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, &document,
        { { LibraryNotification::LibraryIdentifierKey, document.identifier() } });
    EXPECT_EQ(model->rowOfKey(field->identifier()), -1);
    EXPECT_FALSE(document.defaults().detailProperties().contains(field->identifier()));
}

TEST_F(DetailViewTest, AMegabyteOfCommentsStaysEditable)
{
    elements[0]->setUserComments(QString(1 << 20, QLatin1Char('x')));
    detail->setSelectedElements({ elements[0] });
    QPlainTextEdit *view = detail->comments()->commentsView();
    EXPECT_EQ(detail->comments()->naturalHeight(), CommentsSectionViewController::MaximumHeight);
    EXPECT_FALSE(view->isReadOnly());
    view->moveCursor(QTextCursor::End);
    view->insertPlainText(QStringLiteral("!"));
    EXPECT_EQ(elements[0]->userComments().size(), (1 << 20) + 1);
    EXPECT_TRUE(elements[0]->userComments().endsWith(QStringLiteral("xx!")));
}

TEST(ChunkedPlainText, EditsReachTheTextWithoutTheCuts)
{
    auto *editor = new QPlainTextEdit;
    std::unique_ptr<QPlainTextEdit> owner(editor);
    auto *text = new ChunkedPlainText(editor);
    QString expected = QString(2500, QLatin1Char('a')) + QStringLiteral("\nshort\n")
        + QString(1500, QLatin1Char('b'));
    text->setText(expected);
    ASSERT_TRUE(text->isCut());
    EXPECT_NE(editor->toPlainText(), expected);
    EXPECT_EQ(text->text(), expected);
    auto edit = [&](int from, int to, const QString &typed) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.insertText(typed);
    };
    // Typing in the second piece of the first paragraph (one cut before it).
    edit(1011, 1011, QStringLiteral("X"));
    expected.insert(1010, QStringLiteral("X"));
    EXPECT_EQ(text->text(), expected);
    // Deleting across a cut removes only the characters the user saw.
    edit(995, 1006, QString());
    expected.remove(995, 10);
    EXPECT_EQ(text->text(), expected);
    // A typed line break is a real one.
    edit(3000, 3000, QStringLiteral("\n"));
    expected.insert(3000 - 1, QLatin1Char('\n'));
    EXPECT_EQ(text->text(), expected);
    text->setText(QStringLiteral("short"));
    EXPECT_FALSE(text->isCut());
    edit(5, 5, QStringLiteral("er"));
    EXPECT_EQ(text->text(), QStringLiteral("shorter"));
}

} // namespace
