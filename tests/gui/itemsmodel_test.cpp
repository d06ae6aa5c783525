// The items model and search: what is shown for a collection, filters and
// search combined, the order of each column and the summary line.

#include "guitestsupport.h"

#include "document/document.h"
#include "model/comparisons.h"
#include "model/medialibrary.h"
#include "model/predicateevaluator.h"
#include "window/itemsmodel.h"
#include "window/itemssearch.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

MediaElementPtr element(Document &document, const QString &path)
{
    MediaElementPtr made = MediaElement::create(&document.library(), path);
    made->setAssets(15);
    ElementDictionary media = document.library().media();
    media.insert(made->identifier(), made);
    document.library().setMedia(media);
    return made;
}

QStringList shownNames(const ItemsModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.elementAt(row)->name());
    return names;
}

} // namespace

TEST(ItemsSearch, FoldsSpacesAndKeepsWordsAsArguments)
{
    EXPECT_TRUE(ItemsSearch::searchWords(QStringLiteral("    ")).isEmpty());
    EXPECT_TRUE(ItemsSearch::searchWords(QString()).isEmpty());
    EXPECT_EQ(ItemsSearch::searchWords(QStringLiteral("holiday  beach")),
        QStringList({ QStringLiteral("holiday"), QStringLiteral("beach") }));
    EXPECT_EQ(ItemsSearch::searchWords(QStringLiteral("  one   ")), QStringList { "one" });
    EXPECT_FALSE(ItemsSearch::searchPredicate(QStringLiteral("   "), { QStringLiteral("name") }));
    // Text that looks like criteria stays a word to look for.
    const auto tricky = ItemsSearch::searchPredicate(
        QStringLiteral("\" OR 1 == 1 OR name == \""), { QStringLiteral("name") });
    ASSERT_TRUE(tricky);
    EXPECT_FALSE(tricky->evaluator()->evaluateValue(PlistValue(QStringLiteral("x"))));
}

class ItemsModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        model = std::make_unique<ItemsModel>(document.library());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    Document document;
    std::unique_ptr<ItemsModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ItemsModelTest, SearchWordsMustAllOccurIgnoringCaseAndAccents)
{
    element(document, QStringLiteral("/v/Été à la plage.mp4"));
    element(document, QStringLiteral("/v/Winter beach.mp4"));
    element(document, QStringLiteral("/v/Summer garden.mp4"));
    model->setContent(document.library().media().values());
    const QStringList keys = document.library().elementSearchKeys();
    model->setFilter(ItemsSearch::searchPredicate(QStringLiteral("ete"), keys));
    EXPECT_EQ(shownNames(*model), QStringList { "Été à la plage" });
    model->setFilter(ItemsSearch::searchPredicate(QStringLiteral("  BEACH  winter "), keys));
    EXPECT_EQ(shownNames(*model), QStringList { "Winter beach" });
    model->setFilter(ItemsSearch::searchPredicate(QStringLiteral("beach garden"), keys));
    EXPECT_TRUE(shownNames(*model).isEmpty());
}

TEST_F(ItemsModelTest, ThreeCriteriaCombineAndClearingOneKeepsTheOthers)
{
    for (int i = 0; i < 8; ++i) {
        MediaElementPtr made
            = element(document, QStringLiteral("/v/%1/Clip %2.mp4").arg(i % 2 ? "A" : "B").arg(i));
        made->setRating(i % 4);
        made->setPlayCount(i < 4 ? 1 : 0);
    }
    model->setContent(document.library().media().values());
    const auto property = Predicate::parse(QStringLiteral("parentFolder == \"A\""));
    const auto keyword = Predicate::parse(QStringLiteral("rating >= 2"));
    const auto search = ItemsSearch::searchPredicate(QStringLiteral("clip"), { "name" });
    const auto played = Predicate::parse(QStringLiteral("playCount == 1"));
    model->setFilter(ItemsSearch::conjunction({ *property, *keyword, *played, search }));
    EXPECT_EQ(shownNames(*model), QStringList { "Clip 3" });
    model->setFilter(ItemsSearch::conjunction({ *property, std::nullopt, search }));
    EXPECT_EQ(shownNames(*model), QStringList({ "Clip 1", "Clip 3", "Clip 5", "Clip 7" }));
    model->setFilter(ItemsSearch::conjunction({ std::nullopt, std::nullopt, std::nullopt }));
    EXPECT_EQ(model->rowCount(), 8);
}

