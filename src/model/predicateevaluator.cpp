#include "predicateevaluator.h"

#include "keyvaluesource.h"
#include "predicate.h"
#include "predicatevalues.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

namespace vidarium {

namespace {

// Seconds between the Unix epoch and 2001-01-01, the reference of stored dates.
constexpr double unixToReferenceSeconds = 978307200.0;
// Bounds a regular expression's work per match (ICU counts roughly in milliseconds),
// so that a pathological pattern read from a package cannot hang the program.
constexpr int32_t regexTimeLimit = 100;

// Key paths read more than once by one predicate (the items search asks for "name"
// once per word) are read once per object: the first distinct paths get a slot.
constexpr int keySlotCount = 16;
static_assert(keySlotCount <= 32, "slots are marked in a 32-bit mask");

struct Context
{
    explicit Context(const KeyValueSource &source)
        : object(source)
    {
    }
    ~Context()
    {
        for (std::uint32_t remaining = engaged; remaining != 0; remaining &= remaining - 1)
            held(std::countr_zero(remaining))->~PlistValue();
    }
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;

    // The value of the key in the slot, read on first use: most criteria use two
    // or three of the slots, and making and destroying all of them for every
    // object cost as much as a comparison.
    template <typename Read> const PlistValue &keyValue(int slot, const Read &read) const
    {
        if (!(engaged & (1u << slot))) {
            new (storage[slot]) PlistValue(read());
            engaged |= 1u << slot;
        }
        return *held(slot);
    }

    double nowSeconds() const
    {
        if (!now)
            now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - unixToReferenceSeconds;
        return *now;
    }

    const KeyValueSource &object;
    mutable std::optional<double> now;

private:
    PlistValue *held(int slot) const
    {
        return std::launder(reinterpret_cast<PlistValue *>(storage[slot]));
    }

    mutable std::uint32_t engaged = 0;
    alignas(PlistValue) mutable unsigned char storage[keySlotCount][sizeof(PlistValue)];
};

// What compiling one predicate shares among its nodes.
struct CompileState
{
    QHash<QString, int> keySlots;

    int slotFor(const QString &path)
    {
        if (const auto it = keySlots.constFind(path); it != keySlots.constEnd())
            return *it;
        if (keySlots.size() >= keySlotCount)
            return -1;
        const int slot = int(keySlots.size());
        keySlots.insert(path, slot);
        return slot;
    }
};

bool isList(const PlistValue &value)
{
    return value.type() == PlistValue::Type::Array || value.type() == PlistValue::Type::Set;
}

// ---- Regular expressions ---------------------------------------------------

class CompiledRegex
{
public:
    static Result<std::shared_ptr<CompiledRegex>> compile(
        const QString &pattern, bool caseInsensitive)
    {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError {};
        const icu::UnicodeString source(
            reinterpret_cast<const UChar *>(pattern.utf16()), int32_t(pattern.size()));
        uint32_t flags = UREGEX_DOTALL;
        if (caseInsensitive)
            flags |= UREGEX_CASE_INSENSITIVE;
        std::unique_ptr<icu::RegexPattern> compiled(
            icu::RegexPattern::compile(source, flags, parseError, status));
        if (U_FAILURE(status) || !compiled) {
            return Error(Error::Code::InvalidArgument,
                QStringLiteral("The regular expression \"%1\" is not valid (%2 at offset %3).")
                    .arg(pattern, QString::fromLatin1(u_errorName(status)))
                    .arg(parseError.offset));
        }
        auto regex = std::make_shared<CompiledRegex>();
        regex->m_pattern = std::move(compiled);
        return regex;
    }

