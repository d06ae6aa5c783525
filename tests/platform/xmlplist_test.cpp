#include "platform/plist/propertylist.h"
#include "platform/plist/xmlplistreader.h"

#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vidarium;
using vidarium::test::readFixture;

namespace {

QByteArray wrap(const char *body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">") + body
        + "</plist>";
}

} // namespace

TEST(XmlPlistReader, ReadsWhatPlistlibWrites)
{
    Result<PlistValue> xml = PropertyList::read(readFixture(QStringLiteral("plist/values.xml")));
    ASSERT_OK(xml);
    Result<PlistValue> binary
        = PropertyList::read(readFixture(QStringLiteral("plist/values.bplist")));
    ASSERT_TRUE(binary.ok());
    // The same values through both of plistlib's writers (XML has no UIDs).
    PlistDictionary expected = binary->toDictionary();
    expected.remove(QStringLiteral("uid"));
    expected.remove(QStringLiteral("bigUid"));
    EXPECT_EQ(*xml, PlistValue(expected));
}

TEST(XmlPlistWriter, RoundTripsEveryKindXmlHolds)
{
    PlistDictionary d;
    d.insert(QStringLiteral("true"), true);
    d.insert(QStringLiteral("integer"), std::numeric_limits<qint64>::min());
    d.insert(QStringLiteral("unsigned"), PlistValue::unsignedInteger(18446744073709551615ull));
    d.insert(QStringLiteral("real"), 0.1);
    d.insert(QStringLiteral("infinity"), -std::numeric_limits<double>::infinity());
    d.insert(QStringLiteral("date"), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC));
    d.insert(QStringLiteral("data"), QByteArray(200, '\x07'));
    d.insert(QStringLiteral("markup"), QStringLiteral("<a & b>\r\n\ttabs ]]> clíp μLaw"));
    d.insert(QStringLiteral("empty"), QString());
    d.insert(QStringLiteral("uid"), PlistUid { 12 });
    d.insert(QStringLiteral("nested"), PlistArray { PlistArray {}, PlistDictionary {}, 1 });
    const QByteArray xml = PropertyList::writeXml(d);
    ASSERT_TRUE(xml.startsWith("<?xml"));
    Result<PlistValue> read = PropertyList::read(xml);
    ASSERT_OK(read);
    EXPECT_EQ(*read, PlistValue(d));

    PlistDictionary withNan;
    withNan.insert(QStringLiteral("nan"), std::nan(""));
    Result<PlistValue> nan = PropertyList::read(PropertyList::writeXml(withNan));
    ASSERT_TRUE(nan.ok());
    EXPECT_TRUE(std::isnan(nan->value(QStringLiteral("nan")).toDouble()));
}

TEST(XmlPlistWriter, WritesWhatXmlCannotHoldPredictably)
{
    // Sets become arrays; dates keep whole seconds; the null marker has no XML form.
    const PlistValue set = PlistValue::set({ 1, 2 });
    EXPECT_EQ(*PropertyList::read(PropertyList::writeXml(set)), PlistValue(PlistArray { 1, 2 }));
    const PlistValue date(PlistDate { 10.75 });
    EXPECT_EQ(PropertyList::read(PropertyList::writeXml(date))->toDate().secondsSince2001, 10.0);
    EXPECT_TRUE(PropertyList::writeXml(PlistValue::null()).isEmpty());
    EXPECT_TRUE(PropertyList::writeXml(PlistArray { PlistValue::null() }).isEmpty());
}

TEST(XmlPlistReader, AcceptsWhatOtherWritersProduce)
{
    Result<PlistValue> v = PropertyList::read(
        wrap("<dict><key>hex</key><integer>0x1F</integer><key>plus</key><integer> +5 </integer>"
             "<key>data</key><data>\n\tAAEC\n\tAw==\n</data><key>real</key><real>1e3</real>"
             "<key>ref</key><dict><key>CF$UID</key><integer>4</integer></dict>"
             "<key>ms</key><date>2001-01-01T00:00:01.500Z</date></dict>"));
    ASSERT_OK(v);
    EXPECT_EQ(v->value(QStringLiteral("hex")).toInteger(), 31);
    EXPECT_EQ(v->value(QStringLiteral("plus")).toInteger(), 5);
    EXPECT_EQ(v->value(QStringLiteral("data")).toData(), QByteArray("\x00\x01\x02\x03", 4));
    EXPECT_EQ(v->value(QStringLiteral("real")).toDouble(), 1000.0);
    EXPECT_EQ(v->value(QStringLiteral("ref")).toUid().index, 4u);
    EXPECT_EQ(v->value(QStringLiteral("ms")).toDate().secondsSince2001, 1.5);
}

TEST(XmlPlistReader, RefusesMalformedDocuments)
{
    QByteArray deep;
    for (int i = 0; i < 300; ++i)
        deep += "<array>";
    for (int i = 0; i < 300; ++i)
        deep += "</array>";
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *message;
    };
    const Case cases[] = {
        { "unclosed", wrap("<array><string>x</string>").chopped(8), "damaged XML" },
        { "unknown element", wrap("<banana/>"), "unknown element <banana>" },
        { "value without key", wrap("<dict><string>x</string></dict>"),
            "where a <key> was expected" },
        { "key without value", wrap("<dict><key>k</key></dict>"), "has no value" },
        { "bad integer", wrap("<integer>12x</integer>"), "not an integer" },
        { "integer too large", wrap("<integer>18446744073709551616</integer>"), "not an integer" },
        { "bad real", wrap("<real>one</real>"), "not a real" },
        { "bad date", wrap("<date>yesterday</date>"), "not a date" },
        { "bad base64", wrap("<data>!!!</data>"), "not base64" },
        { "markup in a string", wrap("<string>a<b/>c</string>"), "damaged XML" },
        { "two values", wrap("<true/><false/>"), "more than one value" },
        { "too deep", wrap(deep.constData()), "nesting deeper than 256" },
        { "empty", QByteArray("<?xml version=\"1.0\"?>"), "damaged XML" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Result<PlistValue> read = XmlPlistReader::read(c.bytes);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().message().contains(QLatin1String(c.message)))
            << read.error().message().toStdString();
    }
}

TEST(XmlPlistReader, RefusesEntityExpansionBombs)
{
    QByteArray bomb
        = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY a \"aaaaaaaaaaaaaaaaaaaa\">\n";
    char previous = 'a';
    for (char name = 'b'; name <= 'k'; ++name) {
        bomb += QByteArray("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i)
            bomb += QByteArray("&") + previous + ";";
        bomb += "\">\n";
        previous = name;
    }
    bomb += "]>\n<plist><string>&k;</string></plist>";
    EXPECT_FALSE(XmlPlistReader::read(bomb).ok());
}
