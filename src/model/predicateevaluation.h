#pragma once

// What the parts of a compiled predicate share: the per-object context, the value
// nodes that read keys and call functions, and the predicate nodes. Internal to
// the evaluator; nothing outside src/model/predicate*.cpp includes it.
// Threads: the compiled nodes are immutable and shared; a Context belongs to one
// evaluate() call.

#include "keyvaluesource.h"
#include "predicateevaluator.h"
#include "predicateslots.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace vidarium {

class Predicate;
class PredicateExpression;

namespace evaluation {

// Key paths read more than once by one predicate (the items search asks for "name"
// once per word) are read once per object: the first distinct paths get a slot.
constexpr int keySlotCount = 16;

class Context
{
public:
    explicit Context(const KeyValueSource &source)
        : object(source)
    {
    }

    // The value of the key in the slot, read on first use: most criteria use two
    // or three of the slots.
    template <typename Read> const PlistValue &keyValue(int slot, const Read &read) const
    {
        return m_keyValues.value(slot, read);
    }

    // The moment now() stands for, the same for the whole evaluation.
    double nowSeconds() const
    {
        if (!m_now)
            m_now = PredicateEvaluator::currentMoment();
        return *m_now;
    }

    const KeyValueSource &object;

private:
    mutable std::optional<double> m_now;
    mutable PredicateSlots<PlistValue, keySlotCount> m_keyValues;
};

// What compiling one predicate shares among its nodes.
struct CompileState
{
    QHash<QString, int> keySlots;
    // When set, now() is this moment and folds with the constants around it.
    std::optional<double> moment;
    bool readsNow = false;

    // The slot of the key path, or -1 once all are taken.
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

inline bool isList(const PlistValue &value)
{
    return value.type() == PlistValue::Type::Array || value.type() == PlistValue::Type::Set;
}

// An expression compiled: a constant, a key of the object, a function of others.
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

using ValueNodes = std::vector<std::unique_ptr<ValueNode>>;

// Constant parts are folded here, once.
std::unique_ptr<ValueNode> compileValue(const PredicateExpression &expression, CompileState &state);

} // namespace evaluation

class PredicateEvaluator::Node
{
public:
    virtual ~Node() = default;
    virtual bool test(const evaluation::Context &context) const = 0;
    // A rough price of one test() call. Criteria have no side effects, so AND and
    // OR may try the cheap ones first and often skip the dear string tests.
    virtual int cost() const { return 0; }
};

namespace evaluation {

// A comparison of two expressions; fails for a regular expression that does not compile.
Result<std::unique_ptr<PredicateEvaluator::Node>> compileComparison(
    const Predicate &predicate, CompileState &state);

} // namespace evaluation

} // namespace vidarium
