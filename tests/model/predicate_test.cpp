// The criteria language: parsing, printing, evaluation.

#include "model/keyvaluesource.h"
#include "model/predicate.h"
#include "model/predicateevaluator.h"
#include "model/predicateslots.h"
#include "model/predicatevalues.h"
#include "testsupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

const QString fieldId = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD");

Predicate parsed(const QString &format, const PlistArray &arguments = {})
{
    Result<Predicate> result = Predicate::fromFormat(format, arguments);
    EXPECT_OK(result) << format.toStdString();
    return result.ok() ? *result : Predicate::falsePredicate();
}

PlistDate daysAgo(double days)
{
    return PlistDate::fromDateTime(QDateTime::currentDateTimeUtc().addSecs(qint64(-days * 86400)));
}

// A stand-in element: a dictionary answers keys, nested arrays answer key paths.
PlistDictionary element()
{
    PlistDictionary keyword1 { { QStringLiteral("name"), QStringLiteral("Holiday") } };
    PlistDictionary keyword2 { { QStringLiteral("name"), QStringLiteral("Été") } };
    return {
        { QStringLiteral("name"), QStringLiteral("clíp 2") },
        { QStringLiteral("extension"), QStringLiteral("mov") },
        { QStringLiteral("path"), QStringLiteral("/Volumes/Archive/Films/clíp 2.mov") },
        { QStringLiteral("rating"), 3 },
        { QStringLiteral("size"), qint64(5000000000) },
        { QStringLiteral("frameRate"), 29.97 },
        { QStringLiteral("fileExists"), false },
        { QStringLiteral("importedDate"), daysAgo(6.96) },
        { QStringLiteral("launchedDate"), PlistValue::null() },
        { QStringLiteral("tool"), QStringLiteral("com.tallowmere.vidarium.importer.av") },
        { QStringLiteral("userKeywords"),
            PlistValue::set({ QStringLiteral("K1"), QStringLiteral("K2") }) },
        { QStringLiteral("userKeywordObjects"), PlistArray { keyword1, keyword2 } },
        { fieldId, QStringLiteral("a, b ,c") },
    };
}

} // namespace

