#include "core/picture/png.hpp"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace kestrove {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

// libpng reports errors by longjmp; nothing with a destructor may live
// between setjmp and the calls that can jump, hence this plain function.
bool encodeRows(png_structp png, png_infop info, const Image& image, PngStyle style, std::vector<std::uint8_t>& row,
                std::vector<std::uint8_t>& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, appendBytes, noFlush);
    // One cheap filter instead of trying all five per row: about half the
    // time for screen pictures at a similar size.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    if (style.quick) png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 style.keepAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    const std::uint8_t* px = image.rgba.data();
    for (int y = 0; y < image.height; ++y, px += rowBytes) {
        if (style.keepAlpha) {
            // libpng only reads the row.
            png_write_row(png, const_cast<png_bytep>(px));
            continue;
        }
        for (std::size_t x = 0; x < static_cast<std::size_t>(image.width); ++x) {
            row[x * 3] = px[x * 4];
            row[x * 3 + 1] = px[x * 4 + 1];
            row[x * 3 + 2] = px[x * 4 + 2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodePng(const Image& image, PngStyle style) {
    if (!image.isValid()) return std::nullopt;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * 3);
    std::vector<std::uint8_t> out;
    bool ok = encodeRows(png, info, image, style, row, out);
    png_destroy_write_struct(&png, &info);
    if (!ok) return std::nullopt;
    return out;
}

std::optional<Image> decodePng(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return std::nullopt;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) return std::nullopt;
    // The header alone says how much memory the picture takes: refuse before allocating.
    if (png.width == 0 || png.height == 0 ||
        std::uint64_t{png.width} * std::uint64_t{png.height} > maxDecodedPixels) {
        png_image_free(&png);
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    Image image(static_cast<int>(png.width), static_cast<int>(png.height));
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

}  // namespace kestrove