TEST_F(ItemsModelTest, ColumnsSortWithTheirDefinedComparison)
{
    const MediaElementPtr a = element(document, QStringLiteral("/v/Clip 10.mp4"));
    const MediaElementPtr b = element(document, QStringLiteral("/v/clip 9.mp4"));
    const MediaElementPtr c = element(document, QStringLiteral("/v/Clip 100.mp4"));
    a->setPixelsWide(1920), a->setPixelsHigh(1080);
    b->setPixelsWide(640), b->setPixelsHigh(480);
    c->setPixelsWide(720), c->setPixelsHigh(576);
    a->setCreationDate(PlistDate { 300 }), b->setCreationDate(PlistDate { 100 });
    c->setCreationDate(PlistDate { 200 });
    model->setContent(document.library().media().values());
    model->setSort(QStringLiteral("name"), true, QStringLiteral("compareNumericString:"));
    EXPECT_EQ(shownNames(*model), QStringList({ "clip 9", "Clip 10", "Clip 100" }));
    model->setSort(QStringLiteral("resolution"), true, QStringLiteral("compareResolutionString:"));
    EXPECT_EQ(shownNames(*model), QStringList({ "clip 9", "Clip 100", "Clip 10" }));
    model->setSort(QStringLiteral("aspectRatio"), false, QStringLiteral("compareAspectString:"));
    EXPECT_EQ(model->elementAt(0), a); // 16:9 is the widest
    model->setSort(QStringLiteral("creationDate"), true, QStringLiteral("compare:"));
    EXPECT_EQ(shownNames(*model), QStringList({ "clip 9", "Clip 100", "Clip 10" }));
    model->setSort(QStringLiteral("pixelsWide"), false, QStringLiteral("compare:"));
    EXPECT_EQ(shownNames(*model), QStringList({ "Clip 10", "Clip 100", "clip 9" }));
    // An unknown key falls back to the name.
    model->setSort(QStringLiteral("noSuchKey"), true, QStringLiteral("bogus:"));
    EXPECT_EQ(model->sortKey(), QStringLiteral("name"));
    EXPECT_EQ(shownNames(*model), QStringList({ "clip 9", "Clip 10", "Clip 100" }));
}

TEST_F(ItemsModelTest, MergingKeepsWhatAFullSortGives)
{
    // Sorted by rating, equal ratings in name order: a merge that adds elements,
    // drops one and finds a kept one's rating changed must end as a fresh sort.
    MediaElementList kept;
    for (int i = 0; i < 40; ++i) {
        kept.append(element(document, QStringLiteral("/v/Clip %1.mp4").arg(i)));
        kept.last()->setRating(i % 5);
    }
    model->setContent(kept);
    model->setSort(QStringLiteral("rating"), false, QStringLiteral("compare:"));
    MediaElementList merged = kept.mid(1);
    kept.at(20)->setRating(5);
    for (int i = 40; i < 50; ++i) {
        merged.append(element(document, QStringLiteral("/v/Clip %1.mp4").arg(i)));
        merged.last()->setRating(i % 6);
    }
    model->mergeContent(merged);
    const MediaElementList afterMerge = model->arrangedElements();
    ASSERT_EQ(afterMerge.size(), 49);
    EXPECT_FALSE(afterMerge.contains(kept.first()));
    // Ties keep their order: the kept element rated 5 before the new ones.
    EXPECT_EQ(afterMerge.first(), kept.at(20));
    for (int row = 1; row < afterMerge.size(); ++row) {
        const MediaElementPtr &above = afterMerge.at(row - 1);
        const MediaElementPtr &below = afterMerge.at(row);
        EXPECT_GE(above->rating(), below->rating()) << row;
        if (above->rating() == below->rating() && merged.indexOf(above) < 39)
            EXPECT_LT(merged.indexOf(above), merged.indexOf(below)) << row;
    }
}

