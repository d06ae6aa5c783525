// The stored form of predicates: the archived predicate classes, read from
// archives built by hand in the stored layout and written back the same way.

#include "model/keyvaluesource.h"
#include "model/predicate.h"
#include "model/predicatecoding.h"
#include "platform/plist/keyedarchive.h"
#include "platform/plist/propertylist.h"

#include "testsupport.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

const QString fieldId = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD");

class PredicateCodingTest : public ::testing::Test
{
protected:
    void SetUp() override { PredicateCoding::registerArchiveCoders(); }

    static QByteArray fixture(const QString &name)
    {
        QFile file(test::testDataPath(QStringLiteral("predicates/") + name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    static Predicate parsed(const QString &format, const PlistArray &arguments = {})
    {
        Result<Predicate> result = Predicate::fromFormat(format, arguments);
        EXPECT_OK(result) << format.toStdString();
        return result.ok() ? *result : Predicate::falsePredicate();
    }

    static Result<Predicate> unarchived(const QByteArray &bytes)
    {
        Result<PlistValue> root = KeyedUnarchiver::unarchive(bytes);
        if (!root)
            return root.error();
        return PredicateCoding::predicateFromValue(*root);
    }

    static QByteArray archived(const Predicate &predicate)
    {
        return KeyedArchiver::archivedData(PredicateCoding::archivedValue(predicate));
    }

    // The raw archive: its objects, and the object a UID field of `object` names.
    static PlistArray objects(const QByteArray &bytes)
    {
        Result<PlistValue> plist = PropertyList::read(bytes);
        EXPECT_TRUE(plist.ok());
        return plist.ok() ? plist->value(QStringLiteral("$objects")).toArray() : PlistArray();
    }
    static PlistValue rootObject(const PlistArray &objects, const QByteArray &bytes)
    {
        const PlistValue top = PropertyList::read(bytes)->value(QStringLiteral("$top"));
        return objects.value(qsizetype(top.value(QStringLiteral("root")).toUid().index));
    }
    static PlistValue follow(
        const PlistArray &objects, const PlistValue &object, const QString &key)
    {
        const PlistValue field = object.value(key);
        EXPECT_EQ(field.type(), PlistValue::Type::Uid) << key.toStdString();
        return objects.value(qsizetype(field.toUid().index));
    }
    static QStringList classChain(const PlistArray &objects, const PlistValue &object)
    {
        QStringList chain;
        for (const PlistValue &name : follow(objects, object, QStringLiteral("$class"))
                                          .value(QStringLiteral("$classes"))
                                          .toArray())
            chain.append(name.toString());
        return chain;
    }

    static Predicate smartPredicate()
    {
        return parsed(
            QStringLiteral(
                "name BEGINSWITH[cd] 'clip' AND rating >= 3 AND "
                "ANY userKeywordObjects.name CONTAINS[cd] 'été' AND fileExists == NO AND ")
            + fieldId + QStringLiteral(" MATCHES[cd] 'a.*'"));
    }
    static Predicate recentPredicate()
    {
        return parsed(
            QStringLiteral("importedDate >= CAST(CAST(now(), \"NSNumber\") - %d, \"NSDate\")"),
            { 7 * 86400 });
    }
};

} // namespace

TEST_F(PredicateCodingTest, ReadsArchivesInTheStoredLayout)
{
    Result<Predicate> smart = unarchived(fixture(QStringLiteral("smart.plist")));
    ASSERT_OK(smart);
    EXPECT_TRUE(*smart == smartPredicate()) << smart->format().toStdString();

    Result<Predicate> recent = unarchived(fixture(QStringLiteral("recent.plist")));
    ASSERT_OK(recent);
    EXPECT_TRUE(*recent == recentPredicate()) << recent->format().toStdString();
}

TEST_F(PredicateCodingTest, WritesTheStoredLayoutObjectForObject)
{
    // Every archive object, field, inline value and reference as in the stored layout;
    // only the binary container's own table order may differ from the fixture's.
    const struct
    {
        Predicate predicate;
        QString fixture;
    } cases[] = {
        { smartPredicate(), QStringLiteral("smart.plist") },
        { recentPredicate(), QStringLiteral("recent.plist") },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fixture.toStdString());
        Result<PlistValue> ours = PropertyList::read(archived(c.predicate));
        Result<PlistValue> theirs = PropertyList::read(fixture(c.fixture));
        ASSERT_TRUE(ours.ok() && theirs.ok());
        EXPECT_EQ(ours->value(QStringLiteral("$top")), theirs->value(QStringLiteral("$top")));
        EXPECT_EQ(
            ours->value(QStringLiteral("$archiver")), theirs->value(QStringLiteral("$archiver")));
        EXPECT_EQ(
            ours->value(QStringLiteral("$version")), theirs->value(QStringLiteral("$version")));
        const PlistArray ourObjects = ours->value(QStringLiteral("$objects")).toArray();
        const PlistArray theirObjects = theirs->value(QStringLiteral("$objects")).toArray();
        ASSERT_EQ(ourObjects.size(), theirObjects.size());
        for (qsizetype i = 0; i < ourObjects.size(); ++i) {
            SCOPED_TRACE(i);
            const PlistValue &a = ourObjects[i];
            const PlistValue &b = theirObjects[i];
            EXPECT_EQ(a.type(), b.type());
            if (a.type() == PlistValue::Type::Dictionary) {
                EXPECT_EQ(a.toDictionary().keys(), b.toDictionary().keys());
                for (const QString &key : b.toDictionary().keys()) {
                    SCOPED_TRACE(key.toStdString());
                    EXPECT_EQ(a.value(key).type(), b.value(key).type());
                    EXPECT_TRUE(a.value(key) == b.value(key));
                }
            } else {
                EXPECT_TRUE(a == b)
                    << a.toString().toStdString() << " / " << b.toString().toStdString();
            }
        }
    }
}

TEST_F(PredicateCodingTest, OperatorsKeepTheirClassesAndKeys)
{
    struct Case
    {
        QString format;
        QString operatorClass;
        PlistDictionary inlineFields;
    };
    const Case cases[] = {
        { QStringLiteral("a < 1"), QStringLiteral("NSComparisonPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 0 }, { QStringLiteral("NSVariant"), 0 },
                { QStringLiteral("NSOptions"), 0 } } },
        { QStringLiteral("a != 'x'"), QStringLiteral("NSEqualityPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 5 }, { QStringLiteral("NSNegate"), true } } },
        { QStringLiteral("a ==[c] 'x'"), QStringLiteral("NSEqualityPredicateOperator"),
            { { QStringLiteral("NSNegate"), false }, { QStringLiteral("NSOptions"), 1 } } },
        { QStringLiteral("a ENDSWITH[d] 'x'"), QStringLiteral("NSSubstringPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 9 }, { QStringLiteral("NSPosition"), 1 },
                { QStringLiteral("NSFlags"), 2 } } },
        { QStringLiteral("a CONTAINS[cd] 'x'"), QStringLiteral("NSInPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 99 }, { QStringLiteral("NSFlags"), 3 } } },
        { QStringLiteral("'x' IN a"), QStringLiteral("NSInPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 10 } } },
        { QStringLiteral("a LIKE 'x*'"), QStringLiteral("NSLikePredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 7 } } },
        { QStringLiteral("ANY a MATCHES 'x'"), QStringLiteral("NSMatchingPredicateOperator"),
            { { QStringLiteral("NSOperatorType"), 6 }, { QStringLiteral("NSModifier"), 2 } } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        const QByteArray bytes = archived(parsed(c.format));
        const PlistArray all = objects(bytes);
        const PlistValue op
            = follow(all, rootObject(all, bytes), QStringLiteral("NSPredicateOperator"));
        EXPECT_EQ(classChain(all, op).first(), c.operatorClass);
        EXPECT_EQ(classChain(all, op).last(), QStringLiteral("NSObject"));
        for (auto field = c.inlineFields.begin(); field != c.inlineFields.end(); ++field) {
            SCOPED_TRACE(field.key().toStdString());
            EXPECT_EQ(op.value(field.key()).type(), field.value().type());
            EXPECT_EQ(op.value(field.key()), field.value());
        }
        Result<Predicate> back = unarchived(bytes);
        ASSERT_TRUE(back.ok());
        EXPECT_TRUE(*back == parsed(c.format)) << back->format().toStdString();
    }
}

TEST_F(PredicateCodingTest, EveryFormatTheProgramBuildsArchivesAndReadsBack)
{
    const QDateTime moment = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const Predicate predicates[] = {
        Predicate::truePredicate(),
        Predicate::falsePredicate(),
        parsed(QStringLiteral("batch == %@"),
            { QStringLiteral("5F1E0000-0000-4000-8000-000000000001") }),
        recentPredicate(),
        parsed(QStringLiteral("launchedDate >= CAST(CAST(now(), \"NSNumber\") - %d, \"NSDate\")"),
            { 0 }),
        parsed(QStringLiteral("rating >= %d"), { 5 }),
        parsed(QStringLiteral("fileExists == %@"), { false }),
        parsed(QStringLiteral("error == %@"), { true }),
        parsed(QStringLiteral("%K == %@"), { fieldId, QStringLiteral("Ünïcode") }),
        parsed(QStringLiteral("%K == %@"), { QStringLiteral("creationDate"), PlistValue(moment) }),
        parsed(QStringLiteral("%K == %@"), { QStringLiteral("frameRate"), 23.976 }),
        parsed(QStringLiteral("%@ IN FUNCTION(self, 'arrayValueForUndefinedKey:', %@)"),
            { QStringLiteral("b"), fieldId }),
        parsed(QStringLiteral("%@ IN userKeywords"), { QStringLiteral("K1") }),
        parsed(QStringLiteral("%K CONTAINS[cd] %@"),
            { QStringLiteral("userComments"), QStringLiteral("word") }),
        parsed(QStringLiteral("name == %@"), { QStringLiteral("Director") }),
        parsed(QStringLiteral("SELF like  %@"), { QStringLiteral("Hol*") }),
        parsed(QStringLiteral("SELF BEGINSWITH[c] %@"), { QStringLiteral("stream") }),
        parsed(QStringLiteral(
            "launchedDate == nil OR x IN {1, 'two', 3.5} OR NOT (a BETWEEN {1, 2})")),
        smartPredicate(),
    };
    for (const Predicate &predicate : predicates) {
        SCOPED_TRACE(predicate.format().toStdString());
        Result<Predicate> back = unarchived(archived(predicate));
        ASSERT_OK(back);
        EXPECT_TRUE(*back == predicate) << back->format().toStdString();
    }
}

namespace {

// Archives as another Foundation implementation writes them: its own selectors for
// the built-ins, and BETWEEN spelled as two comparisons.
class ForeignArchive
{
public:
    using Field = GenericArchivedObject::Field;

    static PlistValue object(const QString &name, QList<Field> fields)
    {
        QStringList chain { name };
        if (name.endsWith(QLatin1String("Expression"))) {
            if (name == QLatin1String("NSKeyPathExpression"))
                chain.append(QStringLiteral("NSFunctionExpression"));
            chain.append(QStringLiteral("NSExpression"));
        } else if (name.endsWith(QLatin1String("Predicate"))) {
            chain.append(QStringLiteral("NSPredicate"));
        } else {
            chain.append(QStringLiteral("NSPredicateOperator"));
        }
        chain.append(QStringLiteral("NSObject"));
        return PlistValue(std::shared_ptr<ArchivedObject>(
            std::make_shared<GenericArchivedObject>(chain, std::move(fields))));
    }
    static Field scalar(const QString &key, const PlistValue &value) { return { key, value }; }
    static Field reference(const QString &key, const PlistValue &value)
    {
        return { key, value, Field::Kind::Reference };
    }
    static Field type(qint64 type) { return scalar(QStringLiteral("NSExpressionType"), type); }

    static PlistValue constant(const PlistValue &value)
    {
        return object(QStringLiteral("NSConstantValueExpression"),
            { type(0), reference(QStringLiteral("NSConstantValue"), value) });
    }
    static PlistValue keyPath(const QString &path)
    {
        const PlistValue self = object(QStringLiteral("NSSelfExpression"), { type(1) });
        const PlistValue specifier = object(QStringLiteral("NSKeyPathSpecifierExpression"),
            { type(10), reference(QStringLiteral("NSKeyPath"), path) });
        return object(QStringLiteral("NSKeyPathExpression"),
            { type(3), reference(QStringLiteral("NSOperand"), self),
                reference(QStringLiteral("NSSelectorName"), QStringLiteral("valueForKey:")),
                reference(QStringLiteral("NSArguments"), PlistArray { specifier }) });
    }
    // On the built-ins' class, or with no operand at all.
    static PlistValue function(
        const QString &selector, const PlistArray &arguments, bool withOperand = true)
    {
        QList<Field> fields { type(4), reference(QStringLiteral("NSSelectorName"), selector),
            reference(QStringLiteral("NSArguments"), arguments) };
        if (withOperand)
            fields.append(reference(QStringLiteral("NSOperand"),
                object(QStringLiteral("NSConstantValueExpression"),
                    { type(0),
                        reference(QStringLiteral("NSConstantValueClassName"),
                            QStringLiteral("_NSPredicateUtilities")) })));
        return object(QStringLiteral("NSFunctionExpression"), fields);
    }
    // <= 1, >= 3, == 4.
    static PlistValue comparison(const PlistValue &left, qint64 op, const PlistValue &right)
    {
        QList<Field> operatorFields { scalar(QStringLiteral("NSOperatorType"), op),
            scalar(QStringLiteral("NSModifier"), 0) };
        if (op == 4)
            operatorFields.append(scalar(QStringLiteral("NSNegate"), false));
        else
            operatorFields.append(scalar(QStringLiteral("NSVariant"), op));
        operatorFields.append(scalar(QStringLiteral("NSOptions"), 0));
        const QString operatorClass = op == 4 ? QStringLiteral("NSEqualityPredicateOperator")
                                              : QStringLiteral("NSComparisonPredicateOperator");
        return object(QStringLiteral("NSComparisonPredicate"),
            { reference(QStringLiteral("NSLeftExpression"), left),
                reference(QStringLiteral("NSRightExpression"), right),
                reference(QStringLiteral("NSPredicateOperator"),
                    object(operatorClass, operatorFields)) });
    }
    static PlistValue both(const PlistValue &a, const PlistValue &b)
    {
        return object(QStringLiteral("NSCompoundPredicate"),
            { reference(QStringLiteral("NSSubpredicates"), PlistArray { a, b }),
                scalar(QStringLiteral("NSCompoundPredicateType"), 1) });
    }
};

} // namespace

TEST_F(PredicateCodingTest, ReadsAnotherFoundationsSelectorsAndBetween)
{
    using A = ForeignArchive;
    const PlistValue rating = A::keyPath(QStringLiteral("rating"));
    const auto number = [](qint64 n) { return A::constant(n); };
    const struct
    {
        PlistValue archived;
        Predicate expected;
    } cases[] = {
        { A::comparison(A::keyPath(QStringLiteral("importedDate")), 3,
              A::function(QStringLiteral("CAST:"),
                  { A::function(QStringLiteral("_sub:"),
                        { A::function(QStringLiteral("CAST:"),
                              { A::function(QStringLiteral("now:"), {}),
                                  A::constant(QStringLiteral("NSNumber")) }),
                            number(604800) }),
                      A::constant(QStringLiteral("NSDate")) })),
            recentPredicate() },
        { A::comparison(
              A::function(QStringLiteral("_add:"),
                  { A::function(QStringLiteral("_mul:"), { rating, number(2) }), number(1) }),
              4, number(7)),
            parsed(QStringLiteral("rating * 2 + 1 == 7")) },
        { A::comparison(A::function(QStringLiteral("_div:"), { rating, number(3) }, false), 4,
              A::function(QStringLiteral("_pow:"), { number(1), number(5) }, false)),
            parsed(QStringLiteral("rating / 3 == 1 ** 5")) },
        // BETWEEN {1, 3} as two comparisons whose constants hold the members' expressions.
        { A::both(A::comparison(rating, 3, A::constant(number(1))),
              A::comparison(rating, 1, A::constant(number(3)))),
            parsed(QStringLiteral("rating >= 1 AND rating <= 3")) },
    };
    const ValueKeyValueSource element { PlistDictionary { { QStringLiteral("rating"), 3 },
        { QStringLiteral("importedDate"),
            PlistDate::fromDateTime(QDateTime::currentDateTimeUtc().addDays(-6)) } } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected.format().toStdString());
        Result<Predicate> read = unarchived(KeyedArchiver::archivedData(c.archived));
        ASSERT_OK(read);
        // Read as this format's own selectors, it is saved as every other reader expects.
        EXPECT_TRUE(*read == c.expected) << read->format().toStdString();
        EXPECT_EQ(read->evaluate(element).valueOr(false), true);
    }
    // A selector of that family on a real operand is a method call, not a built-in.
    Result<Predicate> method = unarchived(KeyedArchiver::archivedData(A::comparison(
        A::object(QStringLiteral("NSFunctionExpression"),
            { A::type(4), A::reference(QStringLiteral("NSSelectorName"), QStringLiteral("_add:")),
                A::reference(QStringLiteral("NSArguments"), PlistArray { number(1), number(2) }),
                A::reference(QStringLiteral("NSOperand"),
                    A::object(QStringLiteral("NSSelfExpression"), { A::type(1) })) }),
        4, number(3))));
    ASSERT_TRUE(method.ok());
    EXPECT_EQ(method->leftExpression().selector(), QStringLiteral("_add:"));
    EXPECT_FALSE(method->leftExpression().isBuiltin());
}

TEST_F(PredicateCodingTest, NilConstantIsTheNilReference)
{
    const QByteArray bytes = archived(parsed(QStringLiteral("launchedDate == nil")));
    const PlistArray all = objects(bytes);
    const PlistValue right
        = follow(all, rootObject(all, bytes), QStringLiteral("NSRightExpression"));
    EXPECT_EQ(right.value(QStringLiteral("NSConstantValue")), PlistValue(PlistUid { 0 }));
}

TEST_F(PredicateCodingTest, UnknownFormsAreKeptNotFatal)
{
    Result<PlistValue> root = KeyedUnarchiver::unarchive(fixture(QStringLiteral("unknown.plist")));
    ASSERT_OK(root);
    Result<Predicate> predicate = PredicateCoding::predicateFromValue(*root);
    ASSERT_FALSE(predicate.ok());
    EXPECT_EQ(predicate.error().code(), Error::Code::Unsupported);
    // Kept as found: written again, it still names the class it came with.
    Result<PlistValue> again = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(*root));
    ASSERT_TRUE(again.ok());
    ASSERT_EQ(again->type(), PlistValue::Type::Object);
    EXPECT_EQ(again->toObject()->className(), QStringLiteral("NSComparisonPredicate"));

    EXPECT_FALSE(PredicateCoding::predicateFromValue(PlistValue::null()).ok());
    EXPECT_FALSE(PredicateCoding::predicateFromValue(QStringLiteral("name == 'x'")).ok());
}

namespace {

// Random criteria text: half grown from the grammar (so most of it parses), half
// token soup (so the error paths run too).
class CriteriaGenerator
{
public:
    explicit CriteriaGenerator(quint32 seed)
        : m_random(seed)
    {
    }

    QString next()
    {
        if (m_random.bounded(2) == 0)
            return predicate(0);
        QStringList tokens;
        const int length = 1 + int(m_random.bounded(10));
        for (int i = 0; i < length; ++i)
            tokens.append(pick({ "name", "AND", "OR", "NOT", "(", ")", "{", "}", ",", "==", "[cd]",
                "IN", "ANY", "'x'", "3", "-", "*", "now()", "CAST(", "FUNCTION(", "$v", "#in",
                "TRUEPREDICATE" }));
        return tokens.join(QLatin1Char(' '));
    }

private:
    QString pick(std::initializer_list<const char *> choices)
    {
        const auto *chosen = choices.begin() + m_random.bounded(int(choices.size()));
        return QString::fromUtf8(*chosen);
    }

    QString predicate(int depth)
    {
        switch (depth > 2 ? 0 : m_random.bounded(6)) {
        case 0:
        case 1:
        case 2:
            return comparison(depth);
        case 3:
            return QStringLiteral("NOT ") + predicate(depth + 1);
        case 4:
            return QLatin1Char('(') + predicate(depth + 1) + QLatin1Char(')');
        default:
            return predicate(depth + 1) + pick({ " AND ", " OR ", " && ", " || " })
                + predicate(depth + 1);
        }
    }

    QString comparison(int depth)
    {
        if (m_random.bounded(12) == 0)
            return pick({ "TRUEPREDICATE", "FALSEPREDICATE" });
        return pick({ "", "", "", "ANY ", "ALL ", "NONE " }) + expression(depth) + QLatin1Char(' ')
            + pick({ "==", "!=", "<", "<=", ">", ">=", "BEGINSWITH", "ENDSWITH", "CONTAINS", "LIKE",
                "MATCHES", "IN", "BETWEEN", "=", "<>", "=>" })
            + pick({ "", "", "[c]", "[cd]", "[d]", "[n]" }) + QLatin1Char(' ') + expression(depth);
    }

    QString expression(int depth)
    {
        switch (depth > 3 ? 0 : m_random.bounded(9)) {
        case 0:
            return pick({ "name", "rating", "userKeywordObjects.name", "#in", "SELF", "SELF.name",
                "$v", "0A1B2C3D-0000-4000-8000-00000000ABCD", "@count" });
        case 1:
            return pick({ "\"clíp\"", "'a\\\"b'", "'tab\\there'", "\"\"", "'\\u00e9'" });
        case 2:
            return pick(
                { "3", "-2", "2.5", "1e3", "0x1F", "0b101", "-0.0", "99999999999999999999" });
        case 3:
            return pick({ "YES", "NO", "nil", "NULL", "TRUE" });
        case 4:
            return QLatin1Char('{') + expression(depth + 1) + QStringLiteral(", ")
                + expression(depth + 1) + QLatin1Char('}');
        case 5:
            return expression(depth + 1) + pick({ " + ", " - ", " * ", " / ", " ** " })
                + expression(depth + 1);
        case 6:
            return pick({ "now()", "count(userKeywords)", "CAST(600000000, \"NSDate\")",
                "CAST(now(), 'NSNumber')" });
        case 7:
            return QStringLiteral("FUNCTION(SELF, 'arrayValueForUndefinedKey:', %1)")
                .arg(expression(depth + 1));
        default:
            return QLatin1Char('(') + expression(depth + 1) + QLatin1Char(')');
        }
    }

    QRandomGenerator m_random;
};

} // namespace

TEST_F(PredicateCodingTest, RandomCriteriaKeepEveryInvariant)
{
    // A small deterministic fuzzer: text either fails to parse with a positioned
    // message, or prints back, archives and evaluates to the same tree without harm.
    const ValueKeyValueSource element { PlistValue(PlistDictionary {
        { QStringLiteral("name"), QStringLiteral("clíp 2") },
        { QStringLiteral("rating"), 3 },
        { QStringLiteral("userKeywordObjects"),
            PlistArray { PlistDictionary { { QStringLiteral("name"), QStringLiteral("a") } } } },
    }) };
    CriteriaGenerator generator(20261206);
    int parsedCount = 0;
    for (int round = 0; round < 6000; ++round) {
        const QString text = generator.next();
        SCOPED_TRACE(text.toStdString());
        Result<Predicate> predicate = Predicate::parse(text);
        if (!predicate) {
            ASSERT_TRUE(
                predicate.error().message().startsWith(QStringLiteral("Syntax error at position")))
                << predicate.error().message().toStdString();
            continue;
        }
        ++parsedCount;
        Result<Predicate> again = Predicate::parse(predicate->format());
        ASSERT_OK(again) << predicate->format().toStdString();
        ASSERT_TRUE(*again == *predicate)
            << predicate->format().toStdString() << " / " << again->format().toStdString();
        Result<Predicate> back = unarchived(archived(*predicate));
        ASSERT_OK(back);
        ASSERT_TRUE(*back == *predicate) << back->format().toStdString();
        (void)predicate->evaluate(element);
    }
    EXPECT_GT(parsedCount, 2000);
}
