#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "widgets/stackingview.h"
#include "window/detailpropertiesmodel.h"
#include "window/detailviewcontroller.h"
#include "window/posterdroptargetview.h"
#include "window/postersectionviewcontroller.h"
#include "window/propertiessectionviewcontroller.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

QByteArray imageBytes(const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QString writeFile(const ScratchDir &scratch, const QString &name, const QByteArray &bytes)
{
    QFile file(scratch.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

std::unique_ptr<QMimeData> filesDrag(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

class DetailPosterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 3);
        detail = std::make_unique<DetailViewController>(document);
        detail->view()->resize(260, 700);
        poster = detail->poster();
    }
    bool dropAndWait(const QMimeData *data)
    {
        if (!poster->drop(data))
            return false;
        return waitUntil([&] { return poster->pendingWork() == 0; });
    }
    QByteArray stored(int i) { return document.library().posterDataForElement(*elements[i]); }

    Document document;
    MediaElementList elements;
    std::unique_ptr<DetailViewController> detail;
    PosterSectionViewController *poster = nullptr;
    ScratchDir scratch;
};

TEST_F(DetailPosterTest, LabelsFollowTheSelection)
{
    EXPECT_EQ(poster->posterLabel()->text(), QStringLiteral("No Selection"));
    detail->setSelectedElements({ elements[0], elements[1] });
    EXPECT_EQ(poster->posterLabel()->text(), QStringLiteral("Multiple Selection"));
    detail->setSelectedElements({ elements[0] });
    EXPECT_EQ(poster->posterLabel()->text(), QStringLiteral("Drag a File or Image Here"));
    EXPECT_EQ(poster->naturalHeight(), int(std::lround(poster->posterView()->width() * 1.5)) + 2);
}

TEST_F(DetailPosterTest, PngFileBecomesBoundedJpegPoster)
{
    const QString png
        = writeFile(scratch, QStringLiteral("wide.png"), imageBytes({ 4000, 1000 }, "png"));
    detail->setSelectedElements({ elements[0], elements[1] });
    EXPECT_FALSE(poster->canDrop(filesDrag({ png }).get()));
    detail->setSelectedElements({ elements[0] });
    ASSERT_TRUE(poster->canDrop(filesDrag({ png }).get()));
    ASSERT_TRUE(dropAndWait(filesDrag({ png }).get()));
    const QByteArray jpeg = stored(0);
    ASSERT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(jpeg));
    EXPECT_EQ(back.size(), QSize(2048, 512));
    EXPECT_TRUE(document.isDocumentEdited());
    ASSERT_TRUE(waitUntil([&] { return !poster->posterView()->posterImage().isNull(); }));
    EXPECT_TRUE(poster->posterLabel()->text().isEmpty());

    poster->removePoster();
    EXPECT_TRUE(stored(0).isEmpty());
    EXPECT_EQ(poster->posterLabel()->text(), QStringLiteral("Drag a File or Image Here"));
}

TEST_F(DetailPosterTest, BadDropsStoreNothing)
{
    detail->setSelectedElements({ elements[0] });
    const QString good
        = writeFile(scratch, QStringLiteral("good.png"), imageBytes({ 20, 20 }, "png"));
    const QString corrupt = writeFile(scratch, QStringLiteral("corrupt.png"), QByteArray(500, 'x'));
    QByteArray bomb = imageBytes({ 8, 8 }, "png");
    // Declared 65535 x 65535 (the checksum no longer matches: either way, refused).
    bomb[16] = 0, bomb[17] = 0, bomb[18] = char(0xFF), bomb[19] = char(0xFF);
    bomb[20] = 0, bomb[21] = 0, bomb[22] = char(0xFF), bomb[23] = char(0xFF);
    const QString bombFile = writeFile(scratch, QStringLiteral("bomb.png"), bomb);
    const QString text = writeFile(scratch, QStringLiteral("notes.txt"), "hello");
    EXPECT_FALSE(poster->canDrop(filesDrag({ good, good }).get()));
    EXPECT_FALSE(poster->canDrop(filesDrag({ corrupt }).get()));
    EXPECT_FALSE(poster->canDrop(filesDrag({ bombFile }).get()));
    EXPECT_FALSE(poster->canDrop(filesDrag({ text }).get()));
    QMimeData bombData;
    bombData.setData(QStringLiteral("image/png"), bomb);
    EXPECT_FALSE(poster->canDrop(&bombData));
    EXPECT_FALSE(poster->drop(&bombData));
    EXPECT_FALSE(dropAndWait(filesDrag({ corrupt }).get()));
    EXPECT_TRUE(stored(0).isEmpty());
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(DetailPosterTest, TiffImageDataIsAccepted)
{
    detail->setSelectedElements({ elements[1] });
    QMimeData data;
    data.setData(QStringLiteral("image/tiff"), imageBytes({ 300, 200 }, "tiff"));
    ASSERT_TRUE(poster->canDrop(&data));
    ASSERT_TRUE(dropAndWait(&data));
    QImage back;
    ASSERT_TRUE(back.loadFromData(stored(1), "JPEG"));
    EXPECT_EQ(back.size(), QSize(300, 200));
}

TEST(DetailPersistence, SectionsAndRowsSurviveSaveAndReopen)
{
    resetTestDefaults();
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Kept.vidarium"));
    QStringList rows;
    {
        Document document;
        addElements(document, 2);
        DetailViewController detail(document);
        detail.stackingView()->setState(StackingSectionView::Collapsed, 0, false);
        detail.stackingView()->setState(StackingSectionView::Expanded, 3, false);
        detail.properties()->toggleProperty(QStringLiteral("size"));
        detail.properties()->toggleProperty(QStringLiteral("rating"));
        rows = detail.properties()->model()->keys();
        ASSERT_TRUE(document.writeToPath(path).ok());
    }
    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    DetailViewController detail(reopened);
    const QList<StackingSectionView *> &sections = detail.stackingView()->sectionViews();
    EXPECT_EQ(sections.at(0)->state(), StackingSectionView::Collapsed);
    EXPECT_EQ(sections.at(1)->state(), StackingSectionView::Expanded);
    EXPECT_EQ(sections.at(3)->state(), StackingSectionView::Expanded);
    EXPECT_EQ(detail.properties()->model()->keys(), rows);
    EXPECT_FALSE(rows.contains(QStringLiteral("size")));
    EXPECT_EQ(rows.last(), QStringLiteral("rating"));
}

} // namespace
