#include "model/comparisons.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>

using namespace vidarium;

namespace {

constexpr auto Asc = ComparisonResult::Ascending;
constexpr auto Same = ComparisonResult::Same;
constexpr auto Desc = ComparisonResult::Descending;

struct Case
{
    const char *left;
    const char *right;
    ComparisonResult expected;
};

void expectCases(StringComparison compare, std::initializer_list<Case> cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
        EXPECT_EQ(compare(QString::fromUtf8(c.left), QString::fromUtf8(c.right)), c.expected);
    }
}

} // namespace

TEST(CompareNumericString, OrdersDigitRunsByValueAndIgnoresCase)
{
    expectCases(compareNumericString,
        {
            { "Clip 9", "Clip 10", Asc },
            { "Clip 10", "Clip 9", Desc },
            { "clip 2", "CLIP 2", Same },
            { "Clip 007", "Clip 7", Same },
            { "Clip 7a", "Clip 7b", Asc },
            { "a", "ab", Asc },
            { "", "", Same },
            { "2", "a", Asc },
            { "x99999999999999999999999", "x100000000000000000000000", Asc },
            { "Ä", "ä", Same },
        });
    QStringList names = { QStringLiteral("Clip 10"), QStringLiteral("clip 9"),
        QStringLiteral("Clip 1"), QStringLiteral("Clip 100") };
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return compareNumericString(a, b) == ComparisonResult::Ascending;
    });
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("Clip 1"), QStringLiteral("clip 9"),
            QStringLiteral("Clip 10"), QStringLiteral("Clip 100") }));
}

TEST(CompareResolutionString, WidthsFirstThenHeights)
{
    expectCases(compareResolutionString,
        {
            { "720 x 576", "1920 x 1080", Asc },
            { "1920 x 800", "1920 x 1080", Asc },
            { "1920 x 1080", "1920 x 1080", Same },
            { "3840 x 2160", "1920 x 1080", Desc },
            { "0 x 0", "640 x 480", Asc },
        });
}

TEST(CompareAspectString, ComparesRatiosAndSortsUnknownRatiosFirst)
{
    expectCases(compareAspectString,
        {
            { "4:3", "16:9", Asc },
            { "16:9", "4:3", Desc },
            { "32:18", "16:9", Same },
            { "0:0", "16:9", Asc },
            { "16:9", "0:0", Desc },
            { "0:0", "0:0", Same },
            { "1:0", "16:9", Desc },
        });
    // The order must be a consistent one, or sorting a column of aspects goes wrong.
    QStringList aspects;
    for (int i = 0; i < 200; ++i)
        aspects.append(i % 3 == 0 ? QStringLiteral("0:0")
                                  : QStringLiteral("%1:%2").arg(i % 17 + 1).arg(i % 5 + 1));
    std::sort(aspects.begin(), aspects.end(), [](const QString &a, const QString &b) {
        return compareAspectString(a, b) == ComparisonResult::Ascending;
    });
    for (qsizetype i = 1; i < aspects.size(); ++i)
        EXPECT_NE(compareAspectString(aspects[i - 1], aspects[i]), ComparisonResult::Descending)
            << i;
    EXPECT_EQ(aspects.first(), QStringLiteral("0:0"));
}

TEST(CompareValues, SortsByKindThenWithTheNamedComparison)
{
    const QString numeric = QStringLiteral("compareNumericString:");
    EXPECT_EQ(compareValues(PlistValue(QStringLiteral("Clip 9")),
                  PlistValue(QStringLiteral("Clip 10")), numeric),
        Asc);
    EXPECT_EQ(compareValues(PlistValue(QStringLiteral("Clip 9")),
                  PlistValue(QStringLiteral("Clip 10")), QStringLiteral("compare:")),
        Desc);
    EXPECT_EQ(compareValues(PlistValue(2), PlistValue(10.5), numeric), Asc);
    EXPECT_EQ(compareValues(PlistValue(qint64(10)), PlistValue(qint64(10)), numeric), Same);
    EXPECT_EQ(compareValues(PlistValue(), PlistValue(0), numeric), Asc);
    EXPECT_EQ(compareValues(PlistValue::null(), PlistValue(), numeric), Same);
    EXPECT_EQ(
        compareValues(PlistValue(PlistDate { 100 }), PlistValue(PlistDate { 50 }), numeric), Desc);
    EXPECT_EQ(stringComparisonNamed(QStringLiteral("noSuchSelector:")), &compareNumericString);
    EXPECT_EQ(stringComparisonNamed(QString()), &compareNumericString);
}
