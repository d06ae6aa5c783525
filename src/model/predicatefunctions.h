#pragma once

// The criteria's built-in functions: now(), CAST, arithmetic, the aggregate
// operators (count, sum, average, min, max) and a few on single values. Internal
// to the evaluator.
// Threads: stateless; safe from any thread.

#include "platform/plist/plistvalue.h"

#include <QString>

namespace vidarium::evaluation {

class Context;

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

Builtin builtinFor(const QString &selector);
// Nil for arguments the function does not take (a string to add, a number to count).
PlistValue applyBuiltin(Builtin op, const PlistArray &arguments, const Context &context);

} // namespace vidarium::evaluation
