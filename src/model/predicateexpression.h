#pragma once

// One side of a comparison in the criteria language: a constant, the evaluated
// object (SELF), a key path, a function (a method called on an operand, or one of
// the language's built-ins such as now(), CAST and arithmetic), a variable, or an
// aggregate {a, b}. An immutable value, cheap to copy (shared tree).
// Threads: immutable; copies may cross threads.

#include "platform/plist/plistvalue.h"

#include <QList>
#include <QString>

#include <memory>

namespace vidarium {

class PredicateExpression
{
public:
    // The numbers are those of the archived form (NSExpressionType).
    enum class Kind {
        Constant = 0,
        EvaluatedObject = 1,
        Variable = 2,
        KeyPath = 3,
        Function = 4,
        Aggregate = 14,
    };

    // The nil constant.
    PredicateExpression();

    static PredicateExpression constant(const PlistValue &value);
    static PredicateExpression evaluatedObject();
    static PredicateExpression variable(const QString &name);
    // A key path on the evaluated object ("name", "userKeywordObjects.name").
    static PredicateExpression keyPath(const QString &path);
    // FUNCTION(operand, 'selector', arguments...): a method of the operand.
    static PredicateExpression function(const PredicateExpression &operand, const QString &selector,
        const QList<PredicateExpression> &arguments);
    // A built-in of the language by its selector name: "now", "castObject:toType:",
    // "from:subtract:", "add:to:", "multiply:by:", "divide:by:", "raise:toPower:", "count:", ...
    static PredicateExpression builtin(
        const QString &selector, const QList<PredicateExpression> &arguments);
    static PredicateExpression aggregate(const QList<PredicateExpression> &members);

    Kind kind() const;
    const PlistValue &constantValue() const; // Constant
    const QString &keyPath() const; // KeyPath; the name of a Variable
    const QString &selector() const; // Function
    bool isBuiltin() const; // Function without operand
    const PredicateExpression &operand() const; // Function that is not built-in
    const QList<PredicateExpression> &arguments() const; // Function arguments, Aggregate members

    // The text in the predicate format syntax; parsing it gives an equal expression.
    QString format() const;

    // Structural equality (constants by value, numbers keep integer versus real).
    bool operator==(const PredicateExpression &other) const;
    bool operator!=(const PredicateExpression &other) const { return !(*this == other); }

private:
    struct Data;
    explicit PredicateExpression(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> d;
};

} // namespace vidarium