    // Whole-string match; a match that runs out of time counts as none, and so does
    // every later one: a pattern that explodes once would do so again on the next
    // of a hundred thousand elements.
    bool matches(const QString &text) const
    {
        std::lock_guard lock(m_mutex);
        if (m_timedOut)
            return false;
        UErrorCode status = U_ZERO_ERROR;
        if (!m_matcher) {
            m_matcher.reset(m_pattern->matcher(status));
            if (U_FAILURE(status) || !m_matcher) {
                m_matcher.reset();
                return false;
            }
            m_matcher->setTimeLimit(regexTimeLimit, status);
        }
        const icu::UnicodeString input(
            false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
        m_matcher->reset(input);
        const bool matched = m_matcher->matches(status);
        m_matcher->reset(icu::UnicodeString());
        if (status == U_REGEX_TIME_OUT)
            m_timedOut = true;
        return U_SUCCESS(status) && matched;
    }

    bool timedOut() const
    {
        std::lock_guard lock(m_mutex);
        return m_timedOut;
    }

private:
    std::unique_ptr<icu::RegexPattern> m_pattern;
    mutable std::mutex m_mutex;
    mutable std::unique_ptr<icu::RegexMatcher> m_matcher; // guarded by m_mutex
    mutable bool m_timedOut = false; // guarded by m_mutex
};

// ---- Values ----------------------------------------------------------------

class ValueNode
{
public:
    virtual ~ValueNode() = default;
    virtual PlistValue value(const Context &context) const = 0;
    // The value without a copy where the node holds it (a key read once per object);
    // otherwise made in scratch.
    virtual const PlistValue &valueIn(const Context &context, PlistValue &scratch) const
    {
        scratch = value(context);
        return scratch;
    }
    virtual const PlistValue *constant() const { return nullptr; }
    // The key when the node reads one key of the object (no path, no function).
    virtual const PreparedKey *plainKey() const { return nullptr; }
    // A rough price of one value() call, to try cheap criteria first.
    virtual int cost() const { return 0; }
};

int costOf(const std::vector<std::unique_ptr<ValueNode>> &nodes)
{
    int total = 0;
    for (const auto &node : nodes)
        total += node->cost();
    return total;
}

class ConstantValue final : public ValueNode
{
public:
    explicit ConstantValue(PlistValue value)
        : m_value(std::move(value))
    {
    }
    PlistValue value(const Context &) const override { return m_value; }
    const PlistValue *constant() const override { return &m_value; }

private:
    PlistValue m_value;
};

class SelfValue final : public ValueNode
{
public:
    PlistValue value(const Context &context) const override { return context.object.selfValue(); }
};

class KeyValue final : public ValueNode
{
public:
    KeyValue(const QString &path, int slot)
        : m_path(path)
        , m_key(path)
        , m_dotted(path.contains(QLatin1Char('.')))
        , m_slot(slot)
    {
    }
    PlistValue value(const Context &context) const override
    {
        if (m_slot < 0)
            return read(context);
        return slotValue(context);
    }
    const PlistValue &valueIn(const Context &context, PlistValue &scratch) const override
    {
        if (m_slot < 0) {
            scratch = read(context);
            return scratch;
        }
        return slotValue(context);
    }
    int cost() const override { return m_dotted ? 4 : 2; }
    const PreparedKey *plainKey() const override { return m_dotted ? nullptr : &m_key; }

private:
    const PlistValue &slotValue(const Context &context) const
    {
        return context.keyValue(m_slot, [&] { return read(context); });
    }

    PlistValue read(const Context &context) const
    {
        return m_dotted ? context.object.valueForKeyPath(m_path)
                        : context.object.valueForPreparedKey(m_key);
    }

