#include "platform/growingarray.h"
#include "platform/hugepages.h"

#include <QFile>

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace vidarium;

namespace {

// The VmFlags line of the mapping that holds `address`, from /proc/self/smaps.
QByteArray mappingFlags(const void *address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return QByteArray();
    const quintptr at = reinterpret_cast<quintptr>(address);
    bool inside = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        // Mapping lines start "start-end perms ..."; field lines "Name: value".
        if (dash > 0 && space > dash && !line.left(space).endsWith(':')) {
            bool okStart = false, okEnd = false;
            const quintptr start = line.left(dash).toULongLong(&okStart, 16);
            const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(&okEnd, 16);
            inside = okStart && okEnd && start <= at && at < end;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line;
        }
    }
    return QByteArray();
}

} // namespace

TEST(GrowingArray, KeepsEveryValueAcrossHeapAndMappedGrowth)
{
    GrowingArray<quint32> array;
    EXPECT_EQ(array.size(), 0u);
    array.append(nullptr, 0); // nothing to add allocates nothing
    EXPECT_EQ(array.capacity(), 0u);

    // Past the mapped threshold several times over, in runs and one by one, so that
    // the move from the heap to a mapping and several remappings are all crossed.
    constexpr size_t total = 3 * GrowingMemory::mappedFrom; // 12 MB of values
    std::vector<quint32> run(1000);
    size_t next = 0;
    bool sawHeap = false;
    while (next < total) {
        if (next % 3 == 0) {
            std::iota(run.begin(), run.end(), quint32(next));
            const size_t count = std::min(run.size(), total - next);
            array.append(run.data(), count);
            next += count;
        } else {
            array.append(quint32(next++));
        }
        sawHeap = sawHeap || (array.capacity() > 0 && !array.memory().isMapped());
    }
    EXPECT_TRUE(sawHeap);
    EXPECT_TRUE(array.memory().isMapped());
    ASSERT_EQ(array.size(), total);
    for (size_t i = 0; i < total; ++i)
        ASSERT_EQ(array[i], quint32(i)) << "at " << i;
    EXPECT_EQ(array.end() - array.begin(), ptrdiff_t(total));
}

TEST(GrowingArray, LargeArrayIsOneMappingMarkedForHugePages)
{
    GrowingArray<char> array;
    std::vector<char> block(GrowingMemory::mappedFrom / 2, 'x');
    for (int i = 0; i < 20; ++i)
        array.append(block.data(), block.size());
    ASSERT_TRUE(array.memory().isMapped());
    const QByteArray first = mappingFlags(array.data());
    const QByteArray last = mappingFlags(array.data() + array.memory().bytes() - 1);
    ASSERT_FALSE(first.isEmpty()) << "no /proc/self/smaps entry for the array";
    // One mapping from end to end: marking only its inner huge pages would split it.
    EXPECT_EQ(first, last);
    QFile setting(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (setting.open(QIODevice::ReadOnly) && !setting.readAll().contains("[never]"))
        EXPECT_TRUE(first.contains(" hg")) << first.constData();
}
