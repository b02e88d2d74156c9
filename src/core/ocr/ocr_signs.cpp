#include "core/ocr/ocr_signs.hpp"

#include <algorithm>
#include <cctype>

#include "core/ocr/ocr_ink.hpp"

namespace kestrove {

namespace {

// A hyphen is a third as long as a digit is tall, U+2212 two thirds or
// more (measured on the crops of bench/data/ocr).
constexpr double minusLength = 0.5;

bool dash(const std::string& s) { return s == "-" || s == "\u2212"; }
bool alphanumeric(const std::string& s) {
    return !s.empty() && (static_cast<unsigned char>(s[0]) >= 0x80 || std::isalnum(static_cast<unsigned char>(s[0])));
}

bool mended(EngineLine& line, const Marks& m) {
    bool any = false;
    for (EngineWord& word : line.words) {
        bool changed = false;
        auto& s = word.symbols;
        for (std::size_t i = 0; i + 1 < s.size(); ++i) {
            if (!dash(s[i].text) || !isDigit(s[i + 1]) || (i > 0 && alphanumeric(s[i - 1].text))) continue;
            const PixelBox mark =
                inkWithin(m, {s[i].box.left, line.box.top, std::min(s[i].box.right, s[i + 1].box.left), line.box.bottom});
            const PixelBox figure = inkWithin(m, {s[i + 1].box.left, line.box.top, s[i + 1].box.right, line.box.bottom});
            if (mark.width() <= 0 || figure.height() <= 0) continue;
            const std::string shown = mark.width() >= minusLength * figure.height() ? "\u2212" : "-";
            if (shown == s[i].text) continue;
            s[i].text = shown;
            changed = true;
        }
        if (!changed) continue;
        any = true;
        rejoinSymbols(word);
    }
    return any;
}

}  // namespace

void mendMinusSigns(std::vector<EngineLine>& found, const Stacked& stacked) {
    const Marks m{stacked.picture, groundOf(stacked.picture)};
    for (EngineLine& line : found)
        if (const int run = runOf(stacked, line.box); run >= 0 && !stacked.bitmap[static_cast<std::size_t>(run)] &&
                                                       mended(line, m))
            rejoinWords(line);
}

}  // namespace kestrove
