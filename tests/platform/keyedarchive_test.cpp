#include "platform/plist/binaryplistwriter.h"
#include "platform/plist/keyedarchive.h"
#include "platform/plist/plistjson.h"
#include "platform/plist/propertylist.h"

#include "testsupport.h"

#include <QFile>

#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::readFixture;

namespace {

QString json(const PlistValue &value)
{
    return QString::fromUtf8(PlistJson::toJson(value).valueOr(QByteArray("<too large>")));
}

// A small class of the kind the model registers: scalars inline, strings by reference.
class TestPoint : public ArchivedObject
{
public:
    static inline const QString name = QStringLiteral("TMVTestPoint");
    TestPoint(qint64 x, double y, QString label)
        : x(x)
        , y(y)
        , label(std::move(label))
    {
    }

    QString className() const override { return name; }
    QStringList classChain() const override
    {
        return { name, QStringLiteral("TMVShape"), QStringLiteral("NSObject") };
    }
    void encode(ArchiveEncoder &encoder) const override
    {
        encoder.encodeInt(QStringLiteral("x"), x);
        encoder.encodeDouble(QStringLiteral("y"), y);
        encoder.encodeObject(QStringLiteral("label"), label, ArchiveEncoder::Mutable);
        encoder.encodeObject(QStringLiteral("next"), next);
    }

    qint64 x;
    double y;
    QString label;
    PlistValue next;
};

void registerTestPoint()
{
    ArchiveCoderRegistry::instance().registerDecoder(
        TestPoint::name, [](ArchiveDecoder &decoder) -> Result<PlistValue> {
            if (decoder.decodeInt(QStringLiteral("x")) < 0)
                return decoder.corrupt(QStringLiteral("x is negative"));
            auto point = std::make_shared<TestPoint>(decoder.decodeInt(QStringLiteral("x")),
                decoder.decodeDouble(QStringLiteral("y")),
                decoder.decodeObject(QStringLiteral("label")).toString());
            point->next = decoder.decodeObject(QStringLiteral("next"));
            return PlistValue(std::shared_ptr<ArchivedObject>(point));
        });
}

// The raw archive of `value`, for looking at its layout.
PlistValue rawArchive(const PlistValue &value)
{
    return PropertyList::read(KeyedArchiver::archivedData(value)).valueOr(PlistValue());
}

PlistDictionary classDescription(const QString &name, const QStringList &chain)
{
    PlistArray classes;
    for (const QString &c : chain)
        classes.append(c);
    PlistDictionary d;
    d.insert(QStringLiteral("$classname"), name);
    d.insert(QStringLiteral("$classes"), classes);
    return d;
}

PlistValue archiveFrame(const PlistArray &objects, quint64 root = 1)
{
    PlistDictionary top;
    top.insert(QStringLiteral("root"), PlistUid { root });
    PlistDictionary archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver"));
    archive.insert(QStringLiteral("$version"), 100000);
    archive.insert(QStringLiteral("$top"), top);
    archive.insert(QStringLiteral("$objects"), objects);
    return archive;
}

PlistDictionary arrayObject(const PlistArray &members, quint64 classUid)
{
    PlistDictionary d;
    d.insert(QStringLiteral("NS.objects"), members);
    d.insert(QStringLiteral("$class"), PlistUid { classUid });
    return d;
}

// An archive laid out by hand in a binary file, for layouts no value can express:
// keys stored twice, inline values that contain themselves. `objects` are the
// $objects entries; the root is entry 1.
QByteArray binaryArchive(
    BinaryPlistWriter &writer, const std::vector<BinaryPlistWriter::Ref> &objects)
{
    using Ref = BinaryPlistWriter::Ref;
    const Ref topKeys[] = { writer.addString(QStringLiteral("root")) };
    const Ref topValues[] = { writer.addUid(1) };
    const Ref frameKeys[] = { writer.addString(QStringLiteral("$archiver")),
        writer.addString(QStringLiteral("$top")), writer.addString(QStringLiteral("$objects")) };
    const Ref frameValues[] = { writer.addString(QStringLiteral("NSKeyedArchiver")),
        writer.addDictionary(topKeys, topValues), writer.addArray(objects) };
    return writer.finish(writer.addDictionary(frameKeys, frameValues));
}

// What a decoder saw of an object: the fields it asked for, in an order of its own.
struct Probe
{
    QStringList keys;
    QList<PlistValue> values;
    QList<bool> present;
};

// Registers a decoder that reads `asked` in that order, each twice, and records it.
void registerProbe(const QString &className, const QStringList &asked, Probe &probe)
{
    ArchiveCoderRegistry::instance().registerDecoder(
        className, [asked, &probe](ArchiveDecoder &decoder) -> Result<PlistValue> {
            probe = Probe();
            probe.keys = decoder.keys();
            for (const QString &key : asked) {
                probe.present.append(decoder.containsKey(key));
                probe.values.append(decoder.decodeObject(key));
                if (decoder.decodeObject(key) != probe.values.last())
                    return decoder.corrupt(QStringLiteral("a second read of %1 differs").arg(key));
            }
            return PlistValue(QStringLiteral("probed"));
        });
}

} // namespace

