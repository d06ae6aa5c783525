#pragma once

// A criterion of the criteria language: always-true or always-false, a
// comparison of two expressions, or a compound (AND, OR, NOT) over predicates.
// Built from format text with arguments (%@ object, %K key path, %d integer) or
// from parts; prints back to format text that parses to an equal tree.
// Evaluation goes through PredicateEvaluator, which compiles the tree once.
// Threads: immutable; copies may cross threads.

#include "model/predicateexpression.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QList>
#include <QString>

#include <memory>

namespace vidarium {

class KeyValueSource;
class PredicateEvaluator;

// The numbers are those of the archived form.
enum class PredicateOperatorType {
    LessThan = 0,
    LessThanOrEqualTo = 1,
    GreaterThan = 2,
    GreaterThanOrEqualTo = 3,
    EqualTo = 4,
    NotEqualTo = 5,
    Matches = 6,
    Like = 7,
    BeginsWith = 8,
    EndsWith = 9,
    In = 10,
    CustomSelector = 11, // read from archives only; evaluates to false
    Contains = 99,
    Between = 100,
};

enum class ComparisonModifier { Direct = 0, All = 1, Any = 2 };

// Option bits of a comparison; they print as [c], [d], [l], [n], [w].
enum PredicateOption : int {
    CaseInsensitive = 0x01,
    DiacriticInsensitive = 0x02,
    Normalized = 0x04,
    LocaleSensitive = 0x08,
    WordMatch = 0x10,
};

enum class CompoundPredicateType { Not = 0, And = 1, Or = 2 };

class Predicate
{
public:
    enum class Kind { True, False, Comparison, Compound };

    // The always-true predicate.
    Predicate();

    static Predicate truePredicate();
    static Predicate falsePredicate();
    static Predicate comparison(const PredicateExpression &left, PredicateOperatorType type,
        const PredicateExpression &right, ComparisonModifier modifier = ComparisonModifier::Direct,
        int options = 0);
    static Predicate compound(CompoundPredicateType type, const QList<Predicate> &subpredicates);
    static Predicate andPredicate(const QList<Predicate> &subpredicates);
    static Predicate orPredicate(const QList<Predicate> &subpredicates);

    // Parses format text without arguments. A text that does not parse gives an
    // error whose message names the position (counted from 1) and what was expected.
    static Result<Predicate> parse(const QString &format);
    // Parses format text, substituting the arguments in order: %@ an object
    // (a string, number, boolean, date, array...), %K a key path (a string),
    // %d/%i/%ld/%lld an integer, %f a real, %% a percent sign.
    static Result<Predicate> fromFormat(const QString &format, const PlistArray &arguments);

    Kind kind() const;
    bool isComparison() const { return kind() == Kind::Comparison; }
    bool isCompound() const { return kind() == Kind::Compound; }

    // Comparison parts.
    const PredicateExpression &leftExpression() const;
    const PredicateExpression &rightExpression() const;
    PredicateOperatorType operatorType() const;
    ComparisonModifier modifier() const;
    int options() const;
    // The selector of a CustomSelector operator read from an archive.
    const QString &customSelector() const;
    static Predicate customComparison(const PredicateExpression &left, const QString &selector,
        const PredicateExpression &right, ComparisonModifier modifier);

    // Compound parts.
    CompoundPredicateType compoundType() const;
    const QList<Predicate> &subpredicates() const;

    // The format text: what users see and type.
    QString format() const;

    // The compiled form, made on first use and shared by every copy of this predicate;
    // fails when the predicate cannot be evaluated (an invalid MATCHES expression).
    Result<PredicateEvaluator> evaluator() const;
    // For one pass over many objects: now() is read once, at the start.
    Result<PredicateEvaluator> evaluatorForOnePass() const;
    // Evaluates through evaluator(), so evaluating one predicate over many objects
    // compiles it once.
    Result<bool> evaluate(const KeyValueSource &object) const;
    // Against a plain value (a string, for predicates over SELF).
    Result<bool> evaluateWithValue(const PlistValue &value) const;

    // Structural equality.
    bool operator==(const Predicate &other) const;
    bool operator!=(const Predicate &other) const { return !(*this == other); }

    static QString operatorName(PredicateOperatorType type);

private:
    struct Data;
    explicit Predicate(std::shared_ptr<const Data> data);
    std::shared_ptr<const Data> d;
};

} // namespace vidarium