TEST_F(ItemsModelTest, AFewAddedGoWhereAFullSortPutsThem)
{
    // Few newcomers among many rows are placed one by one; the rows must end as
    // the full sort of a merge leaves them, ties after the rows kept.
    MediaElementList kept;
    for (int i = 0; i < 60; ++i) {
        kept.append(element(document, QStringLiteral("/v/Clip %1.mp4").arg(i)));
        kept.last()->setRating(i % 6);
    }
    const MediaElementList added { element(document, QStringLiteral("/w/Clip 5.mp4")),
        element(document, QStringLiteral("/v/Clip 100.mp4")),
        element(document, QStringLiteral("/v/clip 0a.mp4")) };
    added.at(0)->setRating(3);
    added.at(1)->setRating(5);
    ItemsModel fresh(document.library());
    for (const auto &[key, selector] :
        { std::pair { "name", "compareNumericString:" }, std::pair { "rating", "compare:" } }) {
        SCOPED_TRACE(key);
        model->setContent(kept);
        model->setSort(
            QLatin1String(key), key == std::string_view("name"), QLatin1String(selector));
        // A newcomer named twice and rows already there are taken in once.
        model->addElements(added + added.mid(0, 1) + kept.mid(3, 2));
        fresh.setContent(kept);
        fresh.setSort(QLatin1String(key), key == std::string_view("name"), QLatin1String(selector));
        fresh.mergeContent(kept + added);
        const auto paths = [](const ItemsModel &items) {
            QStringList out;
            for (const MediaElementPtr &element : items.arrangedElements())
                out.append(element->path());
            return out;
        };
        EXPECT_EQ(paths(*model), paths(fresh));
    }
}

TEST_F(ItemsModelTest, RowsOfAFewElementsAgreeWithTheIndexOfEveryRow)
{
    MediaElementList kept;
    for (int i = 0; i < 40; ++i)
        kept.append(element(document, QStringLiteral("/v/Clip %1.mp4").arg(i)));
    model->setContent(kept);
    const MediaElementPtr stranger = element(document, QStringLiteral("/v/Other.mp4"));
    // Few: one walk, without the index; a duplicate and a stranger find one row or none.
    const MediaElementList few { kept[30], stranger, kept[2], kept[30], nullptr };
    const std::vector<int> walked = model->rowsOf(few);
    std::vector<int> indexed;
    for (const MediaElementPtr &element : { kept[2], kept[30] })
        indexed.push_back(model->rowOf(element.get()));
    std::sort(indexed.begin(), indexed.end());
    EXPECT_EQ(walked, indexed);
    // Many, through the index now built.
    EXPECT_EQ(model->rowsOf(kept).size(), kept.size());
    EXPECT_EQ(model->rowsOf(few), indexed);
}

TEST_F(ItemsModelTest, AHeartbeatSortsAgainOnlyWhenASortedValueChanged)
{
    MediaElementList kept;
    for (int i = 0; i < 100; ++i) {
        kept.append(element(document, QStringLiteral("/v/Clip %1.mp4").arg(i)));
        kept.last()->setRating(i % 5);
    }
    model->setContent(kept);
    model->setSort(QStringLiteral("rating"), false, QStringLiteral("compare:"));
    const auto sortedByRating = [this] {
        const MediaElementList rows = model->arrangedElements();
        for (int row = 1; row < rows.size(); ++row)
            if (rows.at(row - 1)->rating() < rows.at(row)->rating())
                return false;
        return true;
    };
    // A value the rows are not sorted by: new rows are placed, the rest stay.
    kept.at(3)->setUserComments(QStringLiteral("seen"));
    MediaElementList merged = kept;
    merged.append(element(document, QStringLiteral("/v/New 1.mp4")));
    merged.last()->setRating(5);
    model->mergeContent(merged);
    EXPECT_EQ(model->arrangedElements().first(), merged.last());
    EXPECT_TRUE(sortedByRating());
    // The sorted value itself: every row is sorted again.
    kept.at(99)->setRating(0);
    kept.at(0)->setRating(5);
    merged.append(element(document, QStringLiteral("/v/New 2.mp4")));
    model->mergeContent(merged);
    EXPECT_EQ(model->contentCount(), 102);
    EXPECT_TRUE(sortedByRating());
}

