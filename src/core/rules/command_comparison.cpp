#include "core/rules/command_comparison.hpp"

#include <array>
#include <memory>
#include <utility>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "core/reading/number_parser.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::CommandParser {

using text::Regex;

const std::vector<std::pair<std::string_view, Comparison>>& comparatorPhrases() {
    using enum Comparison;
    static const std::vector<std::pair<std::string_view, Comparison>> table = {
        {"less than or equal to", lte}, {"greater than or equal to", gte}, {"more than or equal to", gte},
        {"drops below", lt}, {"falls below", lt}, {"goes below", lt}, {"gets below", lt}, {"dips below", lt},
        {"sinks below", lt}, {"drops under", lt}, {"falls under", lt}, {"goes under", lt}, {"gets under", lt},
        {"is below", lt}, {"is under", lt}, {"is less than", lt}, {"is lower than", lt}, {"less than", lt},
        {"fewer than", lt}, {"lower than", lt}, {"cheaper than", lt}, {"below", lt}, {"under", lt},
        {"at most", lte}, {"no more than", lte}, {"not more than", lte}, {"drops to", lte}, {"falls to", lte},
        {"goes down to", lte}, {"gets down to", lte},
        {"goes above", gt}, {"rises above", gt}, {"climbs above", gt}, {"goes over", gt}, {"gets above", gt},
        {"gets over", gt}, {"is above", gt}, {"is over", gt}, {"is more than", gt}, {"is greater than", gt},
        {"is higher than", gt}, {"more than", gt}, {"greater than", gt}, {"higher than", gt}, {"exceeds", gt},
        {"above", gt}, {"over", gt},
        {"at least", gte}, {"no less than", gte}, {"reaches", gte}, {"hits", gte}, {"gets to", gte},
        {"rises to", gte}, {"climbs to", gte}, {"goes up to", gte},
        {"is exactly", eq}, {"is equal to", eq}, {"equals", eq}, {"becomes", eq}, {"turns", eq}, {"is", eq},
        {"are", eq},
        {"<=", lte}, {">=", gte}, {"<", lt}, {">", gt}, {"=", eq},
    };
    return table;
}

namespace {

bool isApproachPhrase(std::string_view phrase) { return phrase == "reaches" || phrase == "hits" || phrase == "gets to"; }

bool isLowerDirection(std::string_view word) {
    return word == "less" || word == "fewer" || word == "lower" || word == "below";
}

std::string escapeRegex(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (std::string_view(R"(\^$.|?*+()[]{}-)").find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out;
}

// One pattern per comparison phrase, built together with the table: the
// phrase must start the text or follow white space.
const std::vector<std::unique_ptr<const Regex>>& phrasePatterns() {
    static const std::vector<std::unique_ptr<const Regex>> patterns = [] {
        std::vector<std::unique_ptr<const Regex>> out;
        for (const auto& [phrase, comparison] : comparatorPhrases()) {
            bool letter = (phrase[0] >= 'a' && phrase[0] <= 'z');
            out.push_back(std::make_unique<const Regex>(R"((?:^|\s))" + escapeRegex(phrase) + (letter ? R"(\s+)" : R"(\s*)")));
        }
        return out;
    }();
    return patterns;
}

// "a hundred" reads as 100 before any phrase is looked for.
std::string replaceWordNumbers(std::string_view lower) {
    static const std::array<std::pair<std::string_view, std::u16string_view>, 13> words{{
        {"zero", u"0"}, {"one", u"1"}, {"two", u"2"}, {"three", u"3"}, {"four", u"4"}, {"five", u"5"},
        {"six", u"6"}, {"seven", u"7"}, {"eight", u"8"}, {"nine", u"9"}, {"ten", u"10"},
        {"a hundred", u"100"}, {"a thousand", u"1000"},
    }};
    static const std::vector<std::unique_ptr<const Regex>> patterns = [] {
        std::vector<std::unique_ptr<const Regex>> out;
        for (const auto& [word, digits] : words) out.push_back(std::make_unique<const Regex>(R"(\b)" + std::string(word) + R"(\b)"));
        return out;
    }();
    std::u16string s = text::toUtf16(lower);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (lower.find(words[i].first) == std::string_view::npos) continue;
        s = patterns[i]->replaceAll(std::u16string_view(s), words[i].second);
    }
    return text::toUtf8(s);
}

bool hasDigit(std::u16string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        UChar32 c;
        U16_NEXT(s.data(), i, s.size(), c);
        if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) return true;
    }
    return false;
}

