#include "predicateparser.h"

#include "predicatesyntax.h"

#include <limits>

namespace vidarium {

namespace {

// Deeper nesting than any criteria a person writes; keeps hostile text off the stack limit.
constexpr int maximumDepth = 200;

struct NamedOperator
{
    const char *name;
    PredicateOperatorType type;
};

constexpr NamedOperator namedOperators[] = {
    { "==", PredicateOperatorType::EqualTo },
    { "=", PredicateOperatorType::EqualTo },
    { "!=", PredicateOperatorType::NotEqualTo },
    { "<>", PredicateOperatorType::NotEqualTo },
    { "<", PredicateOperatorType::LessThan },
    { "<=", PredicateOperatorType::LessThanOrEqualTo },
    { "=<", PredicateOperatorType::LessThanOrEqualTo },
    { ">", PredicateOperatorType::GreaterThan },
    { ">=", PredicateOperatorType::GreaterThanOrEqualTo },
    { "=>", PredicateOperatorType::GreaterThanOrEqualTo },
    { "BEGINSWITH", PredicateOperatorType::BeginsWith },
    { "ENDSWITH", PredicateOperatorType::EndsWith },
    { "CONTAINS", PredicateOperatorType::Contains },
    { "LIKE", PredicateOperatorType::Like },
    { "MATCHES", PredicateOperatorType::Matches },
    { "IN", PredicateOperatorType::In },
    { "BETWEEN", PredicateOperatorType::Between },
};

} // namespace

PredicateParser::PredicateParser(const QString &text, const PlistArray &arguments)
    : m_text(text)
    , m_arguments(arguments)
{
}

Result<Predicate> PredicateParser::parse()
{
    Result<QList<Token>> tokens = PredicateTokenizer(m_text).tokenize();
    if (!tokens)
        return tokens.error();
    m_tokens = std::move(*tokens);
    if (current().type == TokenType::End)
        return Error(Error::Code::InvalidArgument, QStringLiteral("The criteria are empty."));
    std::optional<Predicate> predicate = parseOr(0);
    if (predicate && current().type != TokenType::End) {
        failHere(QStringLiteral("AND, OR or the end of the criteria"));
        predicate.reset();
    }
    if (!predicate)
        return *m_error;
    return *predicate;
}

// ---- Helpers ---------------------------------------------------------------

const PredicateParser::Token &PredicateParser::peek(int ahead) const
{
    const qsizetype at = std::min<qsizetype>(m_index + ahead, m_tokens.size() - 1);
    return m_tokens[at];
}

bool PredicateParser::isKeyword(const Token &token, const char *word) const
{
    return token.type == TokenType::Identifier && !token.escaped
        && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool PredicateParser::isSymbol(const Token &token, const char *symbol) const
{
    return token.type == TokenType::Symbol && token.text == QLatin1String(symbol);
}

bool PredicateParser::startsOperator(const Token &token) const
{
    for (const NamedOperator &op : namedOperators) {
        if (token.type == TokenType::Symbol ? isSymbol(token, op.name) : isKeyword(token, op.name))
            return true;
    }
    return false;
}

bool PredicateParser::accept(const char *symbol)
{
    if (!isSymbol(current(), symbol))
        return false;
    ++m_index;
    return true;
}

bool PredicateParser::acceptKeyword(const char *word)
{
    if (!isKeyword(current(), word))
        return false;
    ++m_index;
    return true;
}

bool PredicateParser::checkDepth(int depth)
{
    if (depth <= maximumDepth)
        return true;
    fail(current().position, QStringLiteral("the criteria are nested too deeply"));
    return false;
}

void PredicateParser::fail(qsizetype position, const QString &message)
{
    // Of two failed readings, the one that got further explains the text best.
    if (m_error && position < m_errorPosition)
        return;
    m_errorPosition = position;
    m_error = PredicateSyntax::syntaxError(position, message);
}

void PredicateParser::failHere(const QString &expected)
{
    fail(current().position,
        QStringLiteral("expected %1, found %2").arg(expected, describe(current())));
}

QString PredicateParser::describe(const Token &token) const
{
    switch (token.type) {
    case TokenType::End:
        return QStringLiteral("the end of the criteria");
    case TokenType::String:
        return PredicateSyntax::quoted(token.text);
    case TokenType::Integer:
    case TokenType::Real:
        return QStringLiteral("the number %1")
            .arg(m_text.mid(token.position).section(QLatin1Char(' '), 0, 0));
    case TokenType::Argument:
        return QLatin1Char('%') + token.text;
    case TokenType::Variable:
        return QLatin1Char('$') + token.text;
    case TokenType::Identifier:
    case TokenType::Symbol:
        break;
    }
    return QLatin1Char('"') + token.text + QLatin1Char('"');
}

// ---- Predicates ------------------------------------------------------------

std::optional<Predicate> PredicateParser::parseOr(int depth)
{
    std::optional<Predicate> first = parseAnd(depth);
    if (!first)
        return std::nullopt;
    QList<Predicate> members { *first };
    while (acceptKeyword("OR") || accept("||")) {
        std::optional<Predicate> next = parseAnd(depth);
        if (!next)
            return std::nullopt;
        members.append(*next);
    }
    return members.size() == 1 ? members.first() : Predicate::orPredicate(members);
}

std::optional<Predicate> PredicateParser::parseAnd(int depth)
{
    std::optional<Predicate> first = parseNot(depth);
    if (!first)
        return std::nullopt;
    QList<Predicate> members { *first };
    while (acceptKeyword("AND") || accept("&&")) {
        std::optional<Predicate> next = parseNot(depth);
        if (!next)
            return std::nullopt;
        members.append(*next);
    }
    return members.size() == 1 ? members.first() : Predicate::andPredicate(members);
}

std::optional<Predicate> PredicateParser::parseNot(int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    if (acceptKeyword("NOT") || accept("!")) {
        std::optional<Predicate> inner = parseNot(depth + 1);
        if (!inner)
            return std::nullopt;
        return Predicate::compound(CompoundPredicateType::Not, { *inner });
    }
    return parsePrimaryPredicate(depth);
}

std::optional<Predicate> PredicateParser::parsePrimaryPredicate(int depth)
{
    if (acceptKeyword("TRUEPREDICATE"))
        return Predicate::truePredicate();
    if (acceptKeyword("FALSEPREDICATE"))
        return Predicate::falsePredicate();
    if (isSymbol(current(), "(")) {
        // "(" opens either a group of criteria or an expression such as (a + b) > 3:
        // read it as a group, and as a comparison when an operator follows the ")".
        const qsizetype start = m_index;
        ++m_index;
        std::optional<Predicate> group = parseOr(depth + 1);
        const bool closed = group && accept(")");
        if (group && !closed)
            failHere(QStringLiteral("\")\""));
        const Token &next = current();
        const bool expressionGoesOn = startsOperator(next) || isSymbol(next, "+")
            || isSymbol(next, "-") || isSymbol(next, "*") || isSymbol(next, "/")
            || isSymbol(next, "**") || isSymbol(next, ".");
        if (closed && !expressionGoesOn)
            return group;
        m_index = start;
        std::optional<Predicate> comparison = parseComparison(depth + 1);
        if (comparison) {
            m_error.reset();
            m_errorPosition = -1;
        }
        return comparison;
    }
    return parseComparison(depth);
}

std::optional<Predicate> PredicateParser::parseComparison(int depth)
{
    ComparisonModifier modifier = ComparisonModifier::Direct;
    bool negate = false;
    if (acceptKeyword("ANY") || acceptKeyword("SOME")) {
        modifier = ComparisonModifier::Any;
    } else if (acceptKeyword("ALL")) {
        modifier = ComparisonModifier::All;
    } else if (acceptKeyword("NONE")) {
        modifier = ComparisonModifier::Any;
        negate = true;
    }
    std::optional<PredicateExpression> left = parseExpression(depth);
    if (!left)
        return std::nullopt;
    const Token &opToken = current();
    std::optional<PredicateOperatorType> type;
    for (const NamedOperator &op : namedOperators) {
        if (opToken.type == TokenType::Symbol ? isSymbol(opToken, op.name)
                                              : isKeyword(opToken, op.name)) {
            type = op.type;
            break;
        }
    }
    if (!type) {
        failHere(QStringLiteral(
            "an operator (==, !=, <, >, BEGINSWITH, CONTAINS, MATCHES, LIKE, IN...)"));
        return std::nullopt;
    }
    ++m_index;
    int options = 0;
    if (isSymbol(current(), "[")) {
        ++m_index;
        const Token &letters = current();
        if (letters.type != TokenType::Identifier) {
            failHere(QStringLiteral("option letters c, d, n, l or w"));
            return std::nullopt;
        }
        for (QChar letter : letters.text) {
            switch (letter.toLower().unicode()) {
            case 'c':
                options |= CaseInsensitive;
                break;
            case 'd':
                options |= DiacriticInsensitive;
                break;
            case 'n':
                options |= Normalized;
                break;
            case 'l':
                options |= LocaleSensitive;
                break;
            case 'w':
                options |= WordMatch;
                break;
            default:
                fail(letters.position,
                    QStringLiteral("unknown option \"%1\"; options are c, d, n, l and w")
                        .arg(letter));
                return std::nullopt;
            }
        }
        ++m_index;
        if (!accept("]")) {
            failHere(QStringLiteral("\"]\""));
            return std::nullopt;
        }
    }
    std::optional<PredicateExpression> right = parseExpression(depth);
    if (!right)
        return std::nullopt;
    Predicate comparison = Predicate::comparison(*left, *type, *right, modifier, options);
    if (negate)
        return Predicate::compound(CompoundPredicateType::Not, { comparison });
    return comparison;
}

// ---- Expressions -----------------------------------------------------------

std::optional<PredicateExpression> PredicateParser::parseExpression(int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    return parseAdditive(depth);
}

std::optional<PredicateExpression> PredicateParser::parseAdditive(int depth)
{
    std::optional<PredicateExpression> left = parseMultiplicative(depth);
    while (left) {
        QString selector;
        if (accept("+"))
            selector = QStringLiteral("add:to:");
        else if (accept("-"))
            selector = QStringLiteral("from:subtract:");
        else
            break;
        std::optional<PredicateExpression> right = parseMultiplicative(depth);
        if (!right)
            return std::nullopt;
        left = PredicateExpression::builtin(selector, { *left, *right });
    }
    return left;
}

std::optional<PredicateExpression> PredicateParser::parseMultiplicative(int depth)
{
    std::optional<PredicateExpression> left = parsePower(depth);
    while (left) {
        QString selector;
        if (accept("*"))
            selector = QStringLiteral("multiply:by:");
        else if (accept("/"))
            selector = QStringLiteral("divide:by:");
        else
            break;
        std::optional<PredicateExpression> right = parsePower(depth);
        if (!right)
            return std::nullopt;
        left = PredicateExpression::builtin(selector, { *left, *right });
    }
    return left;
}

std::optional<PredicateExpression> PredicateParser::parsePower(int depth)
{
    std::optional<PredicateExpression> left = parseUnary(depth);
    while (left && accept("**")) {
        std::optional<PredicateExpression> right = parseUnary(depth);
        if (!right)
            return std::nullopt;
        left = PredicateExpression::builtin(QStringLiteral("raise:toPower:"), { *left, *right });
    }
    return left;
}

std::optional<PredicateExpression> PredicateParser::parseUnary(int depth)
{
    if (!checkDepth(depth))
        return std::nullopt;
    if (!accept("-"))
        return parsePrimaryExpression(depth);
    std::optional<PredicateExpression> inner = parseUnary(depth + 1);
    if (!inner)
        return std::nullopt;
    const PlistValue &value = inner->constantValue();
    if (inner->kind() == PredicateExpression::Kind::Constant
        && value.type() == PlistValue::Type::Integer && !value.isUnsigned64()
        && value.toInteger() != std::numeric_limits<qint64>::min())
        return PredicateExpression::constant(PlistValue(-value.toInteger()));
    if (inner->kind() == PredicateExpression::Kind::Constant
        && value.type() == PlistValue::Type::Real)
        return PredicateExpression::constant(PlistValue(-value.toDouble()));
    return PredicateExpression::builtin(
        QStringLiteral("from:subtract:"), { PredicateExpression::constant(PlistValue(0)), *inner });
}

std::optional<PredicateExpression> PredicateParser::parsePrimaryExpression(int depth)
{
    const Token token = current();
    switch (token.type) {
    case TokenType::End:
    case TokenType::Symbol:
        break;
    case TokenType::String:
        ++m_index;
        return PredicateExpression::constant(PlistValue(token.text));
    case TokenType::Integer:
    case TokenType::Real:
        ++m_index;
        return PredicateExpression::constant(token.number);
    case TokenType::Variable:
        ++m_index;
        return PredicateExpression::variable(token.text);
    case TokenType::Argument:
        ++m_index;
        return argumentExpression(token);
    case TokenType::Identifier: {
        ++m_index;
        if (isSymbol(current(), "(") && !token.escaped)
            return parseFunction(token, depth + 1);
        if (!token.escaped) {
            if (isKeyword(token, "YES") || isKeyword(token, "TRUE"))
                return PredicateExpression::constant(PlistValue(true));
            if (isKeyword(token, "NO") || isKeyword(token, "FALSE"))
                return PredicateExpression::constant(PlistValue(false));
            if (isKeyword(token, "NIL") || isKeyword(token, "NULL"))
                return PredicateExpression::constant(PlistValue::null());
            if (isKeyword(token, "SELF")) {
                if (isSymbol(current(), "."))
                    return parseKeyPathFrom(QString());
                return PredicateExpression::evaluatedObject();
            }
            if (PredicateSyntax::isReservedWord(token.text)) {
                --m_index;
                failHere(QStringLiteral("a value, a key or SELF (write #%1 for a key of that name)")
                             .arg(token.text));
                return std::nullopt;
            }
        }
        return parseKeyPathFrom(token.text);
    }
    }
    if (accept("(")) {
        std::optional<PredicateExpression> inner = parseExpression(depth + 1);
        if (!inner)
            return std::nullopt;
        if (!accept(")")) {
            failHere(QStringLiteral("\")\""));
            return std::nullopt;
        }
        return inner;
    }
    if (accept("{")) {
        std::optional<QList<PredicateExpression>> members
            = parseExpressionList(QStringLiteral("}"), depth + 1);
        if (!members)
            return std::nullopt;
        return PredicateExpression::aggregate(*members);
    }
    failHere(QStringLiteral("a value, a key or SELF"));
    return std::nullopt;
}

std::optional<PredicateExpression> PredicateParser::parseKeyPathFrom(QString path)
{
    while (isSymbol(current(), ".")) {
        ++m_index;
        const Token &component = current();
        if (component.type != TokenType::Identifier) {
            failHere(QStringLiteral("a key after \".\""));
            return std::nullopt;
        }
        ++m_index;
        path += path.isEmpty() ? component.text : QLatin1Char('.') + component.text;
    }
    return PredicateExpression::keyPath(path);
}

std::optional<PredicateExpression> PredicateParser::argumentExpression(const Token &token)
{
    if (token.argumentIndex >= m_arguments.size()) {
        fail(token.position,
            QStringLiteral("%%1 has no argument (only %2 given)")
                .arg(token.text)
                .arg(m_arguments.size()));
        return std::nullopt;
    }
    const PlistValue &argument = m_arguments[token.argumentIndex];
    if (token.text == QLatin1String("K")) {
        if (argument.type() != PlistValue::Type::String || argument.toString().isEmpty()) {
            fail(token.position, QStringLiteral("the argument of %K must be a key"));
            return std::nullopt;
        }
        return PredicateExpression::keyPath(argument.toString());
    }
    if (token.text == QLatin1String("@"))
        return PredicateExpression::constant(argument);
    if (!argument.isNumber()) {
        fail(
            token.position, QStringLiteral("the argument of %%1 must be a number").arg(token.text));
        return std::nullopt;
    }
    if (token.text.endsWith(QLatin1Char('f')) || token.text == QLatin1String("g"))
        return PredicateExpression::constant(PlistValue(argument.toDouble()));
    return PredicateExpression::constant(PlistValue(argument.toInteger()));
}

std::optional<QList<PredicateExpression>> PredicateParser::parseExpressionList(
    const QString &closing, int depth)
{
    QList<PredicateExpression> list;
    const QByteArray close = closing.toLatin1();
    if (accept(close.constData()))
        return list;
    while (true) {
        std::optional<PredicateExpression> member = parseExpression(depth);
        if (!member)
            return std::nullopt;
        list.append(*member);
        if (accept(close.constData()))
            return list;
        if (!accept(",")) {
            failHere(QStringLiteral("\",\" or \"%1\"").arg(closing));
            return std::nullopt;
        }
    }
}

std::optional<PredicateExpression> PredicateParser::parseFunction(const Token &name, int depth)
{
    ++m_index; // "("
    std::optional<QList<PredicateExpression>> arguments
        = parseExpressionList(QStringLiteral(")"), depth);
    if (!arguments)
        return std::nullopt;
    if (name.text.compare(QLatin1String("FUNCTION"), Qt::CaseInsensitive) == 0) {
        if (arguments->size() < 2 || (*arguments)[1].kind() != PredicateExpression::Kind::Constant
            || (*arguments)[1].constantValue().type() != PlistValue::Type::String) {
            fail(name.position,
                QStringLiteral("FUNCTION needs a target and a method name in quotes"));
            return std::nullopt;
        }
        const PredicateExpression target = (*arguments)[0];
        const QString selector = (*arguments)[1].constantValue().toString();
        const QList<PredicateExpression> rest = arguments->mid(2);
        // A key on SELF written as a call (how keys that are not names print) is a key path.
        if (target.kind() == PredicateExpression::Kind::EvaluatedObject && rest.size() == 1
            && rest[0].kind() == PredicateExpression::Kind::Constant
            && rest[0].constantValue().type() == PlistValue::Type::String
            && (selector == QLatin1String("valueForKey:")
                || selector == QLatin1String("valueForKeyPath:")))
            return PredicateExpression::keyPath(rest[0].constantValue().toString());
        return PredicateExpression::function(target, selector, rest);
    }
    if (name.text.compare(QLatin1String("CAST"), Qt::CaseInsensitive) == 0) {
        if (arguments->size() != 2) {
            fail(name.position, QStringLiteral("CAST needs a value and a type name"));
            return std::nullopt;
        }
        const PredicateExpression &value = (*arguments)[0];
        const PredicateExpression &type = (*arguments)[1];
        // A date is written as CAST(seconds since 2001, "NSDate"): read it back as the date.
        if (value.kind() == PredicateExpression::Kind::Constant && value.constantValue().isNumber()
            && value.constantValue().type() != PlistValue::Type::Bool
            && type.kind() == PredicateExpression::Kind::Constant
            && type.constantValue().toString() == QLatin1String("NSDate"))
            return PredicateExpression::constant(
                PlistValue(PlistDate { value.constantValue().toDouble() }));
        return PredicateExpression::builtin(QStringLiteral("castObject:toType:"), *arguments);
    }
    return PredicateExpression::builtin(
        PredicateSyntax::builtinSelector(name.text, int(arguments->size())), *arguments);
}

} // namespace vidarium
