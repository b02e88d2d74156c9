#include "core/cloud/cloud_image.hpp"

#include <algorithm>
#include <cmath>

#include "core/picture/base64.hpp"
#include "core/picture/png.hpp"

namespace kestrove {

namespace {

bool isOpaque(const Image& image) {
    for (std::size_t i = 3; i < image.rgba.size(); i += 4)
        if (image.rgba[i] != 255) return false;
    return true;
}

}  // namespace

CloudImage::CloudImage(std::span<const std::uint8_t> png) : contentType("image/png"), base64(base64Encode(png)) {}

Image CloudImage::downscaled(const Image& picture, int maxSide) {
    if (!picture.isValid()) return {};
    const int longest = std::max(picture.width, picture.height);
    if (maxSide >= longest) return picture;
    const double scale = static_cast<double>(std::max(maxSide, 0)) / longest;
    // std::lround rounds halves away from zero.
    const int w = std::max(1, static_cast<int>(std::lround(scale * picture.width)));
    const int h = std::max(1, static_cast<int>(std::lround(scale * picture.height)));
    // The picture travels without alpha, as if drawn over black: premultiplied
    // colours, opaque.
    Image out = downscaleArea(picture, w, h, true);
    flattenOverBlack(out, true);
    return out;
}

std::optional<CloudImage> CloudImage::png(const Image& picture, int maxSide) {
    if (!picture.isValid()) return std::nullopt;
    const int longest = std::max(picture.width, picture.height);
    std::optional<std::vector<std::uint8_t>> bytes;
    if (maxSide < longest) {
        bytes = encodePng(downscaled(picture, maxSide));
    } else if (isOpaque(picture)) {
        bytes = encodePng(picture);
    } else {
        Image flat = picture;
        flattenOverBlack(flat, false);
        bytes = encodePng(flat);
    }
    if (!bytes) return std::nullopt;
    return CloudImage(*bytes);
}

Json toJson(const CloudImage& v) { return Json{{"content_type", v.contentType}, {"base64", v.base64}}; }

void fromJson(const JsonReader& r, CloudImage& v) {
    v.contentType = r.at("content_type").string();
    v.base64 = r.at("base64").string();
}

}  // namespace kestrove
