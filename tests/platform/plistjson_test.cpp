#include "platform/plist/plistjson.h"
#include "platform/plist/sortdescriptor.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vidarium;

namespace {
QString render(const PlistValue &value)
{
    Result<QByteArray> json = PlistJson::toJson(value);
    return json.ok() ? QString::fromUtf8(*json) : json.error().message();
}
} // namespace

TEST(PlistJson, RendersEveryKindReadably)
{
    PlistDictionary d;
    d.insert(QStringLiteral("b"),
        PlistArray {
            PlistValue::null(), true, -3, PlistValue::unsignedInteger(18446744073709551615ull) });
    d.insert(QStringLiteral("a"),
        PlistArray { 2.0, 0.1, std::nan(""), -HUGE_VAL, PlistValue::float32(0.5f) });
    d.insert(QStringLiteral("c"),
        PlistArray { PlistDate { 0.5 }, PlistDate { -31622400 }, QByteArray("\x00\xFF", 2),
            PlistUid { 4 } });
    d.insert(QStringLiteral("d"), PlistValue::set({ QStringLiteral("x") }));
    d.insert(QStringLiteral("e"), PlistDictionary {});
    d.insert(QStringLiteral("f"), PlistArray {});
    EXPECT_EQ(render(d), QStringLiteral(R"({
  "a": [
    2.0,
    0.1,
    "NaN",
    "-Infinity",
    0.5
  ],
  "b": [
    null,
    true,
    -3,
    18446744073709551615
  ],
  "c": [
    "2001-01-01T00:00:00.500Z",
    "2000-01-01T00:00:00Z",
    "AP8=",
    {"CF$UID": 4}
  ],
  "d": [
    "x"
  ],
  "e": {},
  "f": []
}
)"));
}

TEST(PlistJson, EscapesStringsIntoValidUtf8)
{
    const QString s = QStringLiteral("q\"b\\n\n\t\x01 clíp \U0001F3AC ") + QChar(0xD800);
    EXPECT_EQ(render(s), QStringLiteral("\"q\\\"b\\\\n\\n\\t\\u0001 clíp \U0001F3AC \\ud800\"\n"));
}

TEST(PlistJson, RendersArchivedObjectsWithTheirFieldsInOrder)
{
    auto sort = SortDescriptor::create(QStringLiteral("name"), false);
    EXPECT_EQ(render(std::shared_ptr<ArchivedObject>(sort)), QStringLiteral(R"({
  "$class": "NSSortDescriptor",
  "NSKey": "name",
  "NSAscending": false,
  "NSSelector": "compare:"
}
)"));
}

TEST(PlistJson, StopsAtTheSizeLimit)
{
    PlistArray many(1000, QStringLiteral("a fairly long string to repeat"));
    EXPECT_TRUE(PlistJson::toJson(many).ok());
    Result<QByteArray> limited = PlistJson::toJson(many, 1000);
    ASSERT_FALSE(limited.ok());
    EXPECT_TRUE(limited.error().message().contains(QLatin1String("more than")));
}
