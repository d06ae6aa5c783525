#include "predicate.h"

#include "keyvaluesource.h"
#include "predicateevaluator.h"
#include "predicateparser.h"

#include <QStringList>

#include <mutex>
#include <optional>

namespace vidarium {

struct Predicate::Data
{
    Kind kind = Kind::True;
    PredicateExpression left;
    PredicateExpression right;
    PredicateOperatorType operatorType = PredicateOperatorType::EqualTo;
    ComparisonModifier modifier = ComparisonModifier::Direct;
    int options = 0;
    QString customSelector;
    CompoundPredicateType compoundType = CompoundPredicateType::And;
    QList<Predicate> subpredicates;
    // Compiled on first evaluation and shared by every copy, so that callers who
    // evaluate one predicate over many objects compile it once.
    mutable std::once_flag compiledOnce;
    mutable std::optional<Result<PredicateEvaluator>> compiled;
};

namespace {

QString optionsText(int options)
{
    QString letters;
    if (options & CaseInsensitive)
        letters += QLatin1Char('c');
    if (options & DiacriticInsensitive)
        letters += QLatin1Char('d');
    if (options & LocaleSensitive)
        letters += QLatin1Char('l');
    if (options & Normalized)
        letters += QLatin1Char('n');
    if (options & WordMatch)
        letters += QLatin1Char('w');
    return letters.isEmpty() ? QString() : QLatin1Char('[') + letters + QLatin1Char(']');
}

} // namespace

Predicate::Predicate()
    : d(std::make_shared<Data>())
{
}

Predicate::Predicate(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

Predicate Predicate::truePredicate()
{
    return Predicate();
}

Predicate Predicate::falsePredicate()
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::False;
    return Predicate(std::move(data));
}

Predicate Predicate::comparison(const PredicateExpression &left, PredicateOperatorType type,
    const PredicateExpression &right, ComparisonModifier modifier, int options)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Comparison;
    data->left = left;
    data->right = right;
    data->operatorType = type;
    data->modifier = modifier;
    data->options = options;
    return Predicate(std::move(data));
}

Predicate Predicate::customComparison(const PredicateExpression &left, const QString &selector,
    const PredicateExpression &right, ComparisonModifier modifier)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Comparison;
    data->left = left;
    data->right = right;
    data->operatorType = PredicateOperatorType::CustomSelector;
    data->modifier = modifier;
    data->customSelector = selector;
    return Predicate(std::move(data));
}

Predicate Predicate::compound(CompoundPredicateType type, const QList<Predicate> &subpredicates)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Compound;
    data->compoundType = type;
    data->subpredicates = subpredicates;
    return Predicate(std::move(data));
}

Predicate Predicate::andPredicate(const QList<Predicate> &subpredicates)
{
    return compound(CompoundPredicateType::And, subpredicates);
}

Predicate Predicate::orPredicate(const QList<Predicate> &subpredicates)
{
    return compound(CompoundPredicateType::Or, subpredicates);
}

Result<Predicate> Predicate::parse(const QString &format)
{
    return PredicateParser(format, {}).parse();
}

Result<Predicate> Predicate::fromFormat(const QString &format, const PlistArray &arguments)
{
    return PredicateParser(format, arguments).parse();
}

Predicate::Kind Predicate::kind() const
{
    return d->kind;
}

const PredicateExpression &Predicate::leftExpression() const
{
    return d->left;
}

const PredicateExpression &Predicate::rightExpression() const
{
    return d->right;
}

PredicateOperatorType Predicate::operatorType() const
{
    return d->operatorType;
}

ComparisonModifier Predicate::modifier() const
{
    return d->modifier;
}

int Predicate::options() const
{
    return d->options;
}

const QString &Predicate::customSelector() const
{
    return d->customSelector;
}

CompoundPredicateType Predicate::compoundType() const
{
    return d->compoundType;
}

const QList<Predicate> &Predicate::subpredicates() const
{
    return d->subpredicates;
}

