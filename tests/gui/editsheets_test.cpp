// The keywords and fields sheets: what they show for a selection, what OK
// writes and to which elements, and the text the user may type into them.

#include "guitestsupport.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "window/documentwindowcontroller.h"
#include "window/editfieldssheet.h"
#include "window/editkeywordssheet.h"
#include "window/itemsviewcontroller.h"
#include "window/keywordtokens.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

// Counts the modification notifications of one library and keeps the last keys.
struct ModifySpy
{
    explicit ModifySpy(const QString &library)
    {
        token = NotificationCenter::instance().addObserver(
            DispatchNotification::SourceDidModifyElements, [this, library](const Notification &n) {
                if (n.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
                    != library)
                    return;
                ++count;
                keys = n.userInfo.value(LibraryNotification::LibraryElementPropertiesKey)
                           .toStringList();
            });
    }
    ~ModifySpy() { NotificationCenter::instance().removeObserver(token); }
    ObserverToken token;
    int count = 0;
    QStringList keys;
};

QStringList keywordNames(const MediaElementPtr &element)
{
    QStringList names = element->userKeywordNames();
    names.sort();
    return names;
}

class EditSheetsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 3);
    }
    MediaLibrary &library() { return document.library(); }
    QString keyword(const QString &name)
    {
        return library().createKeywordWithName(name)->identifier();
    }

    Document document;
    MediaElementList elements;
};

} // namespace

TEST(KeywordTokens, NamesAreSplitAtCommasOutsideQuotesAndBlankOnesDropped)
{
    EXPECT_EQ(KeywordTokens::parse(QStringLiteral(" Beach ,  , Sun\tset,\nBeach, \"a, b\",")),
        QStringList({ "Beach", "Sun set", "a, b" }));
    EXPECT_EQ(KeywordTokens::parse(QStringLiteral("*, ?, \\, \"say \"\"hi\"\"\"")),
        QStringList({ "*", "?", "\\", "say \"hi\"" }));
    EXPECT_TRUE(KeywordTokens::parse(QStringLiteral("   ,\t, \"  \"")).isEmpty());
    // An unfinished quote runs to the end rather than losing what follows.
    EXPECT_EQ(KeywordTokens::parse(QStringLiteral("x, \"open, still")),
        QStringList({ "x", "open, still" }));
    const QStringList awkward { "a, b", "quote \"q\"", "plain", "\\*?" };
    EXPECT_EQ(KeywordTokens::parse(KeywordTokens::format(awkward)), awkward);
    EXPECT_EQ(KeywordTokens::lastTokenStart(QStringLiteral("\"a, b\", Ho")), 8);
}

TEST(KeywordTokens, CompletionIsAPlainCaseSensitivePrefix)
{
    const QStringList names { "Ab*c", "Abc", "Holiday", "abd", "x?y", "\\home" };
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("Ab")), QStringLiteral("Ab*c"));
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("a")), QStringLiteral("abd"));
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("h")), QString());
    // Wildcards and escapes typed by the user are text, never patterns.
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("A*")), QString());
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("x?")), QStringLiteral("x?y"));
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("?")), QString());
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("\\h")), QStringLiteral("\\home"));
    EXPECT_EQ(KeywordTokens::completion(names, QStringLiteral("Abc")), QString());
}

TEST_F(EditSheetsTest, OnlySharedKeywordsAreShownAndOnlyTheyAreRemoved)
{
    const QString a = keyword(QStringLiteral("Alps"));
    const QString b = keyword(QStringLiteral("Boat"));
    elements[0]->setUserKeywords({ a });
    elements[1]->setUserKeywords({ b, a });
    ModifySpy spy(document.identifier());
    EditKeywordsSheet sheet(document, { elements[0], elements[1] }, nullptr);
    EXPECT_EQ(sheet.tokenField()->text(), QStringLiteral("Alps"));
    EXPECT_EQ(sheet.keywordList()->count(), 2);

    // Removing the shared one and typing a new name (plus blank ones).
    sheet.tokenField()->setText(QStringLiteral(" , New One,   "));
    sheet.okButtonAction();
    EXPECT_EQ(keywordNames(elements[0]), QStringList({ "New One" }));
    EXPECT_EQ(keywordNames(elements[1]), QStringList({ "Boat", "New One" }));
    EXPECT_TRUE(elements[2]->userKeywords().isEmpty());
    int blank = 0;
    for (const MediaUserKeywordPtr &k : library().userKeywords())
        blank += k->name().trimmed().isEmpty() ? 1 : 0;
    EXPECT_EQ(blank, 0);
    EXPECT_EQ(spy.count, 1);
    EXPECT_EQ(
        spy.keys, QStringList({ "userKeywords", "userKeywordObjects.name", "userKeywordsExist" }));
    EXPECT_TRUE(document.isDocumentEdited());
}

