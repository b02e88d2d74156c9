#include "core/reading/reading.hpp"

#include <array>
#include <algorithm>

#include "core/reading/number_parser.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/text_match.hpp"

namespace kestrove {

Json toJson(const NormRect& v) {
    return {{"x", finite(v.x, "x")}, {"y", finite(v.y, "y")}, {"w", finite(v.w, "w")}, {"h", finite(v.h, "h")}};
}

Json toJson(const OCRLine& v) {
    return {{"text", v.text}, {"box", toJson(v.box)}, {"confidence", finite(v.confidence, "confidence")}};
}

void fromJson(const JsonReader& r, NormRect& v) {
    v.x = r.at("x").number();
    v.y = r.at("y").number();
    v.w = r.at("w").number();
    v.h = r.at("h").number();
}

void fromJson(const JsonReader& r, OCRLine& v) {
    v.text = r.at("text").string();
    fromJson(r.at("box"), v.box);
    v.confidence = r.at("confidence").number();
}

namespace {

std::size_t letterCount(std::string_view s) {
    std::size_t n = 0;
    for (const std::string& ch : text::graphemes(s))
        if (text::isLetter(text::firstScalar(ch))) ++n;
    return n;
}

// Each 0.001 of line height weighs as much as one character.
double prominence(const OCRLine& line, std::string_view wording) {
    return 1000 * line.box.h + static_cast<double>(text::graphemeCount(wording));
}

std::vector<std::string> words(std::string_view s) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from <= s.size()) {
        std::size_t hit = std::min(s.find(' ', from), s.size());
        if (hit > from) out.emplace_back(s.substr(from, hit - from));
        from = hit + 1;
    }
    return out;
}

}  // namespace

std::string BaselineReading::fullText() const {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += '\n';
        out += lines[i].text;
    }
    return out;
}

bool BaselineReading::hasText() const {
    return std::any_of(lines.begin(), lines.end(), [](const OCRLine& l) { return text::hasLetterOrNumber(l.text); });
}

std::optional<std::string> BaselineReading::prominentLine(std::size_t maxLength) const {
    const OCRLine* best = nullptr;
    double bestScore = 0;
    for (const OCRLine& line : lines) {
        if (!text::hasLetterOrNumber(line.text)) continue;
        double score = prominence(line, line.text);
        // Only a strictly higher score replaces: the earlier line wins a tie.
        if (!best || score > bestScore) {
            best = &line;
            bestScore = score;
        }
    }
    if (!best) return std::nullopt;
    return TextMatch::truncate(text::trimWhitespace(best->text), maxLength);
}

std::optional<std::string> BaselineReading::prominentText(std::size_t maxLength) const {
    std::optional<std::string> best;
    double bestScore = 0;
    for (const OCRLine& line : lines) {
        std::string wording = TextMatch::stripNumbers(line.text);
        if (letterCount(wording) < 2) continue;
        double score = prominence(line, wording);
        if (!best || score > bestScore) {
            best = std::move(wording);
            bestScore = score;
        }
    }
    if (!best) return std::nullopt;
    return TextMatch::truncate(*best, maxLength);
}

std::optional<std::string> BaselineReading::lineMentioning(std::string_view subject) const {
    static constexpr std::array<std::string_view, 4> vague = {"text", "the", "message", "label"};
    std::vector<std::string> keys;
    for (std::string& w : words(text::lower(subject)))
        if (text::graphemeCount(w) >= 3 && std::find(vague.begin(), vague.end(), w) == vague.end())
            keys.push_back(std::move(w));
    if (keys.empty()) return std::nullopt;

    for (const OCRLine& line : lines) {
        const std::string lowered = text::lower(line.text);
        bool named = std::any_of(keys.begin(), keys.end(),
                                 [&](const std::string& k) { return lowered.find(k) != std::string::npos; });
        if (!named) continue;
        std::string wording = TextMatch::stripNumbers(line.text);
        return TextMatch::truncate(wording.empty() ? line.text : wording, 40);
    }
    return std::nullopt;
}

std::vector<ReadNumber> BaselineReading::numbers(bool preferTime) const {
    std::vector<ReadNumber> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const OCRLine& line = lines[i];
        const double units = static_cast<double>(std::max<std::size_t>(1, text::utf16Length(line.text)));
        for (ReadNumber& n : NumberParser::numbers(line.text, preferTime)) {
            n.line = static_cast<int>(i);
            const double centre = n.location + n.length / 2.0;
            n.anchor = Anchor{line.box.x + line.box.w * centre / units, line.box.y + line.box.h / 2};
            out.push_back(std::move(n));
        }
    }
    return out;
}

bool BaselineReading::looksTransient() const {
    std::optional<std::string> t = prominentText(28);
    if (!t) return false;
    if (t->ends_with("…") || t->ends_with("...")) return true;
    for (const std::string& w : words(text::lower(*t)))
        if (w.ends_with("ing") && text::graphemeCount(w) > 4) return true;
    return false;
}

}  // namespace kestrove
