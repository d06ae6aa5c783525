// The library window's toolbar: every button has a picture, with or without
// an icon theme, and the view style in use reads as chosen.

#include "guitestsupport.h"

#include "document/document.h"
#include "window/documenttoolbar.h"
#include "window/documentwindowcontroller.h"
#include "window/toolbaricons.h"

#include <QAction>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

TEST(Toolbar, EveryButtonHasAPictureAndTheViewStyleIsChecked)
{
    resetTestDefaults();
    auto dispatcher = makeTestDispatcher();
    Document document;
    DocumentWindowController window(document, *dispatcher);
    DocumentToolbar *toolbar = window.toolbar();
    for (const char *name :
        { "Import", "Sort", "Rate", "ViewStyle1", "ViewStyle2", "ViewStyle3", "Play" }) {
        QAction *button = toolbar->action(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    for (const char *name : { "import", "sort", "rate", "table", "list", "grid", "play" }) {
        const QImage drawn = ToolbarIcons::drawnIcon(QLatin1String(name)).pixmap(24, 24).toImage();
        // Something is drawn: not every pixel is transparent.
        bool inked = false;
        for (int y = 0; y < drawn.height() && !inked; ++y)
            for (int x = 0; x < drawn.width() && !inked; ++x)
                inked = qAlpha(drawn.pixel(x, y)) > 0;
        EXPECT_TRUE(inked) << name;
    }
    toolbar->setViewStyle(3);
    EXPECT_TRUE(toolbar->action(QStringLiteral("ViewStyle3"))->isChecked());
    EXPECT_FALSE(toolbar->action(QStringLiteral("ViewStyle1"))->isChecked());
}
