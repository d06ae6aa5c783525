#pragma once

// Reads the predicate format syntax into a Predicate: comparisons with options
// and modifiers, AND/OR/NOT with parentheses, constants, key paths, SELF,
// functions (now(), CAST, FUNCTION, arithmetic), aggregates and the %@ %K %d
// arguments. Errors name the position (counted from 1) and what was expected;
// nothing the text holds can crash or hang it (nesting is bounded).
// Threads: one parser per call; no shared state.

#include "model/predicate.h"
#include "model/predicatetokenizer.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QList>
#include <QString>

#include <optional>

namespace vidarium {

class PredicateParser
{
public:
    PredicateParser(const QString &text, const PlistArray &arguments);

    Result<Predicate> parse();

private:
    using Token = PredicateToken;
    using TokenType = PredicateToken::Type;

    std::optional<Predicate> parseOr(int depth);
    std::optional<Predicate> parseAnd(int depth);
    std::optional<Predicate> parseNot(int depth);
    std::optional<Predicate> parsePrimaryPredicate(int depth);
    std::optional<Predicate> parseComparison(int depth);
    std::optional<PredicateExpression> parseExpression(int depth);
    std::optional<PredicateExpression> parseAdditive(int depth);
    std::optional<PredicateExpression> parseMultiplicative(int depth);
    std::optional<PredicateExpression> parsePower(int depth);
    std::optional<PredicateExpression> parseUnary(int depth);
    std::optional<PredicateExpression> parsePrimaryExpression(int depth);
    std::optional<PredicateExpression> parseFunction(const Token &name, int depth);
    std::optional<PredicateExpression> parseKeyPathFrom(QString path);
    std::optional<PredicateExpression> argumentExpression(const Token &token);
    std::optional<QList<PredicateExpression>> parseExpressionList(
        const QString &closing, int depth);

    const Token &current() const { return m_tokens[m_index]; }
    const Token &peek(int ahead) const;
    bool isKeyword(const Token &token, const char *word) const;
    bool isSymbol(const Token &token, const char *symbol) const;
    bool startsOperator(const Token &token) const;
    bool accept(const char *symbol);
    bool acceptKeyword(const char *word);
    bool checkDepth(int depth);
    void fail(qsizetype position, const QString &message);
    void failHere(const QString &expected);
    QString describe(const Token &token) const;

    QString m_text;
    PlistArray m_arguments;
    QList<Token> m_tokens;
    qsizetype m_index = 0;
    std::optional<Error> m_error;
    qsizetype m_errorPosition = -1;
};

} // namespace vidarium
