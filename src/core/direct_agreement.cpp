#include "core/direct_agreement.hpp"

#include <algorithm>
#include <cstdlib>
#include <charconv>
#include <cmath>
#include <set>

#include "core/direct_reading.hpp"
#include "core/evaluation.hpp"
#include "core/new_line_rule.hpp"
#include "core/text.hpp"

namespace kestrove::DirectAgreement {

namespace {

bool isWordCharacter(std::string_view grapheme) {
    const char32_t c = text::firstScalar(grapheme);
    return text::isLetter(c) || text::isNumber(c);
}

bool hasNumber(const std::vector<std::string>& chars) {
    return std::any_of(chars.begin(), chars.end(),
                       [](const std::string& g) { return text::isNumber(text::firstScalar(g)); });
}

// A word split into characters once, for comparing against many others.
struct Word {
    std::string text;
    std::vector<std::string> chars;
    bool hasNumber;
};

std::vector<Word> split(const std::set<std::string>& words) {
    std::vector<Word> out;
    out.reserve(words.size());
    for (const std::string& w : words) {
        std::vector<std::string> chars = text::graphemes(w);
        const bool number = hasNumber(chars);
        out.push_back({w, std::move(chars), number});
    }
    return out;
}

bool same(const Word& a, const Word& b) {
    if (a.text == b.text) return true;
    const std::size_t na = a.chars.size(), nb = b.chars.size();
    if (na < 5 || nb < 5 || std::max(na, nb) - std::min(na, nb) > 1) return false;
    // Numbers match only exactly: 12000 and 12001 are different amounts.
    if (a.hasNumber || b.hasNumber) return false;
    return editDistance(a.chars, b.chars, 1) < 2;
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
    for (const OCRLine& line : lines) {
        std::string piece;
        std::size_t count = 0;
        bool number = false;
        auto finish = [&] {
            if (count >= 2 || (count == 1 && number)) out.push_back(piece);
            piece.clear();
            count = 0;
        };
        for (const std::string& g : text::graphemes(text::fold(line.text))) {
            if (!isWordCharacter(g)) {
                finish();
                continue;
            }
            piece += g;
            ++count;
            number = text::isNumber(text::firstScalar(g));
        }
        finish();
    }
    return out;
}

int editDistance(const std::vector<std::string>& a, const std::vector<std::string>& b, int atMost) {
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

bool sameWord(std::string_view a, std::string_view b) {
    if (a == b) return true;
    std::vector<std::string> ca = text::graphemes(a), cb = text::graphemes(b);
    const bool na = hasNumber(ca), nb = hasNumber(cb);
    return same({std::string(a), std::move(ca), na}, {std::string(b), std::move(cb), nb});
}

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
