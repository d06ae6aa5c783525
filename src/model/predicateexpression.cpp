#include "predicateexpression.h"

#include "predicatesyntax.h"

#include <QStringList>

#include <optional>

namespace vidarium {

struct PredicateExpression::Data
{
    Kind kind = Kind::Constant;
    PlistValue constant; // Constant
    QString name; // KeyPath, Variable; selector of a Function
    bool builtin = false; // Function without operand
    std::optional<PredicateExpression> operand;
    QList<PredicateExpression> arguments; // Function, Aggregate
};

namespace {

const PlistValue &invalidValue()
{
    static const PlistValue value;
    return value;
}

const QString &emptyString()
{
    static const QString value;
    return value;
}

const QList<PredicateExpression> &emptyList()
{
    static const QList<PredicateExpression> value;
    return value;
}

// Built-ins written as infix operators, with their binding strength.
struct Infix
{
    const char *selector;
    const char *symbol;
    int precedence;
};
constexpr Infix infixOperators[] = {
    { "add:to:", "+", 1 },
    { "from:subtract:", "-", 1 },
    { "multiply:by:", "*", 2 },
    { "divide:by:", "/", 2 },
    { "raise:toPower:", "**", 3 },
};

const Infix *infixFor(const PredicateExpression &expression)
{
    if (expression.kind() != PredicateExpression::Kind::Function || !expression.isBuiltin()
        || expression.arguments().size() != 2)
        return nullptr;
    for (const Infix &infix : infixOperators) {
        if (expression.selector() == QLatin1String(infix.selector))
            return &infix;
    }
    return nullptr;
}

QString constantText(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Invalid:
    case PlistValue::Type::Null:
        return QStringLiteral("nil");
    case PlistValue::Type::Bool:
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    case PlistValue::Type::Integer:
        return value.isUnsigned64() ? QString::number(value.toUInt64())
                                    : QString::number(value.toInteger());
    case PlistValue::Type::Real:
        return PredicateSyntax::realText(value.toDouble());
    case PlistValue::Type::Date:
        return QStringLiteral("CAST(%1, \"NSDate\")")
            .arg(PredicateSyntax::realText(value.toDate().secondsSince2001));
    case PlistValue::Type::String:
        return PredicateSyntax::quoted(value.toString());
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        QStringList members;
        for (const PlistValue &member : value.toArray())
            members.append(constantText(member));
        return QLatin1Char('{') + members.join(QLatin1String(", ")) + QLatin1Char('}');
    }
    case PlistValue::Type::Data:
        return QStringLiteral("CAST(%1, \"NSData\")")
            .arg(PredicateSyntax::quoted(QString::fromLatin1(value.toData().toBase64())));
    case PlistValue::Type::Dictionary:
    case PlistValue::Type::Uid:
    case PlistValue::Type::Object:
        break;
    }
    // Values with no text form only come from archives; show what they are.
    return PredicateSyntax::quoted(PlistValue::typeName(value.type()));
}

QString functionName(const QString &selector)
{
    const qsizetype colon = selector.indexOf(QLatin1Char(':'));
    return colon < 0 ? selector : selector.left(colon);
}

QString argumentsText(const QList<PredicateExpression> &arguments)
{
    QStringList parts;
    for (const PredicateExpression &argument : arguments)
        parts.append(argument.format());
    return parts.join(QLatin1String(", "));
}

} // namespace

PredicateExpression::PredicateExpression()
    : PredicateExpression(constant(PlistValue::null()))
{
}

PredicateExpression::PredicateExpression(std::shared_ptr<const Data> data)
    : d(std::move(data))
{
}

PredicateExpression PredicateExpression::constant(const PlistValue &value)
{
    auto data = std::make_shared<Data>();
    // nil and the null marker are one constant, so trees from text and archives agree.
    data->constant = value.isAbsent() ? PlistValue::null() : value;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::evaluatedObject()
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::EvaluatedObject;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::variable(const QString &name)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Variable;
    data->name = name;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::keyPath(const QString &path)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::KeyPath;
    data->name = path;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::function(const PredicateExpression &operand,
    const QString &selector, const QList<PredicateExpression> &arguments)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Function;
    data->name = selector;
    data->operand = operand;
    data->arguments = arguments;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::builtin(
    const QString &selector, const QList<PredicateExpression> &arguments)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Function;
    data->name = selector;
    data->builtin = true;
    data->arguments = arguments;
    return PredicateExpression(std::move(data));
}

