#include "model/imagemetrics.h"
#include "model/mediaelement.h"

#include <gtest/gtest.h>

using namespace vidarium;

TEST(ImageMetrics, DictionaryRoundTripAndMissingEntries)
{
    ImageMetrics metrics;
    metrics.thumbnailPosition = 0.25;
    metrics.storyboardSize = 3;
    metrics.storyboardRows = 4;
    metrics.storyboardColumns = 5;
    metrics.storyboardRetina = 1;
    metrics.filmstripFrames = 9;
    metrics.filmstripAspect = 1;
    EXPECT_EQ(ImageMetrics::fromDictionary(metrics.toDictionary()), metrics);
    // A damaged library's settings read as zeros rather than failing.
    const ImageMetrics empty = ImageMetrics::fromDictionary(
        { { ImageMetricKeys::StoryboardRows, QStringLiteral("many") } });
    EXPECT_EQ(empty, ImageMetrics {});
}

TEST(ImageMetrics, FingerprintsMatchTheElementsAndIgnoreOtherKinds)
{
    ImageMetrics metrics;
    metrics.storyboardSize = 2;
    metrics.storyboardColumns = 6;
    metrics.filmstripFrames = 8;
    const PlistDictionary dictionary = metrics.toDictionary();
    EXPECT_EQ(MediaElement::bitfieldForStoryboardMetrics(dictionary), 2 | (6 << 8));
    EXPECT_EQ(MediaElement::bitfieldForFilmstripMetrics(dictionary), 8 << 4);
    ImageMetrics other = metrics;
    other.thumbnailPosition = 0.5;
    other.filmstripRetina = 1;
    EXPECT_EQ(other.storyboardFingerprint(), metrics.storyboardFingerprint());
    EXPECT_NE(other.filmstripFingerprint(), metrics.filmstripFingerprint());
    EXPECT_EQ(ImageMetricKeys::forImageType(ImageTypeFilmstrip).size(), 4);
    EXPECT_TRUE(ImageMetricKeys::forImageType(ImageTypeProperties).isEmpty());
}
