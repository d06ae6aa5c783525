#include "predicateeditortemplate.h"

#include <QCoreApplication>

namespace vidarium {

namespace {

bool isPlainNumber(const PlistValue &value)
{
    return value.type() == PlistValue::Type::Integer || value.type() == PlistValue::Type::Real;
}

bool valueFits(const PredicateEditorTemplate &t, const PlistValue &value)
{
    using Kind = PredicateEditorTemplate::ValueKind;
    switch (t.valueKind) {
    case Kind::Text:
        return value.type() == PlistValue::Type::String;
    case Kind::Integer:
    case Kind::Double:
        return isPlainNumber(value);
    case Kind::Date:
        return value.type() == PlistValue::Type::Date;
    case Kind::Constants:
        return t.constantIndex(value) >= 0;
    }
    return false;
}

} // namespace

int PredicateEditorTemplate::constantIndex(const PlistValue &value) const
{
    for (qsizetype i = 0; i < constants.size(); ++i) {
        const PlistValue &constant = constants.at(i);
        // A stored 4.0 is the rating 4, but a boolean is never the number 1.
        const bool sameKind
            = constant.type() == value.type() || (isPlainNumber(constant) && isPlainNumber(value));
        if (!sameKind)
            continue;
        if (isPlainNumber(value) ? constant.toDouble() == value.toDouble() : constant == value)
            return int(i);
    }
    return -1;
}

bool PredicateEditorTemplate::accepts(const Predicate &comparison) const
{
    if (!comparison.isComparison()
        || comparison.operatorType() == PredicateOperatorType::CustomSelector)
        return false;
    const PredicateExpression &left = comparison.leftExpression();
    const PredicateExpression &right = comparison.rightExpression();
    return left.kind() == PredicateExpression::Kind::KeyPath && keyPaths.contains(left.keyPath())
        && operators.contains(comparison.operatorType()) && comparison.modifier() == modifier
        && comparison.options() == options && right.kind() == PredicateExpression::Kind::Constant
        && valueFits(*this, right.constantValue());
}

QString PredicateEditorTemplate::operatorTitle(PredicateOperatorType type, ValueKind kind)
{
    const auto tr
        = [](const char *text) { return QCoreApplication::translate("PredicateEditor", text); };
    const bool date = kind == ValueKind::Date;
    switch (type) {
    case PredicateOperatorType::EqualTo:
        return tr("is");
    case PredicateOperatorType::NotEqualTo:
        return tr("is not");
    case PredicateOperatorType::BeginsWith:
        return tr("begins with");
    case PredicateOperatorType::EndsWith:
        return tr("ends with");
    case PredicateOperatorType::Contains:
        return tr("contains");
    case PredicateOperatorType::Matches:
        return tr("matches");
    case PredicateOperatorType::LessThan:
        return date ? tr("is before") : tr("is less than");
    case PredicateOperatorType::LessThanOrEqualTo:
        return date ? tr("is on or before") : tr("is at most");
    case PredicateOperatorType::GreaterThan:
        return date ? tr("is after") : tr("is greater than");
    case PredicateOperatorType::GreaterThanOrEqualTo:
        return date ? tr("is on or after") : tr("is at least");
    default:
        return Predicate::operatorName(type);
    }
}

} // namespace vidarium
