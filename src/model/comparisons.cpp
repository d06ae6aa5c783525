#include "comparisons.h"

#include "stringutilities.h"

#include <QHash>
#include <QStringList>

#include <cmath>

namespace vidarium {

namespace {

template <typename T> ComparisonResult order(const T &left, const T &right)
{
    if (left < right)
        return ComparisonResult::Ascending;
    if (right < left)
        return ComparisonResult::Descending;
    return ComparisonResult::Same;
}

ComparisonResult fromInt(int comparison)
{
    return comparison < 0 ? ComparisonResult::Ascending
        : comparison > 0  ? ComparisonResult::Descending
                          : ComparisonResult::Same;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The numeric order of two digit runs, without converting them: runs of any
// length compare correctly and cannot overflow.
ComparisonResult compareDigitRuns(QStringView left, QStringView right)
{
    auto significant = [](QStringView run) {
        qsizetype zeros = 0;
        while (zeros < run.size() && run[zeros] == u'0')
            ++zeros;
        return run.mid(zeros);
    };
    left = significant(left);
    right = significant(right);
    if (left.size() != right.size())
        return order(left.size(), right.size());
    for (qsizetype i = 0; i < left.size(); ++i)
        if (left[i] != right[i])
            return order(left[i].unicode(), right[i].unicode());
    return ComparisonResult::Same;
}

qsizetype digitRunEnd(QStringView text, qsizetype start)
{
    while (start < text.size() && isAsciiDigit(text[start]))
        ++start;
    return start;
}

ComparisonResult compareLiteral(const QString &left, const QString &right)
{
    return fromInt(left.compare(right));
}

ComparisonResult compareCaseInsensitive(const QString &left, const QString &right)
{
    return fromInt(left.compare(right, Qt::CaseInsensitive));
}

ComparisonResult compareLocalized(const QString &left, const QString &right)
{
    return fromInt(QString::localeAwareCompare(left, right));
}

ComparisonResult compareLocalizedCaseInsensitive(const QString &left, const QString &right)
{
    return fromInt(QString::localeAwareCompare(left.toCaseFolded(), right.toCaseFolded()));
}

int kindRank(const PlistValue &value)
{
    if (value.isAbsent())
        return 0;
    if (value.isNumber())
        return 1;
    return 2 + int(value.type());
}

} // namespace

ComparisonResult compareNumericString(const QString &left, const QString &right)
{
    const QStringView a(left), b(right);
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            const qsizetype endA = digitRunEnd(a, i), endB = digitRunEnd(b, j);
            const ComparisonResult runs = compareDigitRuns(a.mid(i, endA - i), b.mid(j, endB - j));
            if (runs != ComparisonResult::Same)
                return runs;
            i = endA;
            j = endB;
            continue;
        }
        const char16_t foldedA = a[i].toCaseFolded().unicode(),
                       foldedB = b[j].toCaseFolded().unicode();
        if (foldedA != foldedB)
            return order(foldedA, foldedB);
        ++i;
        ++j;
    }
    return order(a.size() - i, b.size() - j);
}

ComparisonResult compareResolutionString(const QString &left, const QString &right)
{
    const QStringList a = left.split(QStringLiteral(" x ")), b = right.split(QStringLiteral(" x "));
    const ComparisonResult widths = order(leadingInteger(a.value(0)), leadingInteger(b.value(0)));
    if (widths != ComparisonResult::Same)
        return widths;
    return order(leadingInteger(a.value(1)), leadingInteger(b.value(1)));
}

ComparisonResult compareAspectString(const QString &left, const QString &right)
{
    auto ratio = [](const QString &text) {
        const QStringList pieces = text.split(u':');
        return leadingFloat(pieces.value(0)) / leadingFloat(pieces.value(1));
    };
    const float a = ratio(left), b = ratio(right);
    // An undefined ratio ("0:0", not read yet) must still sort consistently: one
    // that is greater than everything in both directions breaks the sort itself.
    // It sorts before every known ratio, and equal to the other unknown ones.
    if (std::isnan(a) || std::isnan(b))
        return order(!std::isnan(a), !std::isnan(b));
    return order(a, b);
}

StringComparison stringComparisonNamed(const QString &selector)
{
    static const QHash<QString, StringComparison> comparisons = {
        { QStringLiteral("compareNumericString:"), compareNumericString },
        { QStringLiteral("compareResolutionString:"), compareResolutionString },
        { QStringLiteral("compareAspectString:"), compareAspectString },
        { QStringLiteral("compare:"), compareLiteral },
        { QStringLiteral("caseInsensitiveCompare:"), compareCaseInsensitive },
        { QStringLiteral("localizedCompare:"), compareLocalized },
        { QStringLiteral("localizedCaseInsensitiveCompare:"), compareLocalizedCaseInsensitive },
        { QStringLiteral("localizedStandardCompare:"), compareNumericString },
    };
    return comparisons.value(selector, compareNumericString);
}

ComparisonResult compareValues(
    const PlistValue &left, const PlistValue &right, const QString &selector)
{
    const int leftRank = kindRank(left), rightRank = kindRank(right);
    if (leftRank != rightRank)
        return order(leftRank, rightRank);
    switch (left.type()) {
    case PlistValue::Type::String:
        return stringComparisonNamed(selector)(left.toString(), right.toString());
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
        if (right.type() != PlistValue::Type::Real && !left.isUnsigned64() && !right.isUnsigned64())
            return order(left.toInteger(), right.toInteger());
        return order(left.toDouble(), right.toDouble());
    case PlistValue::Type::Real:
        return order(left.toDouble(), right.toDouble());
    case PlistValue::Type::Date:
        return order(left.toDate().secondsSince2001, right.toDate().secondsSince2001);
    case PlistValue::Type::Data:
        return order(left.toData(), right.toData());
    default:
        return ComparisonResult::Same;
    }
}

} // namespace vidarium
