#include "core/foundation/text.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <tuple>

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/numberformatter.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace kestrove::text {

namespace {

icu::UnicodeString toUnicode(std::string_view s) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string fromUnicode(const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
}

// A read-only alias of the caller's UTF-16 text, so matching copies nothing.
icu::UnicodeString alias(std::u16string_view s) {
    return icu::UnicodeString(false, s.data(), static_cast<int32_t>(s.size()));
}

// Character break iterators are costly to create and not thread-safe: one per thread.
icu::BreakIterator& characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> it = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !made) throw std::runtime_error("ICU character breaks unavailable");
        return made;
    }();
    return *it;
}

// Boundaries (UTF-16 offsets) of the graphemes of u, starting with 0; at
// most `most` of them, so a prefix of a long text costs only the prefix.
std::vector<int32_t> boundaries(const icu::UnicodeString& u, std::size_t most = SIZE_MAX) {
    icu::BreakIterator& it = characterBreaks();
    it.setText(u);
    std::vector<int32_t> out;
    for (int32_t b = it.first(); b != icu::BreakIterator::DONE && out.size() < most; b = it.next()) out.push_back(b);
    return out;
}

// n + k without wrapping past the largest size.
std::size_t plus(std::size_t n, std::size_t k) { return n > SIZE_MAX - k ? SIZE_MAX : n + k; }

template <typename Char>
bool allAscii(std::basic_string_view<Char> s) {
    return std::all_of(s.begin(), s.end(), [](Char c) { return static_cast<std::uint32_t>(c) < 0x80; });
}

template <typename Keep>
std::string trimWhere(std::string_view s, Keep shouldTrim) {
    if (allAscii(s)) {
        std::size_t start = 0, end = s.size();
        while (start < end && shouldTrim(static_cast<UChar32>(s[start]))) ++start;
        while (end > start && shouldTrim(static_cast<UChar32>(s[end - 1]))) --end;
        return std::string(s.substr(start, end - start));
    }
    icu::UnicodeString u = toUnicode(s);
    int32_t start = 0;
    int32_t end = u.length();
    while (start < end && shouldTrim(u.char32At(start))) start = u.moveIndex32(start, 1);
    while (end > start) {
        int32_t prev = u.moveIndex32(end, -1);
        if (!shouldTrim(u.char32At(prev))) break;
        end = prev;
    }
    return fromUnicode(u.tempSubStringBetween(start, end));
}

// ASCII text, the usual case, lower-cases without ICU's full case mapping.
template <typename Char>
std::basic_string<Char> asciiLower(std::basic_string_view<Char> s) {
    std::basic_string<Char> out(s);
    for (Char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c + ('a' - 'A'));
    return out;
}

}  // namespace

bool isAscii(std::string_view s) { return allAscii(s); }
bool isAscii(std::u16string_view s) { return allAscii(s); }

// ASCII, the common case, converts unit by unit without going through ICU.
std::u16string toUtf16(std::string_view utf8) {
    if (allAscii(utf8)) return std::u16string(utf8.begin(), utf8.end());
    icu::UnicodeString u = toUnicode(utf8);
    return std::u16string(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

std::string toUtf8(std::u16string_view utf16) {
    if (allAscii(utf16)) {
        std::string out(utf16.size(), '\0');
        std::transform(utf16.begin(), utf16.end(), out.begin(), [](char16_t c) { return static_cast<char>(c); });
        return out;
    }
    return fromUnicode(alias(utf16));
}

std::size_t utf16Length(std::string_view utf8) {
    if (allAscii(utf8)) return utf8.size();
    return static_cast<std::size_t>(toUnicode(utf8).length());
}

std::size_t graphemeCount(std::string_view s) {
    if (s.empty()) return 0;
    return boundaries(toUnicode(s)).size() - 1;
}

std::string graphemePrefix(std::string_view s, std::size_t n) {
    icu::UnicodeString u = toUnicode(s);
    std::vector<int32_t> b = boundaries(u, plus(n, 2));
    if (n + 1 >= b.size()) return std::string(s);
    return fromUnicode(u.tempSubStringBetween(0, b[n]));
}

std::string graphemeDrop(std::string_view s, std::size_t n) {
    icu::UnicodeString u = toUnicode(s);
    std::vector<int32_t> b = boundaries(u, plus(n, 2));
    if (n + 1 >= b.size()) return {};
    return fromUnicode(u.tempSubStringBetween(b[n]));
}

std::vector<std::string> graphemes(std::string_view s) {
    icu::UnicodeString u = toUnicode(s);
    std::vector<int32_t> b = boundaries(u);
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < b.size(); ++i) out.push_back(fromUnicode(u.tempSubStringBetween(b[i], b[i + 1])));
    return out;
}

char32_t firstScalar(std::string_view s) {
    if (s.empty()) return 0;
    int32_t i = 0;
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), i, static_cast<int32_t>(s.size()), c);
    return c < 0 ? 0 : static_cast<char32_t>(c);
}

