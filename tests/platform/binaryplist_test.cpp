#include "platform/plist/binaryplistreader.h"
#include "platform/plist/propertylist.h"

#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vidarium;
using vidarium::test::readFixture;

namespace {

void appendBigEndian(QByteArray &out, quint64 value, int size)
{
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

// A bplist assembled by hand from encoded objects (references already inside them),
// with the offset and reference sizes chosen by the test.
QByteArray assemble(const QList<QByteArray> &objects, int offsetSize, int refSize, quint64 top = 0)
{
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray &object : objects) {
        offsets.append(quint64(out.size()));
        out.append(object);
    }
    const quint64 table = quint64(out.size());
    for (quint64 offset : offsets)
        appendBigEndian(out, offset, offsetSize);
    out.append(QByteArray(6, '\0'));
    out.append(char(offsetSize));
    out.append(char(refSize));
    appendBigEndian(out, quint64(objects.size()), 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, table, 8);
    return out;
}

QByteArray arrayObject(const QList<quint64> &refs, int refSize)
{
    QByteArray object;
    object.append(char(0xA0 | refs.size()));
    for (quint64 ref : refs)
        appendBigEndian(object, ref, refSize);
    return object;
}

// Every kind of value the format holds, with the edge of each integer width.
PlistValue everyKind()
{
    PlistDictionary d;
    d.insert(QStringLiteral("null"), PlistValue::null());
    d.insert(QStringLiteral("true"), true);
    d.insert(QStringLiteral("false"), false);
    const qint64 integers[] = { 0, 255, 256, 65535, 65536, 4294967295ll, 4294967296ll, -1,
        std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max() };
    PlistArray ints;
    for (qint64 i : integers)
        ints.append(i);
    d.insert(QStringLiteral("integers"), ints);
    d.insert(QStringLiteral("unsigned"), PlistValue::unsignedInteger(18446744073709551615ull));
    d.insert(QStringLiteral("real"), 0.1);
    d.insert(QStringLiteral("negativeZero"), -0.0);
    d.insert(QStringLiteral("infinity"), std::numeric_limits<double>::infinity());
    d.insert(QStringLiteral("nan"), std::nan(""));
    d.insert(QStringLiteral("float"), PlistValue::float32(1.5f));
    d.insert(QStringLiteral("date"), PlistDate { -12345.678 });
    d.insert(QStringLiteral("data"), QByteArray("\x00\xFF\x10", 3));
    d.insert(QStringLiteral("emptyData"), QByteArray());
    d.insert(QStringLiteral("ascii"), QStringLiteral("a string longer than fourteen characters"));
    d.insert(QStringLiteral("unicode"), QStringLiteral("clíp μLaw \U0001F3AC"));
    d.insert(QStringLiteral("empty"), QString());
    d.insert(QStringLiteral("set"), PlistValue::set({ QStringLiteral("a"), 2 }));
    d.insert(QStringLiteral("uid"), PlistUid { 300 });
    PlistArray many;
    for (int i = 0; i < 40; ++i)
        many.append(PlistArray { i, PlistDictionary {} });
    d.insert(QStringLiteral("many"), many);
    return d;
}

} // namespace