TEST(KeyedUnarchiver, ReadsAnArchiveWrittenByAnotherWriter)
{
    for (const QString &fixture :
        { QStringLiteral("archive.bplist"), QStringLiteral("archive.xml") }) {
        SCOPED_TRACE(fixture.toStdString());
        Result<PlistValue> root
            = KeyedUnarchiver::unarchive(readFixture(QStringLiteral("plist/") + fixture));
        ASSERT_OK(root);
        const PlistValue &r = *root;
        EXPECT_EQ(r.value(QStringLiteral("string")), PlistValue(QStringLiteral("clip")));
        EXPECT_EQ(r.value(QStringLiteral("unicode")), PlistValue(QStringLiteral("clíp μLaw")));
        EXPECT_EQ(r.value(QStringLiteral("mutableString")), PlistValue(QStringLiteral("grows")));
        EXPECT_EQ(r.value(QStringLiteral("int")), PlistValue(42));
        EXPECT_EQ(r.value(QStringLiteral("negative")), PlistValue(-7));
        EXPECT_EQ(
            r.value(QStringLiteral("big")), PlistValue::unsignedInteger(9223372036854775809ull));
        EXPECT_EQ(r.value(QStringLiteral("real")), PlistValue(2.5));
        EXPECT_EQ(r.value(QStringLiteral("bool")), PlistValue(true));
        EXPECT_EQ(r.value(QStringLiteral("date")), PlistValue(PlistDate { 636000000.25 }));
        EXPECT_EQ(r.value(QStringLiteral("data")), PlistValue(QByteArray("\x00\x01\x02", 3)));
        EXPECT_EQ(r.value(QStringLiteral("mutableData")), PlistValue(QByteArray("\xFF\xFE", 2)));
        EXPECT_TRUE(r.value(QStringLiteral("null")).isNull());
        EXPECT_EQ(r.value(QStringLiteral("array")),
            PlistValue(PlistArray { 1, QStringLiteral("clip"), PlistValue::null() }));
        EXPECT_EQ(r.value(QStringLiteral("mutableArray")), PlistValue(PlistArray {}));
        EXPECT_EQ(r.value(QStringLiteral("dict")),
            PlistValue(PlistDictionary { { QStringLiteral("x"), 1 } }));
        EXPECT_EQ(r.value(QStringLiteral("set")),
            PlistValue::set({ QStringLiteral("b"), QStringLiteral("a") }));

        auto sort = SortDescriptor::fromValue(r.value(QStringLiteral("sort")));
        ASSERT_TRUE(sort);
        EXPECT_EQ(*sort,
            SortDescriptor(
                QStringLiteral("name"), false, QStringLiteral("localizedStandardCompare:")));

        // An unknown class keeps its chain and fields, and stays one object.
        auto thing = std::dynamic_pointer_cast<GenericArchivedObject>(
            r.value(QStringLiteral("thing")).toObject());
        ASSERT_TRUE(thing);
        EXPECT_EQ(thing, r.value(QStringLiteral("sameThing")).toObject());
        EXPECT_EQ(thing->classChain(),
            QStringList({ QStringLiteral("TMVThing"), QStringLiteral("TMVBase"),
                QStringLiteral("NSObject") }));
        EXPECT_EQ(thing->field(QStringLiteral("count")), PlistValue(3));
        EXPECT_EQ(thing->field(QStringLiteral("title")), PlistValue(QStringLiteral("clip")));
        EXPECT_EQ(thing->field(QStringLiteral("members")),
            PlistValue(PlistArray { QStringLiteral("clip"), 42 }));
        EXPECT_TRUE(thing->containsField(QStringLiteral("nothing")));
        EXPECT_FALSE(thing->field(QStringLiteral("nothing")).isValid());
        using Kind = GenericArchivedObject::Field::Kind;
        for (const auto &field : thing->fields()) {
            const Kind expected
                = field.key == QLatin1String("title") || field.key == QLatin1String("nothing")
                ? Kind::Reference
                : field.key == QLatin1String("members") ? Kind::ReferenceArray
                                                        : Kind::Inline;
            EXPECT_EQ(field.kind, expected) << field.key.toStdString();
        }
    }
}

