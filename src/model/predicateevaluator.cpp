#include "predicateevaluator.h"

#include "keyvaluesource.h"
#include "predicate.h"
#include "predicateevaluation.h"

#include <QDateTime>

#include <algorithm>
#include <vector>

namespace vidarium {

namespace {

using evaluation::CompileState;
using evaluation::Context;
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
        return evaluation::compileComparison(predicate, state);
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
    return compile(predicate, std::nullopt);
}

Result<PredicateEvaluator> PredicateEvaluator::compile(const Predicate &predicate, double moment)
{
    return compile(predicate, std::optional<double>(moment));
}

Result<PredicateEvaluator> PredicateEvaluator::compile(
    const Predicate &predicate, std::optional<double> moment)
{
    CompileState state;
    state.moment = moment;
    Result<std::unique_ptr<Node>> root = compileNode(predicate, 0, state);
    if (!root)
        return root.error();
    return PredicateEvaluator(std::shared_ptr<const Node>(std::move(*root)), state.readsNow);
}

double PredicateEvaluator::currentMoment()
{
    // Seconds between the Unix epoch and 2001-01-01, the reference of stored dates.
    constexpr double unixToReferenceSeconds = 978307200.0;
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - unixToReferenceSeconds;
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
