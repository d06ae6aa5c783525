#pragma once

// One-way display conversions that property definitions name in their
// "Transformer" entry: tool signatures, hidden zeros, rating texts, status
// icons, image bytes. Images come back as an image name (status icons, drawn by
// the windows) or a decoded QImage.
// Threads: transformers are immutable once made; the registry is filled once at
// start-up on the main thread and read from any thread afterwards.

#include "platform/plist/plistvalue.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace vidarium {

class ValueTransformer
{
public:
    enum class ResultKind {
        String,
        ImageName, // a QString naming one of the program's images; null for no image
        Image, // a QImage; null image for none
        Bool,
    };

    virtual ~ValueTransformer() = default;
    virtual ResultKind transformedValueClass() const = 0;
    virtual QVariant transformedValue(const PlistValue &value) const = 0;
};

// "AV Foundation" / "FFmpeg-FFprobe" for the two import tool identifiers; "" else.
class ToolSignatureTransformer : public ValueTransformer
{
public:
    ResultKind transformedValueClass() const override { return ResultKind::String; }
    QVariant transformedValue(const PlistValue &value) const override;
};

// Numbers whose integer part is 0 show as ""; other numbers as plain decimal text.
class HideZeroValueTransformer : public ValueTransformer
{
public:
    ResultKind transformedValueClass() const override { return ResultKind::String; }
    QVariant transformedValue(const PlistValue &value) const override;
};

// A rating as the text of the definition tables' "RatingStrings" at that index.
class RatingsTransformer : public ValueTransformer
{
public:
    explicit RatingsTransformer(QStringList ratingStrings)
        : m_ratingStrings(std::move(ratingStrings))
    {
    }
    ResultKind transformedValueClass() const override { return ResultKind::String; }
    QVariant transformedValue(const PlistValue &value) const override;

private:
    QStringList m_ratingStrings;
};

// An element status code as the name of its status dot ("Green", "Purple", ...).
class StatusIconTransformer : public ValueTransformer
{
public:
    ResultKind transformedValueClass() const override { return ResultKind::ImageName; }
    QVariant transformedValue(const PlistValue &value) const override;
};

// Image bytes (any format Qt decodes) as a QImage.
class DataImageTransformer : public ValueTransformer
{
public:
    ResultKind transformedValueClass() const override { return ResultKind::Image; }
    QVariant transformedValue(const PlistValue &value) const override;
};

// True exactly when the value's integer part is 1 (a selection of one).
class ArrayCountIsOneTransformer : public ValueTransformer
{
public:
    ResultKind transformedValueClass() const override { return ResultKind::Bool; }
    QVariant transformedValue(const PlistValue &value) const override;
};

// Transformers by registered name, process-wide.
class ValueTransformerRegistry
{
public:
    static ValueTransformerRegistry &shared();

    void setValueTransformer(
        const QString &name, std::shared_ptr<const ValueTransformer> transformer);
    // Null for a name nobody registered.
    std::shared_ptr<const ValueTransformer> valueTransformerForName(const QString &name) const;

    // Registers the five named transformers of the application under their names
    // ("DataImageTransformer", "kHideZeroValueTransformer", "RatingsTransformer",
    // "StatusIconTransformer", "ToolSignatureTransformer").
    void registerStandardTransformers(const QStringList &ratingStrings);

private:
    QHash<QString, std::shared_ptr<const ValueTransformer>> m_transformers;
};

} // namespace vidarium
