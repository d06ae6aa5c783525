#include "predicatevalues.h"

#include "predicate.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>

namespace vidarium {

namespace {

bool isFoldedAsciiCase(int options)
{
    return options & CaseInsensitive;
}

constexpr char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

template <typename T> int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

bool PredicateValues::isAscii(QStringView text)
{
    // Four code units at a time: every element's name passes through here.
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (; i + 4 <= size; i += 4) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        if (word & 0xff80ff80ff80ff80ULL)
            return false;
    }
    for (; i < size; ++i) {
        if (units[i] >= 0x80)
            return false;
    }
    return true;
}

bool PredicateValues::asciiFoldedEquals(QStringView text, QStringView folded)
{
    if (text.size() != folded.size())
        return false;
    const char16_t *a = text.utf16();
    const char16_t *b = folded.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (asciiLower(a[i]) != b[i])
            return false;
    }
    return true;
}

bool PredicateValues::asciiFoldedContains(QStringView text, QStringView folded)
{
    const qsizetype length = folded.size();
    if (length == 0 || length > text.size())
        return false;
    // Qt's case-insensitive search folds every character through its tables;
    // ASCII needs a comparison with the first letter in both cases, and one
    // subtraction for the rest.
    const char16_t first = folded.utf16()[0];
    const char16_t firstUpper = (first >= u'a' && first <= u'z') ? char16_t(first - 32) : first;
    const char16_t *units = text.utf16();
    const qsizetype last = text.size() - length;
    for (qsizetype i = 0; i <= last; ++i) {
        if (units[i] != first && units[i] != firstUpper)
            continue;
        if (asciiFoldedEquals(QStringView(units + i + 1, length - 1), folded.sliced(1)))
            return true;
    }
    return false;
}

bool PredicateValues::folds(int options)
{
    return options & (CaseInsensitive | DiacriticInsensitive);
}

namespace {

QString foldWithIcu(const QString &text, int options)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return text;
    const icu::UnicodeString source(
        false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    icu::UnicodeString folded = nfd->normalize(source, status);
    if (U_FAILURE(status))
        return text;
    if (options & CaseInsensitive)
        folded.foldCase(U_FOLD_CASE_DEFAULT);
    if (options & DiacriticInsensitive) {
        icu::UnicodeString stripped;
        for (int32_t i = 0; i < folded.length();) {
            const UChar32 c = folded.char32At(i);
            if (u_charType(c) != U_NON_SPACING_MARK)
                stripped.append(c);
            i += U16_LENGTH(c);
        }
        folded = stripped;
    }
    return QString(reinterpret_cast<const QChar *>(folded.getBuffer()), folded.length());
}

// The Latin blocks up to here hold letters and signs but no combining marks, so
// their text folds character by character: a table of what ICU makes of each
// spares names in most European languages the trip through ICU.
constexpr char16_t latinEnd = 0x250;
constexpr int maxFoldedLength = 4;

struct LatinFolding
{
    std::array<std::array<char16_t, maxFoldedLength>, latinEnd> units {};
    std::array<qint8, latinEnd> lengths {}; // -1: longer than the table holds
};

const LatinFolding &latinFolding(int options)
{
    // One table each for [c], [d] and [cd].
    static const std::array<LatinFolding, 3> tables = [] {
        std::array<LatinFolding, 3> made;
        for (int kind = 0; kind < 3; ++kind) {
            const int kindOptions = kind == 0 ? CaseInsensitive
                : kind == 1                   ? DiacriticInsensitive
                                              : (CaseInsensitive | DiacriticInsensitive);
            for (char16_t c = 0; c < latinEnd; ++c) {
                const QString folded = foldWithIcu(QString(QChar(c)), kindOptions);
                if (folded.size() > maxFoldedLength) {
                    made[size_t(kind)].lengths[c] = -1;
                    continue;
                }
                made[size_t(kind)].lengths[c] = qint8(folded.size());
                std::copy(folded.utf16(), folded.utf16() + folded.size(),
                    made[size_t(kind)].units[c].begin());
            }
        }
        return made;
    }();
    const bool caseFolds = options & CaseInsensitive;
    const bool marksGo = options & DiacriticInsensitive;
    return tables[caseFolds && marksGo ? 2 : marksGo ? 1 : 0];
}

// Nothing when the text has characters the table does not hold.
std::optional<QString> foldWithTable(const QString &text, int options)
{
    const LatinFolding &table = latinFolding(options);
    QString folded(text.size() * maxFoldedLength, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= latinEnd || table.lengths[unit] < 0)
            return std::nullopt;
        out = std::copy_n(table.units[unit].begin(), table.lengths[unit], out);
    }
    folded.truncate(out - reinterpret_cast<const char16_t *>(folded.constData()));
    return folded;
}

} // namespace