TEST(KeyedArchiver, RoundTripsEveryKindAndUnknownClassesUnchanged)
{
    Result<PlistValue> original
        = KeyedUnarchiver::unarchive(readFixture(QStringLiteral("plist/archive.bplist")));
    ASSERT_TRUE(original.ok());
    const QByteArray archived = KeyedArchiver::archivedData(*original);
    Result<PlistValue> again = KeyedUnarchiver::unarchive(archived);
    ASSERT_OK(again);
    EXPECT_EQ(json(*again), json(*original));
    EXPECT_EQ(again->value(QStringLiteral("thing")).toObject(),
        again->value(QStringLiteral("sameThing")).toObject());

    // The unknown object's fields keep their form: inline stays inline, references stay references.
    const PlistArray objects = rawArchive(*original).value(QStringLiteral("$objects")).toArray();
    bool found = false;
    for (const PlistValue &object : objects) {
        if (!object.value(QStringLiteral("flag")).isValid())
            continue;
        found = true;
        EXPECT_EQ(object.value(QStringLiteral("count")), PlistValue(3));
        EXPECT_EQ(object.value(QStringLiteral("bytes")), PlistValue(QByteArray("raw")));
        EXPECT_EQ(object.value(QStringLiteral("title")).type(), PlistValue::Type::Uid);
        EXPECT_EQ(object.value(QStringLiteral("nothing")), PlistValue(PlistUid { 0 }));
        EXPECT_EQ(object.value(QStringLiteral("members")).toArray().first().type(),
            PlistValue::Type::Uid);
    }
    EXPECT_TRUE(found);

    // Through XML as well: the same archive written as an XML plist reads back alike.
    Result<PlistValue> viaXml
        = KeyedUnarchiver::unarchive(PropertyList::writeXml(*PropertyList::read(archived)));
    ASSERT_OK(viaXml);
    EXPECT_EQ(json(*viaXml), json(*original));
}

