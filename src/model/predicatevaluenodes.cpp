#include "predicateevaluation.h"
#include "predicateexpression.h"
#include "predicatefunctions.h"

namespace vidarium::evaluation {

namespace {

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

} // namespace

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
    if (op == Builtin::Now) {
        state.readsNow = true;
        if (state.moment)
            return std::make_unique<ConstantValue>(PlistDate { *state.moment });
    }
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

} // namespace vidarium::evaluation