TEST(BinaryPlistReader, ReadsEveryKindWrittenByPlistlib)
{
    const QByteArray bytes = readFixture(QStringLiteral("plist/values.bplist"));
    ASSERT_FALSE(bytes.isEmpty());
    Result<PlistValue> read = BinaryPlistReader::read(bytes);
    ASSERT_OK(read);
    const PlistValue &v = *read;
    EXPECT_EQ(v.value(QStringLiteral("ascii")).toString(), QStringLiteral("clip"));
    EXPECT_EQ(v.value(QStringLiteral("unicode")).toString(), QStringLiteral("clíp μLaw"));
    EXPECT_EQ(v.value(QStringLiteral("long")).toString(),
        QStringLiteral("a string longer than fourteen characters"));
    EXPECT_EQ(v.value(QStringLiteral("int1")).toInteger(), 255);
    EXPECT_EQ(v.value(QStringLiteral("int2")).toInteger(), 65535);
    EXPECT_EQ(v.value(QStringLiteral("int4")).toInteger(), 4294967295ll);
    EXPECT_EQ(v.value(QStringLiteral("int8")).toInteger(), 4294967296ll);
    EXPECT_EQ(v.value(QStringLiteral("negative")).toInteger(), -1);
    EXPECT_EQ(v.value(QStringLiteral("min")).toInteger(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(v.value(QStringLiteral("max")).toInteger(), std::numeric_limits<qint64>::max());
    EXPECT_TRUE(v.value(QStringLiteral("unsigned")).isUnsigned64());
    EXPECT_EQ(v.value(QStringLiteral("unsigned")).toUInt64(), 18446744073709551615ull);
    EXPECT_EQ(v.value(QStringLiteral("real")).toDouble(), 0.5);
    EXPECT_EQ(v.value(QStringLiteral("tiny")).toDouble(), -1e-300);
    EXPECT_EQ(v.value(QStringLiteral("true")), PlistValue(true));
    EXPECT_EQ(v.value(QStringLiteral("false")), PlistValue(false));
    EXPECT_EQ(v.value(QStringLiteral("date")).toDateTime(),
        QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC));
    QByteArray expectedData;
    for (int i = 0; i < 20; ++i)
        expectedData.append(char(i));
    EXPECT_EQ(v.value(QStringLiteral("data")).toData(), expectedData);
    EXPECT_EQ(v.value(QStringLiteral("array")).toArray().size(), 5);
    EXPECT_EQ(v.value(QStringLiteral("array")).toArray()[2], PlistValue(3.0));
    EXPECT_EQ(v.value(QStringLiteral("many")).toArray().size(), 20);
    EXPECT_EQ(v.value(QStringLiteral("nested"))
                  .value(QStringLiteral("inner"))
                  .value(QStringLiteral("deeper")),
        PlistValue(PlistArray { QStringLiteral("x") }));
    EXPECT_EQ(v.value(QStringLiteral("uid")).toUid().index, 7u);
    EXPECT_EQ(v.value(QStringLiteral("bigUid")).toUid().index, 70000u);
}

TEST(BinaryPlistReader, ReadsWideReferencesAndOffsets)
{
    // plistlib picks 2-byte references and 4-byte offsets for this one.
    const QByteArray bytes = readFixture(QStringLiteral("plist/wide.bplist"));
    ASSERT_EQ(bytes.at(bytes.size() - 26), 4);
    ASSERT_EQ(bytes.at(bytes.size() - 25), 2);
    Result<PlistValue> read = BinaryPlistReader::read(bytes);
    ASSERT_OK(read);
    EXPECT_EQ(read->value(QStringLiteral("strings")).toArray().size(), 300);
    EXPECT_EQ(read->value(QStringLiteral("strings")).toArray()[299].toString(),
        QStringLiteral("string number 299"));
    EXPECT_EQ(read->value(QStringLiteral("blob")).toData(), QByteArray(70000, 'Z'));

    // Eight-byte offsets and references, which no small file needs but all readers take.
    const QByteArray eight = assemble({ arrayObject({ 1, 1 }, 8), QByteArray("\x51q", 2) }, 8, 8);
    Result<PlistValue> wide = BinaryPlistReader::read(eight);
    ASSERT_OK(wide);
    EXPECT_EQ(*wide, PlistValue(PlistArray { QStringLiteral("q"), QStringLiteral("q") }));
}

TEST(BinaryPlistWriter, RoundTripsEveryKind)
{
    const PlistValue value = everyKind();
    const QByteArray bytes = PropertyList::writeBinary(value);
    Result<PlistValue> read = PropertyList::read(bytes);
    ASSERT_OK(read);
    EXPECT_EQ(*read, value);
    // Kinds that compare equal across representations must keep their representation.
    EXPECT_TRUE(read->value(QStringLiteral("float")).isFloat32());
    EXPECT_TRUE(read->value(QStringLiteral("unsigned")).isUnsigned64());
    EXPECT_TRUE(std::signbit(read->value(QStringLiteral("negativeZero")).toDouble()));
    EXPECT_EQ(read->value(QStringLiteral("set")).type(), PlistValue::Type::Set);
    EXPECT_EQ(read->value(QStringLiteral("date")).toDate().secondsSince2001, -12345.678);

    // Values with no plist form give nothing rather than a damaged file.
    EXPECT_TRUE(PropertyList::writeBinary(PlistValue()).isEmpty());
    EXPECT_TRUE(PropertyList::writeBinary(PlistArray { 1, PlistValue() }).isEmpty());
}

TEST(BinaryPlistWriter, KeepsLoneSurrogatesThatStandForFileNameBytes)
{
    // A catalogued path may carry a byte that is not UTF-8 as a lone surrogate.
    const QString path
        = QStringLiteral("/media/old/caf") + QChar(char16_t(0xDCE9)) + QStringLiteral(".mp4");
    const PlistValue value = PlistDictionary { { path, PlistArray { path, QStringLiteral("x") } } };
    Result<PlistValue> read = PropertyList::read(PropertyList::writeBinary(value));
    ASSERT_OK(read);
    EXPECT_EQ(*read, value);
    EXPECT_EQ(read->toDictionary().firstKey(), path);
}

TEST(BinaryPlistWriter, StoresEqualStringsAndNumbersOnce)
{
    PlistArray elements;
    for (int i = 0; i < 1000; ++i) {
        PlistDictionary element;
        element.insert(
            QStringLiteral("owner"), QStringLiteral("5C0B2D9E-2A4E-4F7A-9A37-2B1B5C8E6F01"));
        element.insert(QStringLiteral("rating"), 3);
        element.insert(QStringLiteral("index"), i % 10);
        elements.append(element);
    }
    const QByteArray bytes = PropertyList::writeBinary(elements);
    // 1000 dictionaries, one array, 3 keys, one owner, 10 numbers (3 among them).
    const quint64 objectCount = quint64(quint8(bytes.at(bytes.size() - 17)))
        | quint64(quint8(bytes.at(bytes.size() - 18))) << 8;
    EXPECT_EQ(objectCount, 1000u + 1 + 3 + 1 + 10);
    Result<PlistValue> read = PropertyList::read(bytes);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, PlistValue(elements));
}

