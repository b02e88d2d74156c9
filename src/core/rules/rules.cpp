#include "core/rules/rules.hpp"

#include <algorithm>
#include <charconv>
#include <vector>

#include "core/rules/command_parser.hpp"
#include "core/rules/new_line_rule.hpp"


namespace kestrove::Rules {

using text::Regex;

const Regex& failPattern() {
    static const Regex re(
        R"(\b(fails|failed|fail|failure|error|errors|crashes|crashed|rejected|denied|declined|cancelled|canceled|aborted|stuck|broken|offline|red|not|never|no longer|stops|stopped|times out|timed out)\b)",
        Regex::CaseInsensitive);
    return re;
}

const Regex& timerPattern() {
    static const Regex re(
        R"(\b(timer|countdown|count down|clock|zero|0:00|00:00|time is up|time's up|runs out|ran out|expires|expired)\b)",
        Regex::CaseInsensitive);
    return re;
}

const Regex& donePattern() {
    static const Regex re(
        R"(\b(done|finished|finishes|complete|completed|completes|ready|over|ends|ended|full|loaded|through|fertig|abgeschlossen|beendet|erledigt|100 ?%)\b)",
        Regex::CaseInsensitive);
    return re;
}

const Regex& clock() {
    static const Regex re(R"((?<![\d:.,])\d{1,2}:\d{2}(?::\d{2})?(?![\d:]))");
    return re;
}

const Regex& counter() {
    static const Regex re(R"((?<![\d.,/])(\d{1,6})\s*(?:of|out of|von|/)\s*(\d{1,6})(?![\d.,/]))",
                          Regex::CaseInsensitive);
    return re;
}

namespace {

std::string slice(const std::u16string& u, const Regex::Match::Range& r) {
    return text::toUtf8(std::u16string_view(u).substr(r.start, r.length));
}

bool isLetterCharacter(const std::string& character) { return text::isLetter(text::firstScalar(character)); }

// A line's characters with their folded forms laid end to end, so a match in
// the folded text maps back to the characters it came from.
struct FoldedLine {
    std::vector<std::string> chars;
    std::string folded;
    std::vector<std::size_t> starts;  // byte offset in `folded` of each character

    explicit FoldedLine(std::string_view line) : chars(text::graphemes(line)) {
        starts.reserve(chars.size());
        for (const std::string& c : chars) {
            starts.push_back(folded.size());
            folded += text::fold(c);
        }
    }

    // Index of the character whose folded form holds byte `at`.
    std::size_t owner(std::size_t at) const {
        auto it = std::upper_bound(starts.begin(), starts.end(), at);
        return static_cast<std::size_t>(it - starts.begin()) - 1;
    }

