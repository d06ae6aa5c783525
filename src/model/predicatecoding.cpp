#include "predicatecoding.h"

#include "platform/plist/keyedarchive.h"

#include <algorithm>
#include <mutex>

namespace vidarium {

namespace {

const QString NSObjectName = QStringLiteral("NSObject");
const QString PredicateUtilitiesClass = QStringLiteral("_NSPredicateUtilities");

// Expression types as archived.
enum ExpressionType : qint64 {
    ConstantType = 0,
    SelfType = 1,
    VariableType = 2,
    KeyPathType = 3,
    FunctionType = 4,
    KeyPathSpecifierType = 10,
    AggregateType = 14,
};

// ---- Archived objects ----------------------------------------------------------

// The class-name constant that stands for the language's built-in functions.
class ArchivedClassConstant final : public ArchivedObject
{
public:
    explicit ArchivedClassConstant(QString name)
        : m_name(std::move(name))
    {
    }
    QString className() const override { return QStringLiteral("NSConstantValueExpression"); }
    QStringList classChain() const override
    {
        return { className(), QStringLiteral("NSExpression"), NSObjectName };
    }
    void encode(ArchiveEncoder &encoder) const override
    {
        encoder.encodeInt(QStringLiteral("NSExpressionType"), ConstantType);
        encoder.encodeObject(QStringLiteral("NSConstantValueClassName"), m_name);
    }
    const QString &name() const { return m_name; }

private:
    QString m_name;
};

class ArchivedKeyPathSpecifier final : public ArchivedObject
{
public:
    explicit ArchivedKeyPathSpecifier(QString path)
        : m_path(std::move(path))
    {
    }
    QString className() const override { return QStringLiteral("NSKeyPathSpecifierExpression"); }
    QStringList classChain() const override
    {
        return { className(), QStringLiteral("NSExpression"), NSObjectName };
    }
    void encode(ArchiveEncoder &encoder) const override
    {
        encoder.encodeInt(QStringLiteral("NSExpressionType"), KeyPathSpecifierType);
        encoder.encodeObject(QStringLiteral("NSKeyPath"), m_path);
    }
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

class ArchivedExpression final : public ArchivedObject
{
public:
    // The archived children are made here and owned by this object, so that each
    // stays one live object while the archive is written.
    explicit ArchivedExpression(PredicateExpression expression)
        : m_expression(std::move(expression))
    {
        switch (m_expression.kind()) {
        case PredicateExpression::Kind::KeyPath:
            m_operand = value(PredicateExpression::evaluatedObject());
            m_children = { PlistValue(std::shared_ptr<ArchivedObject>(
                std::make_shared<ArchivedKeyPathSpecifier>(m_expression.keyPath()))) };
            break;
        case PredicateExpression::Kind::Function:
            m_operand = m_expression.isBuiltin() ? PlistValue(std::shared_ptr<ArchivedObject>(
                            std::make_shared<ArchivedClassConstant>(PredicateUtilitiesClass)))
                                                 : value(m_expression.operand());
            m_children = values(m_expression.arguments());
            break;
        case PredicateExpression::Kind::Aggregate:
            m_children = values(m_expression.arguments());
            break;
        default:
            break;
        }
    }

    static PlistValue value(const PredicateExpression &expression)
    {
        // The evaluated object is one shared expression, so an archive holds it once.
        if (expression.kind() == PredicateExpression::Kind::EvaluatedObject) {
            static const auto self = std::make_shared<ArchivedExpression>(expression);
            return PlistValue(std::shared_ptr<ArchivedObject>(self));
        }
        return PlistValue(
            std::shared_ptr<ArchivedObject>(std::make_shared<ArchivedExpression>(expression)));
    }

    static PlistArray values(const QList<PredicateExpression> &expressions)
    {
        PlistArray values;
        for (const PredicateExpression &expression : expressions)
            values.append(value(expression));
        return values;
    }

