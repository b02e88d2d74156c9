// Pictures and grids as the change test meets them, from raw bytes: a width
// and height byte each for a picture, then its pixels. Reduction never reads
// past a buffer, a grid never differs from itself, and counts stay within
// the grid.
#include "core/picture/image.hpp"
#include "core/picture/pixel_diff.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

namespace {

Image picture(const std::uint8_t*& data, std::size_t& size) {
    if (size < 2) return {};
    Image img;
    img.width = data[0] % 64;
    img.height = data[1] % 64;
    data += 2;
    size -= 2;
    const std::size_t bytes = std::min(Image::byteCount(img.width, img.height), size);
    img.rgba.assign(data, data + bytes);  // may be short: such a picture is invalid
    data += bytes;
    size -= bytes;
    return img;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int longSide = size > 0 ? 1 + data[0] % 130 : 128;
    const Image a = picture(data, size);
    const Image b = picture(data, size);

    const std::optional<DiffGrid> ga = PixelDiff::grid(a, longSide);
    const std::optional<DiffGrid> gb = PixelDiff::grid(b, longSide);
    fuzz::check(ga.has_value() == a.isValid(), "a grid for an invalid picture, or none for a valid one");
    if (ga) {
        fuzz::check(ga->width <= longSide && ga->height <= longSide, "a grid larger than asked");
        fuzz::check(!PixelDiff::changed(*ga, *ga), "a grid differs from itself");
        (void)ga->isFlat();
    }
    if (ga && gb) {
        const PixelDiff::Result r = PixelDiff::compare(*ga, *gb, size % 64, 0.004, 2);
        fuzz::check(r.changedCells >= 0 && r.ratio >= 0 && r.ratio <= 1, "counts outside the grid");
    }
    // Grids made by hand, sizes promised without the bytes behind them.
    const DiffGrid odd{a.width * 1000, a.height * 1000, a.rgba};
    (void)PixelDiff::compare(odd, odd, 28, 0, 0);

    if (a.isValid()) {
        (void)downscaleArea(a, 1 + b.width, 1 + b.height, true);
        (void)resample(a, 1 + b.width, 1 + b.height);
        (void)cut(a, b.width - 32, b.height - 32, a.width, a.height);
        Image flat = a;
        flattenOverBlack(flat, b.width % 2 == 0);
    }
    return 0;
}