    QString m_path;
    PreparedKey m_key; // resolved once here rather than per object
    bool m_dotted;
    int m_slot;
};

using ValueNodes = std::vector<std::unique_ptr<ValueNode>>;

PlistArray valuesOf(const ValueNodes &nodes, const Context &context)
{
    PlistArray values;
    values.reserve(qsizetype(nodes.size()));
    for (const auto &node : nodes)
        values.append(node->value(context));
    return values;
}

class AggregateValue final : public ValueNode
{
public:
    explicit AggregateValue(ValueNodes members)
        : m_members(std::move(members))
    {
    }
    PlistValue value(const Context &context) const override { return valuesOf(m_members, context); }
    int cost() const override { return costOf(m_members); }

private:
    ValueNodes m_members;
};

// FUNCTION(target, 'selector', ...): methods of the evaluated object; a plain value
// as target offers none.
class MethodValue final : public ValueNode
{
public:
    MethodValue(bool onEvaluatedObject, QString selector, ValueNodes arguments)
        : m_onEvaluatedObject(onEvaluatedObject)
        , m_selector(std::move(selector))
        , m_arguments(std::move(arguments))
    {
    }
    PlistValue value(const Context &context) const override
    {
        if (!m_onEvaluatedObject)
            return {};
        return context.object.callFunction(m_selector, valuesOf(m_arguments, context));
    }
    int cost() const override { return 6 + costOf(m_arguments); }

private:
    bool m_onEvaluatedObject;
    QString m_selector;
    ValueNodes m_arguments;
};

enum class Builtin {
    Now,
    Cast,
    Add,
    Subtract,
    Multiply,
    Divide,
    Power,
    Count,
    Sum,
    Average,
    Min,
    Max,
    Abs,
    Uppercase,
    Lowercase,
    Unknown
};

Builtin builtinFor(const QString &selector)
{
    static const QHash<QString, Builtin> table = {
        { QStringLiteral("now"), Builtin::Now },
        { QStringLiteral("castObject:toType:"), Builtin::Cast },
        { QStringLiteral("add:to:"), Builtin::Add },
        { QStringLiteral("from:subtract:"), Builtin::Subtract },
        { QStringLiteral("multiply:by:"), Builtin::Multiply },
        { QStringLiteral("divide:by:"), Builtin::Divide },
        { QStringLiteral("raise:toPower:"), Builtin::Power },
        { QStringLiteral("count:"), Builtin::Count },
        { QStringLiteral("sum:"), Builtin::Sum },
        { QStringLiteral("average:"), Builtin::Average },
        { QStringLiteral("min:"), Builtin::Min },
        { QStringLiteral("max:"), Builtin::Max },
        { QStringLiteral("abs:"), Builtin::Abs },
        { QStringLiteral("uppercase:"), Builtin::Uppercase },
        { QStringLiteral("lowercase:"), Builtin::Lowercase },
    };
    return table.value(selector, Builtin::Unknown);
}

// The platform's date text, "2001-01-01 00:00:00 +0000", as CAST reads it; nil for
// anything else.
PlistValue dateFromText(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2}) ([+-])(\\d{2})(\\d{2})\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    auto number = [&match](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!date.isValid() || !time.isValid() || number(8) > 23 || number(9) > 59)
        return {};
    const int sign = match.capturedView(7) == QLatin1String("-") ? -1 : 1;
    const qint64 offset = sign * (number(8) * 3600 + number(9) * 60);
    const QDateTime stated(date, time, Qt::UTC);
    return PlistDate::fromDateTime(stated.addSecs(-offset));
}

PlistValue cast(const PlistValue &value, const QString &type)
{
    if (type == QLatin1String("NSNumber")) {
        if (value.type() == PlistValue::Type::Date)
            return value.toDate().secondsSince2001;
        if (value.isNumber())
            return value;
        if (value.type() == PlistValue::Type::String) {
            bool ok = false;
            const double number = value.toString().trimmed().toDouble(&ok);
            return ok ? PlistValue(number) : PlistValue();
        }
        return {};
    }
    if (type == QLatin1String("NSDate")) {
        if (value.type() == PlistValue::Type::Date)
            return value;
        if (value.isNumber() && value.type() != PlistValue::Type::Bool)
            return PlistDate { value.toDouble() };
        if (value.type() == PlistValue::Type::String)
            return dateFromText(value.toString());
        return {};
    }
    if (type == QLatin1String("NSString")) {
        if (value.type() == PlistValue::Type::String)
            return value;
        if (value.type() == PlistValue::Type::Integer)
            return QString::number(value.toInteger());
        if (value.type() == PlistValue::Type::Real)
            return QString::number(value.toDouble(), 'g', 17);
        return {};
    }
    return value;
}

PlistValue arithmetic(Builtin op, const PlistValue &a, const PlistValue &b)
{
    if (!a.isNumber() || !b.isNumber())
        return {};
    const bool integers = a.type() != PlistValue::Type::Real && b.type() != PlistValue::Type::Real;
    if (integers && (op == Builtin::Add || op == Builtin::Subtract || op == Builtin::Multiply)) {
        qint64 result = 0;
        bool overflow = false;
        if (op == Builtin::Add)
            overflow = __builtin_add_overflow(a.toInteger(), b.toInteger(), &result);
        else if (op == Builtin::Subtract)
            overflow = __builtin_sub_overflow(a.toInteger(), b.toInteger(), &result);
        else
            overflow = __builtin_mul_overflow(a.toInteger(), b.toInteger(), &result);
        if (!overflow)
            return result;
    }
    const double x = a.toDouble();
    const double y = b.toDouble();
    switch (op) {
    case Builtin::Add:
        return x + y;
    case Builtin::Subtract:
        return x - y;
    case Builtin::Multiply:
        return x * y;
    case Builtin::Divide:
        return x / y;
    case Builtin::Power:
        return std::pow(x, y);
    default:
        return {};
    }
}

PlistValue aggregateOf(Builtin op, const PlistValue &collection)
{
    if (!isList(collection))
        return {};
    const PlistArray &members = collection.toArray();
    if (op == Builtin::Min || op == Builtin::Max) {
        PlistValue best;
        for (const PlistValue &member : members) {
            const std::optional<int> order = best.isValid()
                ? PredicateValues::compare(member, best, 0)
                : std::optional<int>(0);
            if (!best.isValid() || (order && (op == Builtin::Min ? *order < 0 : *order > 0)))
                best = member;
        }
        return best;
    }
    double sum = 0;
    for (const PlistValue &member : members) {
        if (!member.isNumber())
            return {};
        sum += member.toDouble();
    }
    if (op == Builtin::Sum)
        return sum;
    return members.isEmpty() ? PlistValue() : PlistValue(sum / double(members.size()));
}

PlistValue applyBuiltin(Builtin op, const PlistArray &arguments, const Context &context)
{
    auto argument
        = [&arguments](int i) { return i < arguments.size() ? arguments[i] : PlistValue(); };
    switch (op) {
    case Builtin::Now:
        return PlistDate { context.nowSeconds() };
    case Builtin::Cast:
        return cast(argument(0), argument(1).toString());
    case Builtin::Add:
    case Builtin::Subtract:
    case Builtin::Multiply:
    case Builtin::Divide:
    case Builtin::Power:
        return arithmetic(op, argument(0), argument(1));
    case Builtin::Count: {
        const PlistValue value = argument(0);
        if (isList(value))
            return qint64(value.toArray().size());
        if (value.type() == PlistValue::Type::Dictionary)
            return qint64(value.toDictionary().size());
        return {};
    }
    case Builtin::Sum:
    case Builtin::Average:
    case Builtin::Min:
    case Builtin::Max:
        return aggregateOf(op, argument(0));
    case Builtin::Abs: {
        const PlistValue value = argument(0);
        if (value.type() == PlistValue::Type::Integer
            && value.toInteger() != std::numeric_limits<qint64>::min())
            return qint64(std::llabs(value.toInteger()));
        return value.isNumber() ? PlistValue(std::fabs(value.toDouble())) : PlistValue();
    }
    case Builtin::Uppercase:
    case Builtin::Lowercase: {
        const PlistValue value = argument(0);
        if (value.type() != PlistValue::Type::String)
            return {};
        return op == Builtin::Uppercase ? value.toString().toUpper() : value.toString().toLower();
    }
    case Builtin::Unknown:
        break;
    }
    return {};
}

class BuiltinValue final : public ValueNode
{
public:
    BuiltinValue(Builtin op, ValueNodes arguments)
        : m_op(op)
        , m_arguments(std::move(arguments))
    {
    }
    PlistValue value(const Context &context) const override
    {
        return applyBuiltin(m_op, valuesOf(m_arguments, context), context);
    }
    int cost() const override { return 1 + costOf(m_arguments); }

private:
    Builtin m_op;
    ValueNodes m_arguments;
};

std::unique_ptr<ValueNode> compileValue(const PredicateExpression &expression, CompileState &state)
{
    using Kind = PredicateExpression::Kind;
    switch (expression.kind()) {
    case Kind::Constant:
        return std::make_unique<ConstantValue>(expression.constantValue());
    case Kind::EvaluatedObject:
        return std::make_unique<SelfValue>();
    case Kind::Variable:
        return std::make_unique<ConstantValue>(PlistValue()); // no variables are ever bound
    case Kind::KeyPath:
        return std::make_unique<KeyValue>(
            expression.keyPath(), state.slotFor(expression.keyPath()));
    case Kind::Aggregate: {
        ValueNodes members;
        bool allConstant = true;
        for (const PredicateExpression &member : expression.arguments()) {
            members.push_back(compileValue(member, state));
            allConstant = allConstant && members.back()->constant();
        }
        if (allConstant) {
            PlistArray values;
            for (const auto &member : members)
                values.append(*member->constant());
            return std::make_unique<ConstantValue>(values);
        }
        return std::make_unique<AggregateValue>(std::move(members));
    }
    case Kind::Function:
        break;
    }
    ValueNodes arguments;
    bool allConstant = true;
    for (const PredicateExpression &argument : expression.arguments()) {
        arguments.push_back(compileValue(argument, state));
        allConstant = allConstant && arguments.back()->constant();
    }
    if (!expression.isBuiltin()) {
        const bool onSelf = expression.operand().kind() == Kind::EvaluatedObject;
        return std::make_unique<MethodValue>(onSelf, expression.selector(), std::move(arguments));
    }
    const Builtin op = builtinFor(expression.selector());
    // Fold what does not depend on the object or on the moment once, here.
    if (allConstant && op != Builtin::Now) {
        PlistArray values;
        for (const auto &argument : arguments)
            values.append(*argument->constant());
        const ValueKeyValueSource nothing { PlistValue() };
        return std::make_unique<ConstantValue>(applyBuiltin(op, values, Context(nothing)));
    }
    return std::make_unique<BuiltinValue>(op, std::move(arguments));
}

} // namespace

