#include "guitestsupport.h"

#include "widgets/packagefiledialog.h"
#include "widgets/splitview.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {
// The library window's main split view.
const QList<SplitView::PaneLimits> MainLimits
    = { { 3, 155, 300 }, { 2, 155, 300 }, { 0, 460, 5000 }, { 1, 155, 300 } };
} // namespace

TEST(SplitView, TheLowestPriorityTakesAResizeFirstWithinItsLimits)
{
    const QList<int> sizes { 200, 200, 600, 200 };
    EXPECT_EQ(SplitView::distribute(sizes, MainLimits, 1300), (QList<int> { 200, 200, 700, 200 }));
    // Shrinking below the items minimum moves on to the detail pane, then the filters.
    EXPECT_EQ(SplitView::distribute(sizes, MainLimits, 1000), (QList<int> { 200, 185, 460, 155 }));
    EXPECT_EQ(SplitView::distribute(sizes, MainLimits, 970), (QList<int> { 200, 155, 460, 155 }));
    // Limits that cannot all hold: the panes still fill the view.
    const QList<int> tiny = SplitView::distribute(sizes, MainLimits, 500);
    EXPECT_EQ(std::accumulate(tiny.begin(), tiny.end(), 0), 500);
}

TEST(SplitView, DividerPositionsAreKeptWithinThePaneLimits)
{
    const QList<int> sizes = SplitView::sizesForPositions({ 180, 361, 1040 }, MainLimits, 1277, 1);
    EXPECT_EQ(sizes, (QList<int> { 180, 180, 678, 239 }));
    const QList<int> wild = SplitView::sizesForPositions({ 5, 9000, 2 }, MainLimits, 1277, 1);
    ASSERT_EQ(wild.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(wild.at(i), MainLimits.at(i).minimum) << i;
        EXPECT_LE(wild.at(i), MainLimits.at(i).maximum) << i;
    }
    EXPECT_EQ(std::accumulate(wild.begin(), wild.end(), 0), 1277);
}

TEST(SplitView, PositionsSetBeforeTheFirstLayoutAreReportedAndApplied)
{
    SplitView view(Qt::Horizontal);
    for (int i = 0; i < 4; ++i)
        view.addWidget(new QWidget);
    for (int i = 0; i < 4; ++i)
        view.setPaneLimits(i, MainLimits.at(i));
    view.setDividerPosition(0, 190);
    view.setDividerPosition(1, 400);
    view.setDividerPosition(2, 1000);
    EXPECT_EQ(view.dividerPosition(1), 400);
    view.resize(1200, 600);
    view.show();
    vidarium::test::processEvents();
    EXPECT_NEAR(view.dividerPosition(0), 190, 1);
    EXPECT_NEAR(view.dividerPosition(1), 400, 2);
    EXPECT_NEAR(view.dividerPosition(2), 1000, 3);
}

TEST(PackageFileDialog, APackageFolderIsAFile)
{
    vidarium::test::ScratchDir scratch;
    QDir(scratch.path()).mkpath(QStringLiteral("Films.vidarium"));
    QDir(scratch.path()).mkpath(QStringLiteral("Films"));
    const QStringList extensions { QStringLiteral("vidarium") };
    EXPECT_TRUE(PackageFileDialog::isPackage(
        scratch.filePath(QStringLiteral("Films.vidarium")), extensions));
    EXPECT_FALSE(
        PackageFileDialog::isPackage(scratch.filePath(QStringLiteral("Films")), extensions));
    EXPECT_FALSE(PackageFileDialog::isPackage(
        scratch.filePath(QStringLiteral("None.vidarium")), extensions));

    PackageFileDialog dialog(nullptr, extensions);
    dialog.setDirectory(scratch.path());
    bool accepted = false;
    QObject::connect(&dialog, &QDialog::accepted, [&accepted] { accepted = true; });
    dialog.open();
    // Walking into a package answers with it instead.
    dialog.setDirectory(scratch.filePath(QStringLiteral("Films.vidarium")));
    emit static_cast<QFileDialog &>(dialog).directoryEntered(
        scratch.filePath(QStringLiteral("Films.vidarium")));
    EXPECT_TRUE(accepted);
    ASSERT_EQ(dialog.selectedFiles().size(), 1);
    EXPECT_EQ(dialog.selectedFiles().first(), scratch.filePath(QStringLiteral("Films.vidarium")));
}
