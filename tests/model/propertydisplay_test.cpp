#include "model/definitions.h"
#include "model/propertydisplay.h"

#include <gtest/gtest.h>

using namespace vidarium;

TEST(PropertyDisplay, ShowsValuesInTheFormsTheirDefinitionsName)
{
    const PropertyDisplay display(
        Definitions::shared(), QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(display.displayString(QStringLiteral("size"), PlistValue(qint64(1234567))),
        QStringLiteral("1.23 MB"));
    EXPECT_EQ(display.displayString(QStringLiteral("duration"), PlistValue(3723.4)),
        QStringLiteral("1:02:03"));
    EXPECT_EQ(display.displayString(QStringLiteral("frameRate"), PlistValue(25.0)),
        QStringLiteral("25.00"));
    EXPECT_EQ(display.displayString(QStringLiteral("rating"), PlistValue(5)),
        Definitions::shared().ratingStrings().value(5));
    EXPECT_EQ(display.displayString(QStringLiteral("tool"),
                  PlistValue(QStringLiteral("com.tallowmere.vidarium.importer.ff"))),
        QStringLiteral("FFmpeg-FFprobe"));
    EXPECT_EQ(display.displayString(QStringLiteral("playCount"), PlistValue(0)), QString());
    EXPECT_EQ(display.displayString(QStringLiteral("name"), PlistValue(QStringLiteral("AC:DC"))),
        QStringLiteral("AC/DC"));
    EXPECT_EQ(
        display.displayString(QStringLiteral("status"), PlistValue(0)), QStringLiteral("Green"));
    // User fields and plain values show their text.
    EXPECT_EQ(
        display.displayString(QStringLiteral("0A3F-FIELD"), PlistValue(QStringLiteral("Ann, Bob"))),
        QStringLiteral("Ann, Bob"));
    EXPECT_EQ(display.displayString(QStringLiteral("userKeywords"),
                  PlistValue(PlistArray {
                      PlistValue(QStringLiteral("a")), PlistValue(QStringLiteral("b")) })),
        QStringLiteral("a, b"));
    EXPECT_EQ(display.displayString(QStringLiteral("duration"), PlistValue()), QString());
}

TEST(PropertyDisplay, WithoutDefinitionsEverythingIsPlainText)
{
    const Definitions none;
    const PropertyDisplay display(none);
    EXPECT_EQ(display.displayString(QStringLiteral("size"), PlistValue(qint64(1234567))),
        QStringLiteral("1234567"));
    EXPECT_EQ(display.displayString(QStringLiteral("rating"), PlistValue(3)), QStringLiteral("3"));
    EXPECT_EQ(PropertyDisplay::plainText(PlistValue(PlistDate { 0 })),
        QStringLiteral("2001-01-01T00:00:00Z"));
    EXPECT_EQ(PropertyDisplay::plainText(PlistValue(true)), QStringLiteral("true"));
    EXPECT_EQ(PropertyDisplay::plainText(PlistValue(0.5)), QStringLiteral("0.5"));
}
