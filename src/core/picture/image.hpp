#pragma once
// The plain picture shared by capture, the change test and the server client.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kestrove {

// 8-bit RGBA, straight (not premultiplied) alpha, rows from the top, no padding.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    Image() = default;
    Image(int width, int height) : width(width), height(height), rgba(byteCount(width, height), 0) {}

    // Whether the buffer holds every pixel that width and height promise.
    bool isValid() const { return width > 0 && height > 0 && rgba.size() >= byteCount(width, height); }
    static std::size_t byteCount(int width, int height) {
        return width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 : 0;
    }
    bool operator==(const Image&) const = default;
};

// A picture from another library's pixels: `height` rows of `width` RGBA
// pixels (straight alpha), each row starting `rowBytes` after the last.
Image imageFromRows(const std::uint8_t* rows, int width, int height, std::size_t rowBytes);

// A picture many hold at once (the runner, the latest, the file being
// written, the recogniser): a large box is never copied on the main thread.
using SharedImage = std::shared_ptr<const Image>;

// Area-average reduction to w × h (each at least 1, at most the source's
// size). Colours are averaged premultiplied by alpha;
// `keepPremultiplied` says whether the result keeps them so. An invalid source gives an empty image.
Image downscaleArea(const Image& source, int w, int h, bool keepPremultiplied = false);

// Any size to w × h (each at least 1): area averaging along a side that
// shrinks, bilinear interpolation along one that grows. `premultiplied` as
// for downscaleArea. An invalid source or target gives an empty image.
Image resample(const Image& source, int w, int h, bool premultiplied = false);

// The pixels of (x, y, w, h) that lie within the picture; none when that is
// nothing or the picture is invalid.
std::optional<Image> cut(const Image& source, int x, int y, int w, int h);

// Makes every pixel opaque as if drawn over black. `premultiplied` says the
// colours already are.
void flattenOverBlack(Image& image, bool premultiplied);

}  // namespace kestrove