TEST(Predicate, FormatsTheProgramBuildsParseAndPrintBack)
{
    struct Case
    {
        QString format;
        PlistArray arguments;
        QString printed;
    };
    const Case cases[] = {
        { QStringLiteral("TRUEPREDICATE"), {}, QStringLiteral("TRUEPREDICATE") },
        { QStringLiteral("batch == %@"), { QStringLiteral("B1") },
            QStringLiteral("batch == \"B1\"") },
        { QStringLiteral("importedDate >= CAST(CAST(now(), \"NSNumber\") - %d, \"NSDate\")"),
            { qint64(7 * 86400) },
            QStringLiteral(
                "importedDate >= CAST(CAST(now(), \"NSNumber\") - 604800, \"NSDate\")") },
        { QStringLiteral("rating >= %d"), { 4 }, QStringLiteral("rating >= 4") },
        { QStringLiteral("fileExists == %@"), { false }, QStringLiteral("fileExists == NO") },
        { QStringLiteral("error == %@"), { true }, QStringLiteral("error == YES") },
        { QStringLiteral("%K == %@"), { QStringLiteral("videoCodec"), QStringLiteral("H.264") },
            QStringLiteral("videoCodec == \"H.264\"") },
        { QStringLiteral("%K == %@"), { fieldId, QStringLiteral("x") },
            fieldId + QStringLiteral(" == \"x\"") },
        { QStringLiteral("%@ IN FUNCTION(self, 'arrayValueForUndefinedKey:', %@)"),
            { QStringLiteral("b"), fieldId },
            QStringLiteral("\"b\" IN FUNCTION(SELF, \"arrayValueForUndefinedKey:\", \"%1\")")
                .arg(fieldId) },
        { QStringLiteral("%@ IN userKeywords"), { QStringLiteral("K1") },
            QStringLiteral("\"K1\" IN userKeywords") },
        { QStringLiteral("%K CONTAINS[cd] %@"), { QStringLiteral("name"), QStringLiteral("clip") },
            QStringLiteral("name CONTAINS[cd] \"clip\"") },
        { QStringLiteral("name == %@"), { QStringLiteral("Director") },
            QStringLiteral("name == \"Director\"") },
        { QStringLiteral("SELF like  %@"), { QStringLiteral("Hol*") },
            QStringLiteral("SELF LIKE \"Hol*\"") },
        { QStringLiteral("SELF BEGINSWITH[c] %@"), { QStringLiteral("stream") },
            QStringLiteral("SELF BEGINSWITH[c] \"stream\"") },
        { QStringLiteral("ANY userKeywordObjects.name CONTAINS[cd] 'hol' OR rating > 2"), {},
            QStringLiteral("ANY userKeywordObjects.name CONTAINS[cd] \"hol\" OR rating > 2") },
        { QStringLiteral("name MATCHES[cd] '^c.*' AND frameRate <= 30.0 AND creationDate < "
                         "CAST(600000000.5, 'NSDate')"),
            {},
            QStringLiteral("name MATCHES[cd] \"^c.*\" AND frameRate <= 30.0 AND creationDate < "
                           "CAST(600000000.5, \"NSDate\")") },
        { QStringLiteral("(a == 1 or b == 2) and not c != 3"), {},
            QStringLiteral("(a == 1 OR b == 2) AND NOT c != 3") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        const Predicate predicate = parsed(c.format, c.arguments);
        EXPECT_EQ(predicate.format(), c.printed);
        Result<Predicate> again = Predicate::parse(predicate.format());
        ASSERT_OK(again);
        EXPECT_TRUE(*again == predicate) << again->format().toStdString();
    }
}

TEST(Predicate, PrintsAwkwardConstantsAndKeysSoTheyReadBack)
{
    const Predicate predicates[] = {
        Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("in")),
            PredicateOperatorType::EqualTo,
            PredicateExpression::constant(QStringLiteral("quote \" back\\ tab\t nl\n"))),
        Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("my key")),
            PredicateOperatorType::EqualTo, PredicateExpression::constant(PlistValue(-12))),
        Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("frameRate")),
            PredicateOperatorType::Between,
            PredicateExpression::aggregate({ PredicateExpression::constant(PlistValue(23.976)),
                PredicateExpression::constant(PlistValue(1e-7)) })),
        Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("x")),
            PredicateOperatorType::EqualTo,
            PredicateExpression::builtin(QStringLiteral("from:subtract:"),
                { PredicateExpression::constant(PlistValue(1)),
                    PredicateExpression::builtin(QStringLiteral("from:subtract:"),
                        { PredicateExpression::constant(PlistValue(2)),
                            PredicateExpression::constant(PlistValue(3)) }) })),
        Predicate::comparison(PredicateExpression::keyPath(QStringLiteral("launchedDate")),
            PredicateOperatorType::EqualTo, PredicateExpression()),
        Predicate::andPredicate(
            { Predicate::orPredicate({ Predicate::truePredicate(), Predicate::falsePredicate() }),
                Predicate::compound(CompoundPredicateType::Not, { Predicate::truePredicate() }) }),
    };
    for (const Predicate &predicate : predicates) {
        SCOPED_TRACE(predicate.format().toStdString());
        Result<Predicate> again = Predicate::parse(predicate.format());
        ASSERT_OK(again);
        EXPECT_TRUE(*again == predicate) << again->format().toStdString();
    }
}

TEST(Predicate, ParsesThePlatformSyntaxInAnyCase)
{
    EXPECT_TRUE(parsed(QStringLiteral("a = 1 && b =< 2 || c => 3 and d <> 4"))
        == parsed(QStringLiteral("(a == 1 AND b <= 2) OR (c >= 3 AND d != 4)")));
    EXPECT_TRUE(parsed(QStringLiteral("some x.y beginswith[DC] \"q\""))
        == parsed(QStringLiteral("ANY x.y BEGINSWITH[cd] 'q'")));
    EXPECT_TRUE(parsed(QStringLiteral("x == true")) == parsed(QStringLiteral("x == YES")));
    EXPECT_TRUE(parsed(QStringLiteral("x == NULL")) == parsed(QStringLiteral("x == nil")));
    EXPECT_TRUE(parsed(QStringLiteral("x == 0x1F")) == parsed(QStringLiteral("x == 31")));
    EXPECT_TRUE(parsed(QStringLiteral("#size > 1")) == parsed(QStringLiteral("size > 1")));
    EXPECT_TRUE(parsed(QStringLiteral("(size + 1) * 2 > 10")).isComparison());
    EXPECT_EQ(parsed(QStringLiteral("#in == 'a' AND SELF.name == \"\\u00e9\"")).format(),
        QStringLiteral("#in == \"a\" AND name == \"é\""));
    EXPECT_EQ(parsed(QStringLiteral("NONE tags == 'x'")).format(),
        QStringLiteral("NOT ANY tags == \"x\""));
}

