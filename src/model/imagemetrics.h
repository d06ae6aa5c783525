#pragma once

// The settings images are made with, as a library keeps them (its defaults'
// "imageMetrics") and as an element records them once an image is made. The
// dictionary keys are named here and nowhere else; readers take a typed copy.
// Threads: plain values; safe from any thread.

#include "model/imagekinds.h"
#include "platform/plist/plistvalue.h"

#include <QStringList>

namespace vidarium {

namespace ImageMetricKeys {
inline const QString ThumbnailPosition = QStringLiteral("ThumbnailPosition");
inline const QString StoryboardSize = QStringLiteral("StoryboardSize");
inline const QString StoryboardRows = QStringLiteral("StoryboardRows");
inline const QString StoryboardColumns = QStringLiteral("StoryboardColumns");
inline const QString StoryboardAspect = QStringLiteral("StoryboardAspect");
inline const QString StoryboardRetina = QStringLiteral("StoryboardRetina");
inline const QString FilmstripSize = QStringLiteral("FilmstripSize");
inline const QString FilmstripFrames = QStringLiteral("FilmstripFrames");
inline const QString FilmstripAspect = QStringLiteral("FilmstripAspect");
inline const QString FilmstripRetina = QStringLiteral("FilmstripRetina");

// The keys an element records for an image of this type, empty for properties.
QStringList forImageType(ImageType type);
} // namespace ImageMetricKeys

struct ImageMetrics
{
    double thumbnailPosition = 0; // of the duration, 0 to 1
    qint64 storyboardSize = 0; // index of the frame size
    qint64 storyboardRows = 0;
    qint64 storyboardColumns = 0;
    qint64 storyboardAspect = 0; // 1: frames keep the video's aspect
    qint64 storyboardRetina = 0; // 1: drawn at twice the size
    qint64 filmstripSize = 0;
    qint64 filmstripFrames = 0;
    qint64 filmstripAspect = 0;
    qint64 filmstripRetina = 0;

    // Missing or unreadable entries read as 0.
    static ImageMetrics fromDictionary(const PlistDictionary &metrics);
    PlistDictionary toDictionary() const;

    // What an element's storyboard or filmstrip depends on, packed so that two
    // settings make the same image exactly when they are equal.
    int storyboardFingerprint() const;
    int filmstripFingerprint() const;

    bool operator==(const ImageMetrics &) const = default;
};

} // namespace vidarium