    QString className() const override
    {
        switch (m_expression.kind()) {
        case PredicateExpression::Kind::Constant:
        case PredicateExpression::Kind::Aggregate:
            return QStringLiteral("NSConstantValueExpression");
        case PredicateExpression::Kind::EvaluatedObject:
            return QStringLiteral("NSSelfExpression");
        case PredicateExpression::Kind::Variable:
            return QStringLiteral("NSVariableExpression");
        case PredicateExpression::Kind::KeyPath:
            return QStringLiteral("NSKeyPathExpression");
        case PredicateExpression::Kind::Function:
            break;
        }
        return QStringLiteral("NSFunctionExpression");
    }

    QStringList classChain() const override
    {
        if (m_expression.kind() == PredicateExpression::Kind::KeyPath)
            return { className(), QStringLiteral("NSFunctionExpression"),
                QStringLiteral("NSExpression"), NSObjectName };
        return { className(), QStringLiteral("NSExpression"), NSObjectName };
    }

    void encode(ArchiveEncoder &encoder) const override
    {
        const QString typeKey = QStringLiteral("NSExpressionType");
        switch (m_expression.kind()) {
        case PredicateExpression::Kind::Constant: {
            encoder.encodeInt(typeKey, ConstantType);
            const PlistValue &constant = m_expression.constantValue();
            // nil is the nil reference, not an NSNull object.
            encoder.encodeObject(
                QStringLiteral("NSConstantValue"), constant.isAbsent() ? PlistValue() : constant);
            return;
        }
        case PredicateExpression::Kind::Aggregate:
            // {a, b} is a constant holding an array of constant expressions.
            encoder.encodeInt(typeKey, ConstantType);
            encoder.encodeObject(QStringLiteral("NSConstantValue"), m_children);
            return;
        case PredicateExpression::Kind::EvaluatedObject:
            encoder.encodeInt(typeKey, SelfType);
            return;
        case PredicateExpression::Kind::Variable:
            encoder.encodeInt(typeKey, VariableType);
            encoder.encodeObject(QStringLiteral("NSVariable"), m_expression.keyPath());
            return;
        case PredicateExpression::Kind::KeyPath: {
            const QString &path = m_expression.keyPath();
            encoder.encodeInt(typeKey, KeyPathType);
            encoder.encodeObject(QStringLiteral("NSOperand"), m_operand);
            encoder.encodeObject(QStringLiteral("NSSelectorName"),
                path.contains(QLatin1Char('.')) ? QStringLiteral("valueForKeyPath:")
                                                : QStringLiteral("valueForKey:"));
            encoder.encodeObject(
                QStringLiteral("NSArguments"), m_children, ArchiveEncoder::Mutable);
            return;
        }
        case PredicateExpression::Kind::Function:
            break;
        }
        encoder.encodeInt(typeKey, FunctionType);
        encoder.encodeObject(QStringLiteral("NSOperand"), m_operand);
        encoder.encodeObject(QStringLiteral("NSSelectorName"), m_expression.selector());
        encoder.encodeObject(QStringLiteral("NSArguments"), m_children, ArchiveEncoder::Mutable);
    }

    const PredicateExpression &expression() const { return m_expression; }

private:
    PredicateExpression m_expression;
    PlistValue m_operand;
    PlistArray m_children;
};

class ArchivedOperator final : public ArchivedObject
{
public:
    ArchivedOperator(
        PredicateOperatorType type, ComparisonModifier modifier, int options, QString selector)
        : m_type(type)
        , m_modifier(modifier)
        , m_options(options)
        , m_selector(std::move(selector))
    {
    }

    QString className() const override { return classChain().first(); }

