#pragma once

// The text an element value shows as where a list, an export or the command line
// prints it: through the formatter the property's definition names, else its
// value transformer, else as plain text. User fields, which the definitions do
// not list, show their text.
// Threads: one instance per thread (it caches formatters).

#include "model/valuetransformers.h"
#include "platform/plist/plistvalue.h"

#include <QHash>
#include <QLocale>
#include <QString>

#include <memory>

namespace vidarium {

class Definitions;
class ValueFormatter;

class PropertyDisplay
{
public:
    explicit PropertyDisplay(const Definitions &definitions, const QLocale &locale = QLocale());
    ~PropertyDisplay();

    QString displayString(const QString &key, const PlistValue &value) const;

    // The stored value as plain text: numbers in full, dates in ISO 8601 UTC, data
    // in base64, lists joined with ", ".
    static QString plainText(const PlistValue &value);

private:
    struct Presentation
    {
        std::shared_ptr<const ValueFormatter> formatter;
        std::shared_ptr<const ValueTransformer> transformer;
    };
    const Presentation &presentationFor(const QString &key) const;

    const Definitions &m_definitions;
    QLocale m_locale;
    ValueTransformerRegistry m_transformers;
    mutable QHash<QString, Presentation> m_presentations;
};

} // namespace vidarium
