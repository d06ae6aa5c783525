#include "platform/result.h"

#include <gtest/gtest.h>

using namespace vidarium;

TEST(Result, CarriesValueOrError)
{
    Result<int> good = 7;
    ASSERT_TRUE(good.ok());
    EXPECT_EQ(*good, 7);

    Result<int> bad = Error(Error::Code::Corrupt, QStringLiteral("bad bytes"));
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().code(), Error::Code::Corrupt);
    EXPECT_EQ(bad.valueOr(3), 3);
    EXPECT_EQ(bad.error().withContext(QStringLiteral("Reading x")).message(),
        QStringLiteral("Reading x: bad bytes"));
}
