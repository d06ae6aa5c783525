#pragma once

// A predicate compiled for evaluation over many objects: constants folded and
// strings pre-folded once, regular expressions compiled once (an invalid one
// makes compile() fail), and an ASCII path that needs no ICU call per object.
// The moment now() stands for is taken once per evaluate() call.
// Threads: evaluate() may run on several threads at once; copies share the
// compiled tree.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <memory>

namespace vidarium {

class KeyValueSource;
class Predicate;

class PredicateEvaluator
{
public:
    class Node;

    static Result<PredicateEvaluator> compile(const Predicate &predicate);

    bool evaluate(const KeyValueSource &object) const;
    // Against a plain value (a string, for predicates over SELF).
    bool evaluateValue(const PlistValue &value) const;

private:
    explicit PredicateEvaluator(std::shared_ptr<const Node> root)
        : m_root(std::move(root))
    {
    }
    std::shared_ptr<const Node> m_root;
};

} // namespace vidarium
