#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "window/documentwindowcontroller.h"
#include "window/exportjob.h"
#include "window/exportsheet.h"
#include "window/itemsviewcontroller.h"
#include "window/panels.h"

#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class ExportPanels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
    }
    void TearDown() override
    {
        Panels::setOverride({});
        window.reset();
        processEvents();
    }
    DocumentWindowController &open(int count)
    {
        elements = addElements(document, count);
        window = std::make_unique<DocumentWindowController>(document, *dispatcher);
        processEvents();
        return *window;
    }
    // Runs one export through the window's command with the panel answered.
    ExportSheet *exportThrough(int kind, const QString &target, int range)
    {
        Panels::setOverride([target](const Panels::Request &) { return QStringList { target }; });
        window->perform(QStringLiteral("exportFiles:"), kind);
        auto *sheet = qobject_cast<ExportSheet *>(window->attachedSheet());
        if (!sheet)
            return nullptr;
        sheet->rangeControl()->button(range)->click();
        sheet->chooseTarget();
        return sheet;
    }
    bool waitForTheSheetToGo()
    {
        return waitUntil([this] { return !qobject_cast<ExportSheet *>(window->attachedSheet()); });
    }
    static QStringList linesOf(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        if (!bytes.startsWith("\xff\xfe"))
            return { QStringLiteral("<no byte-order mark>") };
        return QString::fromUtf16(
            reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2)
            .split(QLatin1Char('\n'));
    }

    Document document;
    MediaElementList elements;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<DocumentWindowController> window;
    ScratchDir scratch;
};

} // namespace

TEST_F(ExportPanels, TextOfTheSelectedItemsWithBreaksInValuesFlattened)
{
    open(4);
    const MediaUserFieldPtr take = document.library().createFieldWithName(QStringLiteral("Take"));
    elements.at(1)->setUserComments(QStringLiteral("first line\nsecond\tcolumn"));
    elements.at(1)->setValueForUndefinedKey(QStringLiteral("A\r\nB"), take->identifier());
    window->itemsViewController()->setSelectedElements({ elements.at(1) });
    const QString path = scratch.filePath(QStringLiteral("catalogue"));
    ExportSheet *sheet
        = exportThrough(DocumentExport::Database, path, DocumentExport::SelectedItems);
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(waitForTheSheetToGo());
    EXPECT_FALSE(window->isSheetAttached());

    // The text type is added to a name typed without it.
    const QStringList lines = linesOf(path + QStringLiteral(".txt"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0).count(QLatin1Char('\t')), 15);
    const QStringList columns = lines.at(1).split(QLatin1Char('\t'));
    ASSERT_EQ(columns.size(), 16);
    EXPECT_EQ(columns.at(14), QStringLiteral("first line second column"));
    EXPECT_EQ(columns.at(15), QStringLiteral("A  B"));
}

TEST_F(ExportPanels, NothingSelectedWritesTheHeaderAlone)
{
    open(3);
    window->itemsViewController()->setSelectedElements({});
    const QString path = scratch.filePath(QStringLiteral("empty.txt"));
    ASSERT_TRUE(exportThrough(DocumentExport::Database, path, DocumentExport::SelectedItems));
    ASSERT_TRUE(waitForTheSheetToGo());
    EXPECT_EQ(linesOf(path).size(), 1);
}

TEST_F(ExportPanels, AFailedWriteEndsInAnAlertAndNoFile)
{
    open(3);
    // A folder that is not there cannot be written into, whoever runs the tests.
    const QString path = scratch.filePath(QStringLiteral("gone/catalogue.txt"));
    ASSERT_TRUE(exportThrough(DocumentExport::Database, path, DocumentExport::AllElements));
    ASSERT_TRUE(waitUntil([this] { return qobject_cast<QMessageBox *>(window->attachedSheet()); }));
    auto *alert = qobject_cast<QMessageBox *>(window->attachedSheet());
    EXPECT_EQ(alert->objectName(), QStringLiteral("ExportAlert"));
    EXPECT_TRUE(alert->informativeText().contains(QStringLiteral("catalogue.txt")));
    EXPECT_FALSE(QFile::exists(path));
    alert->reject();
    processEvents();

    ASSERT_TRUE(exportThrough(DocumentExport::Posters, scratch.filePath(QStringLiteral("nowhere")),
        DocumentExport::AllElements));
    ASSERT_TRUE(waitUntil([this] { return qobject_cast<QMessageBox *>(window->attachedSheet()); }));
    EXPECT_TRUE(qobject_cast<QMessageBox *>(window->attachedSheet())
                    ->informativeText()
                    .contains(QStringLiteral("not a folder")));
}