// ---- Predicates ------------------------------------------------------------

class PredicateEvaluator::Node
{
public:
    virtual ~Node() = default;
    virtual bool test(const Context &context) const = 0;
    // A rough price of one test() call. Criteria have no side effects, so AND and
    // OR may try the cheap ones first and often skip the dear string tests.
    virtual int cost() const { return 0; }
};

namespace {

using Node = PredicateEvaluator::Node;
using Nodes = std::vector<std::unique_ptr<Node>>;

class ConstantNode final : public Node
{
public:
    explicit ConstantNode(bool value)
        : m_value(value)
    {
    }
    bool test(const Context &) const override { return m_value; }

private:
    bool m_value;
};

int costOf(const Nodes &nodes)
{
    int total = 0;
    for (const auto &node : nodes)
        total += node->cost();
    return total;
}

Nodes cheapestFirst(Nodes members)
{
    std::stable_sort(members.begin(), members.end(),
        [](const auto &a, const auto &b) { return a->cost() < b->cost(); });
    return members;
}

class AndNode final : public Node
{
public:
    explicit AndNode(Nodes members)
        : m_members(cheapestFirst(std::move(members)))
    {
    }
    int cost() const override { return costOf(m_members); }
    bool test(const Context &context) const override
    {
        for (const auto &member : m_members) {
            if (!member->test(context))
                return false;
        }
        return true;
    }

private:
    Nodes m_members;
};

class OrNode final : public Node
{
public:
    explicit OrNode(Nodes members)
        : m_members(cheapestFirst(std::move(members)))
    {
    }
    int cost() const override { return costOf(m_members); }
    bool test(const Context &context) const override
    {
        for (const auto &member : m_members) {
            if (member->test(context))
                return true;
        }
        return false;
    }

private:
    Nodes m_members;
};

class NotNode final : public Node
{
public:
    explicit NotNode(std::unique_ptr<Node> inner)
        : m_inner(std::move(inner))
    {
    }
    bool test(const Context &context) const override { return !m_inner->test(context); }
    int cost() const override { return m_inner->cost(); }

private:
    std::unique_ptr<Node> m_inner;
};

class ComparisonNode final : public Node, private StringTest
{
public:
    static Result<std::unique_ptr<Node>> create(const Predicate &predicate, CompileState &state)
    {
        auto node = std::unique_ptr<ComparisonNode>(new ComparisonNode(predicate, state));
        if (Result<void> prepared = node->prepare(); !prepared)
            return prepared.error();
        return std::unique_ptr<Node>(std::move(node));
    }

