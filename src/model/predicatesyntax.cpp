#include "predicatesyntax.h"

#include <QStringList>

#include <array>
#include <charconv>
#include <cmath>

namespace vidarium {

namespace {

constexpr std::array<const char *, 24> reservedWords = {
    "AND",
    "OR",
    "NOT",
    "IN",
    "LIKE",
    "MATCHES",
    "BEGINSWITH",
    "ENDSWITH",
    "CONTAINS",
    "BETWEEN",
    "ANY",
    "SOME",
    "ALL",
    "NONE",
    "NULL",
    "NIL",
    "TRUE",
    "FALSE",
    "YES",
    "NO",
    "SELF",
    "TRUEPREDICATE",
    "FALSEPREDICATE",
    "SUBQUERY",
};

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

bool PredicateSyntax::isReservedWord(QStringView word)
{
    for (const char *reserved : reservedWords) {
        if (word.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool PredicateSyntax::isIdentifierStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@');
}

bool PredicateSyntax::isIdentifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool PredicateSyntax::isUuidAt(QStringView text, qsizetype position)
{
    static constexpr int groups[] = { 8, 4, 4, 4, 12 };
    qsizetype at = position;
    for (int g = 0; g < 5; ++g) {
        if (g > 0) {
            if (at >= text.size() || text[at] != QLatin1Char('-'))
                return false;
            ++at;
        }
        for (int i = 0; i < groups[g]; ++i, ++at) {
            if (at >= text.size() || !isHexDigit(text[at]))
                return false;
        }
    }
    return at == text.size() || !isIdentifierPart(text[at]);
}

QString PredicateSyntax::keyPathText(const QString &keyPath)
{
    if (keyPath.isEmpty())
        return {};
    QStringList parts;
    for (const QString &component : keyPath.split(QLatin1Char('.'))) {
        if (component.isEmpty())
            return {};
        if (isUuidAt(component, 0)) {
            parts.append(component);
            continue;
        }
        if (!isIdentifierStart(component[0]))
            return {};
        for (qsizetype i = 1; i < component.size(); ++i) {
            if (!isIdentifierPart(component[i]))
                return {};
        }
        parts.append(isReservedWord(component) ? QLatin1Char('#') + component : component);
    }
    return parts.join(QLatin1Char('.'));
}

QString PredicateSyntax::quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString PredicateSyntax::realText(double value)
{
    if (std::isnan(value) || std::isinf(value))
        return QStringLiteral("CAST(\"%1\", \"NSNumber\")")
            .arg(std::isnan(value) ? QStringLiteral("nan")
                                   : (value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf")));
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QLatin1String(".0");
    return text;
}

QString PredicateSyntax::builtinSelector(const QString &name, int argumentCount)
{
    return argumentCount == 0 ? name : name + QLatin1Char(':');
}

Error PredicateSyntax::syntaxError(qsizetype position, const QString &message)
{
    return Error(Error::Code::InvalidArgument,
        QStringLiteral("Syntax error at position %1: %2").arg(position + 1).arg(message));
}

} // namespace vidarium