std::string slice(std::u16string_view s, std::size_t start, std::size_t length = std::u16string_view::npos) {
    return start >= s.size() ? std::string() : text::toUtf8(s.substr(start, length));
}

ParsedCommand comparison(Comparison c, const ReadNumber& n, std::optional<ValueUnit> unit, std::optional<std::string> subject,
                         bool approach) {
    ParsedCommand p;
    p.type = WatchType::numberCompare;
    p.comparator = c;
    p.value = n.value;
    p.unit = unit;
    p.subject = std::move(subject);
    p.approach = approach;
    return p;
}

// Where the number of "N or less" may start, in order: the first digit of
// each run of digits, "." and "," (a later digit of a run ends the same
// number, so trying it again could only fail again), moved back over the
// sign, currency sign and one white space that may stand before it. Trying
// only these keeps the search linear on a long run of digits.
std::vector<std::size_t> numberStarts(std::u16string_view s) {
    std::vector<std::size_t> out;
    bool digitInRun = false;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t at = i;
        UChar32 c;
        U16_NEXT(s.data(), i, s.size(), c);
        if (c == u'.' || c == u',') continue;
        if (u_charType(c) != U_DECIMAL_DIGIT_NUMBER) {
            digitInRun = false;
            continue;
        }
        if (std::exchange(digitInRun, true)) continue;
        std::size_t start = at;
        if (start > 0 && u_isUWhiteSpace(s[start - 1])) --start;
        if (start > 0 && std::u16string_view(u"$\u20AC\u00A3").find(s[start - 1]) != std::u16string_view::npos) --start;
        if (start > 0 && (s[start - 1] == u'-' || s[start - 1] == u'\u2212')) --start;
        out.push_back(start);
    }
    return out;
}

// "5 or less", "3 or more seats left".
std::optional<ParsedCommand> orLessForm(std::string_view text) {
    static const Regex re(R"(^([-−]?[$€£]?\s?\d[\d.,]*\s?(?:%|€|\$|£|[a-z]+)?)\s+or (less|fewer|lower|more|higher|above|below)(.*)$)",
                          Regex::CaseInsensitive);
    const std::u16string s = text::toUtf16(text);
    for (std::size_t start : numberStarts(s)) {
        const std::u16string_view from = std::u16string_view(s).substr(start);
        std::optional<Regex::Match> m = re.firstMatch(from);
        if (!m) continue;
        auto group = [&](std::size_t i) { return slice(from, (*m)[i].start, (*m)[i].length); };
        std::optional<ReadNumber> n = firstNumber(group(1));
        if (!n) return std::nullopt;
        Comparison c = isLowerDirection(group(2)) ? Comparison::lte : Comparison::gte;
        std::optional<std::string> subject = subjectFrom(slice(s, 0, start), group(3), n->unit);
        return comparison(c, *n, n->unit ? n->unit : unitWord(text), std::move(subject), false);
    }
    return std::nullopt;
}

}  // namespace