TEST(KeyedArchiver, WritesTheLayoutOfExistingPackages)
{
    const QString owner = QStringLiteral("5C0B2D9E-2A4E-4F7A-9A37-2B1B5C8E6F01");
    auto shared = std::make_shared<TestPoint>(1, 2.0, QStringLiteral("p"));
    PlistDictionary root;
    PlistArray elements;
    for (int i = 0; i < 3; ++i)
        elements.append(PlistDictionary {
            { QStringLiteral("owner"), owner }, { QStringLiteral("rating"), 4 } });
    root.insert(QStringLiteral("elements"), elements);
    root.insert(QStringLiteral("point"), std::shared_ptr<ArchivedObject>(shared));
    root.insert(QStringLiteral("samePoint"), std::shared_ptr<ArchivedObject>(shared));
    root.insert(QStringLiteral("launched"), PlistValue::null());
    root.insert(QStringLiteral("played"), PlistValue::null());
    root.insert(QStringLiteral("when"), PlistDate { 12.5 });

    const PlistValue archive
        = PropertyList::read(KeyedArchiver::archivedData(root)).valueOr(PlistValue());
    EXPECT_EQ(
        archive.value(QStringLiteral("$archiver")), PlistValue(QStringLiteral("NSKeyedArchiver")));
    EXPECT_EQ(archive.value(QStringLiteral("$version")), PlistValue(100000));
    // A dictionary root is the root object, not a table of top-level objects.
    EXPECT_EQ(archive.value(QStringLiteral("$top")).toDictionary().keys(),
        QStringList { QStringLiteral("root") });
    EXPECT_EQ(archive.value(QStringLiteral("$top")).value(QStringLiteral("root")).type(),
        PlistValue::Type::Uid);
    const PlistArray objects = archive.value(QStringLiteral("$objects")).toArray();
    EXPECT_EQ(objects.first(), PlistValue(QStringLiteral("$null")));

    auto count = [&](auto predicate) {
        return std::count_if(objects.cbegin(), objects.cend(), predicate);
    };
    auto isClass = [&](const QString &name) {
        return [name](const PlistValue &o) {
            return o.value(QStringLiteral("$classname")) == PlistValue(name);
        };
    };
    // Equal strings and numbers share a slot; shared objects, NSNull and class descriptions are
    // written once.
    EXPECT_EQ(count([&](const PlistValue &o) { return o == PlistValue(owner); }), 1);
    EXPECT_EQ(count([](const PlistValue &o) { return o == PlistValue(4); }), 1);
    EXPECT_EQ(count([](const PlistValue &o) { return o.value(QStringLiteral("x")).isValid(); }), 1);
    EXPECT_EQ(count(isClass(QStringLiteral("NSNull"))), 1);
    EXPECT_EQ(count(isClass(QStringLiteral("NSDictionary"))), 1);
    const auto point = std::find_if(objects.cbegin(), objects.cend(), isClass(TestPoint::name));
    ASSERT_NE(point, objects.cend());
    EXPECT_EQ(point->value(QStringLiteral("$classes")),
        PlistValue(PlistArray {
            TestPoint::name, QStringLiteral("TMVShape"), QStringLiteral("NSObject") }));
    const auto nsDate = std::find_if(objects.cbegin(), objects.cend(),
        [](const PlistValue &o) { return o.value(QStringLiteral("NS.time")).isValid(); });
    ASSERT_NE(nsDate, objects.cend());
    EXPECT_EQ(nsDate->value(QStringLiteral("NS.time")), PlistValue(12.5));

    // Scalars of encodeInt/encodeDouble are inline; a mutable string is an NSMutableString object.
    const PlistValue pointObject = *std::find_if(objects.cbegin(), objects.cend(),
        [](const PlistValue &o) { return o.value(QStringLiteral("x")).isValid(); });
    EXPECT_EQ(pointObject.value(QStringLiteral("x")), PlistValue(1));
    EXPECT_EQ(pointObject.value(QStringLiteral("y")), PlistValue(2.0));
    EXPECT_EQ(pointObject.value(QStringLiteral("next")), PlistValue(PlistUid { 0 }));
    const PlistValue label
        = objects.value(qsizetype(pointObject.value(QStringLiteral("label")).toUid().index));
    EXPECT_EQ(label.value(QStringLiteral("NS.string")), PlistValue(QStringLiteral("p")));
    EXPECT_EQ(objects.value(qsizetype(label.value(QStringLiteral("$class")).toUid().index)),
        PlistValue(classDescription(QStringLiteral("NSMutableString"),
            { QStringLiteral("NSMutableString"), QStringLiteral("NSString"),
                QStringLiteral("NSObject") })));
}

