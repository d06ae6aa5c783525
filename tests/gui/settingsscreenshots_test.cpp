// Pictures of the library settings, statistics and export sheets for review,
// written to build/screenshots/sheets/ by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/bookmark.h"
#include "window/exportsheet.h"
#include "window/librarysettingssheet.h"
#include "window/statisticssheet.h"
#include "window/userfieldlistmodel.h"

#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QTabWidget>
#include <QTableView>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    widget->show();
    processEvents(5);
    saveScreenshot(widget->grab(), QStringLiteral("sheets"), name);
}

MediaElementList spreadElements(Document &document, int count)
{
    const MediaElementList elements = addElements(document, count);
    const QDateTime first(QDate(2024, 1, 8), QTime(9, 30));
    for (int i = 0; i < count; ++i) {
        elements.at(i)->setImportedDate(PlistDate::fromDateTime(first.addDays(i % 40)));
        elements.at(i)->setSize(qint64(150 + 37 * i) * 1000000);
    }
    return elements;
}

} // namespace

TEST(SettingsScreenshots, LibrarySettingsTabs)
{
    resetTestDefaults();
    Document document;
    addElements(document, 3);
    MediaLibrary &library = document.library();
    PlistDictionary visibility = document.defaults().tableColumnVisibility();
    for (const auto &[name, shown] : { std::pair { "Camera", true }, std::pair { "Scene", true },
             std::pair { "Take", false }, std::pair { "Location", true } })
        visibility.insert(
            library.createFieldWithName(QString::fromLatin1(name))->identifier(), shown);
    document.defaults().setTableColumnVisibility(visibility);

    ScratchDir scratch;
    PlistArray folders;
    for (const char *name : { "Holidays", "Family Videos", "Unplugged Drive", "Work" }) {
        const QString path = scratch.filePath(QString::fromLatin1(name));
        QDir().mkpath(path);
        folders.append(PlistValue(Bookmark::create(path)));
    }
    QDir(scratch.filePath(QStringLiteral("Unplugged Drive"))).removeRecursively();
    document.defaults().setSourceFolders(folders);

    LibrarySettingsSheet sheet(document, nullptr);
    const char *names[] = { "settings-general", "settings-collections", "settings-images",
        "settings-fields", "settings-folders" };
    for (int tab = 0; tab < LibrarySettingsSheet::TabCount; ++tab) {
        sheet.tabs()->setCurrentIndex(tab);
        save(&sheet, QString::fromLatin1(names[tab]));
    }
    sheet.tabs()->setCurrentIndex(LibrarySettingsSheet::FieldsTab);
    sheet.fieldView()->selectRow(1);
    UserFieldListModel &model = *sheet.fieldModel();
    model.setData(
        model.index(1, UserFieldListModel::NameColumn), QStringLiteral("  "), Qt::EditRole);
    save(&sheet, QStringLiteral("settings-fields-blank-name-refused"));
    sheet.hide();
}

TEST(SettingsScreenshots, Statistics)
{
    resetTestDefaults();
    Document document;
    const MediaElementList elements = spreadElements(document, 240);
    StatisticsSheet sheet(
        StatisticsSheet::rangesOf(document.library(), { elements.mid(0, 30), elements, {}, {} }),
        nullptr);
    save(&sheet, QStringLiteral("statistics-library"));
    sheet.setRange(DocumentExport::SelectedItems);
    save(&sheet, QStringLiteral("statistics-empty-range"));
    sheet.hide();
}

TEST(SettingsScreenshots, ExportPanels)
{
    resetTestDefaults();
    Document document;
    const MediaElementList elements = spreadElements(document, 1250);
    const DocumentExport::WindowState state { elements.mid(0, 84), elements.mid(0, 610),
        elements.mid(5, 3), {} };
    ExportSheet text(
        document.library(), DocumentExport::Database, state, QStringLiteral("Library"), nullptr);
    text.setExportRange(DocumentExport::ArrangedItems);
    save(&text, QStringLiteral("export-text"));
    text.hide();
    ExportSheet posters(
        document.library(), DocumentExport::Posters, state, QStringLiteral("Library"), nullptr);
    save(&posters, QStringLiteral("export-posters"));
    posters.hide();
}