bool isLetter(char32_t c) { return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC); }

bool isNumber(char32_t c) {
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool hasLetterOrNumber(std::string_view s) {
    if (allAscii(s)) {
        // Every ASCII character but CR LF stands alone, and CR is neither.
        return std::any_of(s.begin(), s.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
    }
    icu::UnicodeString u = toUnicode(s);
    icu::BreakIterator& it = characterBreaks();
    it.setText(u);
    // Each boundary starts a character, so its first scalar sits there.
    for (int32_t b = it.first(); b != icu::BreakIterator::DONE && b < u.length(); b = it.next()) {
        auto c = static_cast<char32_t>(u.char32At(b));
        if (isLetter(c) || isNumber(c)) return true;
    }
    return false;
}

bool isWhitespace(char32_t c) { return c == U'\t' || u_charType(static_cast<UChar32>(c)) == U_SPACE_SEPARATOR; }

bool isWhitespaceOrNewline(char32_t c) {
    switch (c) {
    case U'\n': case U'\r': case U'\v': case U'\f': case U'\u0085': case U'\u2028': case U'\u2029':
        return true;
    default:
        return isWhitespace(c);
    }
}

std::string trimWhitespace(std::string_view s) {
    return trimWhere(s, [](UChar32 c) { return isWhitespace(static_cast<char32_t>(c)); });
}

std::string trimWhitespaceAndNewlines(std::string_view s) {
    return trimWhere(s, [](UChar32 c) { return isWhitespaceOrNewline(static_cast<char32_t>(c)); });
}

std::string trimChars(std::string_view s, std::string_view chars) {
    icu::UnicodeString set = toUnicode(chars);
    return trimWhere(s, [&](UChar32 c) { return set.indexOf(c) >= 0; });
}

std::string lower(std::string_view s) {
    if (allAscii(s)) return asciiLower(s);
    return fromUnicode(toUnicode(s).toLower(icu::Locale::getRoot()));
}

std::u16string lower(std::u16string_view s) {
    if (allAscii(s)) return asciiLower(s);
    icu::UnicodeString u(s.data(), static_cast<int32_t>(s.size()));
    u.toLower(icu::Locale::getRoot());
    return std::u16string(u.getBuffer(), static_cast<std::size_t>(u.length()));
}

std::string upper(std::string_view s) { return fromUnicode(toUnicode(s).toUpper(icu::Locale::getRoot())); }

std::string fold(std::string_view s) {
    // Plain ASCII only needs lower case; most recognised text is, and the
    // text search folds every line on every check.
    if (allAscii(s)) return asciiLower(s);

    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return lower(s);

    const icu::UnicodeString decomposed = nfd->normalize(toUnicode(s), status);
    const UChar* units = decomposed.getBuffer();
    const int32_t length = decomposed.length();
    std::u16string out;
    out.reserve(static_cast<std::size_t>(length));
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U16_NEXT(units, i, length, c);
        if (c >= 0x80) {
            if (u_charType(c) == U_NON_SPACING_MARK) continue;  // diacritics
            int32_t dt = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
            icu::UnicodeString narrow;
            if ((dt == U_DT_WIDE || dt == U_DT_NARROW) && nfkd->getDecomposition(c, narrow)) {
                out.append(narrow.getBuffer(), static_cast<std::size_t>(narrow.length()));
                continue;
            }
        }
        out.append(units + start, static_cast<std::size_t>(i - start));
    }
    icu::UnicodeString kept(out.data(), static_cast<int32_t>(out.size()));
    kept.foldCase(U_FOLD_CASE_DEFAULT);
    icu::UnicodeString composed = nfc->normalize(kept, status);
    return U_SUCCESS(status) ? fromUnicode(composed) : fromUnicode(kept);
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = s.find(from, pos)) != std::string_view::npos; pos = hit + from.size()) {
        out.append(s.substr(pos, hit - pos)).append(to);
    }
    out.append(s.substr(pos));
    return out;
}

// --- Regex

Regex::Regex(std::string_view pattern, unsigned flags) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    uint32_t icuFlags = (flags & CaseInsensitive) ? UREGEX_CASE_INSENSITIVE : 0;
    pattern_.reset(icu::RegexPattern::compile(toUnicode(pattern), icuFlags, parseError, status));
    if (U_FAILURE(status) || !pattern_) {
        throw std::invalid_argument("bad regular expression: " + std::string(pattern) + " (" + u_errorName(status) + ")");
    }
}

Regex::~Regex() { delete spare_.exchange(nullptr); }

