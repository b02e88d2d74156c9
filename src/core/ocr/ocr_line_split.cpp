#include "core/ocr/ocr_line_split.hpp"

#include <algorithm>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

NormRect normalised(const PixelBox& b, int width, int height) {
    const double w = width, h = height;
    const double left = std::clamp(b.left / w, 0.0, 1.0), right = std::clamp(b.right / w, left, 1.0);
    const double top = std::clamp(b.top / h, 0.0, 1.0), bottom = std::clamp(b.bottom / h, top, 1.0);
    return {left, top, right - left, bottom - top};
}

double unit(double confidence) { return std::clamp(confidence / 100.0, 0.0, 1.0); }

void addLine(std::vector<OCRLine>& out, std::string text, const PixelBox& box, double confidence, int width,
             int height) {
    text = text::trimWhitespaceAndNewlines(text);
    if (text.empty()) return;
    out.push_back({std::move(text), normalised(box, width, height), unit(confidence)});
}

// Words of one line grouped into runs separated by wide gaps.
std::vector<std::vector<const EngineWord*>> runs(const EngineLine& line) {
    std::vector<std::vector<const EngineWord*>> out;
    const double wideGap = wideGapInLineHeights * line.box.height();
    const EngineWord* previous = nullptr;
    for (const EngineWord& word : line.words) {
        if (text::trimWhitespaceAndNewlines(word.text).empty()) continue;
        if (!previous || word.box.left - previous->box.right > wideGap) out.emplace_back();
        out.back().push_back(&word);
        previous = &word;
    }
    return out;
}

}  // namespace

bool isDigit(const EngineSymbol& symbol) {
    return symbol.text.size() == 1 && symbol.text[0] >= '0' && symbol.text[0] <= '9';
}

void rejoinSymbols(EngineWord& word) {
    word.text.clear();
    for (const EngineSymbol& symbol : word.symbols) word.text += symbol.text;
}

void rejoinWords(EngineLine& line) {
    line.text.clear();
    for (const EngineWord& word : line.words) {
        const std::string t = text::trimWhitespaceAndNewlines(word.text);
        if (t.empty()) continue;
        if (!line.text.empty()) line.text += ' ';
        line.text += t;
    }
}

std::vector<OCRLine> toOCRLines(const std::vector<EngineLine>& lines, int width, int height) {
    std::vector<OCRLine> out;
    if (width <= 0 || height <= 0) return out;
    for (const EngineLine& line : lines) {
        const auto parts = runs(line);
        if (parts.size() < 2) {
            addLine(out, line.text, line.box, line.confidence, width, height);
            continue;
        }
        for (const auto& part : parts) {
            std::string text;
            PixelBox box = part.front()->box;
            double confidence = 0;
            for (const EngineWord* word : part) {
                if (!text.empty()) text += ' ';
                text += text::trimWhitespaceAndNewlines(word->text);
                box = unite(box, word->box);
                confidence += word->confidence;
            }
            // The parts of one line stand on one row: they keep the line's top and bottom.
            box.top = std::min(box.top, line.box.top);
            box.bottom = std::max(box.bottom, line.box.bottom);
            addLine(out, std::move(text), box, confidence / static_cast<double>(part.size()), width, height);
        }
    }
    return out;
}

}  // namespace kestrove