// Enough distinct values to make the uniquing table grow several times over, past
// the size where it is held in huge pages; every repeat must still find the one
// stored earlier.
TEST(BinaryPlistWriter, StoresRepeatsOnceAcrossManyDistinctValues)
{
    constexpr int distinct = 80000;
    PlistArray values;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < distinct; ++i) {
            values.append(QStringLiteral("name %1").arg(i));
            values.append(qint64(i) * 1000003);
        }
    const QByteArray bytes = PropertyList::writeBinary(values);
    quint64 objectCount = 0;
    for (qsizetype i = bytes.size() - 24; i < bytes.size() - 16; ++i)
        objectCount = objectCount << 8 | quint8(bytes.at(i));
    EXPECT_EQ(objectCount, 2u * distinct + 1);
    Result<PlistValue> read = PropertyList::read(bytes);
    ASSERT_OK(read);
    EXPECT_EQ(*read, PlistValue(values));
}

TEST(BinaryPlistReader, RefusesDamagedFilesWithAClearMessage)
{
    const QByteArray string = QByteArray("\x51q", 2);
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *message;
    };
    QByteArray offsetTablePastEnd = assemble({ string }, 1, 1);
    offsetTablePastEnd[offsetTablePastEnd.size() - 1] = char(0x7F);
    QByteArray objectOutside = assemble({ string }, 1, 1);
    objectOutside[10] = char(0x02); // the offset of object 0 points into the header
    QByteArray longUid("\x8F", 1);
    longUid.append(QByteArray(16, '\1'));
    QByteArray wideInteger("\x14", 1);
    wideInteger.append(QByteArray(16, '\x7F'));
    QByteArray deep;
    QList<QByteArray> nested;
    for (int i = 0; i < 300; ++i)
        nested.append(arrayObject({ quint64(i + 1) }, 2));
    nested.append(string);

    const Case cases[] = {
        { "not a bplist", QByteArray("bplist00"), "too short" },
        { "bad offset size",
            [&] {
                QByteArray b = assemble({ string }, 1, 1);
                b[b.size() - 26] = 3;
                return b;
            }(),
            "trailer is damaged" },
        { "top object out of range", assemble({ string }, 1, 1, 5), "top object 5" },
        { "offset table past end", offsetTablePastEnd, "offset table" },
        { "object outside the object area", objectOutside, "outside the object area" },
        { "reference past the objects", assemble({ arrayObject({ 9 }, 1), string }, 1, 1),
            "reference 9" },
        { "reference size too small", assemble(QList<QByteArray>(300, string), 2, 1),
            "cannot reach" },
        { "count past the end",
            assemble({ QByteArray("\x4F\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10) }, 1, 1),
            "more than the file holds" },
        { "array that contains itself", assemble({ arrayObject({ 0 }, 1) }, 1, 1),
            "contains itself" },
        { "indirect cycle", assemble({ arrayObject({ 1 }, 1), arrayObject({ 0 }, 1) }, 1, 1),
            "contains itself" },
        { "nesting too deep", assemble(nested, 2, 2), "nesting deeper than 256" },
        { "key that is not a string",
            assemble({ QByteArray("\xD1\x01\x01", 3), QByteArray("\x10\x01", 2) }, 1, 1),
            "not a string" },
        { "unknown marker", assemble({ QByteArray("\x9A", 1) }, 1, 1), "unknown marker 0x9a" },
        { "fill byte", assemble({ QByteArray("\x0F", 1) }, 1, 1), "unknown marker 0x0f" },
        { "UID wider than 8 bytes", assemble({ longUid }, 1, 1), "wider than 8 bytes" },
        { "integer wider than 64 bits", assemble({ wideInteger }, 1, 1), "wider than 64 bits" },
        { "truncated real", assemble({ QByteArray("\x23\x01", 2) }, 1, 1), "real" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Result<PlistValue> read = BinaryPlistReader::read(c.bytes);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().message().contains(QLatin1String(c.message)))
            << read.error().message().toStdString();
    }
}

TEST(BinaryPlistReader, SurvivesEveryTruncationAndByteDamage)
{
    const QByteArray good = PropertyList::writeBinary(everyKind());
    for (qsizetype length = 0; length < good.size(); ++length)
        EXPECT_FALSE(BinaryPlistReader::read(good.left(length)).ok()) << "prefix of " << length;
    // Damage each byte in turn: the reader may accept or refuse, but must not crash.
    for (qsizetype i = 8; i < good.size(); ++i) {
        QByteArray damaged = good;
        damaged[i] = char(damaged[i] ^ 0xA5);
        (void)BinaryPlistReader::read(damaged);
    }
}

TEST(BinaryPlistReader, RefusesSharingThatExpandsBeyondTheFile)
{
    // Each array holds the next one twice: 60 objects that stand for 2^60 values.
    QList<QByteArray> objects;
    for (int i = 0; i < 60; ++i)
        objects.append(arrayObject({ quint64(i + 1), quint64(i + 1) }, 1));
    objects.append(QByteArray("\x10\x01", 2));
    Result<PlistValue> read = BinaryPlistReader::read(assemble(objects, 1, 1));
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().message().contains(QLatin1String("expand")))
        << read.error().message().toStdString();

    // Modest sharing, as a writer that keeps identical arrays once produces, is fine.
    Result<PlistValue> shared = BinaryPlistReader::read(assemble(
        { arrayObject({ 1, 1, 1 }, 1), arrayObject({ 2, 2 }, 1), QByteArray("\x10\x01", 2) }, 1,
        1));
    ASSERT_TRUE(shared.ok());
    EXPECT_EQ(shared->toArray().size(), 3);
}