    std::string join(std::size_t from, std::size_t to) const {
        std::string out;
        for (std::size_t i = from; i < to; ++i) out += chars[i];
        return out;
    }
};

// The busy word found in the line, widened to whole words, with a trailing
// ellipsis kept.
std::optional<std::string> phraseIn(const FoldedLine& line, std::string_view word) {
    std::size_t hit = line.folded.find(word);
    if (hit == std::string::npos) return std::nullopt;
    std::size_t start = line.owner(hit);
    std::size_t end = line.owner(hit + word.size() - 1) + 1;
    while (start > 0 && isLetterCharacter(line.chars[start - 1])) --start;
    while (end < line.chars.size() && isLetterCharacter(line.chars[end])) ++end;
    std::string phrase = line.join(start, end);
    std::string rest = line.join(end, line.chars.size());
    if (rest.starts_with("…")) {
        phrase += "…";
    } else if (rest.starts_with("...")) {
        phrase += "...";
    }
    return phrase;
}

// Words of more than three letters.
std::vector<std::string> longWords(std::string_view sentence) {
    std::vector<std::string> words;
    std::string word;
    std::size_t count = 0;
    auto flush = [&] {
        if (count > 3) words.push_back(word);
        word.clear();
        count = 0;
    };
    for (const std::string& c : text::graphemes(text::lower(sentence))) {
        if (isLetterCharacter(c)) {
            word += c;
            ++count;
        } else {
            flush();
        }
    }
    flush();
    return words;
}

std::optional<double> decimal(std::string_view digits) {
    double v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<std::string> countdown(const BaselineReading& reading) {
    for (const OCRLine& line : reading.lines) {
        std::u16string u = text::toUtf16(line.text);
        if (auto m = clock().firstMatch(u)) return slice(u, (*m)[0]);
    }
    return std::nullopt;
}

WatchSpec countdownRule(const WatchSpec& watch, std::string_view shown) {
    WatchSpec out = watch;
    if (!out.ruleFrom) out.ruleFrom = WatchType::stateReached;
    out.type = WatchType::textAppears;
    out.comparator = Comparison::none;
    out.value.reset();
    std::string zeros = zero(shown);
    out.baseline.currentlyMet = zeros == shown;
    out.target = WatchTarget{std::nullopt, std::nullopt, std::move(zeros), std::nullopt};
    out.baseline.currentDisplay = std::string(shown);
    return out;
}

std::string zero(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const std::string& c : text::graphemes(text)) out += text::isNumber(text::firstScalar(c)) ? std::string("0") : c;
    return out;
}

std::optional<std::string> busyPhrase(const BaselineReading& reading, std::string_view sentence) {
    std::vector<FoldedLine> lines;
    lines.reserve(reading.lines.size());
    for (const OCRLine& line : reading.lines) lines.emplace_back(line.text);

    struct Candidate {
        std::string_view word;
        std::string phrase;
    };
    std::vector<Candidate> candidates;
    for (std::string_view word : busyWords) {
        for (const FoldedLine& line : lines) {
            if (auto phrase = phraseIn(line, word)) {
                candidates.push_back({word, std::move(*phrase)});
                break;
            }
        }
    }
    if (candidates.empty()) return std::nullopt;

    const std::vector<std::string> words = longWords(sentence);
    for (const Candidate& c : candidates) {
        std::string_view stem = c.word.substr(0, 5);
        bool named = std::any_of(words.begin(), words.end(), [&](const std::string& w) { return w.starts_with(stem); });
        if (named) return c.phrase;
    }
    return candidates.front().phrase;
}

std::optional<CounterTarget> counterTarget(const BaselineReading& reading) {
    // Reading every number costs more than the counter search: only once a counter is found.
    std::optional<std::vector<ReadNumber>> numbers;
    for (std::size_t i = 0; i < reading.lines.size(); ++i) {
        std::u16string u = text::toUtf16(reading.lines[i].text);
        std::optional<Regex::Match> m = counter().firstMatch(u);
        if (!m) continue;
        std::optional<double> count = decimal(slice(u, (*m)[1]));
        std::optional<double> total = decimal(slice(u, (*m)[2]));
        if (!count || !total || *total <= 0 || *count > *total) continue;
        const auto at = static_cast<int>((*m)[1].start);
        if (!numbers) numbers = reading.numbers(false);
        auto found = std::find_if(numbers->begin(), numbers->end(), [&](const ReadNumber& n) {
            return n.line == static_cast<int>(i) && n.location == at;
        });
        if (found != numbers->end()) return CounterTarget{*found, *total};
    }
    return std::nullopt;
}

std::optional<WatchSpec> rule(WatchType kind, const WatchSpec& base, const BaselineReading& reading) {
    const std::string sentence = CommandParser::expandContractions(text::lower(base.command));

    WatchSpec candidate = base;
    candidate.ruleFrom = kind;
    candidate.comparator = Comparison::none;
    candidate.value.reset();

    if (kind == WatchType::newItem) {
        std::vector<std::string> lines = NewLineRule::normalized(reading.lines);
        if (lines.empty()) return std::nullopt;
        candidate.type = WatchType::newLine;
        candidate.target = WatchTarget{"a new line of text", std::nullopt, std::nullopt, std::nullopt};
        candidate.baseline.currentDisplay =
            lines.size() == 1 ? std::string("1 line") : std::to_string(lines.size()) + " lines";
        candidate.baseline.lines = std::move(lines);
        return candidate;
    }
    if (kind != WatchType::stateReached) return std::nullopt;

    const std::u16string u = text::toUtf16(sentence);
    if (!failPattern().matches(u)) {
        if (auto phrase = busyPhrase(reading, sentence)) {
            candidate.type = WatchType::textGone;
            candidate.target = WatchTarget{std::nullopt, std::nullopt, std::move(*phrase), std::nullopt};
            return candidate;
        }
    }
    if (timerPattern().matches(u)) {
        if (auto shown = countdown(reading)) return countdownRule(candidate, *shown);
    }
    if (!donePattern().matches(u) && !sentence.ends_with("100%")) return std::nullopt;

    if (auto counted = counterTarget(reading)) {
        candidate.type = WatchType::numberCompare;
        candidate.comparator = Comparison::gte;
        candidate.value = counted->total;
        candidate.target = WatchTarget{"number", std::nullopt, std::nullopt, counted->number.anchor};
        candidate.baseline.currentValue = counted->number.value;
        candidate.baseline.currentDisplay = counted->number.display();
        candidate.baseline.currentlyMet = counted->number.value >= counted->total;
        return candidate;
    }
    for (const ReadNumber& n : reading.numbers(false)) {
        if (n.unit != ValueUnit::percent || n.value < 0 || n.value > 100) continue;
        candidate.type = WatchType::numberCompare;
        candidate.comparator = Comparison::gte;
        candidate.value = 100;
        candidate.target = WatchTarget{"number", ValueUnit::percent, std::nullopt, n.anchor};
        candidate.baseline.currentValue = n.value;
        candidate.baseline.currentDisplay = NumberFormat::string(n.value, n.decimals) + "%";
        candidate.baseline.currentlyMet = n.value >= 100;
        return candidate;
    }
    return std::nullopt;
}

}  // namespace kestrove::Rules
