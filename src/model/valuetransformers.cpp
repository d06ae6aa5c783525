#include "valuetransformers.h"

#include "model/elementstatus.h"

#include <QImage>
#include <QLocale>

namespace vidarium {

QVariant ToolSignatureTransformer::transformedValue(const PlistValue &value) const
{
    const QString tool = value.toString();
    if (tool == QLatin1String("com.tallowmere.vidarium.importer.av"))
        return QStringLiteral("AV Foundation");
    if (tool == QLatin1String("com.tallowmere.vidarium.importer.ff"))
        return QStringLiteral("FFmpeg-FFprobe");
    return QStringLiteral("");
}

QVariant HideZeroValueTransformer::transformedValue(const PlistValue &value) const
{
    if (!value.isNumber() || value.toInteger() == 0)
        return QStringLiteral("");
    if (value.type() == PlistValue::Type::Real)
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (value.isUnsigned64())
        return QString::number(value.toUInt64());
    return QString::number(value.toInteger());
}

QVariant RatingsTransformer::transformedValue(const PlistValue &value) const
{
    if (!value.isNumber())
        return QStringLiteral("");
    const qint64 rating = value.toInteger();
    if (rating < 0 || rating >= m_ratingStrings.size())
        return QStringLiteral("");
    return m_ratingStrings.at(qsizetype(rating));
}

QVariant StatusIconTransformer::transformedValue(const PlistValue &value) const
{
    if (!value.isNumber())
        return QString();
    switch (value.toInteger()) {
    case qint64(ElementStatus::Complete):
        return QStringLiteral("Green");
    case qint64(ElementStatus::ImagesMissing):
        return QStringLiteral("Purple");
    case qint64(ElementStatus::PropertiesOnly):
        return QStringLiteral("Yellow");
    case qint64(ElementStatus::NotRead):
        return QStringLiteral("Gray");
    case qint64(ElementStatus::Failed):
    case qint64(ElementStatus::FileMissing):
        return QStringLiteral("Red");
    default:
        return QString();
    }
}

QVariant DataImageTransformer::transformedValue(const PlistValue &value) const
{
    const QByteArray bytes = value.toData();
    if (bytes.isEmpty())
        return QImage();
    return QImage::fromData(bytes);
}

QVariant ArrayCountIsOneTransformer::transformedValue(const PlistValue &value) const
{
    return value.isNumber() && value.toInteger() == 1;
}

ValueTransformerRegistry &ValueTransformerRegistry::shared()
{
    static ValueTransformerRegistry registry;
    return registry;
}

void ValueTransformerRegistry::setValueTransformer(
    const QString &name, std::shared_ptr<const ValueTransformer> transformer)
{
    m_transformers.insert(name, std::move(transformer));
}

std::shared_ptr<const ValueTransformer> ValueTransformerRegistry::valueTransformerForName(
    const QString &name) const
{
    return m_transformers.value(name);
}

void ValueTransformerRegistry::registerStandardTransformers(const QStringList &ratingStrings)
{
    setValueTransformer(
        QStringLiteral("DataImageTransformer"), std::make_shared<DataImageTransformer>());
    setValueTransformer(
        QStringLiteral("kHideZeroValueTransformer"), std::make_shared<HideZeroValueTransformer>());
    setValueTransformer(
        QStringLiteral("RatingsTransformer"), std::make_shared<RatingsTransformer>(ratingStrings));
    setValueTransformer(
        QStringLiteral("StatusIconTransformer"), std::make_shared<StatusIconTransformer>());
    setValueTransformer(
        QStringLiteral("ToolSignatureTransformer"), std::make_shared<ToolSignatureTransformer>());
}

} // namespace vidarium
