#pragma once

// The house display forms of element values, both ways: each formatter turns a
// stored value into the text every view shows and reads typed text back. Parsing
// never fails; text that stands for nothing gives an Invalid value.
// Threads: any thread; the locale-aware formatters take their locale at creation
// (the user's by default), so use them where that locale is wanted.

#include "platform/plist/plistvalue.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include <memory>

namespace vidarium {

class ValueFormatter
{
public:
    virtual ~ValueFormatter() = default;

    // The display text, or a null QString when there is nothing to show.
    virtual QString stringForObjectValue(const PlistValue &value) const = 0;
    // The value the text stands for; Invalid for "no value".
    virtual PlistValue objectValueForString(const QString &text) const = 0;
};

// Seconds as clock text: 0:05, 59:59, 1:00:00, 1:01:01:01 (days first).
class DurationFormatter : public ValueFormatter
{
public:
    QString stringForObjectValue(const PlistValue &value) const override;
    // Whole seconds (an integer) from up to four ":"-separated pieces, read from the right.
    PlistValue objectValueForString(const QString &text) const override;
};

// Bytes in decimal units (B, KB, MB, GB, TB; steps of 1000), two decimals when the
// fraction matters.
class ByteFormatter : public ValueFormatter
{
public:
    explicit ByteFormatter(const QLocale &locale = QLocale());
    QString stringForObjectValue(const PlistValue &value) const override;
    // A number followed by an optional unit; a single-precision real.
    PlistValue objectValueForString(const QString &text) const override;

private:
    QLocale m_locale;
};

// Frames per second with exactly two fraction digits: 29.97, 25.00, 0.50.
class FrameRateFormatter : public ValueFormatter
{
public:
    explicit FrameRateFormatter(const QLocale &locale = QLocale());
    QString stringForObjectValue(const PlistValue &value) const override;
    PlistValue objectValueForString(const QString &text) const override;

private:
    QLocale m_locale;
};

// Short date and short time in local time, with "Today" and "Yesterday" for
// recent days. Years are always shown in full so the text reads back unchanged.
class DateFormatter : public ValueFormatter
{
public:
    explicit DateFormatter(const QLocale &locale = QLocale());
    // The day the relative names count from; today unless set.
    void setReferenceDate(QDate today) { m_today = today; }

    QString stringForObjectValue(const PlistValue &value) const override;
    PlistValue objectValueForString(const QString &text) const override;

private:
    QDate today() const;
    QString dateFormat() const;
    QString timeFormat() const;

    QLocale m_locale;
    QDate m_today;
};

// A file extension as typed: spacing characters are dropped (line breaks are not
// spacing and stay).
class ExtensionFormatter : public ValueFormatter
{
public:
    QString stringForObjectValue(const PlistValue &value) const override;
    PlistValue objectValueForString(const QString &text) const override;
};

// File names are stored with ":" where the user sees "/" (the stored form of the
// catalogue's original platform), so "/" typed in a name is stored as ":".
class FilenameFormatter : public ValueFormatter
{
public:
    QString stringForObjectValue(const PlistValue &value) const override;
    PlistValue objectValueForString(const QString &text) const override;
};

// The formatter a property definition names by class ("DurationFormatter", ...);
// null for an unknown name.
std::unique_ptr<ValueFormatter> formatterNamed(
    const QString &className, const QLocale &locale = QLocale());

} // namespace vidarium