    int cost() const override
    {
        int price = 1;
        switch (m_type) {
        case PredicateOperatorType::Matches:
        case PredicateOperatorType::Like:
            price = 8;
            break;
        case PredicateOperatorType::BeginsWith:
        case PredicateOperatorType::EndsWith:
        case PredicateOperatorType::Contains:
        case PredicateOperatorType::In:
            price = 2;
            break;
        default:
            break;
        }
        if (PredicateValues::folds(m_options))
            price += 2;
        const int values = m_left->cost() + m_right->cost();
        return m_modifier == ComparisonModifier::Direct ? price + values : 3 * price + values;
    }

    bool test(const Context &context) const override
    {
        if (m_textKey) {
            if (const std::optional<bool> answer = context.object.testText(*m_textKey, *this))
                return *answer;
        }
        PlistValue scratch;
        const PlistValue &left = m_left->valueIn(context, scratch);
        const PlistValue right = m_rightConstant ? PlistValue() : m_right->value(context);
        const PlistValue &r = m_rightConstant ? *m_rightConstant : right;
        if (m_modifier == ComparisonModifier::Direct)
            return testOne(left, r);
        // ANY and ALL need a list on the left; ANY of none fails, ALL of none holds.
        if (!isList(left))
            return false;
        for (const PlistValue &member : left.toArray()) {
            const bool passed = testOne(member, r);
            if (m_modifier == ComparisonModifier::Any && passed)
                return true;
            if (m_modifier == ComparisonModifier::All && !passed)
                return false;
        }
        return m_modifier == ComparisonModifier::All;
    }

private:
    ComparisonNode(const Predicate &predicate, CompileState &state)
        : m_left(compileValue(predicate.leftExpression(), state))
        , m_right(compileValue(predicate.rightExpression(), state))
        , m_type(predicate.operatorType())
        , m_modifier(predicate.modifier())
        , m_options(predicate.options())
    {
        m_rightConstant = m_right->constant();
    }