TEST_F(EditSheetsTest, KeywordsOfOneNameAreToldApartByIdentifier)
{
    const QString first = keyword(QStringLiteral("Dup"));
    const QString second = library().createKeywordWithName()->identifier();
    library().keywordWithIdentifier(second)->setName(QStringLiteral("Dup"));
    elements[0]->setUserKeywords({ first, second });
    elements[1]->setUserKeywords({ second, first });
    elements[2]->setUserKeywords({ second });
    {
        EditKeywordsSheet sheet(document, { elements[0], elements[1] }, nullptr);
        EXPECT_EQ(sheet.tokens(), QStringList({ "Dup" }));
        sheet.okButtonAction(); // unchanged: both keywords stay
    }
    EXPECT_EQ(elements[0]->userKeywords().size(), 2);
    EXPECT_EQ(elements[1]->userKeywords().size(), 2);
    {
        EditKeywordsSheet sheet(document, { elements[0], elements[1] }, nullptr);
        sheet.tokenField()->clear();
        sheet.okButtonAction();
    }
    EXPECT_TRUE(elements[0]->userKeywords().isEmpty());
    EXPECT_TRUE(elements[1]->userKeywords().isEmpty());
    EXPECT_EQ(elements[2]->userKeywords(), QStringList({ second }));
}

TEST_F(EditSheetsTest, TypingIsCompletedUntilTheUserDeletes)
{
    keyword(QStringLiteral("Holiday"));
    keyword(QStringLiteral("a, b"));
    elements[0]->setUserKeywords(library().userKeywords().keys());
    EditKeywordsSheet sheet(document, { elements[1] }, nullptr);
    QLineEdit *field = sheet.tokenField();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Ho"));
    EXPECT_EQ(field->text(), QStringLiteral("Holiday"));
    EXPECT_EQ(field->selectedText(), QStringLiteral("liday"));
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), QStringLiteral("Ho"));
    QTest::keyClicks(field, QStringLiteral(", a"));
    EXPECT_EQ(field->text(), QStringLiteral("Ho, \"a, b\""));
    EXPECT_EQ(sheet.tokens(), QStringList({ "Ho", "a, b" }));
    // The list adds the selected names once, sorted.
    sheet.keywordList()->item(0)->setSelected(true);
    sheet.addSelectedKeywords();
    sheet.addSelectedKeywords();
    EXPECT_EQ(sheet.tokens(), QStringList({ "a, b", "Ho", "Holiday" }));
}

TEST_F(EditSheetsTest, OkWritesToTheElementsTakenAtOpening)
{
    const std::unique_ptr<DispatchController> dispatcher = makeTestDispatcher();
    DocumentWindowController window(document, *dispatcher);
    ItemsViewController *items = window.itemsViewController();
    items->setSelectedElements({ elements[0], elements[1] });
    const QString k = keyword(QStringLiteral("Kept"));
    elements[0]->setUserKeywords({ k });
    document.library().createFieldWithName(QStringLiteral("Place"));

    ASSERT_EQ(window.selectedElementCount(), 2);
    ASSERT_FALSE(window.isSheetAttached());
    window.perform(QStringLiteral("showEditKeywordsSheet:"));
    ASSERT_TRUE(window.attachedSheet());
    auto *keywords = qobject_cast<EditKeywordsSheet *>(window.attachedSheet());
    ASSERT_TRUE(keywords) << window.attachedSheet()->metaObject()->className();
    items->setSelectedElements({ elements[2] });
    // The second element leaves the library while the sheet is open.
    ElementDictionary media = library().media();
    media.remove(elements[1]->identifier());
    library().setMedia(media);
    keywords->tokenField()->setText(QStringLiteral("Taken"));
    keywords->okButtonAction();
    EXPECT_EQ(keywordNames(elements[0]), QStringList({ "Kept", "Taken" }));
    EXPECT_TRUE(elements[1]->userKeywords().isEmpty());
    EXPECT_TRUE(elements[2]->userKeywords().isEmpty());
    processEvents();
    ASSERT_FALSE(window.isSheetAttached());

    items->setSelectedElements({ elements[0] });
    window.perform(QStringLiteral("showEditFieldsSheet:"));
    auto *fields = qobject_cast<EditFieldsSheet *>(window.attachedSheet());
    ASSERT_TRUE(fields);
    items->setSelectedElements({ elements[2] });
    const QString place = fields->fieldIdentifiers().value(0);
    fields->valueField(place)->setText(QStringLiteral("Oslo"));
    fields->okButtonAction();
    EXPECT_EQ(elements[0]->valueForUndefinedKey(place).toString(), QStringLiteral("Oslo"));
    EXPECT_EQ(elements[2]->valueForUndefinedKey(place).toString(), QStringLiteral(" "));
    window.cleanup();
}

