#pragma once

// How the criteria language compares values: numbers and booleans numerically,
// dates by time, strings code unit by code unit unless the options ask to ignore
// case ([c]) or diacritics ([d]), which fold both sides with ICU.
// Threads: stateless; safe from any thread.

#include "platform/plist/plistvalue.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace vidarium {

class PredicateValues
{
public:
    static bool isAscii(QStringView text);
    // For ASCII text and a needle folded for case (lower-case): whether the text
    // equals or contains the needle, ignoring case, without Qt's Unicode tables.
    static bool asciiFoldedEquals(QStringView text, QStringView folded);
    static bool asciiFoldedContains(QStringView text, QStringView folded);
    // The text as the options compare it: canonically decomposed, case-folded for
    // CaseInsensitive, without non-spacing marks for DiacriticInsensitive; the
    // text itself when neither is asked for.
    static QString fold(const QString &text, int options);
    // Whether the options change how strings compare.
    static bool folds(int options);

    // Equality: both absent is equal, one absent is not; strings fold with the options.
    static bool equal(const PlistValue &left, const PlistValue &right, int options);
    // Ordering: <0, 0, >0; none when the values cannot be ordered (absent, or of
    // different kinds).
    static std::optional<int> compare(const PlistValue &left, const PlistValue &right, int options);

    // A regular expression pattern for a LIKE pattern: "*" any run, "?" one
    // character, a backslash takes the next character literally.
    static QString likePatternToRegularExpression(const QString &pattern);
};

} // namespace vidarium
