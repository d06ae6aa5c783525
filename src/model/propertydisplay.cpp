#include "propertydisplay.h"

#include "model/definitions.h"
#include "model/valueformatters.h"

#include <QStringList>

namespace vidarium {

PropertyDisplay::PropertyDisplay(const Definitions &definitions, const QLocale &locale)
    : m_definitions(definitions)
    , m_locale(locale)
{
    m_transformers.registerStandardTransformers(definitions.ratingStrings());
}

PropertyDisplay::~PropertyDisplay() = default;

const PropertyDisplay::Presentation &PropertyDisplay::presentationFor(const QString &key) const
{
    auto found = m_presentations.constFind(key);
    if (found != m_presentations.constEnd())
        return *found;
    const PropertyDefinition definition = m_definitions.propertyDefinition(key);
    Presentation presentation;
    presentation.formatter = formatterNamed(definition.formatter, m_locale);
    if (!definition.transformer.isEmpty())
        presentation.transformer = m_transformers.valueTransformerForName(definition.transformer);
    return *m_presentations.insert(key, presentation);
}

QString PropertyDisplay::displayString(const QString &key, const PlistValue &value) const
{
    const Presentation &presentation = presentationFor(key);
    if (presentation.formatter) {
        const QString text = presentation.formatter->stringForObjectValue(value);
        return text.isNull() ? plainText(value) : text;
    }
    if (presentation.transformer) {
        const QVariant transformed = presentation.transformer->transformedValue(value);
        // Images have no text; what they stand for is the value itself.
        if (transformed.typeId() == QMetaType::QString)
            return transformed.toString();
    }
    return plainText(value);
}

QString PropertyDisplay::plainText(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case PlistValue::Type::Integer:
        return value.isUnsigned64() ? QString::number(value.toUInt64())
                                    : QString::number(value.toInteger());
    case PlistValue::Type::Real:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case PlistValue::Type::Date:
        return value.toDateTime().toString(Qt::ISODate);
    case PlistValue::Type::Data:
        return QString::fromLatin1(value.toData().toBase64());
    case PlistValue::Type::String:
        return value.toString();
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        QStringList members;
        for (const PlistValue &member : value.toArray())
            members.append(plainText(member));
        return members.join(QStringLiteral(", "));
    }
    default:
        return QString();
    }
}

} // namespace vidarium
