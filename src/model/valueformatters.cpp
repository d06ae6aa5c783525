#include "valueformatters.h"

#include "stringutilities.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace vidarium {

namespace {

// Locale-formatted numbers without group separators: these are short figures
// ("2500 TB", "29.97") where a separator would only get in the way.
QLocale plainNumberLocale(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// Truncates toward zero without the undefined behaviour of casting a NaN or an
// out-of-range float.
qint64 truncatedInteger(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9.2233720368547758e18f)
        return std::numeric_limits<qint64>::max();
    if (value <= -9.2233720368547758e18f)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

// What the number formatters show for a value that is not a number: a string
// shows as itself, anything else as nothing.
QString passThroughText(const PlistValue &value)
{
    return value.type() == PlistValue::Type::String ? value.toString() : QString();
}

bool isSpacingCharacter(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

// ---------------------------------------------------------------- duration

QString DurationFormatter::stringForObjectValue(const PlistValue &value) const
{
    if (!value.isNumber())
        return passThroughText(value);
    const float v = float(value.toDouble());
    const qint64 t = truncatedInteger(v);
    const auto two
        = [](qint64 n) { return QString::asprintf("%02lld", static_cast<long long>(n)); };
    if (!(v >= 60.0f)) // negative values and NaN land here too
        return QStringLiteral("0:") + two(t);
    if (v < 3600.0f)
        return QString::number(t / 60) + u':' + two(t % 60);
    if (v < 86400.0f)
        return QString::number(t / 3600) + u':' + two((t / 60) % 60) + u':' + two(t % 60);
    const qint64 hours = truncatedInteger(v / 3600.0f) % 24;
    return QString::number(t / 86400) + u':' + two(hours) + u':' + two((t / 60) % 60) + u':'
        + two(t % 60);
}

PlistValue DurationFormatter::objectValueForString(const QString &text) const
{
    const QList<QStringView> pieces = QStringView(text).split(u':');
    static constexpr quint32 factors[] = { 1, 60, 3600, 86400 };
    quint32 total = 0; // the stored form is a 32-bit count that wraps, never traps
    for (qsizetype n = 0; n < 4 && n < pieces.size(); ++n)
        total += quint32(leadingInteger(pieces[pieces.size() - 1 - n])) * factors[n];
    return PlistValue(int(qint32(total)));
}

// ---------------------------------------------------------------- bytes

ByteFormatter::ByteFormatter(const QLocale &locale)
    : m_locale(plainNumberLocale(locale))
{
}

QString ByteFormatter::stringForObjectValue(const PlistValue &value) const
{
    if (!value.isNumber())
        return passThroughText(value);
    static const char *const units[] = { "B", "KB", "MB", "GB", "TB" };
    float v = float(value.toDouble());
    int unit = 0;
    while (v >= 1000.0f && unit < 4) {
        v /= 1000.0f;
        ++unit;
    }
    const float fraction = v - std::trunc(v);
    const int decimals = fraction > 0.01f ? 2 : 0;
    return m_locale.toString(double(v), 'f', decimals) + u' ' + QLatin1String(units[unit]);
}

PlistValue ByteFormatter::objectValueForString(const QString &text) const
{
    const QStringView view(text);
    qsizetype i = 0;
    float bytes = scanFloat(view, i);
    static const struct
    {
        const char *unit;
        float factor;
    } multipliers[] = { { "KB", 1e3f }, { "MB", 1e6f }, { "GB", 1e9f }, { "TB", 1e12f } };
    for (const auto &m : multipliers) {
        qsizetype p = i;
        while (p < view.size() && view[p].isSpace())
            ++p;
        if (view.mid(p).startsWith(QLatin1String(m.unit), Qt::CaseInsensitive)) {
            bytes *= m.factor;
            i = p + 2;
        }
    }
    return PlistValue(double(bytes));
}

// ---------------------------------------------------------------- frame rate

FrameRateFormatter::FrameRateFormatter(const QLocale &locale)
    : m_locale(plainNumberLocale(locale))
{
}

QString FrameRateFormatter::stringForObjectValue(const PlistValue &value) const
{
    if (!value.isNumber())
        return passThroughText(value);
    return m_locale.toString(value.toDouble(), 'f', 2);
}

PlistValue FrameRateFormatter::objectValueForString(const QString &text) const
{
    bool ok = false;
    const double rate = m_locale.toDouble(text.trimmed(), &ok);
    return ok ? PlistValue(rate) : PlistValue();
}

// ---------------------------------------------------------------- dates

DateFormatter::DateFormatter(const QLocale &locale)
    : m_locale(locale)
{
}

QDate DateFormatter::today() const
{
    return m_today.isValid() ? m_today : QDate::currentDate();
}

QString DateFormatter::dateFormat() const
{
    // Short formats often carry a two-digit year, which cannot be read back
    // into the right century.
    static const QRegularExpression years(QStringLiteral("y+"));
    QString format = m_locale.dateFormat(QLocale::ShortFormat);
    format.replace(years, QStringLiteral("yyyy"));
    return format;
}

QString DateFormatter::timeFormat() const
{
    return m_locale.timeFormat(QLocale::ShortFormat);
}

static QString relativeDayName(int daysFromToday)
{
    switch (daysFromToday) {
    case 0:
        return QCoreApplication::translate("DateFormatter", "Today");
    case -1:
        return QCoreApplication::translate("DateFormatter", "Yesterday");
    case 1:
        return QCoreApplication::translate("DateFormatter", "Tomorrow");
    default:
        return QString();
    }
}

QString DateFormatter::stringForObjectValue(const PlistValue &value) const
{
    if (value.type() != PlistValue::Type::Date)
        return passThroughText(value);
    const QDateTime local = value.toDateTime().toLocalTime();
    if (!local.isValid())
        return QString();
    QString day = relativeDayName(int(today().daysTo(local.date())));
    if (day.isEmpty())
        day = m_locale.toString(local.date(), dateFormat());
    return day + QStringLiteral(", ") + m_locale.toString(local.time(), timeFormat());
}

PlistValue DateFormatter::objectValueForString(const QString &text) const
{
    const QString trimmed = text.trimmed();
    for (int offset : { 0, -1, 1 }) {
        const QString name = relativeDayName(offset) + QStringLiteral(", ");
        if (!trimmed.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QTime time = m_locale.toTime(trimmed.mid(name.size()).trimmed(), timeFormat());
        if (!time.isValid())
            return PlistValue();
        return PlistValue(QDateTime(today().addDays(offset), time, Qt::LocalTime));
    }
    QDateTime dateTime
        = m_locale.toDateTime(trimmed, dateFormat() + QStringLiteral(", ") + timeFormat());
    if (!dateTime.isValid())
        return PlistValue();
    dateTime.setTimeSpec(Qt::LocalTime);
    return PlistValue(dateTime);
}

// ---------------------------------------------------------------- names

QString ExtensionFormatter::stringForObjectValue(const PlistValue &value) const
{
    return value.type() == PlistValue::Type::String ? value.toString() : QStringLiteral("");
}

PlistValue ExtensionFormatter::objectValueForString(const QString &text) const
{
    QString extension;
    extension.reserve(text.size());
    for (QChar c : text)
        if (!isSpacingCharacter(c))
            extension.append(c);
    return PlistValue(extension);
}

QString FilenameFormatter::stringForObjectValue(const PlistValue &value) const
{
    if (value.type() != PlistValue::Type::String)
        return QStringLiteral("");
    return value.toString().replace(u':', u'/');
}

PlistValue FilenameFormatter::objectValueForString(const QString &text) const
{
    return PlistValue(QString(text).replace(u'/', u':'));
}

std::unique_ptr<ValueFormatter> formatterNamed(const QString &className, const QLocale &locale)
{
    if (className == QLatin1String("DurationFormatter"))
        return std::make_unique<DurationFormatter>();
    if (className == QLatin1String("ByteFormatter"))
        return std::make_unique<ByteFormatter>(locale);
    if (className == QLatin1String("FrameRateFormatter"))
        return std::make_unique<FrameRateFormatter>(locale);
    if (className == QLatin1String("DateFormatter"))
        return std::make_unique<DateFormatter>(locale);
    if (className == QLatin1String("ExtensionFormatter"))
        return std::make_unique<ExtensionFormatter>();
    if (className == QLatin1String("FilenameFormatter"))
        return std::make_unique<FilenameFormatter>();
    return nullptr;
}

} // namespace vidarium
