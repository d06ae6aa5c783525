#pragma once

// A predicate compiled for evaluation over many objects: constants folded and
// strings pre-folded once, regular expressions compiled once (an invalid one
// makes compile() fail), and an ASCII path that needs no ICU call per object.
// The moment now() stands for is taken once per evaluate() call, or fixed at
// compile time for a pass over many objects, where it folds with the constants
// around it (a "last seven days" date is then worked out once, not per object).
// Threads: evaluate() may run on several threads at once; copies share the
// compiled tree.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <memory>
#include <optional>

namespace vidarium {

class KeyValueSource;
class Predicate;

class PredicateEvaluator
{
public:
    class Node;

    static Result<PredicateEvaluator> compile(const Predicate &predicate);
    // now() fixed at `moment` (seconds since 2001-01-01, as stored dates).
    static Result<PredicateEvaluator> compile(const Predicate &predicate, double moment);
    static double currentMoment();

    // Whether the criteria call now(): an evaluator fixed at a moment grows stale.
    bool readsNow() const { return m_readsNow; }

    bool evaluate(const KeyValueSource &object) const;
    // Against a plain value (a string, for predicates over SELF).
    bool evaluateValue(const PlistValue &value) const;

private:
    PredicateEvaluator(std::shared_ptr<const Node> root, bool readsNow)
        : m_root(std::move(root))
        , m_readsNow(readsNow)
    {
    }
    static Result<PredicateEvaluator> compile(
        const Predicate &predicate, std::optional<double> moment);

    std::shared_ptr<const Node> m_root;
    bool m_readsNow = false;
};

} // namespace vidarium