TEST(Predicate, UnreadableTextGivesThePosition)
{
    struct Case
    {
        QString format;
        int position;
        QString mentions;
    };
    const Case cases[] = {
        { QStringLiteral("name"), 5, QStringLiteral("operator") },
        { QStringLiteral("name == "), 9, QStringLiteral("end of the criteria") },
        { QStringLiteral("name == 'abc"), 9, QStringLiteral("closing") },
        { QStringLiteral("rating >= 3 AND"), 16, QStringLiteral("value") },
        { QStringLiteral("(rating >= 3"), 13, QStringLiteral("") },
        { QStringLiteral("name CONTAINS[q] 'x'"), 15, QStringLiteral("unknown option") },
        { QStringLiteral("name == 'x' garbage"), 13, QStringLiteral("AND, OR") },
        { QStringLiteral("name == %@"), 9, QStringLiteral("no argument") },
        { QStringLiteral("a == 1 ^ 2"), 8, QStringLiteral("unexpected character") },
        { QStringLiteral("IN == 1"), 1, QStringLiteral("#IN") },
        { QStringLiteral(""), 0, QStringLiteral("empty") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        Result<Predicate> result = Predicate::parse(c.format);
        ASSERT_FALSE(result.ok());
        const QString message = result.error().message();
        if (c.position > 0)
            EXPECT_TRUE(message.contains(QStringLiteral("position %1:").arg(c.position)))
                << message.toStdString();
        EXPECT_TRUE(message.contains(c.mentions)) << message.toStdString();
    }
}

TEST(Predicate, HostileTextFailsCleanly)
{
    EXPECT_FALSE(Predicate::parse(QString(100000, QLatin1Char('('))).ok());
    EXPECT_FALSE(Predicate::parse(
        QStringLiteral("a == ") + QString(100000, QLatin1Char('-')) + QLatin1Char('1'))
                     .ok());
    EXPECT_FALSE(Predicate::parse(QStringLiteral("a == 99999999999999999999999999e99999")).ok());
    EXPECT_FALSE(Predicate::parse(QStringLiteral("a == '\\u12'")).ok());
    EXPECT_FALSE(Predicate::fromFormat(QStringLiteral("%K == 1"), { 42 }).ok());
    EXPECT_FALSE(Predicate::fromFormat(QStringLiteral("a == %d"), { QStringLiteral("x") }).ok());
}

TEST(Predicate, EvaluatesAgainstAnElement)
{
    struct Case
    {
        QString format;
        PlistArray arguments;
        bool expected;
    };
    const Case cases[] = {
        { QStringLiteral("name BEGINSWITH[cd] 'clip'"), {}, true },
        { QStringLiteral("name BEGINSWITH 'clip'"), {}, false },
        { QStringLiteral("name BEGINSWITH[c] 'CLÍP'"), {}, true },
        { QStringLiteral("name BEGINSWITH[d] 'Clip'"), {}, false },
        { QStringLiteral("name ==[cd] 'CLIP 2'"), {}, true },
        { QStringLiteral("name != 'clíp 2'"), {}, false },
        { QStringLiteral("name ENDSWITH ' 2'"), {}, true },
        { QStringLiteral("name CONTAINS[cd] ''"), {}, false },
        { QStringLiteral("path CONTAINS[cd] 'FILMS/CLIP'"), {}, true },
        { QStringLiteral("name MATCHES 'cl.p [0-9]'"), {}, true },
        { QStringLiteral("name MATCHES 'cl.p'"), {}, false },
        { QStringLiteral("name MATCHES[cd] 'CLIP.*'"), {}, true },
        { QStringLiteral("name LIKE 'cl?p *'"), {}, true },
        { QStringLiteral("name LIKE[cd] 'CLIP*'"), {}, true },
        { QStringLiteral("name LIKE 'cl*x'"), {}, false },
        { QStringLiteral("extension IN {'mov', 'mp4'}"), {}, true },
        { QStringLiteral("'p 2' IN name"), {}, true },
        { QStringLiteral("'ip 2' IN name"), {}, false },
        { QStringLiteral("rating == 3.0"), {}, true },
        { QStringLiteral("rating >= %d"), { 4 }, false },
        { QStringLiteral("rating BETWEEN {1, 3}"), {}, true },
        { QStringLiteral("size > 4294967296"), {}, true },
        { QStringLiteral("frameRate < 30"), {}, true },
        { QStringLiteral("fileExists == %@"), { false }, true },
        { QStringLiteral("fileExists == 0"), {}, true },
        { QStringLiteral("tool == 'com.tallowmere.vidarium.importer.ff'"), {}, false },
        { QStringLiteral("importedDate >= CAST(CAST(now(), 'NSNumber') - %d, 'NSDate')"),
            { 7 * 86400 }, true },
        { QStringLiteral("importedDate >= CAST(CAST(now(), 'NSNumber') - %d, 'NSDate')"),
            { qint64(6.9 * 86400) }, false },
        { QStringLiteral("launchedDate >= CAST(CAST(now(), 'NSNumber') - %d, 'NSDate')"),
            { 7 * 86400 }, false },
        { QStringLiteral("launchedDate <= CAST(CAST(now(), 'NSNumber') + 1, 'NSDate')"), {},
            false },
        { QStringLiteral("launchedDate == nil"), {}, true },
        { QStringLiteral("launchedDate != nil"), {}, false },
        { QStringLiteral("launchedDate BEGINSWITH ''"), {}, false },
        { QStringLiteral("missingKey CONTAINS 'x'"), {}, false },
        { QStringLiteral("%@ IN userKeywords"), { QStringLiteral("K2") }, true },
        { QStringLiteral("%@ IN userKeywords"), { QStringLiteral("K3") }, false },
        { QStringLiteral("ANY userKeywordObjects.name CONTAINS[cd] 'ete'"), {}, true },
        { QStringLiteral("ANY userKeywordObjects.name == 'holiday'"), {}, false },
        { QStringLiteral("ALL userKeywordObjects.name MATCHES '.*[a-zé]'"), {}, true },
        { QStringLiteral("ANY name == 'clíp 2'"), {}, false },
        { QStringLiteral("%K == %@"), { fieldId, QStringLiteral("a, b ,c") }, true },
        { QStringLiteral("rating == 3 AND (name CONTAINS 'x' OR frameRate > 29)"), {}, true },
        { QStringLiteral("NOT rating == 3"), {}, false },
        { QStringLiteral("rating * 2 + 1 == 7"), {}, true },
        { QStringLiteral("count(userKeywords) == 2"), {}, true },
        { QStringLiteral("name < 'd' AND name > 'CLIP'"), {}, true },
        { QStringLiteral("rating < 'text'"), {}, false },
    };
    const ValueKeyValueSource source { PlistValue(element()) };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        const Predicate predicate = parsed(c.format, c.arguments);
        Result<bool> result = predicate.evaluate(source);
        ASSERT_OK(result);
        EXPECT_EQ(*result, c.expected);
    }
}

