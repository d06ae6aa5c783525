// Pictures of the smart collection sheet for review, written to
// build/screenshots/sources/ by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "widgets/predicateeditor.h"
#include "widgets/predicateeditorrow.h"
#include "window/smartcollectionsheet.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

using Op = PredicateOperatorType;

QPixmap grabbed(QWidget *widget)
{
    processEvents(5);
    return widget->grab();
}

void save(const QPixmap &picture, const QString &name)
{
    saveScreenshot(picture, QStringLiteral("sources"), name);
}

// `over` drawn on `under` at `at`, as a window on top of the sheet.
QPixmap layered(QPixmap under, const QPixmap &over, QPoint at)
{
    QPainter painter(&under);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawRect(QRect(at - QPoint(1, 1), over.deviceIndependentSize().toSize()));
    painter.drawPixmap(at, over);
    return under;
}

void setRule(PredicateEditorRow *row, const QString &key, Op op, const QString &value)
{
    ASSERT_TRUE(row->selectKey(key));
    ASSERT_TRUE(row->selectOperator(op));
    row->setValueText(value);
}

TEST(SourceScreenshots, SmartCollectionSheet)
{
    resetTestDefaults();
    Document document;
    {
        SmartCollectionSheet sheet(document.library(), nullptr, nullptr);
        sheet.resize(700, 300);
        sheet.show();
        save(grabbed(&sheet), QStringLiteral("criteria-editor-new"));
    }
    SmartCollectionSheet sheet(document.library(), nullptr, nullptr);
    sheet.nameField()->setText(QStringLiteral("Holiday clips"));
    PredicateEditor &editor = *sheet.editor();
    editor.rootRow()->setCompoundType(CompoundPredicateType::Or);
    PredicateEditorRow *rule = editor.rows().at(1);
    setRule(rule, QStringLiteral("path"), Op::Contains, QStringLiteral("/Holiday/"));
    PredicateEditorRow *group = editor.addRow(rule, true);
    setRule(group->childRows().at(0), QStringLiteral("size"), Op::GreaterThan,
        QStringLiteral("500 MB"));
    PredicateEditorRow *inner = editor.addRow(group->childRows().at(0), true);
    inner->setCompoundType(CompoundPredicateType::Or);
    setRule(inner->childRows().at(0), QStringLiteral("rating"), Op::GreaterThanOrEqualTo,
        QStringLiteral("★★★★☆"));
    setRule(editor.addRow(inner->childRows().at(0), false),
        QStringLiteral("userKeywordObjects.name"), Op::EqualTo, QStringLiteral("beach"));
    setRule(editor.addRow(inner, false), QStringLiteral("importedDate"), Op::GreaterThan,
        QStringLiteral("2024-06-01 00:00:00"));
    setRule(
        editor.addRow(group, false), QStringLiteral("tool"), Op::EqualTo, QStringLiteral("FFmpeg"));
    sheet.resize(760, 420);
    sheet.show();
    save(grabbed(&sheet), QStringLiteral("criteria-editor-nested"));

    // The invalid pattern's alert, as it stands over the sheet.
    setRule(rule, QStringLiteral("name"), Op::Matches, QStringLiteral("clip[0-9"));
    sheet.okButtonAction();
    ASSERT_NE(sheet.alert(), nullptr);
    const QPixmap alert = grabbed(sheet.alert());
    const QPixmap under = grabbed(&sheet);
    save(layered(under, alert, QPoint((under.width() - alert.width()) / 2, 40)),
        QStringLiteral("criteria-editor-invalid-regex-alert"));
    sheet.alert()->close();
}

TEST(SourceScreenshots, SmartCollectionSheetUserFields)
{
    resetTestDefaults();
    Document document;
    MediaLibrary &library = document.library();
    for (const char *name : { "Director", "Location", "Camera" })
        library.createFieldWithName(QString::fromUtf8(name));
    SmartCollectionSheet sheet(library, nullptr, nullptr);
    sheet.nameField()->setText(QStringLiteral("Shot in Lisbon"));
    PredicateEditor &editor = *sheet.editor();
    QString location;
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        if (field->name() == QStringLiteral("Location"))
            location = field->identifier();
    PredicateEditorRow *rule = editor.rows().at(1);
    setRule(rule, location, Op::BeginsWith, QStringLiteral("Lisbon"));
    PredicateEditorRow *second = editor.addRow(rule, false);
    setRule(second, QStringLiteral("videoCodec"), Op::EqualTo, QStringLiteral("hevc"));
    sheet.resize(700, 300);
    sheet.show();
    const QPixmap under = grabbed(&sheet);
    save(under, QStringLiteral("criteria-editor-user-fields"));

    // The key menu, with the fields after the last separator.
    second->keyBox()->showPopup();
    QWidget *popup = second->keyBox()->view()->window();
    const QPixmap menu = grabbed(popup);
    QPixmap canvas(under.width(), qMax(under.height(), menu.height() + 20));
    canvas.fill(sheet.palette().color(QPalette::Window));
    {
        QPainter painter(&canvas);
        painter.drawPixmap(0, 0, under);
    }
    save(layered(canvas, menu, QPoint(second->keyBox()->mapTo(&sheet, QPoint(0, 0)).x(), 10)),
        QStringLiteral("criteria-editor-user-fields-menu"));
    second->keyBox()->hidePopup();
}

} // namespace
