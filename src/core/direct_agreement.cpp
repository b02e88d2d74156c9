#include "core/direct_agreement.hpp"

#include <algorithm>
#include <cstdlib>
#include <set>

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

}  // namespace kestrove::DirectAgreement
