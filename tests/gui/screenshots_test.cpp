// Pictures of the windows for review, written to build/screenshots/shell/ by
// `make screenshots`. They render offscreen with the fonts of the machine.

#include "guitestsupport.h"

#include "app/aboutwindow.h"
#include "app/mainmenu.h"
#include "app/preferencescontroller.h"
#include "app/welcomecontroller.h"
#include "document/document.h"
#include "model/medialibrary.h"
#include "platform/userdefaults.h"
#include "window/documentsaver.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"

#include <QDir>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

QString screenshotPath(const QString &name)
{
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/shell");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

void save(QWidget *widget, const QString &name)
{
    processEvents(5);
    const QPixmap picture = widget->grab();
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    EXPECT_GT(picture.width(), 100);
    ASSERT_TRUE(picture.save(screenshotPath(name))) << name.toStdString();
}

class Screenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
    }

    std::unique_ptr<DocumentWindowController> window(Document &document)
    {
        auto controller = std::make_unique<DocumentWindowController>(document, *dispatcher);
        MainMenu::Hooks hooks;
        hooks.perform = [](const QString &, const QVariant &) {};
        hooks.validate = [](const QString &) { return true; };
        hooks.importImagesImmediately = [] { return true; };
        MainMenu::build(controller->window()->menuBar(), controller.get(), hooks);
        controller->setUntitledName(QStringLiteral("Untitled"));
        controller->window()->resize(1280, 800);
        controller->window()->show();
        return controller;
    }

    std::unique_ptr<DispatchController> dispatcher;
};

MediaElementList addDemoElements(Document &document)
{
    const QStringList names { QStringLiteral("Harbour at dawn.mp4"),
        QStringLiteral("Mountain pass.mkv"), QStringLiteral("Old reel.avi"),
        QStringLiteral("City lights.webm"), QStringLiteral("Studio take.mov") };
    ElementDictionary media;
    MediaElementList added;
    for (const QString &name : names) {
        MediaElementPtr element = MediaElement::create(
            &document.library(), QStringLiteral("/home/user/Videos/Demo/") + name);
        element->setAssets(15);
        media.insert(element->identifier(), element);
        added.append(element);
    }
    document.library().setMedia(media);
    return added;
}

} // namespace

TEST_F(Screenshots, LibraryWindow)
{
    Document empty;
    auto emptyWindow = window(empty);
    save(emptyWindow->window(), QStringLiteral("window-empty"));

    Document demo;
    addDemoElements(demo);
    auto demoWindow = window(demo);
    demoWindow->itemsViewController()->reloadElements();
    demoWindow->itemsViewController()->setSelectedElements(
        { demoWindow->itemsViewController()->arrangedElements().first() });
    save(demoWindow->window(), QStringLiteral("window-demo"));
}

TEST_F(Screenshots, StatusLine)
{
    Document document;
    const MediaElementList elements = addDemoElements(document);
    auto controller = window(document);
    save(controller->window(), QStringLiteral("status-idle"));
    for (const MediaElementPtr &element : elements)
        element->setAssets(0);
    dispatcher->dispatchDocument(document, elements);
    ASSERT_TRUE(waitUntil([&controller] { return controller->statusMessage() != "Idle"; }));
    save(controller->window(), QStringLiteral("status-importing"));
}

TEST_F(Screenshots, PreferencesPanes)
{
    PreferencesController preferences(testDefaults());
    preferences.showPreferencesWindow();
    const std::pair<int, QString> panes[] = { { 1, QStringLiteral("preferences-general") },
        { 2, QStringLiteral("preferences-importing") },
        { 3, QStringLiteral("preferences-filetypes") } };
    for (const auto &[tag, name] : panes) {
        preferences.displayTabContentViewForTag(tag);
        save(&preferences, name);
    }
    preferences.hide();
}

TEST_F(Screenshots, WelcomeAndAbout)
{
    WelcomeController &welcome = WelcomeController::sharedWelcomeController();
    welcome.showWelcomeWindow();
    save(&welcome, QStringLiteral("welcome"));
    welcome.okButtonAction();
    AboutWindow::shared().showAboutWindow();
    save(&AboutWindow::shared(), QStringLiteral("about"));
    AboutWindow::shared().hide();
}

TEST_F(Screenshots, Alerts)
{
    Document document;
    addDemoElements(document);
    auto controller = window(document);
    document.updateChangeCount(Document::Change::Done);
    controller->saver().runCloseCheck([](bool) {});
    ASSERT_TRUE(controller->attachedSheet());
    save(controller->attachedSheet(), QStringLiteral("close-check"));
    controller->attachedSheet()->reject();
    processEvents();

    controller->showVersionAlert();
    ASSERT_TRUE(controller->attachedSheet());
    save(controller->attachedSheet(), QStringLiteral("version-alert"));
    controller->attachedSheet()->reject();
    processEvents();
}

TEST_F(Screenshots, ItemsTable)
{
    Document demo;
    const MediaElementList elements = addDemoElements(demo);
    int i = 0;
    for (const MediaElementPtr &element : elements) {
        element->setRating(i % 6);
        element->setDuration(95.0 + 700 * i);
        element->setSize(qint64(150'000'000) * (i + 1));
        element->setPixelsWide(i % 2 ? 1920 : 1280);
        element->setPixelsHigh(i % 2 ? 1080 : 720);
        element->setFrameRate(i % 2 ? 25.0 : 29.97);
        element->setVideoCodec(i % 2 ? QStringLiteral("H.264") : QStringLiteral("HEVC"));
        ++i;
    }
    auto controller = window(demo);
    ItemsViewController *items = controller->itemsViewController();
    items->reloadElements();
    items->setSelectedElements({ items->arrangedElements().at(1) });
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/items");
    QDir().mkpath(folder);
    processEvents(5);
    ASSERT_TRUE(controller->window()->grab().save(folder + QStringLiteral("/table-demo.png")));
    ASSERT_TRUE(items->view()->grab().save(folder + QStringLiteral("/table-pane.png")));
}
