// The filter lists' counts kept current element by element: every figure is
// compared with a count of the same list from scratch, and the number of
// elements read shows which changes were followed without reading everything.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"
#include "window/filtertally.h"

#include <gtest/gtest.h>

#include <map>

using namespace vidarium;
using namespace vidarium::test;

namespace {

PlistValue folderOf(const MediaElement &element)
{
    return element.valueForKey(ElementKey::ParentFolder);
}

// Keyword identifiers, each counted on its own.
PlistValue keywordsOf(const MediaElement &element)
{
    const QStringList identifiers = element.userKeywords();
    return identifiers.isEmpty() ? PlistValue()
                                 : PlistValue(PlistArray(identifiers.cbegin(), identifiers.cend()));
}

std::map<QString, int> sorted(const FilterTally::Counts &counts)
{
    std::map<QString, int> out;
    for (const auto &[value, count] : counts)
        out[value.toString()] = count;
    return out;
}

class FilterTallyTest : public ::testing::Test
{
protected:
    // What a tally that never counted before finds.
    std::map<QString, int> fresh(const MediaElementList &elements,
        FilterTally::Contribute contribute, FilterTally::Values values = FilterTally::Values::One)
    {
        FilterTally tally(document.library());
        tally.setContribution(QStringLiteral("fresh"), {}, std::move(contribute), values);
        return sorted(tally.count(elements));
    }

    static void followFolders(FilterTally &tally)
    {
        tally.setContribution(
            QStringLiteral("parentFolder"), { QStringLiteral("parentFolder") }, folderOf);
    }

    Document document;
};

} // namespace

TEST_F(FilterTallyTest, FollowsNewcomersChangesAndLeaversReadingOnlyThem)
{
    MediaElementList all = addElements(document, 48);
    FilterTally tally(document.library());
    followFolders(tally);
    EXPECT_EQ(sorted(tally.count(all)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), 48);
    EXPECT_EQ(sorted(tally.count(all)).at(QStringLiteral("Trips 2010")), 4);

    // The same elements in another order: nothing to read.
    MediaElementList shuffled = all;
    std::reverse(shuffled.begin(), shuffled.end());
    EXPECT_EQ(sorted(tally.count(shuffled)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), 0);

    // Newcomers among the old elements, and two elements moved to another folder.
    const MediaElementList newcomers = addElements(document, 3, 100);
    all[0]->setPath(QStringLiteral("/media/archive/Elsewhere/Clip 0000.mp4"));
    all[5]->setPath(QStringLiteral("/media/archive/Elsewhere/Clip 0005.mp4"));
    MediaElementList grown = all;
    grown.insert(10, newcomers[0]);
    grown.append(newcomers.mid(1));
    EXPECT_EQ(sorted(tally.count(grown)), fresh(grown, folderOf));
    EXPECT_EQ(tally.lastRead(), 5);
    EXPECT_EQ(sorted(tally.count(grown)).at(QStringLiteral("Elsewhere")), 2);
    // A change of a key the counts do not read is not read again.
    all[7]->setRating(5);
    tally.count(grown);
    EXPECT_EQ(tally.lastRead(), 0);

    // Leavers come off; a folder nobody is in any more has no count at all.
    MediaElementList fewer = grown;
    fewer.removeIf([](const MediaElementPtr &element) {
        return folderOf(*element).toString() == QLatin1String("Elsewhere");
    });
    EXPECT_EQ(sorted(tally.count(fewer)), fresh(fewer, folderOf));
    EXPECT_EQ(tally.lastRead(), 0);
    EXPECT_FALSE(sorted(tally.count(fewer)).count(QStringLiteral("Elsewhere")));

    // An element listed twice counts once, whichever way it is counted.
    MediaElementList twice = fewer;
    twice.append(fewer.first());
    EXPECT_EQ(sorted(tally.count(twice)), sorted(tally.count(fewer)));
    tally.reset();
    EXPECT_EQ(sorted(tally.count(twice)), fresh(fewer, folderOf));

    // An empty list, and back again.
    EXPECT_TRUE(tally.count({}).empty());
    EXPECT_EQ(sorted(tally.count(all)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), all.size());
}

TEST_F(FilterTallyTest, SeveralValuesAndAnotherContributionAreCountedRight)
{
    const MediaElementList all = addElements(document, 12);
    MediaLibrary &library = document.library();
    const QString beach = library.createKeywordWithName(QStringLiteral("Beach"))->identifier();
    const QString dog = library.createKeywordWithName(QStringLiteral("Dog"))->identifier();
    all[0]->setUserKeywords({ beach, dog });
    all[1]->setUserKeywords({ beach });
    FilterTally tally(library);
    tally.setContribution(QStringLiteral("userKeywords"), { QStringLiteral("userKeywords") },
        keywordsOf, FilterTally::Values::Several);
    EXPECT_EQ(sorted(tally.count(all)), (std::map<QString, int> { { beach, 2 }, { dog, 1 } }));

    all[1]->setUserKeywords({ dog });
    all[2]->setUserKeywords({ dog });
    all[0]->setUserKeywords({});
    EXPECT_EQ(sorted(tally.count(all)), (std::map<QString, int> { { dog, 2 } }));
    EXPECT_EQ(tally.lastRead(), 3);

    // Another contribution under another name starts afresh.
    followFolders(tally);
    EXPECT_EQ(sorted(tally.count(all)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), 12);
}

TEST_F(FilterTallyTest, ManyNewcomersAreReadOnTwoThreadsAndManyChangesCountEverything)
{
    const MediaElementList first = addElements(document, 10000);
    FilterTally tally(document.library());
    followFolders(tally);
    tally.count(first);
    // An import heartbeat's worth of newcomers.
    const MediaElementList all = first + addElements(document, 9000, 10000);
    EXPECT_EQ(sorted(tally.count(all)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), 9000);
    // More than half the list changed.
    for (int i = 0; i < 9600; ++i)
        all[i]->setPath(QStringLiteral("/media/other/%1/Clip.mp4").arg(i % 3));
    EXPECT_EQ(sorted(tally.count(all)), fresh(all, folderOf));
    EXPECT_EQ(tally.lastRead(), all.size());
}
