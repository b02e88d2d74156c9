#include "core/reading/text_match.hpp"

#include <cstdint>
#include <map>
#include <memory>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace kestrove::TextMatch {

using text::Regex;

const Regex& clockLiteral() {
    static const Regex re(R"(^\d{1,2}(:\d{2}){1,2}$)");
    return re;
}

std::string normalize(std::string_view s) {
    const std::string folded = text::fold(s);
    const auto size = static_cast<int32_t>(folded.size());
    std::string out;
    out.reserve(folded.size());
    for (int32_t i = 0; i < size;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(folded.data(), i, size, c);
        if (c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)))
            out.append(folded, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
    }
    return out;
}

namespace {

std::vector<std::string> split(std::string_view s, char at) {
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t hit; (hit = s.find(at, from)) != std::string_view::npos; from = hit + 1)
        out.emplace_back(s.substr(from, hit - from));
    out.emplace_back(s.substr(from));
    return out;
}

// "12:30" also as "12 : 30", but not inside "112:30", "12:305" or "12:30:15".
const Regex& clockSearch(std::string_view clock) {
    // A watch asks for the same clock on every check: keep the patterns made lately.
    thread_local std::map<std::string, std::unique_ptr<Regex>, std::less<>> made;
    if (auto it = made.find(clock); it != made.end()) return *it->second;
    if (made.size() >= 32) made.clear();

    std::string pattern = R"((?<![\d:]))";
    bool first = true;
    for (const std::string& piece : split(clock, ':')) {
        if (!first) pattern += R"(\s?:\s?)";
        pattern += piece;
        first = false;
    }
    pattern += R"((?![\d:]|\s?:\s?\d))";
    return *made.emplace(std::string(clock), std::make_unique<Regex>(pattern)).first->second;
}

bool containsClock(const std::vector<OCRLine>& lines, std::string_view clock) {
    const Regex& re = clockSearch(clock);
    for (const OCRLine& line : lines)
        if (re.matches(std::string_view(line.text))) return true;
    return false;
}

}  // namespace

bool contains(const std::vector<OCRLine>& lines, std::string_view text) {
    const std::string t = text::trimWhitespace(text);
    if (clockLiteral().matches(std::string_view(t))) return containsClock(lines, t);

    const std::string needle = normalize(t);
    if (needle.empty()) {
        // Only symbols ("??", "→"): they must stand in a line as written.
        if (t.empty()) return false;
        for (const OCRLine& line : lines)
            if (line.text.find(t) != std::string::npos) return true;
        return false;
    }
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) joined += ' ';
        joined += lines[i].text;
    }
    return normalize(joined).find(needle) != std::string::npos;
}

std::string stripNumbers(std::string_view s) {
    static const Regex number(R"((?<![\p{L}\d])[-−]?[$€£]?\d[\d.,:]*(?![\p{L}\d])\s?(%|€|\$|£)?)");
    static const Regex spaces(R"(\s+)");
    std::u16string u = number.replaceAll(std::u16string_view(text::toUtf16(s)), u" ");
    u = spaces.replaceAll(std::u16string_view(u), u" ");
    return text::trimChars(text::toUtf8(u), " ·-–—|/:,()[]");
}

std::string truncate(std::string_view s, std::size_t n) {
    // Only the first n + 1 characters matter, however long the line.
    const std::vector<std::string> chars = text::graphemes(text::graphemePrefix(s, n < SIZE_MAX ? n + 1 : n));
    if (n >= chars.size()) return std::string(s);
    std::size_t keep = n;
    for (std::size_t i = n; i-- > 0;) {
        if (chars[i] == " ") {
            if (i > n / 2) keep = i;
            break;
        }
    }
    std::string out;
    for (std::size_t i = 0; i < keep; ++i) out += chars[i];
    return out + "…";
}

}  // namespace kestrove::TextMatch