TEST(KeyedUnarchiver, UsesRegisteredDecodersAndKeepsSharing)
{
    registerTestPoint();
    auto first = std::make_shared<TestPoint>(3, 1.25, QStringLiteral("first"));
    auto second = std::make_shared<TestPoint>(4, -2, QStringLiteral("second"));
    second->next = std::shared_ptr<ArchivedObject>(first);
    const PlistValue root = PlistArray { std::shared_ptr<ArchivedObject>(second),
        std::shared_ptr<ArchivedObject>(first) };

    Result<PlistValue> read = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(root));
    ASSERT_OK(read);
    auto readSecond = std::dynamic_pointer_cast<TestPoint>(read->toArray().at(0).toObject());
    auto readFirst = std::dynamic_pointer_cast<TestPoint>(read->toArray().at(1).toObject());
    ASSERT_TRUE(readFirst && readSecond);
    EXPECT_EQ(readSecond->next.toObject(), readFirst); // one object, not two copies
    EXPECT_EQ(readFirst->x, 3);
    EXPECT_EQ(readFirst->y, 1.25);
    EXPECT_EQ(readSecond->y, -2.0);
    EXPECT_EQ(readFirst->label, QStringLiteral("first"));
    EXPECT_FALSE(readFirst->next.isValid());

    // A decoder's own refusal names the object and its class; it fails the whole read.
    auto bad = std::make_shared<TestPoint>(-1, 0, QString());
    Result<PlistValue> refused = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(
        PlistArray { QStringLiteral("a"), std::shared_ptr<ArchivedObject>(bad) }));
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().message().contains(QLatin1String("(TMVTestPoint): x is negative")))
        << refused.error().message().toStdString();
    // ... also when the bad object sits inside another object.
    second->next = std::shared_ptr<ArchivedObject>(bad);
    EXPECT_FALSE(KeyedUnarchiver::unarchive(
        KeyedArchiver::archivedData(std::shared_ptr<ArchivedObject>(second)))
                     .ok());
}

TEST(KeyedUnarchiver, RefusesDamagedArchives)
{
    const PlistValue nsArray
        = classDescription(QStringLiteral("NSArray"), { QStringLiteral("NSArray") });
    const PlistValue nsDictionary
        = classDescription(QStringLiteral("NSDictionary"), { QStringLiteral("NSDictionary") });
    PlistDictionary mismatched;
    mismatched.insert(QStringLiteral("NS.keys"), PlistArray { PlistUid { 3 } });
    mismatched.insert(QStringLiteral("NS.objects"), PlistArray {});
    mismatched.insert(QStringLiteral("$class"), PlistUid { 1 });
    PlistDictionary numberKey = mismatched;
    numberKey.insert(QStringLiteral("NS.objects"), PlistArray { PlistUid { 3 } });
    PlistArray deep { QStringLiteral("$null"), nsArray };
    for (int i = 0; i < 300; ++i)
        deep.append(arrayObject({ PlistUid { quint64(deep.size() + 1) } }, 1));
    deep.append(1);
    PlistArray bomb { QStringLiteral("$null"), nsArray };
    for (int i = 0; i < 60; ++i)
        bomb.append(arrayObject({ PlistUid { quint64(i + 3) }, PlistUid { quint64(i + 3) } }, 1));
    bomb.append(QStringLiteral("leaf"));
    PlistDictionary noClass;
    noClass.insert(QStringLiteral("NS.objects"), PlistArray {});

    struct Case
    {
        const char *name;
        PlistValue archive;
        const char *message;
    };
    const Case cases[] = {
        { "not a dictionary", PlistArray {}, "not a dictionary" },
        { "no $objects", PlistDictionary { { QStringLiteral("$top"), PlistDictionary {} } },
            "\"$objects\"" },
        { "no root",
            PlistDictionary { { QStringLiteral("$objects"), PlistArray {} },
                { QStringLiteral("$top"), PlistDictionary {} } },
            "no object under \"root\"" },
        { "root out of range", archiveFrame({ QStringLiteral("$null") }, 9),
            "reference 9 is past" },
        { "object without class", archiveFrame({ QStringLiteral("$null"), noClass }),
            "has no class" },
        { "class that is not a description",
            archiveFrame({ QStringLiteral("$null"), arrayObject({}, 1) }),
            "not a class description" },
        { "class out of range", archiveFrame({ QStringLiteral("$null"), arrayObject({}, 7) }),
            "out of range" },
        { "array that holds itself",
            archiveFrame(
                { QStringLiteral("$null"), nsArray, arrayObject({ PlistUid { 2 } }, 1) }, 2),
            "refers back to itself" },
        { "keys and values differ",
            archiveFrame(
                { QStringLiteral("$null"), nsDictionary, mismatched, QStringLiteral("k") }, 2),
            "1 keys for 0 values" },
        { "key that is not a string",
            archiveFrame({ QStringLiteral("$null"), nsDictionary, numberKey, 5 }, 2),
            "not a string" },
        { "members that are not an array",
            archiveFrame({ QStringLiteral("$null"), nsArray,
                             PlistDictionary { { QStringLiteral("NS.objects"), 5 },
                                 { QStringLiteral("$class"), PlistUid { 1 } } } },
                2),
            "not an array of references" },
        { "bare UID in $objects", archiveFrame({ QStringLiteral("$null"), PlistUid { 1 } }),
            "bare UID" },
        { "nesting too deep", archiveFrame(deep, 2), "deeper than 256" },
        { "sharing that expands beyond the file", archiveFrame(bomb, 2), "expand" },
    };
    // Values in hand are read from the values, binary files in place: both must refuse alike.
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray binary = PropertyList::writeBinary(c.archive);
        ASSERT_FALSE(binary.isEmpty());
        for (const Result<PlistValue> &read :
            { KeyedUnarchiver::unarchive(c.archive), KeyedUnarchiver::unarchive(binary) }) {
            ASSERT_FALSE(read.ok());
            EXPECT_TRUE(read.error().message().contains(QLatin1String(c.message)))
                << read.error().message().toStdString();
        }
    }
}

