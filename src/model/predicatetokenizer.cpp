#include "predicatetokenizer.h"

#include "predicatesyntax.h"

#include <charconv>

namespace vidarium {

namespace {

// Longest first, so that "<=" is not read as "<" and "=".
constexpr const char *symbols[] = {
    "**",
    "==",
    "!=",
    "<>",
    "<=",
    "=<",
    ">=",
    "=>",
    "&&",
    "||",
    "(",
    ")",
    "{",
    "}",
    "[",
    "]",
    ",",
    ".",
    "=",
    "<",
    ">",
    "!",
    "+",
    "-",
    "*",
    "/",
};

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

PredicateTokenizer::PredicateTokenizer(const QString &text)
    : m_text(text)
{
}

Result<QList<PredicateToken>> PredicateTokenizer::tokenize()
{
    QList<Token> tokens;
    qsizetype at = 0;
    const qsizetype size = m_text.size();
    while (true) {
        while (at < size && m_text[at].isSpace())
            ++at;
        Token token;
        token.position = at;
        if (at >= size) {
            tokens.append(token);
            return tokens;
        }
        if (!readToken(at, token))
            return *m_error;
        tokens.append(token);
    }
}

bool PredicateTokenizer::readToken(qsizetype &at, Token &token)
{
    const QChar c = m_text[at];
    if (PredicateSyntax::isUuidAt(m_text, at)) {
        token.type = Token::Type::Identifier;
        token.text = m_text.mid(at, 36);
        at += 36;
        return true;
    }
    if (c.isDigit())
        return readNumber(at, token);
    if (c == QLatin1Char('"') || c == QLatin1Char('\''))
        return readString(at, token);
    if (PredicateSyntax::isIdentifierStart(c) || c == QLatin1Char('#') || c == QLatin1Char('$'))
        return readName(at, token);
    if (c == QLatin1Char('%'))
        return readArgument(at, token);
    return readSymbol(at, token);
}

// A name, a "#"-escaped name or a "$" variable.
bool PredicateTokenizer::readName(qsizetype &at, Token &token)
{
    const qsizetype size = m_text.size();
    const QChar c = m_text[at];
    const bool escaped = c == QLatin1Char('#');
    const bool variable = c == QLatin1Char('$');
    qsizetype start = (escaped || variable) ? at + 1 : at;
    if (start < size && PredicateSyntax::isUuidAt(m_text, start)) {
        token.text = m_text.mid(start, 36);
        at = start + 36;
    } else {
        if (start >= size || !PredicateSyntax::isIdentifierStart(m_text[start])) {
            fail(at, QStringLiteral("expected a name after \"%1\"").arg(c));
            return false;
        }
        qsizetype end = start + 1;
        while (end < size && PredicateSyntax::isIdentifierPart(m_text[end]))
            ++end;
        token.text = m_text.mid(start, end - start);
        at = end;
    }
    token.type = variable ? Token::Type::Variable : Token::Type::Identifier;
    token.escaped = escaped;
    return true;
}

bool PredicateTokenizer::readArgument(qsizetype &at, Token &token)
{
    static constexpr const char *conversions[]
        = { "@", "K", "lld", "llu", "ld", "lu", "lf", "d", "i", "u", "f", "g" };
    const QStringView rest = QStringView(m_text).mid(at + 1);
    const char *match = nullptr;
    for (const char *conversion : conversions) {
        if (rest.startsWith(QLatin1String(conversion))) {
            match = conversion;
            break;
        }
    }
    if (!match) {
        fail(
            at, QStringLiteral("unknown argument \"%1\"; use %@, %K or %d").arg(m_text.mid(at, 2)));
        return false;
    }
    token.type = Token::Type::Argument;
    token.text = QLatin1String(match);
    token.argumentIndex = m_nextArgument++;
    at += 1 + qsizetype(qstrlen(match));
    return true;
}

bool PredicateTokenizer::readSymbol(qsizetype &at, Token &token)
{
    const QStringView rest = QStringView(m_text).mid(at);
    const char *match = nullptr;
    for (const char *symbol : symbols) {
        if (rest.startsWith(QLatin1String(symbol))) {
            match = symbol;
            break;
        }
    }
    if (!match) {
        fail(at, QStringLiteral("unexpected character \"%1\"").arg(m_text[at]));
        return false;
    }
    token.type = Token::Type::Symbol;
    token.text = QLatin1String(match);
    at += qsizetype(qstrlen(match));
    return true;
}

bool PredicateTokenizer::readString(qsizetype &at, Token &token)
{
    const QChar quote = m_text[at];
    const qsizetype start = at;
    QString value;
    ++at;
    while (true) {
        if (at >= m_text.size()) {
            fail(start, QStringLiteral("the quoted text has no closing %1").arg(quote));
            return false;
        }
        const QChar c = m_text[at++];
        if (c == quote)
            break;
        if (c != QLatin1Char('\\')) {
            value += c;
            continue;
        }
        if (at >= m_text.size()) {
            fail(at - 1, QStringLiteral("the quoted text ends in the middle of an escape"));
            return false;
        }
        const QChar e = m_text[at++];
        switch (e.unicode()) {
        case 'n':
            value += QLatin1Char('\n');
            break;
        case 't':
            value += QLatin1Char('\t');
            break;
        case 'r':
            value += QLatin1Char('\r');
            break;
        case 'a':
            value += QChar(0x07);
            break;
        case 'b':
            value += QChar(0x08);
            break;
        case 'f':
            value += QChar(0x0c);
            break;
        case 'v':
            value += QChar(0x0b);
            break;
        case '0':
            value += QChar(0);
            break;
        case 'u':
        case 'x': {
            const int digits = e == QLatin1Char('u') ? 4 : 2;
            int code = 0;
            for (int i = 0; i < digits; ++i) {
                const int v = at < m_text.size() ? hexValue(m_text[at]) : -1;
                if (v < 0) {
                    fail(at,
                        QStringLiteral("expected %1 hexadecimal digits after \\%2")
                            .arg(digits)
                            .arg(e));
                    return false;
                }
                code = code * 16 + v;
                ++at;
            }
            value += QChar(char16_t(code));
            break;
        }
        default:
            value += e; // \" \' \\ and any other character stand for themselves
        }
    }
    token.type = Token::Type::String;
    token.text = value;
    return true;
}

// 0x1F, 0o17, 0b101.
bool PredicateTokenizer::readPrefixedInteger(qsizetype &at, int base, Token &token)
{
    const qsizetype start = at;
    const qsizetype size = m_text.size();
    at += 2;
    const qsizetype digitsStart = at;
    while (at < size && m_text[at].isLetterOrNumber())
        ++at;
    bool ok = false;
    const qint64 value = m_text.mid(digitsStart, at - digitsStart).toLongLong(&ok, base);
    if (!ok) {
        fail(start, QStringLiteral("\"%1\" is not a number").arg(m_text.mid(start, at - start)));
        return false;
    }
    token.type = Token::Type::Integer;
    token.number = value;
    return true;
}

bool PredicateTokenizer::readNumber(qsizetype &at, Token &token)
{
    const qsizetype start = at;
    const qsizetype size = m_text.size();
    int base = 10;
    if (m_text[at] == QLatin1Char('0') && at + 1 < size) {
        const QChar prefix = m_text[at + 1].toLower();
        if (prefix == QLatin1Char('x'))
            base = 16;
        else if (prefix == QLatin1Char('o'))
            base = 8;
        else if (prefix == QLatin1Char('b'))
            base = 2;
    }
    if (base != 10)
        return readPrefixedInteger(at, base, token);
    bool real = false;
    while (at < size && m_text[at].isDigit())
        ++at;
    if (at + 1 < size && m_text[at] == QLatin1Char('.') && m_text[at + 1].isDigit()) {
        real = true;
        ++at;
        while (at < size && m_text[at].isDigit())
            ++at;
    }
    if (at < size && m_text[at].toLower() == QLatin1Char('e')) {
        qsizetype e = at + 1;
        if (e < size && (m_text[e] == QLatin1Char('+') || m_text[e] == QLatin1Char('-')))
            ++e;
        if (e < size && m_text[e].isDigit()) {
            real = true;
            at = e;
            while (at < size && m_text[at].isDigit())
                ++at;
        }
    }
    if (at < size && PredicateSyntax::isIdentifierPart(m_text[at])) {
        fail(start,
            QStringLiteral("\"%1\" is not a number or a name")
                .arg(m_text.mid(start, at - start + 1)));
        return false;
    }
    const QByteArray digits = m_text.mid(start, at - start).toLatin1();
    if (!real) {
        qint64 value = 0;
        const auto result
            = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
        if (result.ec == std::errc()) {
            token.type = Token::Type::Integer;
            token.number = value;
            return true;
        }
        // Past 64 bits: keep it as a real rather than refuse it.
    }
    double value = 0;
    const auto result
        = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    if (result.ec != std::errc()) {
        fail(start,
            QStringLiteral("the number \"%1\" is out of range").arg(QString::fromLatin1(digits)));
        return false;
    }
    token.type = Token::Type::Real;
    token.number = value;
    return true;
}

void PredicateTokenizer::fail(qsizetype position, const QString &message)
{
    m_error = PredicateSyntax::syntaxError(position, message);
}

} // namespace vidarium
