#include "app/dev/ax_text.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/foundation/raw_value.hpp"
#include "core/foundation/text.hpp"

namespace kestrove::DevAX {

namespace {

std::string chars(double value, std::chars_format format, std::optional<int> precision) {
    char buf[400];
    const auto r = precision ? std::to_chars(buf, buf + sizeof buf, value, format, *precision)
                             : std::to_chars(buf, buf + sizeof buf, value, format);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("?");
}

std::string joined(const std::vector<OCRLine>& lines, bool (*keep)(const std::string&)) {
    std::string out;
    for (const OCRLine& l : lines) {
        if (keep && !keep(l.text)) continue;
        if (!out.empty()) out += " | ";
        out += l.text;
    }
    return out;
}

}  // namespace

std::string show(const std::vector<OCRLine>& lines) {
    return lines.empty() ? "(no text)" : joined(lines, nullptr);
}

std::string show(const DirectAnswer& answer) {
    if (const auto* lines = answer.lines()) return show(*lines);
    return "NO ANSWER (" + std::string(rawValue(*answer.silence())) + ")";
}

std::string ms(double milliseconds) {
    if (!(milliseconds >= 10)) return fixed(milliseconds, 1);
    return fixed(std::round(milliseconds), 0);
}

std::string describe(const WatchSpec& spec) {
    std::string out(rawValue(spec.type));
    switch (spec.type) {
        case WatchType::textAppears:
        case WatchType::textGone:
            out += " \"" + spec.target.text.value_or("") + "\"";
            break;
        case WatchType::numberCompare:
            out.append(" ").append(rawValue(spec.comparator)).append(" ").append(spec.value ? general(*spec.value) : "?");
            break;
        default:
            break;
    }
    if (spec.ruleFrom) out += spec.type == WatchType::textGone ? " (derived, waits)" : " (derived)";
    return out;
}

std::string pad(const std::string& text, int width) {
    const auto length = static_cast<long long>(text::graphemeCount(text));
    if (length >= width) return text + " ";
    return text + std::string(static_cast<std::size_t>(width - length), ' ');
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string when(const std::optional<BarkRecord>& bark) {
    if (!bark) return "never";
    std::string out = "t";
    out.append(std::to_string(bark->tick)).append(" (+").append(fixed(bark->seconds, 1)).append(" s)");
    if (bark->read) out.append(", read ").append(*bark->read);
    return out;
}

std::string brief(const std::vector<OCRLine>& lines) {
    std::string out = joined(lines, [](const std::string& t) {
        return t.find("Counter") != std::string::npos || t.find("Export") != std::string::npos;
    });
    if (out.empty()) out = "(neither line)";
    return out + " [" + std::to_string(lines.size()) + " lines]";
}

std::string fixed(double value, int decimals) {
    std::string out = chars(value, std::chars_format::fixed, decimals);
    // printf writes a negative zero as "-0.0"; a time never is one.
    if (out.starts_with('-') && std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) out.erase(0, 1);
    return out;
}

std::string general(double value) { return chars(value, std::chars_format::general, 6); }

std::string real(double value) {
    std::string out = chars(value, std::chars_format::general, std::nullopt);
    if (std::isfinite(value) && out.find_first_of(".e") == std::string::npos) out += ".0";
    return out;
}

std::string whole(double value) {
    if (!std::isfinite(value)) return "?";
    const double cut = std::trunc(value);
    return cut == 0 ? "0" : fixed(cut, 0);
}

double tickLength(const char* text) {
    constexpr double fallback = 2.0, least = 1.0, most = 3600.0;
    if (!text || !*text) return fallback;
    // Not strtod: the application's locale may write decimals with a comma.
    const std::string_view s(text);
    double value = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return fallback;
    if (std::isnan(value)) return least;
    if (!std::isfinite(value) || value > most) return fallback;
    return std::max(value, least);
}

std::optional<std::string> counterSentence(const std::vector<OCRLine>& lines) {
    std::string all;
    for (const OCRLine& l : lines) all += (all.empty() ? "" : " ") + l.text;
    for (std::size_t at = all.find("Counter "); at != std::string::npos; at = all.find("Counter ", at + 1)) {
        const std::size_t digits = at + 8;
        std::size_t end = digits;
        while (end < all.size() && all[end] >= '0' && all[end] <= '9') ++end;
        if (end == digits) continue;
        long long n = 0;
        const auto r = std::from_chars(all.data() + digits, all.data() + end, n);
        if (r.ec != std::errc() || n > std::numeric_limits<long long>::max() - 20) return std::nullopt;
        return "the counter reaches " + std::to_string(n + 20);
    }
    return std::nullopt;
}

}  // namespace kestrove::DevAX
