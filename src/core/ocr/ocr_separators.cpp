#include "core/ocr/ocr_separators.hpp"

#include <algorithm>
#include <optional>

#include "core/ocr/ocr_ink.hpp"

namespace kestrove {

namespace {

bool separator(const std::string& s) { return s == "," || s == "."; }

// "," or "." as the mark in columns [left, right) between digits `before`
// and `after` shows it; nothing when the picture cannot tell.
std::optional<std::string> markShown(const Marks& m, const EngineLine& line, int left, int right,
                                     const PixelBox& before, const PixelBox& after) {
    const int height = std::max(before.height(), after.height());
    // A comma's tail may run below the line's box: half a digit's height more.
    const int top = line.box.top, bottom = line.box.bottom + height / 2;
    const PixelBox a = inkWithin(m, {before.left, top, before.right, bottom});
    const PixelBox b = inkWithin(m, {after.left, top, after.right, bottom});
    const PixelBox mark = inkWithin(m, {left, top, right, bottom});
    if (a.height() <= 0 || b.height() <= 0 || mark.height() <= 0) return std::nullopt;
    const int baseline = std::max(a.bottom, b.bottom);
    const int digitHeight = baseline - std::min(a.top, b.top);
    // A mark starting above the digits' middle is none of these (a raised
    // quote, a colon's upper dot).
    if (2 * (mark.top - std::min(a.top, b.top)) < digitHeight) return std::nullopt;
    // Measured on the crops of bench/data/ocr: a comma's tail ends 1-9
    // pixels below the digits' lowest, a point 0-1 pixel above it.
    return mark.bottom > baseline ? "," : ".";
}

}  // namespace

void mendSeparators(EngineLine& line, const GreyPicture& picture, int ground) {
    const Marks m{picture, ground};
    bool mended = false;
    for (EngineWord& word : line.words) {
        std::vector<EngineSymbol>& s = word.symbols;
        bool changed = false;
        for (std::size_t i = 1; i < s.size(); ++i) {
            if (!isDigit(s[i - 1]) || !separator(s[i].text)) continue;
            std::size_t end = i + 1;
            if (end < s.size() && separator(s[end].text)) ++end;  // ",." read over one mark
            // Tesseract's own reading stands where it was sure of it.
            if (end >= s.size() || !isDigit(s[end]) || (end == i + 1 && s[i].confidence >= clearlyRead)) continue;
            PixelBox marks = s[i].box;
            double confidence = s[i].confidence;
            for (std::size_t k = i + 1; k < end; ++k) {
                marks = unite(marks, s[k].box);
                confidence = std::min(confidence, s[k].confidence);
            }
            // The columns between the digits, or the marks' own where the digits' boxes overlap them.
            int left = std::max(marks.left, s[i - 1].box.right), right = std::min(marks.right, s[end].box.left);
            if (right <= left) left = marks.left, right = marks.right;
            const auto shown = markShown(m, line, left, right, s[i - 1].box, s[end].box);
            if (!shown || (end == i + 1 && *shown == s[i].text)) continue;
            s[i] = {*shown, marks, confidence};
            s.erase(s.begin() + static_cast<std::ptrdiff_t>(i) + 1, s.begin() + static_cast<std::ptrdiff_t>(end));
            changed = true;
        }
        if (!changed) continue;
        mended = true;
        rejoinSymbols(word);
    }
    if (mended) rejoinWords(line);
}

}  // namespace kestrove