    QStringList classChain() const override
    {
        const QString base = QStringLiteral("NSPredicateOperator");
        const QString string = QStringLiteral("NSStringPredicateOperator");
        const QString matching = QStringLiteral("NSMatchingPredicateOperator");
        switch (m_type) {
        case PredicateOperatorType::LessThan:
        case PredicateOperatorType::LessThanOrEqualTo:
        case PredicateOperatorType::GreaterThan:
        case PredicateOperatorType::GreaterThanOrEqualTo:
            return { QStringLiteral("NSComparisonPredicateOperator"), base, NSObjectName };
        case PredicateOperatorType::EqualTo:
        case PredicateOperatorType::NotEqualTo:
            return { QStringLiteral("NSEqualityPredicateOperator"), base, NSObjectName };
        case PredicateOperatorType::Matches:
            return { matching, string, base, NSObjectName };
        case PredicateOperatorType::Like:
            return { QStringLiteral("NSLikePredicateOperator"), matching, string, base,
                NSObjectName };
        case PredicateOperatorType::BeginsWith:
        case PredicateOperatorType::EndsWith:
            return { QStringLiteral("NSSubstringPredicateOperator"), string, base, NSObjectName };
        case PredicateOperatorType::In:
        case PredicateOperatorType::Contains:
            return { QStringLiteral("NSInPredicateOperator"), base, NSObjectName };
        case PredicateOperatorType::Between:
            return { QStringLiteral("NSBetweenPredicateOperator"), base, NSObjectName };
        case PredicateOperatorType::CustomSelector:
            break;
        }
        return { QStringLiteral("NSCustomPredicateOperator"), base, NSObjectName };
    }

    void encode(ArchiveEncoder &encoder) const override
    {
        encoder.encodeInt(QStringLiteral("NSOperatorType"), qint64(m_type));
        encoder.encodeInt(QStringLiteral("NSModifier"), qint64(m_modifier));
        switch (m_type) {
        case PredicateOperatorType::LessThan:
        case PredicateOperatorType::LessThanOrEqualTo:
        case PredicateOperatorType::GreaterThan:
        case PredicateOperatorType::GreaterThanOrEqualTo:
            encoder.encodeInt(QStringLiteral("NSVariant"), qint64(m_type));
            encoder.encodeInt(QStringLiteral("NSOptions"), m_options);
            return;
        case PredicateOperatorType::EqualTo:
        case PredicateOperatorType::NotEqualTo:
            encoder.encodeBool(
                QStringLiteral("NSNegate"), m_type == PredicateOperatorType::NotEqualTo);
            encoder.encodeInt(QStringLiteral("NSOptions"), m_options);
            return;
        case PredicateOperatorType::Matches:
        case PredicateOperatorType::Like:
        case PredicateOperatorType::In:
        case PredicateOperatorType::Contains:
            encoder.encodeInt(QStringLiteral("NSFlags"), m_options);
            return;
        case PredicateOperatorType::BeginsWith:
        case PredicateOperatorType::EndsWith:
            encoder.encodeInt(QStringLiteral("NSFlags"), m_options);
            encoder.encodeInt(
                QStringLiteral("NSPosition"), m_type == PredicateOperatorType::BeginsWith ? 0 : 1);
            return;
        case PredicateOperatorType::Between:
            encoder.encodeInt(QStringLiteral("NSOptions"), m_options);
            return;
        case PredicateOperatorType::CustomSelector:
            encoder.encodeObject(QStringLiteral("NSSelectorName"), m_selector);
            return;
        }
    }

    PredicateOperatorType type() const { return m_type; }
    ComparisonModifier modifier() const { return m_modifier; }
    int options() const { return m_options; }
    const QString &selector() const { return m_selector; }

private:
    PredicateOperatorType m_type;
    ComparisonModifier m_modifier;
    int m_options;
    QString m_selector;
};

class ArchivedPredicate final : public ArchivedObject
{
public:
    explicit ArchivedPredicate(Predicate predicate)
        : m_predicate(std::move(predicate))
    {
        if (m_predicate.isComparison()) {
            m_left = ArchivedExpression::value(m_predicate.leftExpression());
            m_right = ArchivedExpression::value(m_predicate.rightExpression());
            m_operator = PlistValue(std::shared_ptr<ArchivedObject>(
                std::make_shared<ArchivedOperator>(m_predicate.operatorType(),
                    m_predicate.modifier(), m_predicate.options(), m_predicate.customSelector())));
        } else if (m_predicate.isCompound()) {
            for (const Predicate &sub : m_predicate.subpredicates())
                m_subpredicates.append(PredicateCoding::archivedValue(sub));
        }
    }