TEST_F(EditSheetsTest, DifferingCommentsAreWrittenOnlyWhenTicked)
{
    elements[0]->setUserComments(QStringLiteral("one"));
    elements[1]->setUserComments(QStringLiteral("two"));
    {
        EditFieldsSheet sheet(document, elements, nullptr);
        EXPECT_FALSE(sheet.commentsCheckBox()->isChecked());
        EXPECT_TRUE(sheet.commentsField()->toPlainText().isEmpty());
        EXPECT_EQ(sheet.commentsField()->placeholderText(), QStringLiteral("Multiple Values"));
        EXPECT_EQ(
            sheet.summaryLabel()->text(), QStringLiteral("This will affect fields in 3 movies."));
        sheet.commentsCheckBox()->setChecked(true);
        EXPECT_EQ(sheet.commentsField()->placeholderText(), QStringLiteral("New Value"));
        sheet.commentsCheckBox()->setChecked(false);
        EXPECT_EQ(sheet.commentsField()->placeholderText(), QStringLiteral("Multiple Values"));
        ModifySpy spy(document.identifier());
        sheet.okButtonAction();
        EXPECT_EQ(spy.count, 1);
        EXPECT_TRUE(spy.keys.isEmpty());
    }
    EXPECT_EQ(elements[0]->userComments(), QStringLiteral("one"));
    {
        // Typing into the comments asks for them to be written.
        EditFieldsSheet sheet(document, elements, nullptr);
        sheet.commentsField()->setFocus();
        QTest::keyClicks(sheet.commentsField(), QStringLiteral("same"));
        EXPECT_TRUE(sheet.commentsCheckBox()->isChecked());
        sheet.okButtonAction();
    }
    for (const MediaElementPtr &element : std::as_const(elements))
        EXPECT_EQ(element->userComments(), QStringLiteral("same"));
}

TEST_F(EditSheetsTest, CommentsNobodyWroteAreOneEditableValue)
{
    EditFieldsSheet sheet(document, elements, nullptr);
    EXPECT_TRUE(sheet.commentsCheckBox()->isChecked());
    EXPECT_TRUE(sheet.summaryLabel()->text().isEmpty());
    sheet.commentsField()->setPlainText(QStringLiteral("line one\nline two"));
    sheet.okButtonAction();
    // Comments are many lines; they keep their breaks.
    EXPECT_EQ(elements[2]->userComments(), QStringLiteral("line one\nline two"));
}

