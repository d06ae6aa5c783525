#include "platform/plist/scalartable.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// The table only remembers references; the values live with its user, as here.
struct Store
{
    ScalarTable table;
    QStringList values;

    ScalarTable::Ref add(const QString &value, quint32 hash)
    {
        return table.findOrAdd(
            hash, [&](ScalarTable::Ref ref) { return values[ref] == value; },
            [&] {
                values.append(value);
                return ScalarTable::Ref(values.size() - 1);
            });
    }
    ScalarTable::Ref add(const QString &value) { return add(value, quint32(qHash(value))); }
};

} // namespace

TEST(ScalarTable, FindsEqualValuesAcrossGrowth)
{
    Store store;
    constexpr int distinct = 50000; // the table doubles many times from its first size
    for (int i = 0; i < distinct; ++i)
        ASSERT_EQ(store.add(QString::number(i)), ScalarTable::Ref(i));
    EXPECT_EQ(store.table.count(), size_t(distinct));
    EXPECT_GE(store.table.capacity(), 2 * store.table.count());
    EXPECT_EQ(store.table.capacity() & (store.table.capacity() - 1), 0u) << "a power of two";
    for (int i = distinct - 1; i >= 0; i -= 7)
        ASSERT_EQ(store.add(QString::number(i)), ScalarTable::Ref(i));
    EXPECT_EQ(store.values.size(), distinct) << "a repeat was stored again";
}

TEST(ScalarTable, TellsApartValuesWhoseHashesCollide)
{
    Store store;
    // Every value in one probe run, and the run wrapping past the table's end.
    const quint32 hashes[] = { 0, ~quint32(0) };
    for (quint32 hash : hashes) {
        SCOPED_TRACE(hash);
        Store colliding;
        for (int i = 0; i < 3000; ++i)
            ASSERT_EQ(colliding.add(QString::number(i), hash), ScalarTable::Ref(i));
        for (int i = 0; i < 3000; i += 37)
            ASSERT_EQ(colliding.add(QString::number(i), hash), ScalarTable::Ref(i));
        EXPECT_EQ(colliding.values.size(), 3000);
    }
    // Equal values stored under different hashes are different entries: the hash is
    // the caller's promise, and the table does not second-guess it.
    EXPECT_NE(store.add(QStringLiteral("a"), 1), store.add(QStringLiteral("a"), 2));
}
