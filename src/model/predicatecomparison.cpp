#include "predicate.h"
#include "predicateevaluation.h"
#include "predicateregex.h"
#include "predicatevalues.h"

#include <atomic>

namespace vidarium::evaluation {

namespace {

using Node = PredicateEvaluator::Node;

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
            Result<std::shared_ptr<PredicateRegex>> regex = compileRegex(text);
            if (!regex)
                return regex.error();
            m_regex = *regex;
        }
        return {};
    }

    Result<std::shared_ptr<PredicateRegex>> compileRegex(const QString &pattern) const
    {
        const bool caseInsensitive = m_options & CaseInsensitive;
        if (m_type == PredicateOperatorType::Like) {
            const QString folded = PredicateValues::fold(pattern, m_options & DiacriticInsensitive);
            return PredicateRegex::compile(
                PredicateValues::likePatternToRegularExpression(folded), caseInsensitive);
        }
        return PredicateRegex::compile(pattern, caseInsensitive);
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
        Result<std::shared_ptr<PredicateRegex>> regex = compileRegex(pattern.toString());
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
    std::shared_ptr<PredicateRegex> m_regex;
    mutable std::atomic<bool> m_patternsTimedOut = false;
};

} // namespace

Result<std::unique_ptr<Node>> compileComparison(const Predicate &predicate, CompileState &state)
{
    return ComparisonNode::create(predicate, state);
}

} // namespace vidarium::evaluation