PredicateExpression PredicateExpression::aggregate(const QList<PredicateExpression> &members)
{
    auto data = std::make_shared<Data>();
    data->kind = Kind::Aggregate;
    data->arguments = members;
    return PredicateExpression(std::move(data));
}

PredicateExpression::Kind PredicateExpression::kind() const
{
    return d->kind;
}

const PlistValue &PredicateExpression::constantValue() const
{
    return d->kind == Kind::Constant ? d->constant : invalidValue();
}

const QString &PredicateExpression::keyPath() const
{
    return d->kind == Kind::KeyPath || d->kind == Kind::Variable ? d->name : emptyString();
}

const QString &PredicateExpression::selector() const
{
    return d->kind == Kind::Function ? d->name : emptyString();
}

bool PredicateExpression::isBuiltin() const
{
    return d->kind == Kind::Function && d->builtin;
}

const PredicateExpression &PredicateExpression::operand() const
{
    static const PredicateExpression self = evaluatedObject();
    return d->operand ? *d->operand : self;
}

const QList<PredicateExpression> &PredicateExpression::arguments() const
{
    return d->kind == Kind::Function || d->kind == Kind::Aggregate ? d->arguments : emptyList();
}

QString PredicateExpression::format() const
{
    switch (d->kind) {
    case Kind::Constant:
        return constantText(d->constant);
    case Kind::EvaluatedObject:
        return QStringLiteral("SELF");
    case Kind::Variable:
        return QLatin1Char('$') + d->name;
    case Kind::KeyPath: {
        const QString text = PredicateSyntax::keyPathText(d->name);
        if (!text.isEmpty())
            return text;
        // A key that is not an identifier still reads back as a key path this way.
        const QString selector = d->name.contains(QLatin1Char('.'))
            ? QStringLiteral("valueForKeyPath:")
            : QStringLiteral("valueForKey:");
        return QStringLiteral("FUNCTION(SELF, \"%1\", %2)")
            .arg(selector, PredicateSyntax::quoted(d->name));
    }
    case Kind::Aggregate:
        return QLatin1Char('{') + argumentsText(d->arguments) + QLatin1Char('}');
    case Kind::Function:
        break;
    }
    if (!d->builtin) {
        QString text = QStringLiteral("FUNCTION(%1, %2")
                           .arg(operand().format(), PredicateSyntax::quoted(d->name));
        if (!d->arguments.isEmpty())
            text += QLatin1String(", ") + argumentsText(d->arguments);
        return text + QLatin1Char(')');
    }
    if (const Infix *infix = infixFor(*this)) {
        auto side = [infix](const PredicateExpression &operand, bool right) {
            const Infix *inner = infixFor(operand);
            // Left-associative: a right operand of equal strength needs parentheses too.
            const bool wrap = inner
                && (inner->precedence < infix->precedence
                    || (right && inner->precedence == infix->precedence));
            return wrap ? QLatin1Char('(') + operand.format() + QLatin1Char(')') : operand.format();
        };
        return side(d->arguments[0], false) + QLatin1Char(' ') + QLatin1String(infix->symbol)
            + QLatin1Char(' ') + side(d->arguments[1], true);
    }
    if (d->name == QLatin1String("castObject:toType:") && d->arguments.size() == 2)
        return QStringLiteral("CAST(%1)").arg(argumentsText(d->arguments));
    return functionName(d->name) + QLatin1Char('(') + argumentsText(d->arguments)
        + QLatin1Char(')');
}

bool PredicateExpression::operator==(const PredicateExpression &other) const
{
    if (d == other.d)
        return true;
    if (d->kind != other.d->kind)
        return false;
    switch (d->kind) {
    case Kind::Constant:
        return d->constant == other.d->constant;
    case Kind::EvaluatedObject:
        return true;
    case Kind::Variable:
    case Kind::KeyPath:
        return d->name == other.d->name;
    case Kind::Aggregate:
        return d->arguments == other.d->arguments;
    case Kind::Function:
        return d->name == other.d->name && d->builtin == other.d->builtin
            && operand() == other.operand() && d->arguments == other.d->arguments;
    }
    return false;
}

} // namespace vidarium
