#include "core/new_line_rule.hpp"

#include <algorithm>
#include <unordered_set>

namespace kestrove::NewLineRule {

using text::Regex;

const Regex& clock() {
    static const Regex re(R"(\d{1,2}:\d{2}(:\d{2})?(\s?(am|pm)\b)?)", Regex::CaseInsensitive);
    return re;
}

std::string normalize(std::string_view line) {
    static const Regex spaces(R"(\s+)");
    std::u16string u = text::toUtf16(text::lower(text::trimWhitespaceAndNewlines(line)));
    u = clock().replaceAll(std::u16string_view(u), u"#:#");
    u = spaces.replaceAll(std::u16string_view(u), u" ");
    return text::toUtf8(u);
}

std::vector<std::string> normalized(const std::vector<OCRLine>& lines) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const OCRLine& line : lines) {
        std::string n = normalize(line.text);
        if (n.empty() || n == "#:#" || !text::hasLetterOrNumber(n)) continue;
        if (std::find(out.begin(), out.end(), n) != out.end()) continue;
        out.push_back(std::move(n));
    }
    return out;
}

std::vector<std::string> newLines(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now) {
    std::unordered_set<std::string> known;
    known.reserve(baseline.size());
    for (const std::string& s : baseline) known.insert(normalize(s));
    std::vector<std::string> fresh = normalized(now);
    std::erase_if(fresh, [&](const std::string& s) { return known.contains(s); });
    return fresh;
}

bool met(const std::vector<std::string>& baseline, const std::vector<OCRLine>& now) {
    return !newLines(baseline, now).empty();
}

}  // namespace kestrove::NewLineRule
