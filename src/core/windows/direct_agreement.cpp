#include "core/windows/direct_agreement.hpp"

#include <algorithm>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <set>

#include "core/windows/direct_reading.hpp"
#include "core/rules/evaluation.hpp"
#include "core/rules/new_line_rule.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::DirectAgreement {

namespace {

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiAlnum(char c) { return isAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isNumberCharacter(std::string_view grapheme) { return text::isNumber(text::firstScalar(grapheme)); }

bool isWordCharacter(std::string_view grapheme) {
    const char32_t c = text::firstScalar(grapheme);
    return text::isLetter(c) || text::isNumber(c);
}

template <typename Seq>
int boundedDistance(const Seq& a, const Seq& b, int atMost) {
    const auto n = static_cast<long>(a.size()), m = static_cast<long>(b.size());
    if (std::labs(n - m) > atMost) return atMost + 1;
    if (n == 0 || m == 0) return static_cast<int>(std::max(n, m));
    std::vector<int> row(static_cast<std::size_t>(m) + 1), next(row.size());
    for (std::size_t j = 0; j < row.size(); ++j) row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        next[0] = static_cast<int>(i);
        int smallest = next[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int substitute = row[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            next[j] = std::min({row[j] + 1, next[j - 1] + 1, substitute});
            smallest = std::min(smallest, next[j]);
        }
        if (smallest > atMost) return atMost + 1;
        std::swap(row, next);
    }
    return row.back();
}

// A word measured once, for comparing against many others. ASCII words are
// their own characters; others are split into graphemes.
struct Word {
    std::string text;
    std::vector<std::string> chars;  // empty for ASCII words
    std::size_t count;
    bool hasNumber;
    bool ascii;

    explicit Word(std::string w) : text(std::move(w)), ascii(text::isAscii(text)) {
        if (ascii) {
            count = text.size();
            hasNumber = std::any_of(text.begin(), text.end(), isAsciiDigit);
        } else {
            chars = text::graphemes(text);
            count = chars.size();
            hasNumber = std::any_of(chars.begin(), chars.end(), [](const std::string& g) { return isNumberCharacter(g); });
        }
    }
    std::vector<std::string> characters() const { return ascii ? text::graphemes(text) : chars; }
};

bool same(const Word& a, const Word& b) {
    if (a.text == b.text) return true;
    if (a.count < 5 || b.count < 5 || std::max(a.count, b.count) - std::min(a.count, b.count) > 1) return false;
    // Numbers match only exactly: 12000 and 12001 are different amounts.
    if (a.hasNumber || b.hasNumber) return false;
    if (a.ascii && b.ascii) return boundedDistance(std::string_view(a.text), std::string_view(b.text), 1) < 2;
    return boundedDistance(a.characters(), b.characters(), 1) < 2;
}

std::vector<Word> split(const std::set<std::string>& words) {
    std::vector<Word> out;
    out.reserve(words.size());
    for (const std::string& w : words) out.emplace_back(w);
    return out;
}

// The words of one side with no same word on the other, in ascending order.
std::vector<std::string> unmatched(const std::vector<Word>& mine, const std::set<std::string>& theirSet,
                                   const std::vector<Word>& theirs) {
    std::vector<std::string> out;
    for (const Word& w : mine) {
        if (theirSet.contains(w.text)) continue;
        if (std::none_of(theirs.begin(), theirs.end(), [&](const Word& t) { return same(w, t); })) out.push_back(w.text);
    }
    return out;
}

std::string firstFour(const std::vector<std::string>& sorted) {
    std::string out;
    for (std::size_t i = 0; i < sorted.size() && i < 4; ++i) {
        if (i) out += ", ";
        out += sorted[i];
    }
    return out;
}

// Shortest text that reads back as the same value; a whole number keeps one
// decimal (249 shows as 249.0).
std::string roundTrip(double v) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    if (ec != std::errc()) return "?";
    std::string out(buf, end);
    if (std::isfinite(v) && out.find_first_of(".e") == std::string::npos) out += ".0";
    return out;
}

std::string shown(const Evaluation& e) { return e.display ? *e.display : roundTrip(*e.value); }

Evaluation judge(const WatchSpec& spec, const std::vector<OCRLine>& lines) {
    // Each reading is its own baseline: a new-line rule finds nothing new on either side.
    return LocalCompiler::evaluate(spec, lines, NewLineRule::normalized(lines));
}

}  // namespace

