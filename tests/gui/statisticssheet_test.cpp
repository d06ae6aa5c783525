#include "guitestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "window/elementstatistics.h"
#include "window/statisticssheet.h"

#include <QComboBox>
#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class Statistics : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        elements = addElements(document, 10);
    }
    void importOn(const MediaElementPtr &element, const QDateTime &when)
    {
        element->setImportedDate(PlistDate::fromDateTime(when));
    }
    static QDateTime localNoon(int year, int month, int day)
    {
        return QDateTime(QDate(year, month, day), QTime(12, 0));
    }

    Document document;
    MediaElementList elements;
};

} // namespace

TEST_F(Statistics, TenImportedTodayMakeTenADay)
{
    // addElements stamps every element with the moment it was made.
    StatisticsSheet sheet(StatisticsSheet::rangesOf(document.library(), {}), nullptr);
    const ElementStatistics &s = sheet.statistics();
    EXPECT_EQ(s.count, 10);
    EXPECT_EQ(s.days, 1);
    EXPECT_DOUBLE_EQ(s.filesPerDay, 10.0);
    const QString today
        = QLocale().toString(QDateTime::currentDateTime().date(), QStringLiteral("MMM d, yyyy"));
    EXPECT_EQ(sheet.figureText(QStringLiteral("dateRange")), today + " to " + today);
    double seconds = 0;
    for (const MediaElementPtr &element : elements)
        seconds += element->duration();
    EXPECT_DOUBLE_EQ(s.totalDuration, seconds);
    EXPECT_DOUBLE_EQ(s.durationPerDay, seconds);
}

TEST_F(Statistics, DaysCountBothEndsByCalendarDay)
{
    importOn(elements.at(0), localNoon(2024, 3, 1));
    for (int i = 1; i < 10; ++i)
        importOn(elements.at(i), QDateTime(QDate(2024, 3, 10), QTime(23, 59)));
    const ElementStatistics s = ElementStatistics::of(elements);
    EXPECT_EQ(s.days, 10);
    EXPECT_DOUBLE_EQ(s.filesPerDay, 1.0);
    // Late on one day and early on the next are two days, not a fraction of one.
    EXPECT_EQ(ElementStatistics::daysBetween(QDateTime(QDate(2024, 3, 1), QTime(23, 59)),
                  QDateTime(QDate(2024, 3, 2), QTime(0, 1))),
        2);
    EXPECT_EQ(ElementStatistics::daysBetween(localNoon(2024, 3, 1), localNoon(2024, 3, 1)), 1);
}

TEST_F(Statistics, AnEmptyRangeShowsNoneAndZeroesAfterAFullOne)
{
    for (qint64 i = 0; i < elements.size(); ++i)
        elements.at(i)->setSize(1000000 * (i + 1));
    StatisticsSheet sheet(
        StatisticsSheet::rangesOf(document.library(), { elements.mid(0, 3), elements, {}, {} }),
        nullptr);
    EXPECT_GT(sheet.statistics().sizePerDay, 0.0);
    sheet.rangeControl()->setCurrentIndex(3); // the selected items: none
    EXPECT_EQ(sheet.range(), 4);
    EXPECT_EQ(sheet.figureText(QStringLiteral("dateRange")), QStringLiteral("None"));
    EXPECT_EQ(sheet.figureText(QStringLiteral("totalSize")), QStringLiteral("0 B"));
    EXPECT_EQ(sheet.figureText(QStringLiteral("totalDuration")), QStringLiteral("0:00"));
    EXPECT_EQ(sheet.statistics().filesPerDay, 0.0);
    EXPECT_EQ(sheet.statistics().sizePerDay, 0.0);
    EXPECT_EQ(sheet.statistics().durationPerDay, 0.0);
    EXPECT_EQ(sheet.figureText(QStringLiteral("sizePerDay")), QStringLiteral("0 B"));

    sheet.setRange(DocumentExport::SelectedCollection);
    EXPECT_EQ(sheet.statistics().count, 3);
    EXPECT_EQ(sheet.statistics().totalSize, 6000000);
    sheet.setRange(99);
    EXPECT_EQ(sheet.statistics().count, 0);
    EXPECT_EQ(sheet.figureText(QStringLiteral("dateRange")), QStringLiteral("None"));
}

TEST_F(Statistics, UnreadableImportDatesCountInTotalsButNotInTheSpan)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    elements.at(0)->setImportedDate(PlistDate { nan });
    elements.at(1)->setImportedDate(PlistDate { std::numeric_limits<double>::infinity() });
    importOn(elements.at(2), localNoon(2024, 3, 1));
    const ElementStatistics two = ElementStatistics::of(elements.mid(0, 3));
    EXPECT_EQ(two.count, 3);
    EXPECT_EQ(two.days, 1);
    EXPECT_DOUBLE_EQ(two.filesPerDay, 3.0);

    const ElementStatistics none = ElementStatistics::of(elements.mid(0, 2));
    EXPECT_EQ(none.count, 2);
    EXPECT_FALSE(none.earliest.has_value());
    EXPECT_EQ(none.dateRangeText(QLocale()), QStringLiteral("None"));
    EXPECT_EQ(none.filesPerDay, 0.0);
}
