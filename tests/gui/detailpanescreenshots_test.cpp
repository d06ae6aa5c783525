// Pictures of the detail pane for review, written to
// build/screenshots/filters/ by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "widgets/stackingview.h"
#include "window/commentssectionviewcontroller.h"
#include "window/detailviewcontroller.h"
#include "window/keywordssectionviewcontroller.h"
#include "window/posterdroptargetview.h"
#include "window/postersectionviewcontroller.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QTableView>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    processEvents(5);
    saveScreenshot(widget->grab(), QStringLiteral("filters"), QStringLiteral("detail-") + name);
}

QByteArray posterJpeg()
{
    QImage image(400, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor(40, 70, 140));
    sky.setColorAt(1, QColor(230, 150, 90));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(250, 230, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(200, 380), 70, 70);
    painter.fillRect(0, 430, 400, 170, QColor(30, 40, 60));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    return bytes;
}

class DetailPaneScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 4);
        MediaLibrary &library = document.library();
        for (const char *name : { "Harbour", "Summer 2019", "Family", "Boats" }) {
            const MediaUserKeywordPtr keyword
                = library.createKeywordWithName(QString::fromUtf8(name));
            elements[0]->addKeywordWithIdentifier(keyword->identifier());
        }
        elements[0]->setUserComments(QStringLiteral(
            "Filmed from the pier in the early evening. The second half has the boats "
            "coming in; the sound drops out for a few seconds near the end."));
        elements[0]->setSize(734003200);
        elements[0]->setPixelsWide(1920);
        elements[0]->setPixelsHigh(1080);
        elements[0]->setFrameRate(25);
        elements[0]->setVideoCodec(QStringLiteral("H.264"));
        elements[0]->setAudioCodec(QStringLiteral("AAC"));
        elements[0]->setPlayCount(3);
        library.setPosterData(posterJpeg(), *elements[0]);
        PlistDictionary visibility = document.defaults().detailVisibility();
        for (const char *key :
            { "PropertiesExpanded", "CommentsExpanded", "KeywordsExpanded", "PosterExpanded" })
            visibility.insert(QString::fromLatin1(key), true);
        document.defaults().setDetailVisibility(visibility);
        detail = std::make_unique<DetailViewController>(document);
        view = detail->view();
        view->resize(270, 1160);
        view->show();
        view->activateWindow();
    }
    void select(const MediaElementList &selected)
    {
        detail->setSelectedElements(selected);
        waitUntil([&] { return detail->poster()->pendingWork() == 0; });
        processEvents(5);
    }

    Document document;
    MediaElementList elements;
    std::unique_ptr<DetailViewController> detail;
    QWidget *view = nullptr;
};

TEST_F(DetailPaneScreenshots, Selections)
{
    select({ elements[0] });
    save(view, QStringLiteral("one-element"));
    select({ elements[0], elements[1], elements[2] });
    save(view, QStringLiteral("multiple-values"));
    select({});
    save(view, QStringLiteral("no-selection"));
    detail->stackingView()->setState(
        StackingSectionView::Collapsed, QList<int> { 0, 1, 2, 3 }, false);
    view->resize(270, 160);
    save(view, QStringLiteral("all-collapsed"));
}

TEST_F(DetailPaneScreenshots, KeywordRenamedInPlace)
{
    detail->stackingView()->setState(StackingSectionView::Collapsed, QList<int> { 0, 3 }, false);
    view->resize(270, 560);
    select({ elements[0], elements[1] });
    KeywordsSectionViewController *keywords = detail->keywords();
    keywords->addKeyword(QString());
    processEvents(5);
    if (QLineEdit *editor
        = keywords->itemsView()->findChild<QLineEdit *>(QStringLiteral("KeywordNameEditor"))) {
        editor->setText(QStringLiteral("Lighthouse"));
        editor->setCursorPosition(editor->text().size());
    }
    save(view, QStringLiteral("keyword-rename"));
}

TEST_F(DetailPaneScreenshots, PosterStates)
{
    detail->stackingView()->setState(StackingSectionView::Collapsed, QList<int> { 0, 1, 2 }, false);
    view->resize(270, 520);
    select({ elements[0] });
    save(view, QStringLiteral("poster-image"));
    detail->poster()->posterView()->closeButton()->show();
    save(view, QStringLiteral("poster-close-button"));
    select({ elements[1] });
    save(view, QStringLiteral("poster-drop-here"));
    detail->poster()->posterView()->setHighlighted(true);
    save(view, QStringLiteral("poster-drag-over"));
    detail->poster()->posterView()->setHighlighted(false);
    select({ elements[1], elements[2] });
    save(view, QStringLiteral("poster-multiple"));
}

} // namespace
