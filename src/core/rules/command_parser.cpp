#include "core/rules/command_parser.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include <unicode/utf8.h>

#include "core/rules/command_comparison.hpp"
#include "core/rules/command_recognisers.hpp"

namespace kestrove::CommandParser {

using text::Regex;

namespace {

// Curly and typographic quotes a keyboard or autocorrect may produce.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> quoteFolds{{
    {"\u201C", "\""}, {"\u201D", "\""}, {"\u201E", "\""}, {"\u00AB", "\""}, {"\u00BB", "\""}, {"\u2033", "\""},
    {"\u2018", "'"}, {"\u2019", "'"}, {"\u201A", "'"}, {"\u2032", "'"},
}};

constexpr std::array<std::string_view, 16> leadIns{
    "bark when", "bark if", "bark as soon as", "tell me when", "let me know when", "notify me when",
    "alert me when", "ping me when", "wake me when", "wait until", "wait for", "watch for",
    "when", "if", "once", "as soon as",
};

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> contractions{{
    {"it's", "it is"}, {"that's", "that is"}, {"there's", "there is"}, {"what's", "what is"},
    {"he's", "he is"}, {"she's", "she is"}, {"everything's", "everything is"}, {"i'm", "i am"},
    {"we're", "we are"}, {"they're", "they are"},
}};

using Patterns = std::vector<std::unique_ptr<const Regex>>;

// Whole-word patterns for one side of the contraction table.
Patterns wordPatterns(bool expanded) {
    Patterns out;
    for (const auto& [shortForm, longForm] : contractions) {
        out.push_back(std::make_unique<const Regex>(R"(\b)" + std::string(expanded ? longForm : shortForm) + R"(\b)"));
    }
    return out;
}

// Undoes expandContractions, so a phrase taken from the expanded sentence can
// be found in the sentence as typed.
std::string contract(std::string_view text) {
    static const Patterns patterns = wordPatterns(true);
    std::u16string s = text::toUtf16(text);
    for (std::size_t i = 0; i < contractions.size(); ++i) {
        s = patterns[i]->replaceAll(std::u16string_view(s), std::u16string_view(text::toUtf16(contractions[i].first)));
    }
    return text::toUtf8(s);
}

bool startsWithLeadIn(std::string_view lower, std::string_view phrase) {
    if (!lower.starts_with(phrase)) return false;
    std::string_view rest = lower.substr(phrase.size());
    return rest.starts_with(" ") || rest.starts_with("\u2026") || rest.starts_with("...");
}

// Enough bytes for the longest lead-in and "..." even where letters that
// lower-case to ASCII take three bytes.
constexpr std::size_t leadInWindow = 128;

// The bytes of the lead-in that `rest` starts with, or 0.
std::size_t leadInAt(std::string_view rest) {
    std::size_t size = std::min(rest.size(), leadInWindow);
    while (size > 0 && size < rest.size() && (static_cast<unsigned char>(rest[size]) & 0xC0) == 0x80) --size;
    const std::string lower = text::lower(rest.substr(0, size));
    for (const auto& phrase : leadIns) {
        if (!startsWithLeadIn(lower, phrase)) continue;
        // Each letter of the lead-in lower-cased from one character of
        // `rest`: it spans as many characters as the phrase has letters.
        std::int32_t at = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(rest.data());
        for (std::size_t i = 0; i < phrase.size(); ++i) U8_FWD_1(bytes, at, static_cast<std::int32_t>(size));
        return static_cast<std::size_t>(at);
    }
    return 0;
}

// Without the spaces, dots and ellipses at either end.
std::string_view trimGap(std::string_view s) {
    constexpr std::string_view ellipsis = "\u2026";
    for (;;) {
        if (s.starts_with(' ') || s.starts_with('.')) s.remove_prefix(1);
        else if (s.starts_with(ellipsis)) s.remove_prefix(ellipsis.size());
        else if (s.ends_with(' ') || s.ends_with('.')) s.remove_suffix(1);
        else if (s.ends_with(ellipsis)) s.remove_suffix(ellipsis.size());
        else return s;
    }
}

Groups groupsOf(std::u16string_view text, const Regex::Match& m) {
    Groups out;
    out.reserve(m.groups.size());
    for (const auto& g : m.groups) {
        if (g.found()) out.emplace_back(text::toUtf8(text.substr(g.start, g.length)));
        else out.emplace_back(std::nullopt);
    }
    return out;
}

}  // namespace

