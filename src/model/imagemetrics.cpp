#include "model/imagemetrics.h"

namespace vidarium {

QStringList ImageMetricKeys::forImageType(ImageType type)
{
    switch (type) {
    case ImageTypeThumbnail:
        return { ThumbnailPosition };
    case ImageTypeStoryboard:
        return { StoryboardSize, StoryboardRows, StoryboardColumns, StoryboardAspect,
            StoryboardRetina };
    case ImageTypeFilmstrip:
        return { FilmstripSize, FilmstripFrames, FilmstripAspect, FilmstripRetina };
    default:
        return {};
    }
}

ImageMetrics ImageMetrics::fromDictionary(const PlistDictionary &metrics)
{
    namespace Keys = ImageMetricKeys;
    const auto integer = [&](const QString &key) { return metrics.value(key).toInteger(); };
    ImageMetrics result;
    result.thumbnailPosition = metrics.value(Keys::ThumbnailPosition).toDouble();
    result.storyboardSize = integer(Keys::StoryboardSize);
    result.storyboardRows = integer(Keys::StoryboardRows);
    result.storyboardColumns = integer(Keys::StoryboardColumns);
    result.storyboardAspect = integer(Keys::StoryboardAspect);
    result.storyboardRetina = integer(Keys::StoryboardRetina);
    result.filmstripSize = integer(Keys::FilmstripSize);
    result.filmstripFrames = integer(Keys::FilmstripFrames);
    result.filmstripAspect = integer(Keys::FilmstripAspect);
    result.filmstripRetina = integer(Keys::FilmstripRetina);
    return result;
}

PlistDictionary ImageMetrics::toDictionary() const
{
    namespace Keys = ImageMetricKeys;
    return PlistDictionary {
        { Keys::ThumbnailPosition, thumbnailPosition },
        { Keys::StoryboardSize, storyboardSize },
        { Keys::StoryboardRows, storyboardRows },
        { Keys::StoryboardColumns, storyboardColumns },
        { Keys::StoryboardAspect, storyboardAspect },
        { Keys::StoryboardRetina, storyboardRetina },
        { Keys::FilmstripSize, filmstripSize },
        { Keys::FilmstripFrames, filmstripFrames },
        { Keys::FilmstripAspect, filmstripAspect },
        { Keys::FilmstripRetina, filmstripRetina },
    };
}

int ImageMetrics::storyboardFingerprint() const
{
    return int((storyboardSize & 15) | ((storyboardRows & 15) << 4)
        | ((storyboardColumns & 15) << 8) | ((storyboardAspect & 1) << 12)
        | ((storyboardRetina & 1) << 13));
}

int ImageMetrics::filmstripFingerprint() const
{
    return int((filmstripSize & 15) | ((filmstripFrames & 15) << 4) | ((filmstripAspect & 1) << 12)
        | ((filmstripRetina & 1) << 13));
}

} // namespace vidarium