TEST(KeyedUnarchiver, SurvivesEveryTruncationAndByteDamage)
{
    const QByteArray good = readFixture(QStringLiteral("plist/archive.bplist"));
    ASSERT_FALSE(good.isEmpty());
    for (qsizetype length = 0; length < good.size(); ++length)
        EXPECT_FALSE(KeyedUnarchiver::unarchive(good.left(length)).ok()) << "prefix of " << length;
    for (qsizetype i = 8; i < good.size(); ++i) {
        QByteArray damaged = good;
        damaged[i] = char(damaged[i] ^ 0x5A);
        Result<PlistValue> read = KeyedUnarchiver::unarchive(damaged);
        if (read.ok())
            (void)PlistJson::toJson(*read);
    }
}

TEST(KeyedArchiver, ArchivesObjectsThatReferToThemselvesWithoutLooping)
{
    // Only objects built in memory can do this; reading such an archive is refused.
    auto loop = std::make_shared<TestPoint>(1, 1, QStringLiteral("loop"));
    loop->next = std::shared_ptr<ArchivedObject>(loop);
    const QByteArray archived = KeyedArchiver::archivedData(std::shared_ptr<ArchivedObject>(loop));
    loop->next = PlistValue(); // break the cycle so the test does not leak
    Result<PlistValue> read = KeyedUnarchiver::unarchive(archived);
    ASSERT_FALSE(read.ok());
    EXPECT_TRUE(read.error().message().contains(QLatin1String("refers back to itself")));
}

TEST(ArchiveDecoder, FindsFieldsInAnyOrderAndMissingOnesAsAbsent)
{
    Probe probe;
    const QStringList stored
        = { QStringLiteral("a"), QStringLiteral("bb"), QStringLiteral("cc"), QStringLiteral("d") };
    registerProbe(QStringLiteral("TMVOrderProbe"),
        { QStringLiteral("d"), QStringLiteral("missing"), QStringLiteral("a"), QStringLiteral("cc"),
            QStringLiteral("$class"), QStringLiteral("bb"), QStringLiteral("b") },
        probe);
    PlistDictionary object;
    for (qsizetype i = 0; i < stored.size(); ++i)
        object.insert(stored[i], qint64(i + 1));
    object.insert(QStringLiteral("$class"), PlistUid { 1 });
    const PlistValue archive = archiveFrame(
        { QStringLiteral("$null"), classDescription(QStringLiteral("TMVOrderProbe"), {}), object },
        2);

    for (const QByteArray &bytes :
        { PropertyList::writeBinary(archive), PropertyList::writeXml(archive) }) {
        SCOPED_TRACE(bytes.left(8).toStdString());
        Result<PlistValue> read = KeyedUnarchiver::unarchive(bytes);
        ASSERT_OK(read);
        EXPECT_EQ(probe.keys, stored); // sorted, without "$class"
        EXPECT_EQ(probe.present, (QList<bool> { true, false, true, true, false, true, false }));
        EXPECT_EQ(probe.values,
            (QList<PlistValue> { 4, PlistValue(), 1, 3, PlistValue(), 2, PlistValue() }));
    }
}

