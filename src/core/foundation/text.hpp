#pragma once
// Unicode text helpers shared by the rules, the texts and the readers.
// Strings are UTF-8 in std::string; positions inside a line are UTF-16 code
// units and lengths the user sees are graphemes, as the rules require.

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
class RegexMatcher;
U_NAMESPACE_END

namespace kestrove::text {

// Every byte (or code unit) below 0x80.
bool isAscii(std::string_view s);
bool isAscii(std::u16string_view s);

std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Length in UTF-16 code units.
std::size_t utf16Length(std::string_view utf8);

// User-perceived characters.
std::size_t graphemeCount(std::string_view s);
// The first n graphemes of s (all of s when it has fewer).
std::string graphemePrefix(std::string_view s, std::size_t n);
// s without its first n graphemes.
std::string graphemeDrop(std::string_view s, std::size_t n);
// Each grapheme of s as its own string.
std::vector<std::string> graphemes(std::string_view s);

// The first code point of s; 0 for an empty or malformed start.
char32_t firstScalar(std::string_view s);
// Letters: the Alphabetic property. A character (grapheme) is a letter or a
// number by its first scalar.
bool isLetter(char32_t c);
// Numbers: any Unicode numeric type (digits in any script, fractions, numerals).
bool isNumber(char32_t c);
// Some character of s is a letter or a number.
bool hasLetterOrNumber(std::string_view s);

// Space separators and the tab; never line breaks.
bool isWhitespace(char32_t c);
// Whitespace plus line breaks (LF, CR, VT, FF, NEL, LS, PS).
bool isWhitespaceOrNewline(char32_t c);

std::string trimWhitespace(std::string_view s);
std::string trimWhitespaceAndNewlines(std::string_view s);
// Trims every code point contained in `chars` (UTF-8) from both ends.
std::string trimChars(std::string_view s, std::string_view chars);

// Locale-independent full case mapping.
std::string lower(std::string_view s);
std::u16string lower(std::u16string_view s);
std::string upper(std::string_view s);

// Case, diacritic and width folding: lower case, accents removed, full-width
// forms made normal width.
std::string fold(std::string_view s);

// Replaces every occurrence of `from` (which must not be empty) with `to`.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// A compiled ICU regular expression, shared between threads: each call uses a
// matcher of its own. Keep instances in function-local statics so a pattern
// is compiled once, on first use.
class Regex {
public:
    enum Flags : unsigned { None = 0, CaseInsensitive = 1 };

    struct Match {
        // UTF-16 ranges of the whole match (group 0) and each group;
        // a group that did not take part has start == npos.
        struct Range {
            std::size_t start = npos;
            std::size_t length = 0;
            bool found() const { return start != npos; }
        };
        std::vector<Range> groups;
        const Range& operator[](std::size_t i) const { return groups[i]; }
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Throws std::invalid_argument for a pattern ICU rejects.
    explicit Regex(std::string_view pattern, unsigned flags = None);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    std::optional<Match> firstMatch(std::u16string_view text) const;
    std::vector<Match> allMatches(std::u16string_view text) const;
    bool matches(std::u16string_view text) const { return firstMatch(text).has_value(); }
    std::u16string replaceAll(std::u16string_view text, std::u16string_view replacement) const;

    // UTF-8 conveniences.
    bool matches(std::string_view text) const;
    // Group `group` of the first match, absent when there is no match or the group did not take part.
    std::optional<std::string> firstGroup(std::string_view text, std::size_t group) const;
    std::string replaceAll(std::string_view text, std::string_view replacement) const;

private:
    class Lease;
    std::unique_ptr<icu::RegexPattern> pattern_;
    // Making a matcher costs more than most searches, so one finished
    // matcher waits here for the next call; taking it is an atomic exchange.
    mutable std::atomic<icu::RegexMatcher*> spare_{nullptr};
};

// Decimal text under en_US_POSIX: "," groups thousands when `grouping`,
// "." separates decimals, rounding half to even.
std::string formatDecimal(double value, int minFractionDigits, int maxFractionDigits, bool grouping = true);

}  // namespace kestrove::text
