#include "platform/mapprefetch.h"

#include <QSharedData>
#include <QString>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// What the peeked address holds if the layout assumption is right: Qt's shared
// data, whose reference count comes first.
int referenceCountAt(const void *data)
{
    return static_cast<const QSharedData *>(data)->ref.loadRelaxed();
}

} // namespace

// Fails when a Qt release changes what a QMap holds: then mapprefetch.h must change.
TEST(MapPrefetch, PeeksAtTheSharedDataOfTheQtWeBuildWith)
{
    QMap<QString, int> map;
    EXPECT_EQ(mapDataAddress(map), nullptr);
    prefetchMapData(map); // a null address is as safe as any other

    map.insert(QStringLiteral("a"), 1);
    const void *data = mapDataAddress(map);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(referenceCountAt(data), 1);
    {
        const QMap<QString, int> copy = map;
        EXPECT_EQ(mapDataAddress(copy), data);
        EXPECT_EQ(referenceCountAt(data), 2);
        prefetchMapData(copy);
    }
    EXPECT_EQ(referenceCountAt(data), 1);

    QMap<QString, int> detached = map;
    detached.insert(QStringLiteral("b"), 2);
    EXPECT_NE(mapDataAddress(detached), nullptr);
    EXPECT_NE(mapDataAddress(detached), data);
    EXPECT_EQ(referenceCountAt(data), 1);
    EXPECT_EQ(mapDataAddress(map), data);
}