    bool isStringOperator() const
    {
        return m_type == PredicateOperatorType::BeginsWith
            || m_type == PredicateOperatorType::EndsWith
            || m_type == PredicateOperatorType::Contains || m_type == PredicateOperatorType::EqualTo
            || m_type == PredicateOperatorType::NotEqualTo;
    }

    Result<void> prepare()
    {
        if (!m_rightConstant || m_rightConstant->type() != PlistValue::Type::String)
            return {};
        const QString &text = m_rightConstant->toString();
        if (isStringOperator()) {
            m_needle = PredicateValues::fold(text, m_options);
            m_needleAscii = PredicateValues::isAscii(m_needle);
            m_hasNeedle = true;
            // Text on the left is tested against the needle whatever the operator.
            if (m_modifier == ComparisonModifier::Direct)
                m_textKey = m_left->plainKey();
        }
        if (m_type == PredicateOperatorType::Matches || m_type == PredicateOperatorType::Like) {
            Result<std::shared_ptr<CompiledRegex>> regex = compileRegex(text);
            if (!regex)
                return regex.error();
            m_regex = *regex;
        }
        return {};
    }

    Result<std::shared_ptr<CompiledRegex>> compileRegex(const QString &pattern) const
    {
        const bool caseInsensitive = m_options & CaseInsensitive;
        if (m_type == PredicateOperatorType::Like) {
            const QString folded = PredicateValues::fold(pattern, m_options & DiacriticInsensitive);
            return CompiledRegex::compile(
                PredicateValues::likePatternToRegularExpression(folded), caseInsensitive);
        }
        return CompiledRegex::compile(pattern, caseInsensitive);
    }

    bool test(QStringView text) const override { return testNeedle(text); }

    // A string test against the folded constant; ASCII text needs no ICU.
    bool testNeedle(QStringView value) const
    {
        if (!PredicateValues::folds(m_options))
            return substringTest(value, m_needle, Qt::CaseSensitive);
        if (PredicateValues::isAscii(value)) {
            // Folding keeps ASCII ASCII, so a needle that is not cannot occur in it.
            if (!m_needleAscii)
                return m_type == PredicateOperatorType::NotEqualTo;
            if (m_options & CaseInsensitive)
                return asciiFoldedTest(value);
            return substringTest(value, m_needle, Qt::CaseSensitive);
        }
        return substringTest(
            PredicateValues::fold(value.toString(), m_options), m_needle, Qt::CaseSensitive);
    }

    // ASCII text against the folded (lower-case) ASCII needle.
    bool asciiFoldedTest(QStringView value) const
    {
        const qsizetype length = m_needle.size();
        switch (m_type) {
        case PredicateOperatorType::EqualTo:
            return PredicateValues::asciiFoldedEquals(value, m_needle);
        case PredicateOperatorType::NotEqualTo:
            return !PredicateValues::asciiFoldedEquals(value, m_needle);
        case PredicateOperatorType::BeginsWith:
            return length > 0 && value.size() >= length
                && PredicateValues::asciiFoldedEquals(value.first(length), m_needle);
        case PredicateOperatorType::EndsWith:
            return length > 0 && value.size() >= length
                && PredicateValues::asciiFoldedEquals(value.last(length), m_needle);
        case PredicateOperatorType::Contains:
            return PredicateValues::asciiFoldedContains(value, m_needle);
        default:
            return false;
        }
    }

