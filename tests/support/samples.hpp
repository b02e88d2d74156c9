#pragma once
// Pictures and readings that many tests build.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace kestrove::samples {

// Every pixel the same colour.
inline Image solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    Image img(w, h);
    for (std::size_t i = 0; i < img.rgba.size(); i += 4) {
        img.rgba[i] = r;
        img.rgba[i + 1] = g;
        img.rgba[i + 2] = b;
        img.rgba[i + 3] = a;
    }
    return img;
}

// Full-width lines one under the other, a tenth of the box tall each.
inline std::vector<OCRLine> stackedLines(const std::vector<std::string>& texts) {
    std::vector<OCRLine> out;
    double y = 0;
    for (const std::string& t : texts) {
        out.push_back({t, {0, y, 1, 0.1}, 0.9});
        y += 0.1;
    }
    return out;
}

// Lines with text only, as read for certain (confidence 1), without places.
inline std::vector<OCRLine> textLines(std::initializer_list<std::string> texts) {
    std::vector<OCRLine> out;
    for (const std::string& t : texts) {
        OCRLine l;
        l.text = t;
        l.confidence = 1;
        out.push_back(l);
    }
    return out;
}

}  // namespace kestrove::samples