QString Predicate::operatorName(PredicateOperatorType type)
{
    switch (type) {
    case PredicateOperatorType::LessThan:
        return QStringLiteral("<");
    case PredicateOperatorType::LessThanOrEqualTo:
        return QStringLiteral("<=");
    case PredicateOperatorType::GreaterThan:
        return QStringLiteral(">");
    case PredicateOperatorType::GreaterThanOrEqualTo:
        return QStringLiteral(">=");
    case PredicateOperatorType::EqualTo:
        return QStringLiteral("==");
    case PredicateOperatorType::NotEqualTo:
        return QStringLiteral("!=");
    case PredicateOperatorType::Matches:
        return QStringLiteral("MATCHES");
    case PredicateOperatorType::Like:
        return QStringLiteral("LIKE");
    case PredicateOperatorType::BeginsWith:
        return QStringLiteral("BEGINSWITH");
    case PredicateOperatorType::EndsWith:
        return QStringLiteral("ENDSWITH");
    case PredicateOperatorType::In:
        return QStringLiteral("IN");
    case PredicateOperatorType::CustomSelector:
        return QStringLiteral("FUNCTION");
    case PredicateOperatorType::Contains:
        return QStringLiteral("CONTAINS");
    case PredicateOperatorType::Between:
        return QStringLiteral("BETWEEN");
    }
    return QString();
}

QString Predicate::format() const
{
    switch (d->kind) {
    case Kind::True:
        return QStringLiteral("TRUEPREDICATE");
    case Kind::False:
        return QStringLiteral("FALSEPREDICATE");
    case Kind::Comparison: {
        QString text;
        if (d->modifier == ComparisonModifier::Any)
            text = QStringLiteral("ANY ");
        else if (d->modifier == ComparisonModifier::All)
            text = QStringLiteral("ALL ");
        // A custom selector has no text form of its own; show it as a call.
        const QString op = d->operatorType == PredicateOperatorType::CustomSelector
            ? d->customSelector
            : operatorName(d->operatorType) + optionsText(d->options);
        return text + d->left.format() + QLatin1Char(' ') + op + QLatin1Char(' ')
            + d->right.format();
    }
    case Kind::Compound:
        break;
    }
    auto member = [](const Predicate &sub) {
        return sub.isCompound() && sub.subpredicates().size() != 1
            ? QLatin1Char('(') + sub.format() + QLatin1Char(')')
            : sub.format();
    };
    if (d->compoundType == CompoundPredicateType::Not)
        return QStringLiteral("NOT ")
            + (d->subpredicates.isEmpty() ? QStringLiteral("TRUEPREDICATE")
                                          : member(d->subpredicates.first()));
    // An empty AND holds and an empty OR fails, as they evaluate.
    if (d->subpredicates.isEmpty())
        return d->compoundType == CompoundPredicateType::And ? QStringLiteral("TRUEPREDICATE")
                                                             : QStringLiteral("FALSEPREDICATE");
    QStringList parts;
    for (const Predicate &sub : d->subpredicates)
        parts.append(member(sub));
    return parts.join(d->compoundType == CompoundPredicateType::And ? QLatin1String(" AND ")
                                                                    : QLatin1String(" OR "));
}

Result<PredicateEvaluator> Predicate::evaluator() const
{
    std::call_once(
        d->compiledOnce, [this] { d->compiled.emplace(PredicateEvaluator::compile(*this)); });
    return *d->compiled;
}

Result<PredicateEvaluator> Predicate::evaluatorForOnePass() const
{
    Result<PredicateEvaluator> compiled = evaluator();
    if (!compiled || !compiled->readsNow())
        return compiled;
    return PredicateEvaluator::compile(*this, PredicateEvaluator::currentMoment());
}

Result<bool> Predicate::evaluate(const KeyValueSource &object) const
{
    const Result<PredicateEvaluator> compiled = evaluator();
    if (!compiled)
        return compiled.error();
    return compiled->evaluate(object);
}

Result<bool> Predicate::evaluateWithValue(const PlistValue &value) const
{
    return evaluate(ValueKeyValueSource(value));
}

bool Predicate::operator==(const Predicate &other) const
{
    if (d == other.d)
        return true;
    if (d->kind != other.d->kind)
        return false;
    switch (d->kind) {
    case Kind::True:
    case Kind::False:
        return true;
    case Kind::Comparison:
        return d->operatorType == other.d->operatorType && d->modifier == other.d->modifier
            && d->options == other.d->options && d->customSelector == other.d->customSelector
            && d->left == other.d->left && d->right == other.d->right;
    case Kind::Compound:
        return d->compoundType == other.d->compoundType
            && d->subpredicates == other.d->subpredicates;
    }
    return false;
}

} // namespace vidarium