// An object criteria read only by key, as they read a media element.
class KeyedObject final : public KeyValueSource
{
public:
    explicit KeyedObject(PlistDictionary values)
        : m_values(std::move(values))
    {
    }
    PlistValue valueForKey(const QString &key) const override { return m_values.value(key); }

private:
    PlistDictionary m_values;
};

TEST(Predicate, SelfCollectionCountAndDateTextEvaluateAsFoundationDoes)
{
    const struct
    {
        const char *format;
        bool expected;
    } cases[] = {
        { "SELF != nil", true },
        { "SELF == nil", false },
        { "SELF == SELF", true },
        { "userKeywords.@count == 2", true },
        { "userKeywordObjects.@count == 2", true },
        { "userKeywordObjects.name.@count == 2", true },
        { "userKeywords.@count > 2", false },
        { "missingKey.@count == nil", true },
        { "CAST(\"2001-01-01 00:00:00 +0000\", \"NSDate\") == CAST(0, \"NSDate\")", true },
        { "CAST('2001-01-01 01:30:00 +0130', 'NSDate') == CAST(0, 'NSDate')", true },
        { "CAST('2000-12-31 23:00:00 -0100', 'NSDate') == CAST(0, 'NSDate')", true },
        { "importedDate > CAST('2001-01-01 00:00:00 +0000', 'NSDate')", true },
        { "CAST('2001-02-30 00:00:00 +0000', 'NSDate') == nil", true },
        { "CAST('yesterday', 'NSDate') == nil", true },
    };
    const KeyedObject object(element());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.format);
        Result<bool> result = parsed(QString::fromUtf8(c.format)).evaluate(object);
        ASSERT_OK(result);
        EXPECT_EQ(*result, c.expected);
    }
}

