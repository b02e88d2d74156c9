#include "core/ocr/ocr_separators.hpp"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace kestrove {

namespace {

bool separator(const std::string& s) { return s == "," || s == "."; }

// The rows where ink starts and ends within columns [left, right) and rows
// [top, bottom); nothing when they are blank.
std::optional<std::pair<int, int>> inkRows(const GreyPicture& p, int ground, int left, int right, int top,
                                           int bottom) {
    left = std::max(left, 0), right = std::min(right, p.width);
    top = std::max(top, 0), bottom = std::min(bottom, p.height);
    std::optional<std::pair<int, int>> rows;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (std::abs(int(p.pixels[static_cast<std::size_t>(y) * p.width + x]) - ground) >= markContrast) {
                rows = rows ? std::pair{rows->first, y + 1} : std::pair{y, y + 1};
                break;
            }
    return rows;
}

// "," or "." as the mark in columns [left, right) between digits `before`
// and `after` shows it; nothing when the picture cannot tell.
std::optional<std::string> markShown(const GreyPicture& p, int ground, const EngineLine& line, int left, int right,
                                     const PixelBox& before, const PixelBox& after) {
    const int height = std::max(before.height(), after.height());
    // A comma's tail may run below the line's box: half a digit's height more.
    const int bottom = line.box.bottom + height / 2;
    const auto a = inkRows(p, ground, before.left, before.right, line.box.top, bottom);
    const auto b = inkRows(p, ground, after.left, after.right, line.box.top, bottom);
    const auto mark = inkRows(p, ground, left, right, line.box.top, bottom);
    if (!a || !b || !mark) return std::nullopt;
    const int baseline = std::max(a->second, b->second);
    const int digitHeight = baseline - std::min(a->first, b->first);
    // A mark starting above the digits' middle is none of these (a raised
    // quote, a colon's upper dot).
    if (2 * (mark->first - std::min(a->first, b->first)) < digitHeight) return std::nullopt;
    // Measured on the crops of bench/data/ocr: a comma's tail ends 1-9
    // pixels below the digits' lowest, a point 0-1 pixel above it.
    return mark->second > baseline ? "," : ".";
}

}  // namespace

void mendSeparators(EngineLine& line, const GreyPicture& picture, int ground) {
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
            const auto shown = markShown(picture, ground, line, left, right, s[i - 1].box, s[end].box);
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