QString PredicateValues::fold(const QString &text, int options)
{
    if (!folds(options))
        return text;
    if (isAscii(text))
        return isFoldedAsciiCase(options) ? text.toLower() : text;
    if (std::optional<QString> folded = foldWithTable(text, options))
        return *std::move(folded);
    return foldWithIcu(text, options);
}

bool PredicateValues::equal(const PlistValue &left, const PlistValue &right, int options)
{
    if (left.isAbsent() || right.isAbsent())
        return left.isAbsent() && right.isAbsent();
    using Type = PlistValue::Type;
    const Type lt = left.type();
    const Type rt = right.type();
    if (lt == Type::String && rt == Type::String) {
        if (!folds(options))
            return left.toString() == right.toString();
        return fold(left.toString(), options) == fold(right.toString(), options);
    }
    if (left.isNumber() && right.isNumber()) {
        if (lt != Type::Real && rt != Type::Real && !left.isUnsigned64() && !right.isUnsigned64())
            return left.toInteger() == right.toInteger();
        return left.toDouble() == right.toDouble();
    }
    if (lt == Type::Date && rt == Type::Date)
        return left.toDate().secondsSince2001 == right.toDate().secondsSince2001;
    const bool leftList = lt == Type::Array || lt == Type::Set;
    const bool rightList = rt == Type::Array || rt == Type::Set;
    if (leftList && rightList) {
        const PlistArray &a = left.toArray();
        const PlistArray &b = right.toArray();
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!equal(a[i], b[i], options))
                return false;
        }
        return true;
    }
    return left == right;
}

std::optional<int> PredicateValues::compare(
    const PlistValue &left, const PlistValue &right, int options)
{
    if (left.isAbsent() || right.isAbsent())
        return std::nullopt;
    using Type = PlistValue::Type;
    const Type lt = left.type();
    const Type rt = right.type();
    if (lt == Type::String && rt == Type::String) {
        const int order = folds(options)
            ? QString::compare(fold(left.toString(), options), fold(right.toString(), options))
            : QString::compare(left.toString(), right.toString());
        return threeWay(order, 0);
    }
    if (left.isNumber() && right.isNumber()) {
        if (lt != Type::Real && rt != Type::Real && !left.isUnsigned64() && !right.isUnsigned64())
            return threeWay(left.toInteger(), right.toInteger());
        const double a = left.toDouble();
        const double b = right.toDouble();
        if (std::isnan(a) || std::isnan(b))
            return std::nullopt;
        return threeWay(a, b);
    }
    if (lt == Type::Date && rt == Type::Date)
        return threeWay(left.toDate().secondsSince2001, right.toDate().secondsSince2001);
    return std::nullopt;
}

QString PredicateValues::likePatternToRegularExpression(const QString &pattern)
{
    QString expression;
    expression.reserve(pattern.size() * 2);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('*')) {
            expression += QLatin1String(".*");
        } else if (c == QLatin1Char('?')) {
            expression += QLatin1Char('.');
        } else {
            QChar literal = c;
            if (c == QLatin1Char('\\') && i + 1 < pattern.size())
                literal = pattern[++i];
            // \Q...\E would break on a literal "\E"; escape one character at a time.
            if (literal.isLetterOrNumber() || literal.unicode() >= 0x80)
                expression += literal;
            else
                expression += QLatin1Char('\\') + QString(literal);
        }
    }
    return expression;
}

} // namespace vidarium
