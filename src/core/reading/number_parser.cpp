#include "core/reading/number_parser.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include "core/reading/currency.hpp"

namespace kestrove::NumberParser {

using text::Regex;

// Spaces group digits only where no clock ends: "12:30 450" is a time and
// 450, while "Total:12 345" is 12345.
const Regex& numberPattern() {
    static const Regex re(R"((?<![\p{L}\d.,])([-−]?)(\d{1,3}(?:(?:[,.']|(?<!\d:\d\d)[\x{00A0}\x{202F}\x{2009}])\d{3})+|\d+)([.,]\d+)?(?![\d]|[.,]\d))");
    return re;
}

const Regex& clockPattern() {
    static const Regex re(R"((?<![\d:.,])(\d{1,2}):(\d{2})(?::(\d{2}))?(?![\d:]))");
    return re;
}

const Regex& unitAfter() {
    static const Regex re(
        R"(^\s?(%|percent\b|€|eur\b|euros?\b|usd\b|dollars?\b|£|gbp\b|pounds?\b|hours?\b|hrs?\b|minutes?\b|mins?\b|seconds?\b|secs?\b|h\b|m\b|s\b))",
        Regex::CaseInsensitive);
    return re;
}

const Regex& unitBefore() {
    static const Regex re(R"((€|\$|£|\beur|\busd|\bgbp)\s?$)", Regex::CaseInsensitive);
    return re;
}

const Regex& commaDecimalEvidence() {
    static const Regex re(R"(\d,\d{1,2}(?!\d))");
    return re;
}

namespace {

using Range = Regex::Match::Range;

std::string slice(std::u16string_view t, std::size_t start, std::size_t length) {
    return text::toUtf8(t.substr(start, length));
}

std::string slice(std::u16string_view t, const Range& r) { return slice(t, r.start, r.length); }

char32_t codePointAt(std::u16string_view t, std::size_t i) {
    UChar32 c;
    U16_GET(t.data(), 0, i, t.size(), c);
    return static_cast<char32_t>(c);
}

// A letter and a dash right before the digits: a code such as "COVID-19" or "A-4".
bool followsLetterAndDash(std::u16string_view t, std::size_t start) {
    switch (t[start - 1]) {
    case u'-': case u'\u2010': case u'\u2011': case u'\u2013': case u'\u2212': break;
    default: return false;
    }
    if (!text::isLetter(codePointAt(t, start - 2))) return false;
    return text::graphemeCount(slice(t, start - 2, 2)) == 2;
}

// Clock parts are ASCII digits; anything else reads as 0.
double clockPart(std::u16string_view t, const Range& r) {
    if (!r.found()) return 0;
    std::string s = slice(t, r);
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() ? v : 0;
}

std::vector<ReadNumber> merge(const std::vector<ReadNumber>& numbers, std::u16string_view t) {
    std::vector<ReadNumber> out;
    // The merged text is cut from the line once a chain ends, not at every
    // merge: a long chain would copy its growing text again and again.
    bool chain = false;
    auto finishChain = [&] {
        if (!chain) return;
        ReadNumber& p = out.back();
        p.text = slice(t, static_cast<std::size_t>(p.location), static_cast<std::size_t>(p.length));
        chain = false;
    };
    for (const ReadNumber& n : numbers) {
        if (!out.empty()) {
            ReadNumber& p = out.back();
            const auto pEnd = static_cast<std::size_t>(p.location + p.length);
            const auto nStart = static_cast<std::size_t>(n.location);
            const auto nEnd = static_cast<std::size_t>(n.location + n.length);
            if (isTime(p.unit) && isTime(n.unit) && pEnd <= nStart && nEnd <= t.size()) {
                std::string gap = text::trimChars(text::replaceAll(slice(t, pEnd, nStart - pEnd), "and", ""), " ,");
                const double seconds = p.value * secondsFactor(*p.unit) + n.value * secondsFactor(*n.unit);
                // A sum too large to hold would later spoil the watch file; such parts stay apart.
                if (gap.empty() && std::isfinite(seconds)) {
                    p.value = seconds;
                    p.unit = ValueUnit::seconds;
                    p.decimals = 0;
                    p.length = n.location + n.length - p.location;
                    p.line = 0;
                    p.anchor.reset();
                    chain = true;
                    continue;
                }
            }
        }
        finishChain();
        out.push_back(n);
    }
    finishChain();
    return out;
}

// Every pattern below needs a decimal digit (\d), a clock also a colon and
// the comma evidence a comma; most lines lack them, so their scans are skipped.
// Where the first digit is (npos: none).
std::size_t firstDecimalDigit(std::u16string_view t) {
    for (std::size_t i = 0; i < t.size();) {
        const std::size_t at = i;
        UChar32 c;
        U16_NEXT(t.data(), i, t.size(), c);
        if (u_charType(c) == U_DECIMAL_DIGIT_NUMBER) return at;
    }
    return std::u16string_view::npos;
}

// Matches of a pattern that starts with a look-behind and then at most a sign
// before its first digit. Scanning starts just before the first digit, far
// enough back for the look-behind to see a whole character; ranges are
// offsets into t as usual.
std::vector<Regex::Match> matchesFrom(const Regex& re, std::u16string_view t, std::size_t firstDigit) {
    const std::size_t from = firstDigit > 3 ? firstDigit - 3 : 0;
    std::vector<Regex::Match> found = re.allMatches(t.substr(from));
    for (Regex::Match& m : found)
        for (Range& g : m.groups)
            if (g.found()) g.start += from;
    return found;
}

bool isMinus(char16_t c) { return c == u'-' || c == u'\u2212'; }

// A minus right before a currency sign (any: isCurrencySign) right before
// the digits ("Loss −$48.20", "-€5", "−¥480") signs the amount, as "$-48.20" does; one glued to a
// letter, a digit or a point stays a hyphen ("$10-$20" is a range, "A-$5" a code).
bool minusBeforeCurrencySign(std::u16string_view t, std::size_t start) {
    if (start < 2 || !isCurrencySign(t[start - 1]) || !isMinus(t[start - 2])) return false;
    if (start == 2) return true;
    const char32_t c = codePointAt(t, start - 3);
    const bool digit = u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER;
    return !(text::isLetter(c) || digit || c == U'.' || c == U',');
}

bool isAsciiSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// unitAfter needs, after at most one white space, the first character of a
// unit: an ASCII character other than a letter or "%" rules it out.
bool mayStartUnit(std::u16string_view after) {
    std::size_t i = !after.empty() && isAsciiSpace(after[0]) ? 1 : 0;
    if (i >= after.size()) return false;
    char16_t c = after[i];
    return c >= 0x80 || c == u'%' || isAsciiLetter(c);
}

// unitBefore needs a currency sign or code at the end, before at most one white
// space and, since "$" also matches before a final line break, "\r\n".
bool mayEndCurrency(std::u16string_view before) {
    std::size_t end = before.size();
    while (end > 0 && before.size() - end < 3 && isAsciiSpace(before[end - 1])) --end;
    if (end == 0) return false;
    char16_t c = before[end - 1];
    return c >= 0x80 || c == u'$' || isAsciiLetter(c);
}

// A currency code that is no word, and nothing more, right at `at` ("CHF" in "249CHF").
bool codeFollows(std::u16string_view t, std::size_t at) {
    std::size_t end = at;
    while (end < t.size() && isAsciiLetter(t[end])) ++end;
    if (end - at != 3 || (end < t.size() && text::isLetter(codePointAt(t, end)))) return false;
    const std::string code = slice(t, at, 3);
    return isCurrencyCode(code) && !isAlsoAWord(code);
}

std::vector<ReadNumber> numbersIn(std::u16string_view t, bool preferTime) {
    const std::size_t n = t.size();
    std::vector<ReadNumber> out;
    const std::size_t firstDigit = firstDecimalDigit(t);
    if (firstDigit == std::u16string_view::npos) return out;

    std::vector<std::pair<std::size_t, std::size_t>> clocks;
    const bool mayHoldClock = t.find(u':') != std::u16string_view::npos;
    for (const Regex::Match& m : mayHoldClock ? matchesFrom(clockPattern(), t, firstDigit) : std::vector<Regex::Match>{}) {
        clocks.emplace_back(m[0].start, m[0].start + m[0].length);
        if (!preferTime) continue;
        double first = clockPart(t, m[1]), second = clockPart(t, m[2]);
        double value = m[3].found() ? first * 3600 + second * 60 + clockPart(t, m[3]) : first * 60 + second;
        out.push_back({value, slice(t, m[0]), ValueUnit::seconds, 0, static_cast<int>(m[0].start),
                       static_cast<int>(m[0].length), 0, std::nullopt});
    }

    const bool evidence = t.find(u',') != std::u16string_view::npos && commaDecimalEvidence().matches(t);
    std::size_t nextClock = 0;

    for (const Regex::Match& m : matchesFrom(numberPattern(), t, firstDigit)) {
        const std::size_t start = m[0].start, end = start + m[0].length;
        // Numbers and clocks both come in order and clocks never overlap
        // each other: the clocks that end before this number are passed for good.
        while (nextClock < clocks.size() && clocks[nextClock].second <= start) ++nextClock;
        if (nextClock < clocks.size() && clocks[nextClock].first < end) continue;
        if (start >= 2 && m[1].length == 0 && followsLetterAndDash(t, start)) continue;

        std::optional<ValueUnit> unit;
        bool unitFollows = false;
        std::size_t unitEnd = end;
        if (end < n) {
            std::u16string_view after = t.substr(end, std::min<std::size_t>(14, n - end));
            if (auto u = mayStartUnit(after) ? unitAfter().firstMatch(after) : std::nullopt) {
                unit = NumberParser::unit(slice(after, (*u)[1]), preferTime);
                unitFollows = unit.has_value();
                unitEnd = end + (*u)[0].length;
            }
        }
        if (!unit && start >= 1) {
            const std::size_t width = std::min<std::size_t>(5, start);
            std::u16string_view before = t.substr(start - width, width);
            if (auto u = mayEndCurrency(before) ? unitBefore().firstMatch(before) : std::nullopt)
                unit = NumberParser::unit(slice(before, (*u)[1]), false);
        }
        // "5x", "3D", "2nd", "10am": part of a word, not a number; a
        // currency's code glued to it is not ("249CHF").
        if (!unitFollows && end < n && text::isLetter(codePointAt(t, end)) && !codeFollows(t, end)) continue;

        const std::size_t spanEnd = unitFollows && isTime(*unit) ? unitEnd : end;
        const bool hint = evidence || unit == ValueUnit::eur;
        auto literal = parseLiteral(slice(t, m[0]), hint);
        if (!literal) continue;
        // The span then starts at the minus, so that its text shows the sign.
        std::size_t spanStart = start;
        if (m[1].length == 0 && minusBeforeCurrencySign(t, start)) {
            literal->value = -literal->value;
            spanStart = start - 2;
        }
        // Rules compare times in seconds: a duration too large to convert is no number.
        if (isTime(unit) && !std::isfinite(literal->value * secondsFactor(*unit))) continue;
        out.push_back({literal->value, text::trimWhitespace(slice(t, spanStart, spanEnd - spanStart)), unit,
                       literal->decimals, static_cast<int>(spanStart), static_cast<int>(spanEnd - spanStart), 0,
                       std::nullopt});
    }

    std::stable_sort(out.begin(), out.end(),
                     [](const ReadNumber& a, const ReadNumber& b) { return a.location < b.location; });
    return preferTime ? merge(out, t) : out;
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string digitsOf(std::string_view s) {
    std::string out;
    for (char c : s)
        if (isAsciiDigit(c)) out += c;
    return out;
}

// The only separator groups when exactly 3 digits follow it and 1 to 3 that are not "0" precede it.
bool groupsThousands(std::string_view s, char separator) {
    std::size_t at = s.find(separator);
    std::string_view before = s.substr(0, at), after = s.substr(at + 1);
    return after.size() == 3 && !before.empty() && before.size() <= 3 && before != "0";
}

}  // namespace

std::vector<ReadNumber> numbers(std::string_view text, bool preferTime) {
    return numbersIn(text::toUtf16(text), preferTime);
}

std::vector<ReadNumber> mergeDurations(const std::vector<ReadNumber>& numbers, std::string_view text) {
    return merge(numbers, text::toUtf16(text));
}

std::optional<Literal> parseLiteral(std::string_view input, bool commaDecimalHint) {
    std::string s = text::trimWhitespace(input);
    bool negative = false;
    if (s.starts_with("-")) {
        negative = true;
        s.erase(0, 1);
    } else if (s.starts_with("\u2212")) {
        negative = true;
        s.erase(0, std::string_view("\u2212").size());
    }
    for (const char* grouping : {"\u00A0", "\u202F", "\u2009", "'", "\u2019"}) s = text::replaceAll(s, grouping, "");
    if (s.empty()) return std::nullopt;
    if (!std::all_of(s.begin(), s.end(), [](char c) { return isAsciiDigit(c) || c == '.' || c == ','; }))
        return std::nullopt;

    const auto dots = std::count(s.begin(), s.end(), '.');
    const auto commas = std::count(s.begin(), s.end(), ',');
    char decimal = 0;
    if (dots > 0 && commas > 0) {
        decimal = s[s.find_last_of(".,")];
    } else if (dots == 1) {
        decimal = commaDecimalHint && groupsThousands(s, '.') ? 0 : '.';
    } else if (commas == 1) {
        decimal = groupsThousands(s, ',') ? 0 : ',';
    }

    std::string whole = s, fraction;
    if (decimal != 0) {
        std::size_t at = s.rfind(decimal);
        whole = digitsOf(std::string_view(s).substr(0, at));
        fraction = digitsOf(std::string_view(s).substr(at + 1));
    } else {
        whole = digitsOf(s);
    }
    if (whole.empty()) {
        if (fraction.empty()) return std::nullopt;
        whole.push_back('0');
    }

    std::string written = whole;
    if (!fraction.empty()) written.append(".").append(fraction);
    double value = 0;
    auto [end, ec] = std::from_chars(written.data(), written.data() + written.size(), value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large to hold is no number at all.
        if (whole.find_first_not_of('0') != std::string::npos) return std::nullopt;
        value = 0;
    } else if (ec != std::errc() || end != written.data() + written.size()) {
        return std::nullopt;
    }
    return Literal{negative ? -value : value, static_cast<int>(fraction.size())};
}

std::optional<ValueUnit> unit(std::string_view word, bool allowShort) {
    static const std::pair<std::string_view, ValueUnit> words[] = {
        {"%", ValueUnit::percent},     {"percent", ValueUnit::percent}, {"€", ValueUnit::eur},
        {"eur", ValueUnit::eur},       {"euro", ValueUnit::eur},        {"euros", ValueUnit::eur},
        {"$", ValueUnit::usd},         {"usd", ValueUnit::usd},         {"dollar", ValueUnit::usd},
        {"dollars", ValueUnit::usd},   {"£", ValueUnit::gbp},           {"gbp", ValueUnit::gbp},
        {"pound", ValueUnit::gbp},     {"pounds", ValueUnit::gbp},      {"hour", ValueUnit::hours},
        {"hours", ValueUnit::hours},   {"hr", ValueUnit::hours},        {"hrs", ValueUnit::hours},
        {"minute", ValueUnit::minutes}, {"minutes", ValueUnit::minutes}, {"min", ValueUnit::minutes},
        {"mins", ValueUnit::minutes},  {"second", ValueUnit::seconds},  {"seconds", ValueUnit::seconds},
        {"sec", ValueUnit::seconds},   {"secs", ValueUnit::seconds},
    };
    static const std::pair<std::string_view, ValueUnit> shortWords[] = {
        {"h", ValueUnit::hours}, {"m", ValueUnit::minutes}, {"s", ValueUnit::seconds}};

    std::string w = text::trimWhitespace(text::lower(word));
    for (const auto& [key, u] : words)
        if (w == key) return u;
    if (allowShort)
        for (const auto& [key, u] : shortWords)
            if (w == key) return u;
    return std::nullopt;
}

}  // namespace kestrove::NumberParser