    QString className() const override
    {
        switch (m_predicate.kind()) {
        case Predicate::Kind::True:
            return QStringLiteral("NSTruePredicate");
        case Predicate::Kind::False:
            return QStringLiteral("NSFalsePredicate");
        case Predicate::Kind::Comparison:
            return QStringLiteral("NSComparisonPredicate");
        case Predicate::Kind::Compound:
            break;
        }
        return QStringLiteral("NSCompoundPredicate");
    }

    QStringList classChain() const override
    {
        return { className(), QStringLiteral("NSPredicate"), NSObjectName };
    }

    void encode(ArchiveEncoder &encoder) const override
    {
        switch (m_predicate.kind()) {
        case Predicate::Kind::True:
        case Predicate::Kind::False:
            return;
        case Predicate::Kind::Comparison:
            encoder.encodeObject(QStringLiteral("NSLeftExpression"), m_left);
            encoder.encodeObject(QStringLiteral("NSRightExpression"), m_right);
            encoder.encodeObject(QStringLiteral("NSPredicateOperator"), m_operator);
            return;
        case Predicate::Kind::Compound:
            break;
        }
        encoder.encodeObject(QStringLiteral("NSSubpredicates"), m_subpredicates);
        encoder.encodeInt(
            QStringLiteral("NSCompoundPredicateType"), qint64(m_predicate.compoundType()));
    }

