#pragma once

// The lexical rules of the predicate format syntax that the parser and the
// printers share, so that whatever is printed reads back the same.
// Threads: stateless.

#include "platform/result.h"

#include <QString>
#include <QStringView>

namespace vidarium {

class PredicateSyntax
{
public:
    // AND, OR, IN, SELF, TRUEPREDICATE... in any case.
    static bool isReservedWord(QStringView word);
    static bool isIdentifierStart(QChar c);
    static bool isIdentifierPart(QChar c);
    // Field identifiers are upper-case UUIDs such as 0A1B2C3D-0000-4000-8000-00000000ABCD:
    // read as one key, although they begin with a digit and hold hyphens.
    static bool isUuidAt(QStringView text, qsizetype position);
    // A key path as typed: each component an identifier (reserved words with a leading
    // "#") or a UUID; empty when the path cannot be written that way.
    static QString keyPathText(const QString &keyPath);
    // "text" with \" \\ and control characters escaped.
    static QString quoted(const QString &text);
    // A real that reads back as a real: always with a point or an exponent.
    static QString realText(double value);
    // The selector of a built-in called by name: now() is "now", count(x) is "count:".
    static QString builtinSelector(const QString &name, int argumentCount);
    // "Syntax error at position n: message", with the position counted from 1.
    static Error syntaxError(qsizetype position, const QString &message);
};

} // namespace vidarium
