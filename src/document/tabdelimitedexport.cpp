#include "document/tabdelimitedexport.h"

#include "document/tmcsvparser.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"

#include <QDateTime>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vidarium {

const QStringList &TabDelimitedExport::propertyKeys()
{
    static const QStringList keys = {
        QStringLiteral("name"),
        QStringLiteral("extension"),
        QStringLiteral("path"),
        QStringLiteral("size"),
        QStringLiteral("duration"),
        QStringLiteral("resolution"),
        QStringLiteral("frameRate"),
        QStringLiteral("videoCodec"),
        QStringLiteral("audioCodec"),
        QStringLiteral("creationDate"),
        QStringLiteral("modifiedDate"),
        QStringLiteral("importedDate"),
        QStringLiteral("playCount"),
        QStringLiteral("rating"),
        QStringLiteral("userComments"),
    };
    return keys;
}

QString TabDelimitedExport::tabDelimitedHeader(const MediaLibrary &library)
{
    return tabDelimitedHeader(library, Definitions::shared());
}

QString TabDelimitedExport::tabDelimitedHeader(
    const MediaLibrary &library, const Definitions &definitions)
{
    QStringList columns;
    for (const QString &key : propertyKeys()) {
        const QString label = definitions.propertyDefinition(key).label;
        columns.append(flattened(label.isEmpty() ? key : label));
    }
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        columns.append(flattened(field->name()));
    return columns.join(QLatin1Char('\t'));
}

QStringList TabDelimitedExport::activeFieldIdentifiers(const MediaLibrary &library)
{
    QStringList identifiers;
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        identifiers.append(field->identifier());
    return identifiers;
}

QString TabDelimitedExport::tabDelimitedRepresentation(const MediaElement &element)
{
    const MediaLibrary *library = element.library();
    return row(element, library ? activeFieldIdentifiers(*library) : QStringList());
}

QString TabDelimitedExport::row(const MediaElement &element, const QStringList &fieldIdentifiers)
{
    QStringList columns = {
        element.name(),
        element.extension(),
        element.path(),
        QString::number(element.size()),
        numberText(element.duration()),
        // The element's resolution text, without the cost of a format string per row.
        QString::number(element.pixelsWide()) + QStringLiteral(" x ")
            + QString::number(element.pixelsHigh()),
        numberText(element.frameRate()),
        element.videoCodec(),
        element.audioCodec(),
        dateText(element.creationDate()),
        dateText(element.modifiedDate()),
        dateText(element.importedDate()),
        QString::number(element.playCount()),
        QString::number(element.rating()),
        element.userComments(),
    };
    for (const QString &identifier : fieldIdentifiers) {
        const PlistValue value = element.valueForUndefinedKey(identifier);
        switch (value.type()) {
        case PlistValue::Type::String:
            columns.append(value.toString());
            break;
        case PlistValue::Type::Integer:
            columns.append(QString::number(value.toInteger()));
            break;
        case PlistValue::Type::Real:
            columns.append(numberText(value.toDouble(), value.isFloat32()));
            break;
        default:
            columns.append(QStringLiteral(" "));
            break;
        }
    }
    for (QString &column : columns)
        column = flattened(column);
    return columns.join(QLatin1Char('\t'));
}

QString TabDelimitedExport::text(const MediaLibrary &library, const MediaElementList &elements)
{
    const QStringList fieldIdentifiers = activeFieldIdentifiers(library);
    QStringList lines;
    lines.reserve(elements.size() + 1);
    lines.append(tabDelimitedHeader(library));
    for (const MediaElementPtr &element : elements)
        lines.append(row(*element, fieldIdentifiers));
    return lines.join(QLatin1Char('\n'));
}

Result<void> TabDelimitedExport::writeFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Error(
            Error::Code::Io, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    QByteArray bytes(2 + text.size() * 2, Qt::Uninitialized);
    bytes[0] = char(0xFF);
    bytes[1] = char(0xFE);
    qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data() + 2);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Error(
            Error::Code::Io, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

QString TabDelimitedExport::numberText(double value, bool singlePrecision)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == std::trunc(value) && std::fabs(value) < 1e18)
        return QString::number(qint64(value));
    const int significant = singlePrecision ? 7 : 16;
    char buffer[64];
    const std::to_chars_result shortest = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::general, significant);
    if (shortest.ec == std::errc() && !std::memchr(buffer, 'e', size_t(shortest.ptr - buffer)))
        return QString::fromLatin1(buffer, shortest.ptr - buffer);
    // Very small or very large: the same digits, written out without an exponent.
    const double rounded = QString::number(value, 'g', significant).toDouble();
    const int magnitude = int(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::max(0, significant - 1 - magnitude);
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

// Written by hand: formatting through QDateTime costs more than the rest of a row.
QString TabDelimitedExport::dateText(const PlistDate &date)
{
    constexpr double UnixEpochSince2001 = 978307200;
    constexpr qint64 SecondsPerDay = 86400;
    const double unixSeconds = std::floor(date.secondsSince2001) + UnixEpochSince2001;
    // Outside years 1 to 9999 the four-digit form does not hold.
    if (!std::isfinite(unixSeconds) || unixSeconds < -62135596800.0
        || unixSeconds >= 253402300800.0)
        return date.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            + QStringLiteral(" +0000");
    const qint64 seconds = qint64(unixSeconds);
    qint64 days = seconds / SecondsPerDay;
    qint64 secondOfDay = seconds % SecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += SecondsPerDay;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const int year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d +0000", year, month, day,
        int(secondOfDay / 3600), int(secondOfDay / 60 % 60), int(secondOfDay % 60));
    return QString::fromLatin1(text);
}

QString TabDelimitedExport::flattened(const QString &value)
{
    const auto breaksColumns
        = [](QChar c) { return c == QLatin1Char('\t') || TMCSVParser::isLineBreak(c.unicode()); };
    if (std::none_of(value.cbegin(), value.cend(), breaksColumns))
        return value;
    QString result = value;
    std::replace_if(result.begin(), result.end(), breaksColumns, QLatin1Char(' '));
    return result;
}

} // namespace vidarium
