#include "core/ocr/ocr_spacing.hpp"

#include <algorithm>


namespace kestrove {

namespace {

int centre(const EngineSymbol& s) { return (s.box.left + s.box.right) / 2; }


// A number's own separators: a point, comma or apostrophe beside a digit
// belongs to the number, however wide the font leaves its side bearings.
bool separator(const std::string& s) { return s == "," || s == "." || s == "'"; }

}  // namespace

int widestBlank(const GreyPicture& picture, int ground, int from, int to, int top, int bottom) {
    from = std::max(from, 0);
    to = std::min(to, picture.width);
    top = std::max(top, 0);
    bottom = std::min(bottom, picture.height);
    const Marks m{picture, ground};
    int widest = 0, run = 0;
    for (int x = from; x < to; ++x) {
        bool blank = true;
        for (int y = top; y < bottom && blank; ++y) blank = !m.at(x, y);
        run = blank ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

void partAtSpaces(EngineLine& line, const GreyPicture& picture, int ground) {
    const int top = line.box.top, bottom = line.box.bottom;
    auto gap = [&](const EngineSymbol& a, const EngineSymbol& b) {
        return widestBlank(picture, ground, centre(a), centre(b), top, bottom);
    };
    std::vector<int> spaces;
    for (std::size_t i = 1; i < line.words.size(); ++i) {
        const EngineWord &a = line.words[i - 1], &b = line.words[i];
        if (!a.symbols.empty() && !b.symbols.empty()) spaces.push_back(gap(a.symbols.back(), b.symbols.front()));
    }
    // Nearly as wide as the spaces the engine itself saw. A lone word gives
    // no such measure (a digit's side bearings can be as wide as a narrow
    // space): only a blank four times its widest gap between characters of
    // one kind is a space ("73 km" read "73km" beside a small caption).
    int wide = 0;
    if (!spaces.empty()) wide = std::max(2, median(spaces) * 7 / 10);
    else if (line.words.size() == 1) {
        const std::vector<EngineSymbol>& s = line.words.front().symbols;
        int inner = -1;
        for (std::size_t i = 1; i < s.size(); ++i)
            if (isDigit(s[i - 1]) == isDigit(s[i])) inner = std::max(inner, gap(s[i - 1], s[i]));
        if (inner < 0) return;
        wide = std::max(4, 4 * inner);
    } else return;
    bool parted = false;
    std::vector<EngineWord> words;
    for (const EngineWord& word : line.words) {
        std::size_t start = 0;
        for (std::size_t i = 1; i < word.symbols.size(); ++i) {
            const EngineSymbol &a = word.symbols[i - 1], &b = word.symbols[i];
            if (isDigit(a) == isDigit(b) || separator(a.text) || separator(b.text) || gap(a, b) < wide) continue;
            EngineWord part{"", word.symbols[start].box, word.confidence, {}};
            for (std::size_t k = start; k < i; ++k) {
                part.box = unite(part.box, word.symbols[k].box);
                part.symbols.push_back(word.symbols[k]);
            }
            rejoinSymbols(part);
            words.push_back(std::move(part));
            start = i;
            parted = true;
        }
        if (start == 0) {
            words.push_back(word);
            continue;
        }
        EngineWord rest{"", word.symbols[start].box, word.confidence, {}};
        rest.box.right = word.box.right;
        rest.symbols.assign(word.symbols.begin() + static_cast<std::ptrdiff_t>(start), word.symbols.end());
        rejoinSymbols(rest);
        words.push_back(std::move(rest));
    }
    if (!parted) return;
    line.words = std::move(words);
    rejoinWords(line);
}

}  // namespace kestrove