// A matcher for one call: the spare one when no other call holds it, else a
// new one; handed back as the spare when the slot is free.
class Regex::Lease {
public:
    Lease(const Regex& re, const icu::UnicodeString& input, UErrorCode& status) : re_(re), status_(status) {
        matcher_ = re.spare_.exchange(nullptr, std::memory_order_acquire);
        if (matcher_) {
            matcher_->reset(input);
        } else {
            matcher_ = re.pattern_->matcher(input, status);
            if (U_FAILURE(status)) {
                delete matcher_;
                matcher_ = nullptr;
            }
        }
    }
    ~Lease() {
        // A matcher that failed is not trusted again.
        icu::RegexMatcher* empty = nullptr;
        if (matcher_ && (U_FAILURE(status_) ||
                         !re_.spare_.compare_exchange_strong(empty, matcher_, std::memory_order_release)))
            delete matcher_;
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    explicit operator bool() const { return matcher_ != nullptr; }
    icu::RegexMatcher& operator*() const { return *matcher_; }
    icu::RegexMatcher* operator->() const { return matcher_; }

private:
    const Regex& re_;
    const UErrorCode& status_;
    icu::RegexMatcher* matcher_ = nullptr;
};

namespace {
Regex::Match currentMatch(icu::RegexMatcher& m) {
    UErrorCode status = U_ZERO_ERROR;
    Regex::Match out;
    int32_t groups = m.groupCount();
    out.groups.resize(static_cast<std::size_t>(groups) + 1);
    for (int32_t g = 0; g <= groups; ++g) {
        int32_t start = m.start(g, status);
        if (U_FAILURE(status) || start < 0) continue;
        out.groups[static_cast<std::size_t>(g)] = {static_cast<std::size_t>(start),
                                                   static_cast<std::size_t>(m.end(g, status) - start)};
    }
    return out;
}
}  // namespace

std::optional<Regex::Match> Regex::firstMatch(std::u16string_view text) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString input = alias(text);
    Lease m(*this, input, status);
    if (!m || !m->find(status)) return std::nullopt;
    return currentMatch(*m);
}

std::vector<Regex::Match> Regex::allMatches(std::u16string_view text) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString input = alias(text);
    Lease m(*this, input, status);
    std::vector<Match> out;
    if (!m) return out;
    while (m->find(status) && U_SUCCESS(status)) out.push_back(currentMatch(*m));
    return out;
}

std::u16string Regex::replaceAll(std::u16string_view text, std::u16string_view replacement) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString input = alias(text);
    Lease m(*this, input, status);
    if (!m) return std::u16string(text);
    if (replacement.find_first_of(u"$\\") == std::u16string_view::npos) {
        // A plain replacement needs none of ICU's group references, and
        // splicing it in here is several times faster than its replaceAll.
        std::u16string out;
        out.reserve(text.size());
        std::size_t last = 0;
        while (m->find(status) && U_SUCCESS(status)) {
            const auto start = static_cast<std::size_t>(m->start(status));
            out.append(text.substr(last, start - last)).append(replacement);
            last = static_cast<std::size_t>(m->end(status));
        }
        if (U_FAILURE(status)) return std::u16string(text);
        return out.append(text.substr(last));
    }
    icu::UnicodeString result = m->replaceAll(alias(replacement), status);
    if (U_FAILURE(status)) return std::u16string(text);
    return std::u16string(result.getBuffer(), static_cast<std::size_t>(result.length()));
}

bool Regex::matches(std::string_view text) const { return firstMatch(toUtf16(text)).has_value(); }

std::optional<std::string> Regex::firstGroup(std::string_view text, std::size_t group) const {
    std::u16string u = toUtf16(text);
    std::optional<Match> m = firstMatch(u);
    if (!m || group >= m->groups.size() || !(*m)[group].found()) return std::nullopt;
    return toUtf8(std::u16string_view(u).substr((*m)[group].start, (*m)[group].length));
}

std::string Regex::replaceAll(std::string_view text, std::string_view replacement) const {
    return toUtf8(replaceAll(std::u16string_view(toUtf16(text)), std::u16string_view(toUtf16(replacement))));
}

// --- Numbers

std::string formatDecimal(double value, int minFractionDigits, int maxFractionDigits, bool grouping) {
    using namespace icu::number;
    using Key = std::tuple<int, int, bool>;
    // Formatters are immutable once made; one small cache per thread avoids any lock.
    thread_local std::map<Key, LocalizedNumberFormatter> cache;
    Key key{minFractionDigits, maxFractionDigits, grouping};
    auto it = cache.find(key);
    if (it == cache.end()) {
        LocalizedNumberFormatter f = NumberFormatter::withLocale(icu::Locale("en_US_POSIX"))
                                         .precision(Precision::minMaxFraction(minFractionDigits, maxFractionDigits))
                                         .roundingMode(UNUM_ROUND_HALFEVEN)
                                         .grouping(grouping ? UNUM_GROUPING_THOUSANDS : UNUM_GROUPING_OFF);
        it = cache.emplace(key, std::move(f)).first;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString out = it->second.formatDouble(value, status).toString(status);
    if (U_FAILURE(status)) return {};
    return fromUnicode(out);
}

}  // namespace kestrove::text