TEST_F(EditSheetsTest, ATickedDifferingFieldPromptsButNeverWritesThePrompt)
{
    const QString city = library().createFieldWithName(QStringLiteral("City"))->identifier();
    const QString empty = library().createFieldWithName(QStringLiteral("Empty"))->identifier();
    const QString typed = library().createFieldWithName(QStringLiteral("Typed"))->identifier();
    elements[0]->setValueForUndefinedKey(QStringLiteral("Rome"), city);
    elements[1]->setValueForUndefinedKey(QStringLiteral("Paris"), city);
    elements[0]->setValueForUndefinedKey(QStringLiteral("x"), typed);
    EditFieldsSheet sheet(document, elements, nullptr);
    EXPECT_EQ(sheet.fieldIdentifiers(), QStringList({ city, empty, typed }));
    QCheckBox *check = sheet.checkBox(city);
    QLineEdit *value = sheet.valueField(city);
    EXPECT_TRUE(sheet.isMultiple(city));
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(value->placeholderText(), QStringLiteral("Multiple Values"));
    check->setChecked(true);
    EXPECT_EQ(value->placeholderText(), QStringLiteral("New Value"));
    EXPECT_TRUE(value->text().isEmpty());
    check->setChecked(false);
    EXPECT_EQ(value->placeholderText(), QStringLiteral("Multiple Values"));
    check->setChecked(true);

    // A field empty everywhere is one value, ticked, shown empty.
    EXPECT_FALSE(sheet.isMultiple(empty));
    EXPECT_TRUE(sheet.checkBox(empty)->isChecked());
    EXPECT_TRUE(sheet.valueField(empty)->text().isEmpty());
    // Typing into an unticked row ticks it; tabs and line breaks become spaces.
    sheet.valueField(typed)->setFocus();
    QTest::keyClicks(sheet.valueField(typed), QStringLiteral("a"));
    EXPECT_TRUE(sheet.checkBox(typed)->isChecked());
    sheet.valueField(typed)->setText(QStringLiteral("a\tb\nc"));

    ModifySpy spy(document.identifier());
    sheet.okButtonAction();
    for (const MediaElementPtr &element : std::as_const(elements)) {
        EXPECT_EQ(element->userFields().value(city).toString(), QString());
        EXPECT_TRUE(element->userFields().contains(city));
        // Leaving an untouched empty field alone stores nothing.
        EXPECT_FALSE(element->userFields().contains(empty));
        EXPECT_EQ(element->userFields().value(typed).toString(), QStringLiteral("a b c"));
    }
    EXPECT_EQ(spy.count, 1);
    EXPECT_EQ(QSet<QString>(spy.keys.begin(), spy.keys.end()),
        QSet<QString>({ city, empty, typed, QStringLiteral("userComments") }));
}

TEST_F(EditSheetsTest, LargeSelectionsAreComparedOnAWorker)
{
    const QString city = library().createFieldWithName(QStringLiteral("City"))->identifier();
    for (const MediaElementPtr &element : std::as_const(elements))
        element->setValueForUndefinedKey(QStringLiteral("Rome"), city);
    EditFieldsSheet::setWorkerThreshold(2);
    EditFieldsSheet sheet(document, elements, nullptr);
    EditFieldsSheet::setWorkerThreshold(20000);
    EXPECT_FALSE(sheet.isReady());
    EXPECT_FALSE(sheet.valueField(city)->isEnabled());
    sheet.okButtonAction(); // ignored until the values are there
    EXPECT_NE(sheet.result(), QDialog::Accepted);
    ASSERT_TRUE(waitUntil([&] { return sheet.isReady(); }));
    EXPECT_TRUE(sheet.valueField(city)->isEnabled());
    EXPECT_EQ(sheet.valueField(city)->text(), QStringLiteral("Rome"));
    EXPECT_TRUE(sheet.checkBox(city)->isChecked());
}

TEST_F(EditSheetsTest, FieldValuesAreCompletedFromTheLibraryWhenTheSettingIsOn)
{
    const QString city = library().createFieldWithName(QStringLiteral("City"))->identifier();
    elements[0]->setValueForUndefinedKey(QStringLiteral("Lisbon"), city);
    elements[1]->setValueForUndefinedKey(QStringLiteral("london"), city);
    for (const bool on : { true, false }) {
        SCOPED_TRACE(on);
        testDefaults().setBool(QStringLiteral("AutoCompleteUserFields"), on);
        EditFieldsSheet sheet(document, { elements[2] }, nullptr);
        QLineEdit *value = sheet.valueField(city);
        value->setFocus();
        QTest::keyClicks(value, QStringLiteral("L"));
        EXPECT_EQ(value->text(), on ? QStringLiteral("Lisbon") : QStringLiteral("L"));
        if (!on)
            continue;
        EXPECT_EQ(value->selectedText(), QStringLiteral("isbon"));
        QTest::keyClick(value, Qt::Key_Backspace);
        EXPECT_EQ(value->text(), QStringLiteral("L"));
        QTest::keyClicks(value, QStringLiteral("o"));
        EXPECT_EQ(value->text(), QStringLiteral("Lo"));
    }
}
