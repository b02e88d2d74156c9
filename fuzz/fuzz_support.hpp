#pragma once
// What the fuzz targets share: the input as text and as lines, and a check
// that stops the run (the fuzzer reports it as a crash) with a message.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/utf8.h>

#include "core/reading/reading.hpp"

namespace kestrove::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline std::vector<std::string> lines(std::string_view s) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find('\n', from)) != std::string_view::npos; from = at + 1)
        out.emplace_back(s.substr(from, at - from));
    out.emplace_back(s.substr(from));
    return out;
}

// Lines one under the other, as text recognition lays out a box.
inline BaselineReading reading(const std::vector<std::string>& texts) {
    std::vector<OCRLine> out;
    const double h = texts.empty() ? 1 : 1.0 / static_cast<double>(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) out.push_back({texts[i], {0.02, h * static_cast<double>(i), 0.96, h}, 0.9});
    return BaselineReading(std::move(out));
}

// Text recognition and the accessibility bus both hand over valid UTF-8;
// properties about characters hold for such text.
inline bool validUtf8(std::string_view s) {
    for (int32_t i = 0; i < static_cast<int32_t>(s.size());) {
        UChar32 c;
        U8_NEXT(reinterpret_cast<const std::uint8_t*>(s.data()), i, static_cast<int32_t>(s.size()), c);
        if (c < 0) return false;
    }
    return true;
}

inline void check(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}

}  // namespace kestrove::fuzz