TEST(Predicate, EvaluatesAgainstStrings)
{
    const Predicate like = parsed(QStringLiteral("SELF like  %@"), { QStringLiteral("Hol*") });
    EXPECT_EQ(like.evaluateWithValue(QStringLiteral("Holiday")).valueOr(false), true);
    EXPECT_EQ(like.evaluateWithValue(QStringLiteral("holiday")).valueOr(true), false);
    const Predicate prefix
        = parsed(QStringLiteral("SELF BEGINSWITH[c] %@"), { QStringLiteral("stream") });
    EXPECT_EQ(prefix.evaluateWithValue(QStringLiteral("STREAMS.STREAM.0.codec_name=\"h264\""))
                  .valueOr(false),
        true);
    EXPECT_EQ(prefix.evaluateWithValue(PlistValue(3)).valueOr(true), false);
    const Predicate byName = parsed(QStringLiteral("name == %@"), { QStringLiteral("Director") });
    EXPECT_EQ(byName
                  .evaluateWithValue(
                      PlistDictionary { { QStringLiteral("name"), QStringLiteral("Director") } })
                  .valueOr(false),
        true);
}

TEST(Predicate, FoldsCaseAndDiacriticsWithIcu)
{
    const ValueKeyValueSource source { PlistValue(PlistDictionary {}) };
    struct Case
    {
        QString value;
        QString format;
        bool expected;
    };
    const Case cases[] = {
        { QStringLiteral("Straße"), QStringLiteral("SELF ==[c] 'STRASSE'"), true },
        { QStringLiteral("e\u0301te\u0301"), QStringLiteral("SELF ==[d] 'ete'"), true },
        { QStringLiteral("ÉTÉ"), QStringLiteral("SELF CONTAINS[cd] 'te'"), true },
        { QStringLiteral("Ångström"), QStringLiteral("SELF ENDSWITH[cd] 'STROM'"), true },
        { QStringLiteral("Ångström"), QStringLiteral("SELF ENDSWITH[c] 'STROM'"), false },
        { QStringLiteral("clip"), QStringLiteral("SELF BEGINSWITH[cd] 'clíp'"), true },
        { QStringLiteral("ΣΊΣΥΦΟΣ"), QStringLiteral("SELF ==[cd] 'σισυφος'"), true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(parsed(c.format).evaluateWithValue(c.value).valueOr(!c.expected), c.expected);
    }
}

// ASCII text takes a path of its own that does not fold through ICU: it must agree
// with folding both sides, including for the characters beside the letters.
TEST(Predicate, AsciiTextAgreesWithFolding)
{
    const QString alphabet = QStringLiteral("aAbB@[`{zZ 1");
    QRandomGenerator random(11);
    const auto text = [&](int maxLength) {
        QString result;
        for (int i = int(random.bounded(maxLength + 1)); i > 0; --i)
            result.append(alphabet.at(int(random.bounded(int(alphabet.size())))));
        return result;
    };
    const char *const operators[] = { "==", "!=", "BEGINSWITH", "ENDSWITH", "CONTAINS" };
    const char *const options[] = { "[c]", "[cd]" };
    for (int round = 0; round < 400; ++round) {
        const QString haystack = text(8);
        const QString needle = text(3);
        const QString foldedHaystack = PredicateValues::fold(haystack, CaseInsensitive);
        const QString foldedNeedle = PredicateValues::fold(needle, CaseInsensitive);
        const bool expected[] = {
            foldedHaystack == foldedNeedle,
            foldedHaystack != foldedNeedle,
            !needle.isEmpty() && foldedHaystack.startsWith(foldedNeedle),
            !needle.isEmpty() && foldedHaystack.endsWith(foldedNeedle),
            !needle.isEmpty() && foldedHaystack.contains(foldedNeedle),
        };
        for (int o = 0; o < 5; ++o) {
            for (const char *option : options) {
                const QString format = QStringLiteral("SELF %1%2 %@")
                                           .arg(QLatin1String(operators[o]), QLatin1String(option));
                SCOPED_TRACE(
                    QStringLiteral("'%1' %2 '%3'").arg(haystack, format, needle).toStdString());
                EXPECT_EQ(
                    parsed(format, { needle }).evaluateWithValue(haystack).valueOr(!expected[o]),
                    expected[o]);
            }
        }
    }
}

// Latin text folds through a table made from ICU, character by character; text
// with any other character goes through ICU whole. Both must give the same.
TEST(Predicate, LatinTextFoldsAsIcuDoes)
{
    const QString omega = QStringLiteral("\u03A9");
    for (const int options : { int(CaseInsensitive), int(DiacriticInsensitive),
             int(CaseInsensitive | DiacriticInsensitive) }) {
        const QString foldedOmega = PredicateValues::fold(omega, options);
        for (char16_t unit = 0x80; unit < 0x250; ++unit) {
            const QString text = QStringLiteral("Ab") + QChar(unit);
            ASSERT_EQ(PredicateValues::fold(text, options) + foldedOmega,
                PredicateValues::fold(text + omega, options))
                << "U+" << std::hex << int(unit) << " options " << options;
        }
    }
    EXPECT_EQ(PredicateValues::fold(
                  QStringLiteral("Ærøskøbing STRAẞE Ǖ"), CaseInsensitive | DiacriticInsensitive),
        QStringLiteral("ærøskøbing strasse u"));
    EXPECT_EQ(PredicateValues::fold(QStringLiteral("Straße"), CaseInsensitive),
        QStringLiteral("strasse"));
}

TEST(Predicate, InvalidRegularExpressionFailsEvaluation)
{
    const Predicate bad = parsed(QStringLiteral("rating > 1 AND name MATCHES '(unclosed'"));
    Result<bool> result = bad.evaluate(ValueKeyValueSource(PlistValue(element())));
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().message().contains(QStringLiteral("(unclosed")));
    // LIKE patterns are literal apart from * and ?, so brackets are no error there.
    EXPECT_TRUE(PredicateEvaluator::compile(parsed(QStringLiteral("name LIKE[c] '[*'"))).ok());
}

