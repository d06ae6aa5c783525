#pragma once

// Splits criteria text into tokens for the parser: names (with "#" escapes and
// field UUIDs), quoted strings with their escapes, numbers in any base the
// syntax allows, %@ %K %d arguments, $variables and symbols. Errors name the
// position, counted from 1.
// Threads: one tokenizer per call; no shared state.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QList>
#include <QString>

#include <optional>

namespace vidarium {

struct PredicateToken
{
    enum class Type { End, Identifier, String, Integer, Real, Symbol, Argument, Variable };

    Type type = Type::End;
    QString text; // identifier, string contents, symbol, argument conversion
    PlistValue number; // Integer, Real
    bool escaped = false; // an identifier written with "#": never a keyword
    qsizetype position = 0;
    int argumentIndex = -1;
};

class PredicateTokenizer
{
public:
    explicit PredicateTokenizer(const QString &text);

    // All the tokens, the last one End; or the first that cannot be read.
    Result<QList<PredicateToken>> tokenize();

private:
    using Token = PredicateToken;

    bool readToken(qsizetype &at, Token &token);
    bool readName(qsizetype &at, Token &token);
    bool readArgument(qsizetype &at, Token &token);
    bool readSymbol(qsizetype &at, Token &token);
    bool readString(qsizetype &at, Token &token);
    bool readNumber(qsizetype &at, Token &token);
    bool readPrefixedInteger(qsizetype &at, int base, Token &token);
    void fail(qsizetype position, const QString &message);

    const QString &m_text;
    int m_nextArgument = 0;
    std::optional<Error> m_error;
};

} // namespace vidarium