TEST_F(ExportPanels, ImagesNeverOverwriteAndSkipElementsWithoutOne)
{
    open(0);
    MediaLibrary &library = document.library();
    ElementDictionary media;
    MediaElementList clips;
    for (const char *path : { "/a/clip.mp4", "/b/clip.mp4", "/c/other.mp4" }) {
        MediaElementPtr element = MediaElement::create(&library, QString::fromLatin1(path));
        media.insert(element->identifier(), element);
        clips.append(element);
    }
    library.setMedia(media);
    library.setImageDataForElement(ElementImage::Poster, QByteArray("\xff\xd8one"), *clips.at(0));
    library.setImageDataForElement(ElementImage::Poster, QByteArray("\xff\xd8two"), *clips.at(1));
    QFile existing(scratch.filePath(QStringLiteral("clip.jpg")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();

    ExportJob job(library);
    QSignalSpy done(&job, &ExportJob::finished);
    job.startImages(ElementImage::Poster, clips, scratch.path());
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_TRUE(job.outcome().succeeded);
    EXPECT_EQ(job.outcome().written, 2);
    QFile kept(scratch.filePath(QStringLiteral("clip.jpg")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("mine"));
    EXPECT_TRUE(QFile::exists(scratch.filePath(QStringLiteral("clip_1.jpg"))));
    EXPECT_TRUE(QFile::exists(scratch.filePath(QStringLiteral("clip_2.jpg"))));
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("other.jpg"))));
}

TEST_F(ExportPanels, AnImageThatCannotBeWrittenStopsTheExportWithTheReason)
{
    MediaLibrary &library = document.library();
    ElementDictionary media;
    MediaElementList clips;
    // A name longer than any file system allows fails for every user, root too.
    for (const QString &name :
        { QStringLiteral("a"), QString(300, QLatin1Char('x')), QStringLiteral("c") }) {
        MediaElementPtr element = MediaElement::create(&library, "/v/" + name + ".mp4");
        media.insert(element->identifier(), element);
        clips.append(element);
        library.setImageDataForElement(ElementImage::Poster, QByteArray("\xff\xd8"), *element);
    }
    library.setMedia(media);
    ExportJob job(library);
    QSignalSpy done(&job, &ExportJob::finished);
    job.startImages(ElementImage::Poster, clips, scratch.path());
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_FALSE(job.outcome().succeeded);
    EXPECT_EQ(job.outcome().written, 1);
    EXPECT_TRUE(job.outcome().message.contains(QStringLiteral("too long")))
        << job.outcome().message.toStdString();
    EXPECT_TRUE(job.outcome().message.contains(QStringLiteral("1 image was exported before")));
    EXPECT_TRUE(QFile::exists(scratch.filePath(QStringLiteral("a.jpg"))));
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("c.jpg"))));
}

TEST_F(ExportPanels, CancellingTheTextBeforeItIsWrittenLeavesNoFile)
{
    addElements(document, 20000);
    ExportJob job(document.library());
    QSignalSpy done(&job, &ExportJob::finished);
    QSignalSpy progress(&job, &ExportJob::progressChanged);
    const QString path = scratch.filePath(QStringLiteral("big.txt"));
    job.startText(document.library().media().values(), path);
    job.cancel();
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_TRUE(job.outcome().cancelled);
    EXPECT_FALSE(QFile::exists(path));

    ExportJob whole(document.library());
    QSignalSpy finished(&whole, &ExportJob::finished);
    QSignalSpy steps(&whole, &ExportJob::progressChanged);
    whole.startText(document.library().media().values(), path);
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }));
    EXPECT_TRUE(whole.outcome().succeeded);
    EXPECT_EQ(steps.last().at(0).toLongLong(), 20000);
    EXPECT_EQ(linesOf(path).size(), 20001);
}
