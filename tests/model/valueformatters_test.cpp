#include "model/valueformatters.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace vidarium;

namespace {

struct DisplayCase
{
    double value;
    const char *text;
};

} // namespace

TEST(DurationFormatter, ShowsClockTextWithTheFieldRules)
{
    static const DisplayCase cases[] = {
        { 0, "0:00" },
        { 5.7, "0:05" },
        { 59.9, "0:59" },
        { 60, "1:00" },
        { 3599, "59:59" },
        { 3600, "1:00:00" },
        { 86399, "23:59:59" },
        { 86400, "1:00:00:00" },
        { 90061, "1:01:01:01" },
        { -5, "0:-5" },
        { 1000000, "11:13:46:40" },
    };
    const DurationFormatter formatter;
    for (const DisplayCase &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatter.stringForObjectValue(PlistValue(c.value)), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(formatter.stringForObjectValue(PlistValue(qint64(125))), QStringLiteral("2:05"));
}

TEST(DurationFormatter, PassesOtherValuesThrough)
{
    const DurationFormatter formatter;
    EXPECT_EQ(
        formatter.stringForObjectValue(PlistValue(QStringLiteral("n/a"))), QStringLiteral("n/a"));
    EXPECT_TRUE(formatter.stringForObjectValue(PlistValue()).isNull());
    EXPECT_EQ(formatter.stringForObjectValue(PlistValue(std::nan(""))), QStringLiteral("0:00"));
}

TEST(DurationFormatter, ParsesPiecesFromTheRight)
{
    static const struct
    {
        const char *text;
        int seconds;
    } cases[] = {
        { "1:02:03", 3723 },
        { "90", 90 },
        { "1:30", 90 },
        { "", 0 },
        { "abc", 0 },
        { "2:3", 123 },
        { "1:2:3:4:5", 183845 },
        { " 1: 2", 62 },
        { "1:x:5", 3605 },
        { "-1:00", -60 },
        // 32-bit arithmetic wraps rather than traps: 30000 days overflow it.
        { "30000:0:0:0", int(qint32(quint32(30000u * 86400u))) },
    };
    const DurationFormatter formatter;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const PlistValue value = formatter.objectValueForString(QString::fromUtf8(c.text));
        EXPECT_EQ(value.type(), PlistValue::Type::Integer);
        EXPECT_EQ(value.toInteger(), c.seconds);
    }
}

TEST(ByteFormatter, ShowsDecimalUnitsWithTwoDecimalsOnlyWhenTheFractionMatters)
{
    static const DisplayCase cases[] = {
        { 0, "0 B" },
        { 500, "500 B" },
        { 999, "999 B" },
        { 1000, "1 KB" },
        { 1500, "1.50 KB" },
        { 1005, "1 KB" },
        { 1234567, "1.23 MB" },
        { 5000000, "5 MB" },
        { 5005000, "5 MB" },
        { 5010001, "5.01 MB" },
        { 4700000000.0, "4.70 GB" },
        { 2.5e15, "2500 TB" },
    };
    const ByteFormatter formatter(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const DisplayCase &c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(formatter.stringForObjectValue(PlistValue(c.value)), QString::fromUtf8(c.text));
    }
}

TEST(ByteFormatter, UsesTheLocaleDecimalSeparator)
{
    const ByteFormatter german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(german.stringForObjectValue(PlistValue(1234567.0)), QStringLiteral("1,23 MB"));
    EXPECT_EQ(german.stringForObjectValue(PlistValue(2.5e15)), QStringLiteral("2500 TB"));
}

TEST(ByteFormatter, ParsesANumberAndItsUnit)
{
    static const struct
    {
        const char *text;
        double bytes;
    } cases[] = {
        { "5 KB", 5000 },
        { "1.5 GB", 1.5e9 },
        { "700", 700 },
        { "3 B", 3 },
        { "2mb", 2e6 },
        { "  4 tb", 4e12 },
        { "", 0 },
        { "MB", 1e6 * 0 },
        { "1e3", 1000 },
        { "-2 KB", -2000 },
    };
    const ByteFormatter formatter;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(float(formatter.objectValueForString(QString::fromUtf8(c.text)).toDouble()),
            float(c.bytes));
    }
}

