// Pictures of the keywords, fields and relink sheets for review, written to
// build/screenshots/sheets/ by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "window/editfieldssheet.h"
#include "window/editkeywordssheet.h"
#include "window/relinksheet.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

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

TEST(SheetScreenshots, KeywordsSheetWithSharedTokensAndACompletion)
{
    resetTestDefaults();
    Document document;
    const MediaElementList elements = addElements(document, 4);
    MediaLibrary &library = document.library();
    QStringList shared;
    for (const char *name : { "Beach", "Family", "Summer 2023" })
        shared.append(library.createKeywordWithName(QLatin1String(name))->identifier());
    const QString only = library.createKeywordWithName(QStringLiteral("Drone"))->identifier();
    library.createKeywordWithName(QStringLiteral("Holiday"));
    library.createKeywordWithName(QStringLiteral("Hometown"));
    library.createKeywordWithName(QStringLiteral("Interviews"));
    for (const MediaElementPtr &element : elements)
        element->setUserKeywords(shared);
    elements.first()->setUserKeywords(shared + QStringList { only });
    EditKeywordsSheet sheet(document, elements, nullptr);
    sheet.show();
    sheet.tokenField()->setFocus();
    sheet.tokenField()->end(false);
    QTest::keyClicks(sheet.tokenField(), QStringLiteral(", Ho"));
    sheet.keywordList()->item(3)->setSelected(true);
    save(&sheet, QStringLiteral("keywords-sheet"));
}

TEST(SheetScreenshots, FieldsSheetWithMultipleValuesAndATickedField)
{
    resetTestDefaults();
    Document document;
    const MediaElementList elements = addElements(document, 3);
    MediaLibrary &library = document.library();
    const QString director = library.createFieldWithName(QStringLiteral("Director"))->identifier();
    const QString location = library.createFieldWithName(QStringLiteral("Location"))->identifier();
    const QString camera = library.createFieldWithName(QStringLiteral("Camera"))->identifier();
    library.createFieldWithName(QStringLiteral("Project"));
    for (const MediaElementPtr &element : elements)
        element->setValueForUndefinedKey(QStringLiteral("Sony A7 III"), camera);
    elements[0]->setValueForUndefinedKey(QStringLiteral("Lisbon"), location);
    elements[1]->setValueForUndefinedKey(QStringLiteral("Porto"), location);
    elements[0]->setValueForUndefinedKey(QStringLiteral("Ana"), director);
    elements[1]->setUserComments(QStringLiteral("Shot at dawn"));
    EditFieldsSheet sheet(document, elements, nullptr);
    sheet.checkBox(location)->setChecked(true);
    save(&sheet, QStringLiteral("fields-sheet"));
}

TEST(SheetScreenshots, RelinkSheetAfterMatching)
{
    resetTestDefaults();
    ScratchDir scratch;
    Document document;
    MediaLibrary &library = document.library();
    ElementDictionary media;
    const QDateTime modified(QDate(2024, 3, 2), QTime(9, 30), Qt::UTC);
    MediaElementList missing;
    const char *const files[] = { "Trip/Day 1/Harbour.mov", "Trip/Day 1/Market.mov",
        "Trip/Day 2/Cliffs.mp4", "Trip/Day 2/Sunset.mp4", "Trip/Extras/Outtakes.mkv" };
    int size = 100;
    for (const char *file : files) {
        MediaElementPtr element
            = MediaElement::create(&library, scratch.filePath("Old/" + QLatin1String(file)));
        element->setSize(++size);
        element->setModifiedDate(PlistDate::fromDateTime(modified));
        media.insert(element->identifier(), element);
        missing.append(element);
        if (QString::fromLatin1(file).contains(QLatin1String("Extras")))
            continue;
        const QString path = scratch.filePath("Drive/Videos/" + QLatin1String(file));
        QDir().mkpath(QFileInfo(path).path());
        QFile made(path);
        ASSERT_TRUE(made.open(QIODevice::WriteOnly));
        made.write(QByteArray(size, 'v'));
        made.flush();
        made.setFileTime(modified, QFileDevice::FileModificationTime);
    }
    library.setMedia(media);
    RelinkSheet sheet(document, nullptr);
    ASSERT_TRUE(waitUntil([&] { return !sheet.isScanning(); }));
    sheet.locate(missing.at(0), scratch.filePath("Drive/Videos/Trip/Day 1/Harbour.mov"));
    sheet.removeMatchedElements({ missing.at(3) });
    save(&sheet, QStringLiteral("relink-sheet"));
}

} // namespace
