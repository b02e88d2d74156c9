#include "core/ocr/ocr_mending.hpp"

#include <algorithm>
#include <cwctype>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }
bool capital(char c) { return c >= 'A' && c <= 'Z'; }

// A zero among capitals is the letter O ("0K"), an O among digits a zero ("2O0").
void mendZeroAndO(std::string& word) {
    const auto has = [&](auto test) { return std::any_of(word.begin(), word.end(), test); };
    const auto all = [&](auto test) { return std::all_of(word.begin(), word.end(), test); };
    const bool otherDigit = has([](char c) { return digit(c) && c != '0'; });
    if (!otherDigit && has([](char c) { return capital(c) && c != 'O'; }) && has([](char c) { return c == '0'; }) &&
        all([](char c) { return capital(c) || c == '0'; }))
        std::replace(word.begin(), word.end(), '0', 'O');
    else if (has([](char c) { return digit(c); }) && has([](char c) { return c == 'O'; }) &&
             all([](char c) { return digit(c) || c == 'O' || c == '.' || c == ',' || c == ':'; }))
        std::replace(word.begin(), word.end(), 'O', '0');
}

// A long dash that starts a number, or its currency sign ("−$48.20"), is
// its minus sign: Tesseract reads U+2212, as wide as a digit, as an em or
// en dash. A dash between two numbers (a range) or before a space stays.
void mendMinus(std::u16string& u) {
    auto digitAt = [&](std::size_t i) { return i < u.size() && u[i] >= u'0' && u[i] <= u'9'; };
    for (std::size_t i = 0; i + 1 < u.size(); ++i) {
        const bool dash = u[i] == u'\u2014' || u[i] == u'\u2013' || u[i] == u'\u2212';
        const bool starts = i == 0 || !(std::iswalnum(u[i - 1]) || u[i - 1] == u'.' || u[i - 1] == u',');
        const bool sign = u[i + 1] == u'$' || u[i + 1] == u'\u20AC' || u[i + 1] == u'\u00A3';
        if (dash && starts && (digitAt(i + 1) || (sign && digitAt(i + 2)))) u[i] = u'\u2212';
    }
}

// A mark raised between digits, before a group of three, is an apostrophe
// grouping them ("1'204"): Tesseract reads it as a degree sign or a quote.
void mendGroupingApostrophes(std::u16string& u) {
    auto digit16 = [&](std::size_t i) { return i < u.size() && u[i] >= u'0' && u[i] <= u'9'; };
    for (std::size_t i = 1; i + 3 < u.size(); ++i) {
        const char16_t c = u[i];
        const bool raised = c == u'\u00B0' || c == u'\u2019' || c == u'\u2018' || c == u'\u00B4' || c == u'`';
        if (raised && digit16(i - 1) && digit16(i + 1) && digit16(i + 2) && digit16(i + 3) && !digit16(i + 4))
            u[i] = u'\'';
    }
}

// Digit groups of three parted by spaces beside a currency sign ("3 275 €",
// "€ 12 480,75") are one amount: a person reads those spaces as the
// no-break spaces a page groups thousands with (on screen they look alike),
// and the number reader takes no plain space inside a number. Tesseract
// keeps a thin space between groups now and then drops it ("12 345678 €"):
// a group of six or nine digits is parted into threes again.
void mendGroupingSpaces(std::u16string& u) {
    static const text::Regex after(
        R"((?<![\d.,'\x{00A0}\x{202F}])\d{1,3}(?: (?:\d{3})+)+(?:[.,]\d+)?(?![\d]|[.,]\d)(?= ?(?:[€$£]|(?i:eur|usd|gbp)\b)))");
    static const text::Regex before(R"((?<=(?:[€$£]|\b(?i:eur|usd|gbp)) ?)\d{1,3}(?: (?:\d{3})+)+(?![\d]|[.,]\d{3}))");
    for (const text::Regex* amount : {&after, &before}) {
        const std::vector<text::Regex::Match> found = amount->allMatches(u);
        // From the last, so that the places of the earlier ones hold.
        for (auto m = found.rbegin(); m != found.rend(); ++m) {
            const std::size_t start = (*m)[0].start, end = start + (*m)[0].length;
            std::u16string grouped;
            std::size_t run = 0;  // digits since the last space, the first group aside
            bool first = true;
            for (std::size_t i = start; i < end; ++i) {
                const char16_t c = u[i];
                if (c == u' ') {
                    grouped += u'\u00A0';
                    first = false;
                    run = 0;
                    continue;
                }
                const bool digit = c >= u'0' && c <= u'9';
                if (digit && !first && run > 0 && run % 3 == 0) grouped += u'\u00A0';
                run = digit ? run + 1 : 0;
                if (!digit) first = true;  // the decimals
                grouped += c;
            }
            u.replace(start, end - start, grouped);
        }
    }
}

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
    std::u16string u = text::toUtf16(out);
    mendMinus(u);
    mendGroupingApostrophes(u);
    mendGroupingSpaces(u);
    out = text::toUtf8(u);
    std::string mended;
    for (std::size_t start = 0; start <= out.size();) {
        const std::size_t end = std::min(out.find(' ', start), out.size());
        std::string word = out.substr(start, end - start);
        mendZeroAndO(word);
        mended += word;
        if (end < out.size()) mended += ' ';
        start = end + 1;
    }
    return mended;
}

void mendLoneDots(EngineLine& line) {
    bool mended = false;
    for (EngineWord& word : line.words) {
        const std::string t = text::trimWhitespaceAndNewlines(word.text);
        const int w = word.box.width(), h = word.box.height();
        if ((t == "-" && w < 2 * h) || (t == ":" && 5 * w > 3 * h)) {
            word.text = "\u00B7";
            mended = true;
        }
    }
    if (mended) rejoinWords(line);
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
