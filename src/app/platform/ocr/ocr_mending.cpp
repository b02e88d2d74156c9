#include "app/platform/ocr/ocr_mending.hpp"

#include <algorithm>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string mendedLine(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == 'x' || c == 'X') && i > 0 && i + 1 < text.size() && digit(text[i - 1]) && digit(text[i + 1])) {
            std::size_t start = i;
            while (start > 0 && digit(text[start - 1])) --start;
            const bool hexPrefix = i - start == 1 && text[start] == '0';
            if (!hexPrefix) {
                out += "\u00D7";
                continue;
            }
        }
        out += c;
    }
    if (!out.empty() && out.back() == '|') out = text::trimWhitespaceAndNewlines(out.substr(0, out.size() - 1));
    return out;
}

void mendLoneDots(EngineLine& line) {
    bool mended = false;
    for (EngineWord& word : line.words) {
        const std::string t = text::trimWhitespaceAndNewlines(word.text);
        const int w = word.box.width(), h = word.box.height();
        if ((t == "-" && 2 * w < 3 * h) || (t == ":" && 5 * w > 3 * h)) {
            word.text = "\u00B7";
            mended = true;
        }
    }
    if (!mended) return;
    line.text.clear();
    for (const EngineWord& word : line.words) {
        const std::string t = text::trimWhitespaceAndNewlines(word.text);
        if (t.empty()) continue;
        if (!line.text.empty()) line.text += ' ';
        line.text += t;
    }
}

std::string mendedBitmapText(const std::string& text) {
    std::u16string u = text::toUtf16(text);
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char16_t c = u[i];
        const bool beforeWord = i + 1 < u.size() && u[i + 1] != u' ';
        if (c == u'\u201C') u[i] = beforeWord ? u'/' : u'"';
        else if (c == u'\u201D') u[i] = u'"';
        else if (c == u'\u2018' || c == u'\u2019') u[i] = u'\'';
    }
    return text::toUtf8(u);
}

void mendBitmapLine(EngineLine& line) {
    line.text = mendedBitmapText(line.text);
    for (EngineWord& word : line.words) word.text = mendedBitmapText(word.text);
}

void mendReading(std::vector<OCRLine>& lines) {
    for (OCRLine& line : lines) line.text = mendedLine(line.text);
    // A line of underscores alone is an underline cursor.
    std::erase_if(lines, [](const OCRLine& line) { return line.text.find_first_not_of('_') == std::string::npos; });
}

}  // namespace kestrove