    const Predicate &predicate() const { return m_predicate; }

private:
    Predicate m_predicate;
    PlistValue m_left;
    PlistValue m_right;
    PlistValue m_operator;
    PlistArray m_subpredicates;
};

PlistValue objectValue(std::shared_ptr<ArchivedObject> object)
{
    return PlistValue(std::move(object));
}

template <typename T> std::shared_ptr<T> objectOf(const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Object)
        return nullptr;
    return std::dynamic_pointer_cast<T>(value.toObject());
}

// ---- Decoding ------------------------------------------------------------------

// What this program does not understand is kept as found, so the catalogue
// still opens and the object is written back unchanged.
PlistValue keptAsFound(ArchiveDecoder &decoder)
{
    QList<GenericArchivedObject::Field> fields;
    for (const QString &key : decoder.keys()) {
        const PlistValue raw = decoder.rawValue(key);
        GenericArchivedObject::Field field;
        field.key = key;
        if (raw.type() == PlistValue::Type::Uid) {
            field.kind = GenericArchivedObject::Field::Kind::Reference;
            field.value = decoder.decodeObject(key);
        } else if (raw.type() == PlistValue::Type::Array && !raw.toArray().isEmpty()
            && std::all_of(raw.toArray().begin(), raw.toArray().end(),
                [](const PlistValue &v) { return v.type() == PlistValue::Type::Uid; })) {
            field.kind = GenericArchivedObject::Field::Kind::ReferenceArray;
            field.value = decoder.decodeObjectArray(key);
        } else {
            field.kind = GenericArchivedObject::Field::Kind::Inline;
            field.value = raw;
        }
        fields.append(field);
    }
    return objectValue(std::make_shared<GenericArchivedObject>(decoder.classChain(), fields));
}

std::optional<PredicateExpression> expressionOf(const PlistValue &value)
{
    if (auto expression = objectOf<ArchivedExpression>(value))
        return expression->expression();
    return std::nullopt;
}

std::optional<QList<PredicateExpression>> expressionsOf(const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Array)
        return std::nullopt;
    QList<PredicateExpression> expressions;
    for (const PlistValue &member : value.toArray()) {
        std::optional<PredicateExpression> expression = expressionOf(member);
        if (!expression)
            return std::nullopt;
        expressions.append(*expression);
    }
    return expressions;
}

PlistValue expressionValue(const PredicateExpression &expression)
{
    return objectValue(std::make_shared<ArchivedExpression>(expression));
}

bool isConstantExpression(const PredicateExpression &expression)
{
    return expression.kind() == PredicateExpression::Kind::Constant
        || expression.kind() == PredicateExpression::Kind::Aggregate;
}

// Another Foundation implementation archives the language's built-ins under the
// names its own parser gives them; read they become the selectors this format uses,
// so they evaluate and are saved the way every other reader expects.
std::optional<QString> builtinForAlias(const QString &selector, qsizetype argumentCount)
{
    struct Alias
    {
        QLatin1String alias;
        QLatin1String selector;
        qsizetype arguments;
    };
    static constexpr Alias aliases[] = {
        { QLatin1String("_add:"), QLatin1String("add:to:"), 2 },
        { QLatin1String("_sub:"), QLatin1String("from:subtract:"), 2 },
        { QLatin1String("_mul:"), QLatin1String("multiply:by:"), 2 },
        { QLatin1String("_div:"), QLatin1String("divide:by:"), 2 },
        { QLatin1String("_pow:"), QLatin1String("raise:toPower:"), 2 },
        { QLatin1String("now:"), QLatin1String("now"), 0 },
        { QLatin1String("CAST:"), QLatin1String("castObject:toType:"), 2 },
    };
    for (const Alias &alias : aliases) {
        if (selector == alias.alias && argumentCount == alias.arguments)
            return QString(alias.selector);
    }
    return std::nullopt;
}

Result<PlistValue> decodeConstant(ArchiveDecoder &decoder)
{
    if (decoder.containsKey(QStringLiteral("NSConstantValueClassName"))) {
        const PlistValue name = decoder.decodeObject(QStringLiteral("NSConstantValueClassName"));
        return objectValue(std::make_shared<ArchivedClassConstant>(name.toString()));
    }
    const PlistValue constant = decoder.decodeObject(QStringLiteral("NSConstantValue"));
    if (constant.type() == PlistValue::Type::Object) {
        // Another Foundation implementation rewrites BETWEEN {a, b} into two comparisons
        // whose constants hold the aggregate's member expressions rather than their values.
        if (const std::optional<PredicateExpression> inner = expressionOf(constant);
            inner && isConstantExpression(*inner))
            return expressionValue(*inner);
        return keptAsFound(decoder);
    }
    // An array of expressions is the aggregate {a, b}; an empty one is read as the
    // aggregate {} too, which prints and evaluates the same as an empty constant list.
    if (constant.type() == PlistValue::Type::Array
        && (constant.toArray().isEmpty()
            || objectOf<ArchivedExpression>(constant.toArray().first()))) {
        std::optional<QList<PredicateExpression>> members = expressionsOf(constant);
        if (!members)
            return keptAsFound(decoder);
        return expressionValue(PredicateExpression::aggregate(*members));
    }
    return expressionValue(PredicateExpression::constant(constant));
}

Result<PlistValue> decodeFunction(ArchiveDecoder &decoder)
{
    const PlistValue operandValue = decoder.decodeObject(QStringLiteral("NSOperand"));
    const QString selector = decoder.decodeObject(QStringLiteral("NSSelectorName")).toString();
    const PlistValue argumentValue = decoder.decodeObject(QStringLiteral("NSArguments"));
    // A key path is a call of valueForKey: on its operand with a key-path specifier.
    if (argumentValue.type() == PlistValue::Type::Array && argumentValue.toArray().size() == 1) {
        if (auto specifier = objectOf<ArchivedKeyPathSpecifier>(argumentValue.toArray().first())) {
            std::optional<PredicateExpression> operand = expressionOf(operandValue);
            if (operand && operand->kind() == PredicateExpression::Kind::EvaluatedObject)
                return expressionValue(PredicateExpression::keyPath(specifier->path()));
            if (operand)
                return expressionValue(PredicateExpression::function(
                    *operand, selector, { PredicateExpression::constant(specifier->path()) }));
            return keptAsFound(decoder);
        }
    }
    std::optional<QList<PredicateExpression>> arguments = argumentValue.isAbsent()
        ? std::optional<QList<PredicateExpression>>(QList<PredicateExpression>())
        : expressionsOf(argumentValue);
    if (!arguments || selector.isEmpty())
        return keptAsFound(decoder);
    const bool onFunctions = objectOf<ArchivedClassConstant>(operandValue) != nullptr;
    if (onFunctions || operandValue.isAbsent()) {
        if (const std::optional<QString> builtin = builtinForAlias(selector, arguments->size()))
            return expressionValue(PredicateExpression::builtin(*builtin, *arguments));
    }
    if (onFunctions)
        return expressionValue(PredicateExpression::builtin(selector, *arguments));
    std::optional<PredicateExpression> operand = expressionOf(operandValue);
    if (!operand)
        return keptAsFound(decoder);
    return expressionValue(PredicateExpression::function(*operand, selector, *arguments));
}

Result<PlistValue> decodeSelf(ArchiveDecoder &)
{
    return ArchivedExpression::value(PredicateExpression::evaluatedObject());
}

Result<PlistValue> decodeVariable(ArchiveDecoder &decoder)
{
    const PlistValue name = decoder.decodeObject(QStringLiteral("NSVariable"));
    if (name.type() != PlistValue::Type::String)
        return keptAsFound(decoder);
    return expressionValue(PredicateExpression::variable(name.toString()));
}

Result<PlistValue> decodeKeyPathSpecifier(ArchiveDecoder &decoder)
{
    const PlistValue path = decoder.decodeObject(QStringLiteral("NSKeyPath"));
    if (path.type() != PlistValue::Type::String)
        return keptAsFound(decoder);
    return objectValue(std::make_shared<ArchivedKeyPathSpecifier>(path.toString()));
}

Result<PlistValue> decodeAggregate(ArchiveDecoder &decoder)
{
    std::optional<QList<PredicateExpression>> members
        = expressionsOf(decoder.decodeObject(QStringLiteral("NSCollection")));
    if (!members)
        return keptAsFound(decoder);
    return expressionValue(PredicateExpression::aggregate(*members));
}

bool isKnownOperatorType(qint64 type)
{
    return (type >= 0 && type <= 11) || type == 99 || type == 100;
}

Result<PlistValue> decodeOperator(ArchiveDecoder &decoder)
{
    qint64 type = decoder.decodeInt(QStringLiteral("NSOperatorType"));
    const qint64 modifier = decoder.decodeInt(QStringLiteral("NSModifier"));
    if (!isKnownOperatorType(type) || modifier < 0 || modifier > 2)
        return keptAsFound(decoder);
    // Equality keeps its sense in NSNegate; the in-memory CONTAINS is a substring at position 2.
    if ((type == 4 || type == 5) && decoder.containsKey(QStringLiteral("NSNegate")))
        type = decoder.decodeBool(QStringLiteral("NSNegate")) ? 5 : 4;
    if ((type == 8 || type == 9) && decoder.decodeInt(QStringLiteral("NSPosition")) == 2)
        type = 99;
    const qint64 options = decoder.containsKey(QStringLiteral("NSOptions"))
        ? decoder.decodeInt(QStringLiteral("NSOptions"))
        : decoder.decodeInt(QStringLiteral("NSFlags"));
    QString selector;
    if (type == 11) {
        selector = decoder.decodeObject(QStringLiteral("NSSelectorName")).toString();
        if (selector.isEmpty())
            return keptAsFound(decoder);
    }
    return objectValue(std::make_shared<ArchivedOperator>(
        PredicateOperatorType(type), ComparisonModifier(modifier), int(options & 0x1f), selector));
}

Result<PlistValue> predicateValue(const Predicate &predicate)
{
    return objectValue(std::make_shared<ArchivedPredicate>(predicate));
}

Result<PlistValue> decodeComparison(ArchiveDecoder &decoder)
{
    std::optional<PredicateExpression> left
        = expressionOf(decoder.decodeObject(QStringLiteral("NSLeftExpression")));
    std::optional<PredicateExpression> right
        = expressionOf(decoder.decodeObject(QStringLiteral("NSRightExpression")));
    auto op
        = objectOf<ArchivedOperator>(decoder.decodeObject(QStringLiteral("NSPredicateOperator")));
    if (!left || !right || !op)
        return keptAsFound(decoder);
    if (op->type() == PredicateOperatorType::CustomSelector)
        return predicateValue(
            Predicate::customComparison(*left, op->selector(), *right, op->modifier()));
    return predicateValue(
        Predicate::comparison(*left, op->type(), *right, op->modifier(), op->options()));
}

Result<PlistValue> decodeCompound(ArchiveDecoder &decoder)
{
    const qint64 type = decoder.decodeInt(QStringLiteral("NSCompoundPredicateType"));
    const PlistValue members = decoder.decodeObject(QStringLiteral("NSSubpredicates"));
    if (type < 0 || type > 2 || members.type() != PlistValue::Type::Array)
        return keptAsFound(decoder);
    QList<Predicate> subpredicates;
    for (const PlistValue &member : members.toArray()) {
        auto archived = objectOf<ArchivedPredicate>(member);
        if (!archived)
            return keptAsFound(decoder);
        subpredicates.append(archived->predicate());
    }
    if (type == 0 && subpredicates.size() != 1)
        return keptAsFound(decoder);
    return predicateValue(Predicate::compound(CompoundPredicateType(type), subpredicates));
}

} // namespace