TEST(KeyedUnarchiver, KeepsTheLastValueOfAKeyStoredTwice)
{
    using Ref = BinaryPlistWriter::Ref;
    Probe probe;
    registerProbe(
        QStringLiteral("TMVTwiceProbe"), { QStringLiteral("x"), QStringLiteral("y") }, probe);
    // $objects: 1 an array of the objects to read, 2 the class, 3 an object that stores
    // x twice, 4 an object with x alone, 5 the array's class.
    const auto archive = [](std::vector<quint64> members) {
        BinaryPlistWriter writer;
        const Ref x = writer.addString(QStringLiteral("x"));
        const Ref classKey = writer.addString(QStringLiteral("$class"));
        const Ref nameKeys[] = { writer.addString(QStringLiteral("$classname")) };
        const Ref probeName[] = { writer.addString(QStringLiteral("TMVTwiceProbe")) };
        const Ref arrayName[] = { writer.addString(QStringLiteral("NSArray")) };
        const Ref twiceKeys[] = { x, writer.addString(QStringLiteral("y")), classKey, x };
        const Ref twiceValues[] = { writer.addInteger(1), writer.addInteger(2), writer.addUid(2),
            writer.addInteger(3) };
        const Ref onceKeys[] = { x, classKey };
        const Ref onceValues[] = { writer.addInteger(9), writer.addUid(2) };
        std::vector<Ref> uids;
        for (quint64 member : members)
            uids.push_back(writer.addUid(member));
        const Ref arrayKeys[] = { writer.addString(QStringLiteral("NS.objects")), classKey };
        const Ref arrayValues[] = { writer.addArray(uids), writer.addUid(5) };
        return binaryArchive(writer,
            { writer.addString(QStringLiteral("$null")),
                writer.addDictionary(arrayKeys, arrayValues),
                writer.addDictionary(nameKeys, probeName),
                writer.addDictionary(twiceKeys, twiceValues),
                writer.addDictionary(onceKeys, onceValues),
                writer.addDictionary(nameKeys, arrayName) });
    };

    // As a parsed dictionary would have it: the last x, and one key x.
    ASSERT_TRUE(KeyedUnarchiver::unarchive(archive({ 3 })).ok());
    EXPECT_EQ(probe.values, (QList<PlistValue> { 3, 2 }));
    EXPECT_EQ(probe.keys, (QStringList { QStringLiteral("x"), QStringLiteral("y") }));
    // What one object stored twice does not leak into the next object with that key.
    ASSERT_TRUE(KeyedUnarchiver::unarchive(archive({ 3, 4 })).ok());
    EXPECT_EQ(probe.values, (QList<PlistValue> { 9, PlistValue() }));
    EXPECT_EQ(probe.keys, QStringList { QStringLiteral("x") });
}

TEST(KeyedUnarchiver, RefusesInlineValuesThatNeverEnd)
{
    using Ref = BinaryPlistWriter::Ref;
    const auto archiveWithField = [](const std::function<Ref(BinaryPlistWriter &)> &field) {
        BinaryPlistWriter writer;
        const Ref inlineValue = field(writer);
        const Ref classKeys[] = { writer.addString(QStringLiteral("$classname")) };
        const Ref classValues[] = { writer.addString(QStringLiteral("TMVUnknownThing")) };
        const Ref keys[] = { writer.addString(QStringLiteral("value")),
            writer.addString(QStringLiteral("$class")) };
        const Ref values[] = { inlineValue, writer.addUid(2) };
        return binaryArchive(writer,
            { writer.addString(QStringLiteral("$null")), writer.addDictionary(keys, values),
                writer.addDictionary(classKeys, classValues) });
    };
    // An inline array that holds itself: only a binary file can say so.
    const QByteArray loop = archiveWithField([](BinaryPlistWriter &writer) {
        const Ref self = Ref(writer.objectCount());
        return writer.addArray(std::vector<Ref> { self });
    });
    // Inline arrays sharing their members, 64 levels of two: small, and vast when spelled out.
    const QByteArray bomb = archiveWithField([](BinaryPlistWriter &writer) {
        Ref level = writer.addInteger(1);
        for (int i = 0; i < 64; ++i)
            level = writer.addArray(std::vector<Ref> { level, level });
        return level;
    });
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *message;
    };
    for (const Case &c :
        { Case { "loop", loop, "deeper than 256" }, Case { "bomb", bomb, "expand" } }) {
        SCOPED_TRACE(c.name);
        Result<PlistValue> read = KeyedUnarchiver::unarchive(c.bytes);
        ASSERT_FALSE(read.ok());
        EXPECT_TRUE(read.error().message().contains(QLatin1String(c.message)))
            << read.error().message().toStdString();
    }
}