TEST(ItemsColumns, NumericSortKeysOrderAsTheNumericComparison)
{
    const QStringList texts { "Clip 9", "Clip 10", "clip 010", "Clip 09", "Clip 9a", "Clip 9A",
        "Clip:", "Clip/", "Clip", "", "9", "10", "007", "0", "000", "x00", "x", "Éa", "éb", "a1b2",
        "a1b10", "a01b2", "100000000000000000000", "99999999999999999999", "Z", "_", "~1",
        QString::fromUtf8("\xF0\x9F\x8E\xAC 2") };
    for (const QString &left : texts) {
        for (const QString &right : texts) {
            SCOPED_TRACE(qPrintable(left + " | " + right));
            const std::u16string a = ItemsColumns::numericSortKey(left);
            const std::u16string b = ItemsColumns::numericSortKey(right);
            const ComparisonResult byKeys = a < b ? ComparisonResult::Ascending
                : b < a                           ? ComparisonResult::Descending
                                                  : ComparisonResult::Same;
            EXPECT_EQ(byKeys, compareNumericString(left, right));
        }
    }
}

TEST_F(ItemsModelTest, StatusComesFromTheCacheFilledByTheSweep)
{
    QTemporaryDir folder;
    const QString present = folder.filePath(QStringLiteral("Present.mp4"));
    QFile(present).open(QIODevice::WriteOnly);
    element(document, present);
    element(document, folder.filePath(QStringLiteral("Gone.mp4")));
    model->setContent(document.library().media().values());
    model->setSort(QStringLiteral("icon"), true, QStringLiteral("compare:"));
    // Unknown until the sweep has looked: shown as present.
    EXPECT_EQ(model->cachedStatus(0), 0);
    EXPECT_EQ(model->cachedStatus(1), 0);
    model->refreshStatus();
    ASSERT_TRUE(waitUntil([this] { return !model->statusSweepRunning(); }));
    model->rearrange();
    EXPECT_EQ(model->elementAt(0)->name(), QStringLiteral("Present"));
    EXPECT_EQ(model->cachedStatus(1), 5);
}

TEST_F(ItemsModelTest, NamesThatCannotBeFileNamesAreRefused)
{
    EXPECT_FALSE(ItemsModel::nameProblem(QString()).isEmpty());
    EXPECT_FALSE(ItemsModel::nameProblem(QStringLiteral("   ")).isEmpty());
    EXPECT_FALSE(ItemsModel::nameProblem(QStringLiteral("a/b")).isEmpty());
    EXPECT_FALSE(ItemsModel::nameProblem(QStringLiteral("a") + QChar(0)).isEmpty());
    EXPECT_FALSE(ItemsModel::nameProblem(QString(130, QChar(0xe9))).isEmpty());
    EXPECT_TRUE(ItemsModel::nameProblem(QStringLiteral("Holiday, day 2")).isEmpty());
}

TEST_F(ItemsModelTest, RenamingRenamesTheFileAndACaseOnlyChange)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("old name.mp4"));
    QFile(path).open(QIODevice::WriteOnly);
    element(document, path);
    model->setContent(document.library().media().values());
    const QModelIndex name = model->index(0, model->columnOf(QStringLiteral("name")));
    QSignalSpy refused(model.get(), &ItemsModel::editRefused);
    EXPECT_TRUE(model->setData(name, QStringLiteral("New name"), Qt::EditRole));
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("New name.mp4"))));
    EXPECT_TRUE(model->setData(name, QStringLiteral("NEW NAME"), Qt::EditRole));
    EXPECT_TRUE(
        QDir(folder.path()).entryList(QDir::Files).contains(QStringLiteral("NEW NAME.mp4")));
    EXPECT_FALSE(model->setData(name, QString(), Qt::EditRole));
    EXPECT_EQ(refused.size(), 1);
    EXPECT_EQ(model->elementAt(0)->name(), QStringLiteral("NEW NAME"));
}