const Regex& determiner() {
    static const Regex re(R"(^(the|my|this|that|a|an|our|your)\s+)", Regex::CaseInsensitive);
    return re;
}

std::string stripDeterminer(std::string_view phrase) {
    return text::trimWhitespace(determiner().replaceAll(phrase, ""));
}

std::string clean(std::string_view sentence) {
    static const Regex spaces(R"(\s+)");
    std::string s = text::trimWhitespaceAndNewlines(sentence);
    for (const auto& [from, to] : quoteFolds) s = text::replaceAll(s, from, to);
    s = spaces.replaceAll(s, " ");

    // Each turn looks at the start of what is left only, so a sentence of
    // repeated lead-ins costs time in proportion to its length.
    std::string_view rest = s;
    while (const std::size_t dropped = leadInAt(rest)) rest = trimGap(rest.substr(dropped));
    s = std::string(rest);

    while (!s.empty() && (s.back() == '.' || s.back() == '!' || s.back() == '?') && !s.ends_with("...")) s.pop_back();
    return text::trimWhitespace(s);
}

std::string expandContractions(std::string_view text) {
    static const Patterns patterns = wordPatterns(false);
    std::u16string s = text::toUtf16(text);
    for (std::size_t i = 0; i < contractions.size(); ++i) {
        s = patterns[i]->replaceAll(std::u16string_view(s), std::u16string_view(text::toUtf16(contractions[i].second)));
    }
    return text::toUtf8(s);
}

std::optional<std::string> quotedText(std::string_view text) {
    static const Regex doubleQuoted(R"re("([^"]+)")re");
    static const Regex singleQuoted(R"((?<![\p{L}])'([^']+)'(?![\p{L}]))");
    if (std::optional<std::string> g = doubleQuoted.firstGroup(text, 1)) return text::trimWhitespace(*g);
    if (std::optional<std::string> g = singleQuoted.firstGroup(text, 1)) return text::trimWhitespace(*g);
    return std::nullopt;
}

std::optional<Groups> firstMatch(std::string_view text, const Regex& pattern) {
    const std::u16string t = text::toUtf16(text);
    std::optional<Regex::Match> m = pattern.firstMatch(t);
    if (!m) return std::nullopt;
    return groupsOf(t, *m);
}

std::optional<Groups> firstMatch(std::string_view text, std::string_view pattern, bool caseInsensitive) {
    try {
        const Regex re(pattern, caseInsensitive ? Regex::CaseInsensitive : Regex::None);
        return firstMatch(text, re);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

std::string original(std::string_view text, std::string_view phrase) {
    const std::string lower = text::lower(text);
    std::string found(phrase);
    std::size_t at = lower.find(found);
    if (at == std::string::npos) {
        found = contract(phrase);
        at = found == phrase ? std::string::npos : lower.find(found);
    }
    if (at == std::string::npos) return std::string(phrase);
    const std::size_t skip = text::graphemeCount(std::string_view(lower).substr(0, at));
    return text::trimWhitespace(text::graphemePrefix(text::graphemeDrop(text, skip), text::graphemeCount(found)));
}

bool isDescriptive(std::string_view phrase) {
    static constexpr std::array<std::string_view, 13> descriptive{
        "it", "this", "that", "the text", "text", "the message", "the label", "the spinner",
        "the banner", "the dialog", "the popup", "the warning", "the error",
    };
    const std::string p = text::trimWhitespace(phrase);
    for (std::string_view d : descriptive) {
        if (p == d) return true;
    }
    for (std::string_view start : {"the ", "this ", "that ", "my ", "a ", "an "}) {
        if (p.starts_with(start)) return true;
    }
    return false;
}

std::optional<ParsedCommand> parse(std::string_view sentence) {
    const std::string c = clean(sentence);
    if (c.empty()) return std::nullopt;
    const std::string lower = expandContractions(text::lower(c));
    const std::optional<std::string> quoted = quotedText(c);

    if (auto p = parseTextGone(c, lower, quoted)) return p;
    if (auto p = parseExplicitTextAppears(c, lower, quoted)) return p;
    if (auto p = parseQuotedAppears(lower, quoted)) return p;
    if (auto p = parseNumberCompare(lower)) return p;
    if (auto p = parseAnyChange(lower)) return p;
    if (auto p = parseNewItem(c, lower)) return p;
    if (auto p = parseAppears(c, lower)) return p;
    if (isStateReached(lower)) {
        ParsedCommand p;
        p.type = WatchType::stateReached;
        p.subject = c;
        return p;
    }
    return std::nullopt;
}

}  // namespace kestrove::CommandParser
