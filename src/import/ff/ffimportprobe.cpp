#include "ffimportprobe.h"

#include <QRegularExpression>

#include <charconv>
#include <limits>

namespace vidarium {

namespace {

// The span of text that forms a number: sign, digits, a fraction and an exponent.
QByteArray leadingNumber(const QString &text, bool allowFraction)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    qsizetype end = 0;
    if (end < bytes.size() && (bytes[end] == '+' || bytes[end] == '-'))
        ++end;
    const qsizetype digitsStart = end;
    while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9')
        ++end;
    bool anyDigit = end > digitsStart;
    if (allowFraction) {
        if (end < bytes.size() && bytes[end] == '.') {
            const qsizetype fractionStart = ++end;
            while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9')
                ++end;
            anyDigit = anyDigit || end > fractionStart;
        }
        if (anyDigit && end < bytes.size() && (bytes[end] == 'e' || bytes[end] == 'E')) {
            qsizetype exponent = end + 1;
            if (exponent < bytes.size() && (bytes[exponent] == '+' || bytes[exponent] == '-'))
                ++exponent;
            const qsizetype exponentDigits = exponent;
            while (exponent < bytes.size() && bytes[exponent] >= '0' && bytes[exponent] <= '9')
                ++exponent;
            if (exponent > exponentDigits)
                end = exponent;
        }
    }
    if (!anyDigit)
        return {};
    QByteArray number = bytes.left(end);
    if (number.startsWith('+'))
        number.remove(0, 1);
    return number;
}

} // namespace

QString FFImportProbe::decode(const QByteArray &output)
{
    return QString::fromUtf8(output);
}

QStringList FFImportProbe::lines(const QString &text)
{
    static const QRegularExpression newline(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}\\x{85}]"));
    return text.split(newline);
}

QString FFImportProbe::fieldForTag(const QString &tag, const QStringList &allFields)
{
    for (const QString &line : allFields) {
        if (!line.startsWith(tag, Qt::CaseInsensitive))
            continue;
        QString value = line;
        value.remove(tag, Qt::CaseSensitive);
        qsizetype start = 0;
        qsizetype end = value.size();
        while (start < end && value[start] == QLatin1Char('"'))
            ++start;
        while (end > start && value[end - 1] == QLatin1Char('"'))
            --end;
        return value.mid(start, end - start);
    }
    return QString();
}

float FFImportProbe::frameRateFromFractionString(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() != 2)
        return 0.0f;
    return floatValue(parts[0]) / floatValue(parts[1]);
}

float FFImportProbe::floatValue(const QString &text)
{
    const QByteArray number = leadingNumber(text, true);
    if (number.isEmpty())
        return 0.0f;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(
        number.constData(), number.constData() + number.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range)
        return number.startsWith('-') ? -std::numeric_limits<float>::max()
                                      : std::numeric_limits<float>::max();
    return error == std::errc() ? value : 0.0f;
}

qint64 FFImportProbe::integerValue(const QString &text)
{
    const QByteArray number = leadingNumber(text, false);
    if (number.isEmpty())
        return 0;
    qint64 value = 0;
    const auto [end, error]
        = std::from_chars(number.constData(), number.constData() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        return number.startsWith('-') ? std::numeric_limits<qint64>::min()
                                      : std::numeric_limits<qint64>::max();
    return error == std::errc() ? value : 0;
}

QString FFImportProbe::cleanedName(const QString &text)
{
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() <= 0x7F)
            cleaned.append(c);
    }
    return cleaned;
}

void FFImportProbe::collectVideoProperties(const QStringList &fields, PlistDictionary &properties)
{
    properties.insert(QStringLiteral("duration"),
        PlistValue::float32(floatValue(fieldForTag(QStringLiteral("format.duration="), fields))));
    properties.insert(QStringLiteral("pixelsWide"),
        PlistValue(integerValue(fieldForTag(QStringLiteral("streams.stream.0.width="), fields))));
    properties.insert(QStringLiteral("pixelsHigh"),
        PlistValue(integerValue(fieldForTag(QStringLiteral("streams.stream.0.height="), fields))));
    properties.insert(QStringLiteral("frameRate"),
        PlistValue::float32(frameRateFromFractionString(
            fieldForTag(QStringLiteral("streams.stream.0.r_frame_rate="), fields))));
    properties.insert(QStringLiteral("videoCodec"),
        PlistValue(
            cleanedName(fieldForTag(QStringLiteral("streams.stream.0.codec_long_name="), fields))));
}

void FFImportProbe::collectAudioProperties(const QStringList &fields, PlistDictionary &properties)
{
    properties.insert(QStringLiteral("audioCodec"),
        PlistValue(
            cleanedName(fieldForTag(QStringLiteral("streams.stream.0.codec_long_name="), fields))));
}

} // namespace vidarium
