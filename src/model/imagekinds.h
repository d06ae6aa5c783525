#pragma once

// The small shared vocabulary of what an import produces: the asset flags an
// element carries and the kinds of image a library stores per element. (The
// dispatcher's import steps, ImageType, live with the import tools.)
// Threads: plain constants.

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

} // namespace vidarium