void PredicateCoding::registerArchiveCoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ArchiveCoderRegistry &registry = ArchiveCoderRegistry::instance();
        registry.registerDecoder(QStringLiteral("NSTruePredicate"),
            [](ArchiveDecoder &) { return predicateValue(Predicate::truePredicate()); });
        registry.registerDecoder(QStringLiteral("NSFalsePredicate"),
            [](ArchiveDecoder &) { return predicateValue(Predicate::falsePredicate()); });
        registry.registerDecoder(QStringLiteral("NSComparisonPredicate"), &decodeComparison);
        registry.registerDecoder(QStringLiteral("NSCompoundPredicate"), &decodeCompound);
        for (const char *name : { "NSComparisonPredicateOperator", "NSEqualityPredicateOperator",
                 "NSMatchingPredicateOperator", "NSLikePredicateOperator",
                 "NSSubstringPredicateOperator", "NSInPredicateOperator",
                 "NSBetweenPredicateOperator", "NSCustomPredicateOperator", "NSPredicateOperator" })
            registry.registerDecoder(QLatin1String(name), &decodeOperator);
        registry.registerDecoder(QStringLiteral("NSConstantValueExpression"), &decodeConstant);
        registry.registerDecoder(QStringLiteral("NSSelfExpression"), &decodeSelf);
        registry.registerDecoder(QStringLiteral("NSVariableExpression"), &decodeVariable);
        registry.registerDecoder(
            QStringLiteral("NSKeyPathSpecifierExpression"), &decodeKeyPathSpecifier);
        registry.registerDecoder(QStringLiteral("NSKeyPathExpression"), &decodeFunction);
        registry.registerDecoder(QStringLiteral("NSFunctionExpression"), &decodeFunction);
        registry.registerDecoder(QStringLiteral("NSAggregateExpression"), &decodeAggregate);
    });
}

PlistValue PredicateCoding::archivedValue(const Predicate &predicate)
{
    return objectValue(std::make_shared<ArchivedPredicate>(predicate));
}

Result<Predicate> PredicateCoding::predicateFromValue(const PlistValue &value)
{
    if (auto archived = objectOf<ArchivedPredicate>(value))
        return archived->predicate();
    if (value.type() == PlistValue::Type::Object && value.toObject())
        return Error(Error::Code::Unsupported,
            QStringLiteral("The criteria use a form this program does not read (%1).")
                .arg(value.toObject()->className()));
    return Error(Error::Code::Corrupt, QStringLiteral("The stored criteria are not a predicate."));
}

} // namespace vidarium
