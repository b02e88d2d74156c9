#include "core/rules/new_line_rule.hpp"

#include <unordered_set>

namespace kestrove::NewLineRule {

using text::Regex;

const Regex& clock() {
    static const Regex re(R"(\d{1,2}:\d{2}(:\d{2})?(\s?(am|pm)\b)?)", Regex::CaseInsensitive);
    return re;
}

namespace {

// White space and line breaks all lie in the BMP, so code units can be tested one by one.
bool isBlank(char16_t c) { return text::isWhitespaceOrNewline(c); }

// Whether "\s+" could match anything but a lone plain space: a second space,
// a control character or anything beyond ASCII (which may be white space).
bool spacingMayChange(std::u16string_view u) {
    for (std::size_t i = 0; i < u.size(); ++i) {
        const char16_t c = u[i];
        if (c == u' ' ? i + 1 < u.size() && u[i + 1] == u' ' : c < 0x20 || c >= 0x7F) return true;
    }
    return false;
}

}  // namespace

std::string normalize(std::string_view line) {
    static const Regex spaces(R"(\s+)");
    // Every step works on one UTF-16 copy: this runs for every line of every reading.
    std::u16string u = text::toUtf16(line);
    std::u16string_view trimmed(u);
    while (!trimmed.empty() && isBlank(trimmed.front())) trimmed.remove_prefix(1);
    while (!trimmed.empty() && isBlank(trimmed.back())) trimmed.remove_suffix(1);
    u = text::lower(trimmed);
    if (u.find(u':') != std::u16string::npos) u = clock().replaceAll(std::u16string_view(u), u"#:#");
    if (spacingMayChange(u)) u = spaces.replaceAll(std::u16string_view(u), u" ");
    return text::toUtf8(u);
}

std::vector<std::string> normalized(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    // A whole log may be read at once: repeats are found by hash, not by search.
    std::unordered_set<std::string> taken;
    taken.reserve(lines.size());
    for (const OCRLine& line : lines) {
        std::string n = normalize(line.text);
        if (n.empty() || n == "#:#" || !text::hasLetterOrNumber(n)) continue;
        if (!taken.insert(n).second) continue;
        out.push_back(std::move(n));
    }
    return out;
}

std::string sameLineKey(std::string_view normalForm) {
    std::vector<std::string_view> words;
    for (std::size_t start = 0; start <= normalForm.size();) {
        std::size_t end = normalForm.find(' ', start);
        if (end == std::string_view::npos) end = normalForm.size();
        const std::string_view word = normalForm.substr(start, end - start);
        if (!word.empty() && text::hasLetterOrNumber(word)) words.push_back(word);
        start = end + 1;
    }
    static constexpr std::string_view cursorReadings = "|lio0qd";
    if (words.size() > 1 && words.back().size() == 1 && cursorReadings.find(words.back()[0]) != std::string_view::npos)
        words.pop_back();
    std::string key;
    for (std::string_view word : words) {
        if (!key.empty()) key += ' ';
        key += word;
    }
    return key;
}

std::vector<std::string> newLines(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now) {
    std::unordered_set<std::string> known;
    known.reserve(baseline.size());
    for (const std::string& s : baseline) known.insert(sameLineKey(normalize(s)));
    std::vector<std::string> fresh = normalized(now);
    std::erase_if(fresh, [&](const std::string& s) { return known.contains(sameLineKey(s)); });
    return fresh;
}

bool met(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now) {
    return !newLines(baseline, now).empty();
}

}  // namespace kestrove::NewLineRule