TEST(FrameRateFormatter, ShowsTwoFractionDigitsInTheLocale)
{
    const FrameRateFormatter english(QLocale(QLocale::English, QLocale::UnitedStates));
    const FrameRateFormatter german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(english.stringForObjectValue(PlistValue(29.97002997)), QStringLiteral("29.97"));
    EXPECT_EQ(english.stringForObjectValue(PlistValue(25)), QStringLiteral("25.00"));
    EXPECT_EQ(english.stringForObjectValue(PlistValue(0.5)), QStringLiteral("0.50"));
    EXPECT_EQ(german.stringForObjectValue(PlistValue(29.97)), QStringLiteral("29,97"));
    EXPECT_EQ(german.stringForObjectValue(PlistValue(1200)), QStringLiteral("1200,00"));

    EXPECT_DOUBLE_EQ(german.objectValueForString(QStringLiteral("23,976")).toDouble(), 23.976);
    EXPECT_DOUBLE_EQ(english.objectValueForString(QStringLiteral(" 59.94 ")).toDouble(), 59.94);
    EXPECT_FALSE(english.objectValueForString(QStringLiteral("fast")).isValid());
    EXPECT_EQ(english.stringForObjectValue(PlistValue(QStringLiteral("?"))), QStringLiteral("?"));
}

TEST(DateFormatter, NamesRecentDaysAndReadsItsOwnTextBack)
{
    DateFormatter formatter(QLocale(QLocale::English, QLocale::UnitedStates));
    formatter.setReferenceDate(QDate(2024, 3, 10));
    const QDateTime today(QDate(2024, 3, 10), QTime(9, 41), Qt::LocalTime);
    const QDateTime yesterday(QDate(2024, 3, 9), QTime(18, 5), Qt::LocalTime);
    const QDateTime older(QDate(2019, 11, 2), QTime(7, 30), Qt::LocalTime);

    EXPECT_TRUE(
        formatter.stringForObjectValue(PlistValue(today)).startsWith(QStringLiteral("Today, ")));
    EXPECT_TRUE(formatter.stringForObjectValue(PlistValue(yesterday))
                    .startsWith(QStringLiteral("Yesterday, ")));
    const QString olderText = formatter.stringForObjectValue(PlistValue(older));
    EXPECT_TRUE(olderText.contains(QStringLiteral("2019"))) << olderText.toStdString();

    for (const QDateTime &date : { today, yesterday, older }) {
        const QString text = formatter.stringForObjectValue(PlistValue(date));
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(formatter.objectValueForString(text).toDateTime(), date.toUTC());
    }
    EXPECT_FALSE(formatter.objectValueForString(QStringLiteral("last week")).isValid());
    EXPECT_TRUE(formatter.stringForObjectValue(PlistValue()).isNull());
}

TEST(NameFormatters, MapSeparatorsAndDropSpacing)
{
    const ExtensionFormatter extension;
    const FilenameFormatter filename;
    EXPECT_EQ(
        extension.stringForObjectValue(PlistValue(QStringLiteral("mov"))), QStringLiteral("mov"));
    EXPECT_EQ(extension.stringForObjectValue(PlistValue(3)), QStringLiteral(""));
    EXPECT_EQ(extension.objectValueForString(QStringLiteral(" m\tp\u00a04 \n")).toString(),
        QStringLiteral("mp4\n"));
    EXPECT_EQ(filename.stringForObjectValue(PlistValue(QStringLiteral("a:b:c"))),
        QStringLiteral("a/b/c"));
    EXPECT_EQ(filename.objectValueForString(QStringLiteral("AC/DC live")).toString(),
        QStringLiteral("AC:DC live"));
    EXPECT_EQ(filename.stringForObjectValue(PlistValue()), QStringLiteral(""));
}

TEST(ValueFormatter, IsFoundByClassName)
{
    for (const char *name : { "DurationFormatter", "ByteFormatter", "FrameRateFormatter",
             "DateFormatter", "ExtensionFormatter", "FilenameFormatter" })
        EXPECT_NE(formatterNamed(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(formatterNamed(QStringLiteral("NumberFormatter")), nullptr);
}