std::vector<std::string> words(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    std::string piece;
    std::size_t count = 0;
    bool number = false;
    auto finish = [&] {
        // One character is a word only when it is a number.
        if (count >= 2 || (count == 1 && number)) out.push_back(piece);
        piece.clear();
        count = 0;
    };
    auto add = [&](std::string_view character, bool isNumber) {
        piece += character;
        ++count;
        number = isNumber;
    };
    for (const OCRLine& line : lines) {
        const std::string folded = text::fold(line.text);
        if (text::isAscii(folded)) {
            // Every ASCII character is a grapheme of its own (CR LF is no word character).
            for (char c : folded) {
                if (isAsciiAlnum(c)) add(std::string_view(&c, 1), isAsciiDigit(c));
                else finish();
            }
        } else {
            for (const std::string& g : text::graphemes(folded)) {
                if (isWordCharacter(g)) add(g, isNumberCharacter(g));
                else finish();
            }
        }
        finish();
    }
    return out;
}

int editDistance(const std::vector<std::string>& a, const std::vector<std::string>& b, int atMost) {
    return boundedDistance(a, b, atMost);
}

bool sameWord(std::string_view a, std::string_view b) { return same(Word(std::string(a)), Word(std::string(b))); }

int allowance(int n) { return n / 10; }

Verdict sameWords(const std::vector<OCRLine>& picture, const std::vector<OCRLine>& direct) {
    const std::vector<std::string> p = words(picture), d = words(direct);
    if (d.empty()) return differs("the direct reader read no text");
    if (p.empty()) return differs("the picture shows no text");
    const std::set<std::string> ps(p.begin(), p.end()), ds(d.begin(), d.end());
    const std::vector<Word> pw = split(ps), dw = split(ds);
    const std::vector<std::string> pictureOnly = unmatched(pw, ds, dw);
    if (static_cast<int>(pictureOnly.size()) > allowance(static_cast<int>(ps.size())))
        return differs("only the picture has: " + firstFour(pictureOnly));
    const std::vector<std::string> directOnly = unmatched(dw, ps, pw);
    if (static_cast<int>(directOnly.size()) > allowance(static_cast<int>(ds.size())))
        return differs("only the direct reader has: " + firstFour(directOnly));
    return agrees;
}

Verdict check(const WatchSpec& spec, const std::vector<OCRLine>& picture, const std::vector<OCRLine>& direct) {
    if (!DirectReading::eligible(spec)) return differs("this kind of watch is not read directly");
    const Evaluation p = judge(spec, picture), d = judge(spec, direct);
    if (spec.type == WatchType::numberCompare) {
        if (!p.readable || !p.value) return differs("the picture shows no number");
        if (!d.readable || !d.value) return differs("the direct reader read no number");
        if (std::abs(*p.value - *d.value) < 1e-6) return agrees;
        return differs("the picture reads " + shown(p) + ", the direct reader " + shown(d));
    }
    if (Verdict v = sameWords(picture, direct); !v.agrees()) return v;
    if (p.met == d.met) return agrees;
    return differs("the rule stands differently on the two readings");
}

WatchSpec adopt(const WatchSpec& spec, const std::vector<OCRLine>& picture,
                const std::optional<std::vector<OCRLine>>& direct, bool onScreenOnly) {
    WatchSpec out = spec;
    out.direct.reset();
    // Never switched to direct reading without a comparison that agrees.
    if (direct && check(out, picture, *direct).agrees()) out.direct = DirectInfo{onScreenOnly};
    return out;
}

}  // namespace kestrove::DirectAgreement
