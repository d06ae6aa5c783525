#include "windowmetrics.h"

#include <algorithm>
#include <cmath>

namespace vidarium {

namespace {

// Far beyond any screen, yet safely inside an int and a float.
constexpr double LargestPosition = 100000;

std::optional<double> clampedSize(std::optional<double> value, int minimum, int screen)
{
    if (!value)
        return std::nullopt;
    const double upper = screen > 0 ? std::max(double(minimum), double(screen)) : LargestPosition;
    return std::clamp(*value, double(minimum), upper);
}

} // namespace

std::optional<double> WindowMetrics::number(const PlistDictionary &metrics, const QString &key)
{
    const PlistValue value = metrics.value(key);
    if (!value.isNumber() || value.type() == PlistValue::Type::Bool)
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < 0)
        return std::nullopt;
    return std::min(number, LargestPosition);
}

WindowMetrics WindowMetrics::fromDictionary(
    const PlistDictionary &metrics, const QSize &minimum, const QSize &screen)
{
    WindowMetrics result;
    result.width = clampedSize(number(metrics, DocumentWidth), minimum.width(), screen.width());
    result.height = clampedSize(number(metrics, DocumentHeight), minimum.height(), screen.height());
    result.filterPosition = number(metrics, FilterPosition);
    result.itemsPosition = number(metrics, ItemsPosition);
    result.detailPosition = number(metrics, DetailPosition);
    result.itemsSplitPosition = number(metrics, ItemsSplitPosition);
    result.filterSplitPosition = number(metrics, FilterSplitPosition);
    return result;
}

PlistDictionary WindowMetrics::toDictionary() const
{
    PlistDictionary dictionary;
    const auto put = [&dictionary](const QString &key, const std::optional<double> &value) {
        if (value)
            dictionary.insert(key, PlistValue::float32(float(*value)));
    };
    put(DocumentWidth, width);
    put(DocumentHeight, height);
    put(FilterPosition, filterPosition);
    put(ItemsPosition, itemsPosition);
    put(DetailPosition, detailPosition);
    put(ItemsSplitPosition, itemsSplitPosition);
    put(FilterSplitPosition, filterSplitPosition);
    return dictionary;
}

} // namespace vidarium