namespace {

// A binary archive of a few dozen bytes of structure whose "$objects" array claims
// `count` members (nearly all the same string): the tables sized for them are what
// a hostile file uses to exhaust memory.
QByteArray archiveClaimingObjects(quint32 count)
{
    QByteArray file("bplist00");
    std::vector<quint32> offsets;
    const auto object = [&](const QByteArray &bytes) {
        offsets.push_back(quint32(file.size()));
        file.append(bytes);
    };
    object(QByteArray("\xD2\x01\x02\x03\x04", 5)); // 0: {"$objects": 3, "$top": 4}
    object(QByteArray("\x58$objects")); // 1
    object(QByteArray("\x54$top")); // 2
    QByteArray array("\xAF\x12", 2); // 3: [5, 6, 6, ...]
    for (int shift = 24; shift >= 0; shift -= 8)
        array.append(char((count >> shift) & 0xFF));
    array.append('\x05');
    array.append(QByteArray(qsizetype(count) - 1, '\x06'));
    object(array);
    object(QByteArray("\xD1\x07\x08", 3)); // 4: {"root": UID 1}
    object(QByteArray("\x55$null")); // 5
    object(QByteArray("\x51x")); // 6
    object(QByteArray("\x54root")); // 7
    object(QByteArray("\x80\x01", 2)); // 8
    const quint64 tableOffset = quint64(file.size());
    for (const quint32 offset : offsets) {
        for (int shift = 24; shift >= 0; shift -= 8)
            file.append(char((offset >> shift) & 0xFF));
    }
    QByteArray trailer(32, '\0');
    trailer[6] = 4; // offset size
    trailer[7] = 1; // reference size
    trailer[15] = char(offsets.size());
    for (int i = 0; i < 8; ++i)
        trailer[24 + i] = char((tableOffset >> (56 - 8 * i)) & 0xFF);
    return file + trailer;
}

// Whether reading the archive fails with a message about memory once the process
// may grow by no more than `headroom` bytes of address space.
bool refusedWithinAddressSpace(const QByteArray &archive, size_t headroom)
{
    long pages = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + rlim_t(headroom);
    const rlimit bound { limit, limit };
    setrlimit(RLIMIT_AS, &bound);
    const Result<PlistValue> result = KeyedUnarchiver::unarchive(archive);
    return !result.ok() && result.error().message().contains(QStringLiteral("memory"));
}

} // namespace

TEST(KeyedUnarchiver, RefusesAnArchiveThatClaimsMoreObjectsThanMemoryHolds)
{
    // Well-formed at a size that fits: the claim alone is what fails.
    const Result<PlistValue> small = KeyedUnarchiver::unarchive(archiveClaimingObjects(1000));
    ASSERT_OK(small);
    EXPECT_EQ(*small, PlistValue(QStringLiteral("x")));
    const QByteArray hostile = archiveClaimingObjects(30'000'000);
    // In a child whose address space leaves a few hundred megabytes free: the
    // tables for thirty million objects do not fit, and that is an error to report.
    EXPECT_EXIT(std::_Exit(refusedWithinAddressSpace(hostile, size_t(384) << 20) ? 0 : 1),
        ::testing::ExitedWithCode(0), "");
}
