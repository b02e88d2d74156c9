// The crops saved beside the watch file, read back at launch: any bytes
// either give nothing or a whole picture within the size limit, and that
// picture encodes and reads back with the same colours.
#include "core/picture/png.hpp"
#include "fuzz_support.hpp"

using namespace kestrove;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<Image> picture = decodePng(std::vector<std::uint8_t>(data, data + size));
    if (!picture) return 0;
    fuzz::check(picture->isValid(), "a decoded picture without its pixels");
    fuzz::check(std::uint64_t(picture->width) * std::uint64_t(picture->height) <= maxDecodedPixels, "a picture over the limit");
    const std::optional<std::vector<std::uint8_t>> png = encodePng(*picture);
    fuzz::check(png.has_value(), "a decoded picture that does not encode");
    const std::optional<Image> again = decodePng(*png);
    fuzz::check(again && again->width == picture->width && again->height == picture->height, "a crop read back at another size");
    for (std::size_t i = 0; i < again->rgba.size(); ++i)
        fuzz::check(again->rgba[i] == (i % 4 == 3 ? 255 : picture->rgba[i]), "a crop read back with other colours");
    return 0;
}