    bool substringTest(QStringView value, QStringView needle, Qt::CaseSensitivity cs) const
    {
        switch (m_type) {
        case PredicateOperatorType::EqualTo:
            return value.compare(needle, cs) == 0;
        case PredicateOperatorType::NotEqualTo:
            return value.compare(needle, cs) != 0;
        case PredicateOperatorType::BeginsWith:
            return !needle.isEmpty() && value.startsWith(needle, cs);
        case PredicateOperatorType::EndsWith:
            return !needle.isEmpty() && value.endsWith(needle, cs);
        case PredicateOperatorType::Contains:
            return !needle.isEmpty() && value.contains(needle, cs);
        default:
            return false;
        }
    }

    bool stringOperation(const QString &value, const QString &needle) const
    {
        if (!PredicateValues::folds(m_options))
            return substringTest(value, needle, Qt::CaseSensitive);
        return substringTest(PredicateValues::fold(value, m_options),
            PredicateValues::fold(needle, m_options), Qt::CaseSensitive);
    }

    static bool member(const PlistValue &container, const PlistValue &value)
    {
        if (container.type() == PlistValue::Type::Dictionary) {
            for (const PlistValue &entry : container.toDictionary()) {
                if (PredicateValues::equal(entry, value, 0))
                    return true;
            }
            return false;
        }
        for (const PlistValue &entry : container.toArray()) {
            if (PredicateValues::equal(entry, value, 0))
                return true;
        }
        return false;
    }

    static bool isContainer(const PlistValue &value)
    {
        return isList(value) || value.type() == PlistValue::Type::Dictionary;
    }

    bool regexTest(const QString &value, const PlistValue &pattern) const
    {
        const QString subject = (m_options & DiacriticInsensitive)
            ? PredicateValues::fold(value, DiacriticInsensitive)
            : value;
        if (m_regex)
            return m_regex->matches(subject);
        if (pattern.type() != PlistValue::Type::String || pattern.toString().isEmpty())
            return false;
        // A pattern that comes from the object itself: an invalid one simply does not match,
        // and after one has run out of time no more are tried.
        if (m_patternsTimedOut)
            return false;
        Result<std::shared_ptr<CompiledRegex>> regex = compileRegex(pattern.toString());
        if (!regex)
            return false;
        const bool matched = (*regex)->matches(subject);
        if ((*regex)->timedOut())
            m_patternsTimedOut = true;
        return matched;
    }

    bool testOne(const PlistValue &left, const PlistValue &right) const
    {
        using Type = PlistValue::Type;
        const bool leftString = left.type() == Type::String;
        switch (m_type) {
        case PredicateOperatorType::EqualTo:
        case PredicateOperatorType::NotEqualTo: {
            if (m_hasNeedle && leftString)
                return testNeedle(left.toString());
            const bool equal = PredicateValues::equal(left, right, m_options);
            return m_type == PredicateOperatorType::EqualTo ? equal : !equal;
        }
        case PredicateOperatorType::LessThan:
        case PredicateOperatorType::LessThanOrEqualTo:
        case PredicateOperatorType::GreaterThan:
        case PredicateOperatorType::GreaterThanOrEqualTo: {
            const std::optional<int> order = PredicateValues::compare(left, right, m_options);
            if (!order)
                return false;
            switch (m_type) {
            case PredicateOperatorType::LessThan:
                return *order < 0;
            case PredicateOperatorType::LessThanOrEqualTo:
                return *order <= 0;
            case PredicateOperatorType::GreaterThan:
                return *order > 0;
            default:
                return *order >= 0;
            }
        }
        case PredicateOperatorType::BeginsWith:
        case PredicateOperatorType::EndsWith:
            if (!leftString || right.type() != Type::String)
                return false;
            return m_hasNeedle ? testNeedle(left.toString())
                               : stringOperation(left.toString(), right.toString());
        case PredicateOperatorType::Contains:
            if (leftString) {
                if (right.type() != Type::String)
                    return false;
                return m_hasNeedle ? testNeedle(left.toString())
                                   : stringOperation(left.toString(), right.toString());
            }
            return isContainer(left) && member(left, right);
        case PredicateOperatorType::In:
            if (right.type() == Type::String) {
                if (!leftString)
                    return false;
                return stringContains(right.toString(), left.toString());
            }
            return isContainer(right) && member(right, left);
        case PredicateOperatorType::Matches:
        case PredicateOperatorType::Like:
            return leftString && regexTest(left.toString(), right);
        case PredicateOperatorType::Between: {
            if (!isList(right) || right.toArray().size() != 2)
                return false;
            const std::optional<int> low
                = PredicateValues::compare(left, right.toArray()[0], m_options);
            const std::optional<int> high
                = PredicateValues::compare(left, right.toArray()[1], m_options);
            return low && high && *low >= 0 && *high <= 0;
        }
        case PredicateOperatorType::CustomSelector:
            return false;
        }
        return false;
    }