TEST(Predicate, PathologicalPatternDoesNotHang)
{
    // Once a pattern has run out of time it is not tried again on the next thousand objects.
    const Predicate predicate = parsed(QStringLiteral("SELF MATCHES '(a+)+b'"));
    const PredicateEvaluator evaluator = *predicate.evaluator();
    const QString subject = QString(40, QLatin1Char('a'));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 1000; ++i)
        EXPECT_FALSE(evaluator.evaluateValue(subject));
    // The same for patterns that the objects themselves hold.
    const PredicateEvaluator fromObjects
        = *parsed(QStringLiteral("name MATCHES pattern")).evaluator();
    const ValueKeyValueSource object { PlistValue(
        PlistDictionary { { QStringLiteral("name"), subject },
            { QStringLiteral("pattern"), QStringLiteral("(a+)+b") } }) };
    for (int i = 0; i < 1000; ++i)
        EXPECT_FALSE(fromObjects.evaluate(object));
    EXPECT_LT(timer.elapsed(), 20000);
}

// Values are made in place in raw storage: each must be made once, destroyed once,
// and slots never used must not be destroyed at all.
TEST(PredicateSlots, MakesEachValueOnceAndDestroysOnlyThoseMade)
{
    struct Counted
    {
        explicit Counted(int *destroyed)
            : destroyed(destroyed)
        {
        }
        ~Counted() { ++*destroyed; }
        int *destroyed;
    };
    int made = 0;
    int destroyed = 0;
    {
        PredicateSlots<Counted, 32> row;
        auto make = [&] {
            ++made;
            return Counted(&destroyed);
        };
        const Counted &first = row.value(0, make);
        EXPECT_EQ(&row.value(0, make), &first);
        row.value(31, make);
        row.value(7, make);
        EXPECT_EQ(made, 3);
        EXPECT_EQ(destroyed, 0); // made in place, never copied
    }
    EXPECT_EQ(destroyed, 3);
}

// Past the keys that get a slot, keys are read each time they are asked for.
TEST(Predicate, EvaluatesMoreDistinctKeysThanThereAreSlots)
{
    PlistDictionary object;
    QStringList terms;
    for (int i = 0; i < 40; ++i) {
        const QString key = QStringLiteral("key%1").arg(i);
        object.insert(key, QStringLiteral("value %1").arg(i));
        terms.append(QStringLiteral("%1 == 'value %2' AND %1 CONTAINS[c] 'VALUE'").arg(key).arg(i));
    }
    const Predicate all = parsed(terms.join(QStringLiteral(" AND ")));
    EXPECT_EQ(all.evaluateWithValue(object).valueOr(false), true);
    object.insert(QStringLiteral("key39"), QStringLiteral("other"));
    EXPECT_EQ(all.evaluateWithValue(object).valueOr(true), false);
}