std::optional<ParsedCommand> parseNumberCompare(std::string_view lower) {
    std::string s = replaceWordNumbers(lower);
    const std::u16string s16 = text::toUtf16(s);
    // Both forms need a digit; most sentences without one end here.
    if (!hasDigit(s16)) return std::nullopt;
    if (std::optional<ParsedCommand> p = orLessForm(s)) return p;

    static const Regex startsWithNumber(R"(^[-−]?[$€£]?\s?\d)");
    const auto& phrases = comparatorPhrases();
    const auto& patterns = phrasePatterns();
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        // A phrase absent from the text cannot match; skip its pattern.
        if (s.find(phrases[i].first) == std::string::npos) continue;
        std::optional<Regex::Match> m = patterns[i]->firstMatch(s16);
        if (!m) continue;
        const std::size_t start = (*m)[0].start, end = start + (*m)[0].length;
        std::u16string_view after = std::u16string_view(s16).substr(end);
        if (!startsWithNumber.matches(after)) continue;
        std::string afterText = text::toUtf8(after);
        std::optional<ReadNumber> n = firstNumber(afterText);
        if (!n) continue;
        std::string before = slice(s16, 0, start);
        std::string rest = slice(after, static_cast<std::size_t>(n->location + n->length));
        std::optional<ValueUnit> unit = n->unit;
        if (!unit) unit = unitWord(rest);
        if (!unit) unit = unitWord(before);
        std::optional<std::string> subject = subjectFrom(before, rest, unit);
        return comparison(phrases[i].second, *n, unit, std::move(subject), isApproachPhrase(phrases[i].first));
    }
    return std::nullopt;
}

std::optional<ReadNumber> firstNumber(std::string_view text) {
    std::vector<ReadNumber> numbers = NumberParser::numbers(text, true);
    if (numbers.empty()) return std::nullopt;
    ReadNumber n = numbers.front();
    if (!n.unit) {
        std::u16string t = text::toUtf16(text);
        std::string behind = slice(t, static_cast<std::size_t>(n.location + n.length));
        n.unit = unitWord(text::graphemePrefix(behind, 12));
    }
    return n;
}

std::optional<ValueUnit> unitWord(std::string_view text) {
    static const Regex percent(R"(\bpercent\b)");
    static const Regex eur(R"(\b(eur|euros?)\b)");
    static const Regex usd(R"(\b(usd|dollars?)\b)");
    static const Regex gbp(R"(\b(gbp|pounds?)\b)");
    static const Regex hours(R"(^\s*(hours?|hrs?)\b)");
    static const Regex minutes(R"(^\s*(minutes?|mins?)\b)");
    static const Regex seconds(R"(^\s*(seconds?|secs?)\b)");
    const std::u16string t = text::toUtf16(text::lower(text));
    auto has = [&](std::u16string_view sign, const Regex& word) {
        return t.find(sign) != std::u16string::npos || word.matches(std::u16string_view(t));
    };
    if (has(u"%", percent)) return ValueUnit::percent;
    if (has(u"€", eur)) return ValueUnit::eur;
    if (has(u"$", usd)) return ValueUnit::usd;
    if (has(u"£", gbp)) return ValueUnit::gbp;
    if (hours.matches(std::u16string_view(t))) return ValueUnit::hours;
    if (minutes.matches(std::u16string_view(t))) return ValueUnit::minutes;
    if (seconds.matches(std::u16string_view(t))) return ValueUnit::seconds;
    return std::nullopt;
}

std::optional<std::string> subjectFrom(std::string_view before, std::string_view after, std::optional<ValueUnit> unit) {
    static const Regex verb(R"(\s+(is|are|has|gets|goes|drops|falls|rises|climbs|was|will be|shows|reads|says)$)");
    static const Regex place(R"(\s+(here|there|on screen)$)");
    std::string s = verb.replaceAll(before, "");
    s = stripDeterminer(s);
    s = text::trimWhitespace(place.replaceAll(s, ""));
    if (!s.empty() && s != "it" && s != "this" && s != "that") return s;

    std::string a = text::lower(after);
    if (a.find("remaining") != std::string::npos || a.find(" left") != std::string::npos || a.starts_with("left")) {
        return (!unit || isTime(*unit)) ? "time remaining" : "number remaining";
    }
    if (unit && isCurrency(*unit)) return "price";
    return std::nullopt;
}

}  // namespace kestrove::CommandParser
