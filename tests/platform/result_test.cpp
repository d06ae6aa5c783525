#include "platform/result.h"

#include <gtest/gtest.h>

#include <memory>

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

namespace {

Result<int> parse(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return Error(Error::Code::InvalidArgument, QStringLiteral("not a number: ") + text);
    return value;
}

// Two steps on one line each, as readers chain them.
Result<QString> sumOf(const QString &a, const QString &b, int *steps)
{
    VIDARIUM_TRY(const int first, parse(a));
    ++*steps;
    VIDARIUM_TRY(const int second, parse(b));
    ++*steps;
    return QString::number(first + second);
}

Result<std::unique_ptr<int>> boxed(int value)
{
    return std::make_unique<int>(value);
}

Result<int> unboxed(int value)
{
    VIDARIUM_TRY(std::unique_ptr<int> box, boxed(value)); // moved out: no copy needed
    VIDARIUM_TRY(std::unique_ptr<int> && again, boxed(*box + 1)); // refers into the result
    return *box + *again;
}

} // namespace

TEST(Result, TryStopsAtTheFirstFailureWithItsError)
{
    int steps = 0;
    const Result<QString> sum = sumOf(QStringLiteral("2"), QStringLiteral("40"), &steps);
    ASSERT_TRUE(sum.ok());
    EXPECT_EQ(*sum, QStringLiteral("42"));
    EXPECT_EQ(steps, 2);

    steps = 0;
    const Result<QString> first = sumOf(QStringLiteral("x"), QStringLiteral("40"), &steps);
    ASSERT_FALSE(first.ok());
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(first.error().code(), Error::Code::InvalidArgument);
    EXPECT_EQ(first.error().message(), QStringLiteral("not a number: x"));

    steps = 0;
    const Result<QString> second = sumOf(QStringLiteral("2"), QStringLiteral("y"), &steps);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(second.error().message(), QStringLiteral("not a number: y"));

    EXPECT_EQ(unboxed(7).valueOr(0), 15);
}
