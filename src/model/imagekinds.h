#pragma once

// The one vocabulary of what an import produces: the asset flags an element
// carries, the kinds of image a library stores per element, the steps an import
// tool is asked for, and the conversions between them.
// Threads: plain constants.

#include <optional>

namespace vidarium {

// Bits of an element's `assets`.
enum AssetFlag : int {
    AssetProperties = 1,
    AssetThumbnail = 2,
    AssetStoryboard = 4,
    AssetFilmstrip = 8,
    AssetsComplete = 15,
};

// The images a library keeps per element, in the order a save writes them.
enum class ElementImage : int {
    Poster,
    Thumbnail,
    Storyboard,
    Filmstrip,
};

constexpr int ElementImageCount = 4;

// The asset flag that records an image, 0 for the poster (which is never made).
constexpr int assetFlagForImage(ElementImage image)
{
    switch (image) {
    case ElementImage::Thumbnail:
        return AssetThumbnail;
    case ElementImage::Storyboard:
        return AssetStoryboard;
    case ElementImage::Filmstrip:
        return AssetFilmstrip;
    case ElementImage::Poster:
        break;
    }
    return 0;
}

// The step of an import request or result.
enum ImageType : int {
    ImageTypeProperties = 0,
    ImageTypeThumbnail = 1,
    ImageTypeStoryboard = 2,
    ImageTypeFilmstrip = 3,
    ImageTypeAll = 4, // only in a release after a failed read: every set at once
};

// The asset flag an ImageType sets on an element (0 for ImageTypeAll).
constexpr int assetFlagForImageType(ImageType type)
{
    return (type >= ImageTypeProperties && type <= ImageTypeFilmstrip) ? (1 << int(type)) : 0;
}

// The import step that makes an image; nothing for the poster, which no tool makes.
constexpr std::optional<ImageType> imageTypeForImage(ElementImage image)
{
    switch (image) {
    case ElementImage::Thumbnail:
        return ImageTypeThumbnail;
    case ElementImage::Storyboard:
        return ImageTypeStoryboard;
    case ElementImage::Filmstrip:
        return ImageTypeFilmstrip;
    case ElementImage::Poster:
        break;
    }
    return std::nullopt;
}

} // namespace vidarium
