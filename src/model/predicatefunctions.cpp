#include "predicatefunctions.h"

#include "predicateevaluation.h"
#include "predicatevalues.h"

#include <QHash>
#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace vidarium::evaluation {

namespace {

// The platform's date text, "2001-01-01 00:00:00 +0000", as CAST reads it; nil for
// anything else.
PlistValue dateFromText(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2}) ([+-])(\\d{2})(\\d{2})\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    auto number = [&match](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!date.isValid() || !time.isValid() || number(8) > 23 || number(9) > 59)
        return {};
    const int sign = match.capturedView(7) == QLatin1String("-") ? -1 : 1;
    const qint64 offset = sign * (number(8) * 3600 + number(9) * 60);
    const QDateTime stated(date, time, Qt::UTC);
    return PlistDate::fromDateTime(stated.addSecs(-offset));
}

PlistValue cast(const PlistValue &value, const QString &type)
{
    if (type == QLatin1String("NSNumber")) {
        if (value.type() == PlistValue::Type::Date)
            return value.toDate().secondsSince2001;
        if (value.isNumber())
            return value;
        if (value.type() == PlistValue::Type::String) {
            bool ok = false;
            const double number = value.toString().trimmed().toDouble(&ok);
            return ok ? PlistValue(number) : PlistValue();
        }
        return {};
    }
    if (type == QLatin1String("NSDate")) {
        if (value.type() == PlistValue::Type::Date)
            return value;
        if (value.isNumber() && value.type() != PlistValue::Type::Bool)
            return PlistDate { value.toDouble() };
        if (value.type() == PlistValue::Type::String)
            return dateFromText(value.toString());
        return {};
    }
    if (type == QLatin1String("NSString")) {
        if (value.type() == PlistValue::Type::String)
            return value;
        if (value.type() == PlistValue::Type::Integer)
            return QString::number(value.toInteger());
        if (value.type() == PlistValue::Type::Real)
            return QString::number(value.toDouble(), 'g', 17);
        return {};
    }
    return value;
}

PlistValue arithmetic(Builtin op, const PlistValue &a, const PlistValue &b)
{
    if (!a.isNumber() || !b.isNumber())
        return {};
    const bool integers = a.type() != PlistValue::Type::Real && b.type() != PlistValue::Type::Real;
    if (integers && (op == Builtin::Add || op == Builtin::Subtract || op == Builtin::Multiply)) {
        qint64 result = 0;
        bool overflow = false;
        if (op == Builtin::Add)
            overflow = __builtin_add_overflow(a.toInteger(), b.toInteger(), &result);
        else if (op == Builtin::Subtract)
            overflow = __builtin_sub_overflow(a.toInteger(), b.toInteger(), &result);
        else
            overflow = __builtin_mul_overflow(a.toInteger(), b.toInteger(), &result);
        if (!overflow)
            return result;
    }
    const double x = a.toDouble();
    const double y = b.toDouble();
    switch (op) {
    case Builtin::Add:
        return x + y;
    case Builtin::Subtract:
        return x - y;
    case Builtin::Multiply:
        return x * y;
    case Builtin::Divide:
        return x / y;
    case Builtin::Power:
        return std::pow(x, y);
    default:
        return {};
    }
}

PlistValue aggregateOf(Builtin op, const PlistValue &collection)
{
    if (!isList(collection))
        return {};
    const PlistArray &members = collection.toArray();
    if (op == Builtin::Min || op == Builtin::Max) {
        PlistValue best;
        for (const PlistValue &member : members) {
            const std::optional<int> order = best.isValid()
                ? PredicateValues::compare(member, best, 0)
                : std::optional<int>(0);
            if (!best.isValid() || (order && (op == Builtin::Min ? *order < 0 : *order > 0)))
                best = member;
        }
        return best;
    }
    double sum = 0;
    for (const PlistValue &member : members) {
        if (!member.isNumber())
            return {};
        sum += member.toDouble();
    }
    if (op == Builtin::Sum)
        return sum;
    return members.isEmpty() ? PlistValue() : PlistValue(sum / double(members.size()));
}

} // namespace

Builtin builtinFor(const QString &selector)
{
    static const QHash<QString, Builtin> table = {
        { QStringLiteral("now"), Builtin::Now },
        { QStringLiteral("castObject:toType:"), Builtin::Cast },
        { QStringLiteral("add:to:"), Builtin::Add },
        { QStringLiteral("from:subtract:"), Builtin::Subtract },
        { QStringLiteral("multiply:by:"), Builtin::Multiply },
        { QStringLiteral("divide:by:"), Builtin::Divide },
        { QStringLiteral("raise:toPower:"), Builtin::Power },
        { QStringLiteral("count:"), Builtin::Count },
        { QStringLiteral("sum:"), Builtin::Sum },
        { QStringLiteral("average:"), Builtin::Average },
        { QStringLiteral("min:"), Builtin::Min },
        { QStringLiteral("max:"), Builtin::Max },
        { QStringLiteral("abs:"), Builtin::Abs },
        { QStringLiteral("uppercase:"), Builtin::Uppercase },
        { QStringLiteral("lowercase:"), Builtin::Lowercase },
    };
    return table.value(selector, Builtin::Unknown);
}

PlistValue applyBuiltin(Builtin op, const PlistArray &arguments, const Context &context)
{
    auto argument
        = [&arguments](int i) { return i < arguments.size() ? arguments[i] : PlistValue(); };
    switch (op) {
    case Builtin::Now:
        return PlistDate { context.nowSeconds() };
    case Builtin::Cast:
        return cast(argument(0), argument(1).toString());
    case Builtin::Add:
    case Builtin::Subtract:
    case Builtin::Multiply:
    case Builtin::Divide:
    case Builtin::Power:
        return arithmetic(op, argument(0), argument(1));
    case Builtin::Count: {
        const PlistValue value = argument(0);
        if (isList(value))
            return qint64(value.toArray().size());
        if (value.type() == PlistValue::Type::Dictionary)
            return qint64(value.toDictionary().size());
        return {};
    }
    case Builtin::Sum:
    case Builtin::Average:
    case Builtin::Min:
    case Builtin::Max:
        return aggregateOf(op, argument(0));
    case Builtin::Abs: {
        const PlistValue value = argument(0);
        if (value.type() == PlistValue::Type::Integer
            && value.toInteger() != std::numeric_limits<qint64>::min())
            return qint64(std::llabs(value.toInteger()));
        return value.isNumber() ? PlistValue(std::fabs(value.toDouble())) : PlistValue();
    }
    case Builtin::Uppercase:
    case Builtin::Lowercase: {
        const PlistValue value = argument(0);
        if (value.type() != PlistValue::Type::String)
            return {};
        return op == Builtin::Uppercase ? value.toString().toUpper() : value.toString().toLower();
    }
    case Builtin::Unknown:
        break;
    }
    return {};
}

} // namespace vidarium::evaluation