    bool stringContains(const QString &haystack, const QString &needle) const
    {
        if (needle.isEmpty())
            return false;
        if (!PredicateValues::folds(m_options))
            return haystack.contains(needle);
        return PredicateValues::fold(haystack, m_options)
            .contains(PredicateValues::fold(needle, m_options));
    }

    std::unique_ptr<ValueNode> m_left;
    std::unique_ptr<ValueNode> m_right;
    PredicateOperatorType m_type;
    ComparisonModifier m_modifier;
    int m_options;
    const PlistValue *m_rightConstant = nullptr; // owned by m_right
    bool m_hasNeedle = false;
    QString m_needle;
    bool m_needleAscii = false;
    const PreparedKey *m_textKey = nullptr; // owned by m_left; set when text can be tested in place
    std::shared_ptr<CompiledRegex> m_regex;
    mutable std::atomic<bool> m_patternsTimedOut = false;
};

Result<std::unique_ptr<Node>> compileNode(
    const Predicate &predicate, int depth, CompileState &state)
{
    // Trees from archives are decoded with a depth bound too; this keeps recursion safe.
    if (depth > 1000)
        return Error(
            Error::Code::Unsupported, QStringLiteral("The criteria are nested too deeply."));
    switch (predicate.kind()) {
    case Predicate::Kind::True:
        return std::unique_ptr<Node>(std::make_unique<ConstantNode>(true));
    case Predicate::Kind::False:
        return std::unique_ptr<Node>(std::make_unique<ConstantNode>(false));
    case Predicate::Kind::Comparison:
        return ComparisonNode::create(predicate, state);
    case Predicate::Kind::Compound:
        break;
    }
    Nodes members;
    for (const Predicate &sub : predicate.subpredicates()) {
        Result<std::unique_ptr<Node>> member = compileNode(sub, depth + 1, state);
        if (!member)
            return member.error();
        members.push_back(std::move(*member));
    }
    switch (predicate.compoundType()) {
    case CompoundPredicateType::And:
        return std::unique_ptr<Node>(std::make_unique<AndNode>(std::move(members)));
    case CompoundPredicateType::Or:
        return std::unique_ptr<Node>(std::make_unique<OrNode>(std::move(members)));
    case CompoundPredicateType::Not:
        if (members.size() != 1)
            return Error(
                Error::Code::InvalidArgument, QStringLiteral("NOT takes exactly one criterion."));
        return std::unique_ptr<Node>(std::make_unique<NotNode>(std::move(members.front())));
    }
    return Error(Error::Code::Unsupported, QStringLiteral("Unknown kind of compound criteria."));
}

} // namespace

Result<PredicateEvaluator> PredicateEvaluator::compile(const Predicate &predicate)
{
    CompileState state;
    Result<std::unique_ptr<Node>> root = compileNode(predicate, 0, state);
    if (!root)
        return root.error();
    return PredicateEvaluator(std::shared_ptr<const Node>(std::move(*root)));
}

bool PredicateEvaluator::evaluate(const KeyValueSource &object) const
{
    return m_root->test(Context(object));
}

bool PredicateEvaluator::evaluateValue(const PlistValue &value) const
{
    return evaluate(ValueKeyValueSource(value));
}

} // namespace vidarium
