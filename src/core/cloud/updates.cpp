#include "core/cloud/updates.hpp"

#include <charconv>
#include <cmath>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

bool validVersion(std::string_view v) {
    if (v.empty() || v.size() > 20 || v[0] < '0' || v[0] > '9') return false;
    for (char c : v) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                        c == '-' || c == '+';
        if (!ok) return false;
    }
    return true;
}

std::optional<std::int64_t> validBuild(const Json& v) {
    if (!v.is_number()) return std::nullopt;  // booleans are not numbers here
    double d;
    if (v.is_number_unsigned()) d = static_cast<double>(v.get<std::uint64_t>());
    else if (v.is_number_integer()) d = static_cast<double>(v.get<std::int64_t>());
    else d = v.get<double>();
    if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) >= 1e9 || d < 1) return std::nullopt;
    return static_cast<std::int64_t>(d);
}

}  // namespace

const std::optional<Url>& UpdateCheck::address() {
    // Checked when the build is configured; empty means no update check.
    static const std::optional<Url> url = Url::parse(KESTROVE_UPDATE_FEED_URL);
    return url;
}

std::optional<std::int64_t> UpdateCheck::ownBuild() {
    static const std::optional<std::int64_t> number = build(std::string_view(KESTROVE_BUILD_NUMBER));
    return number;
}

std::optional<Release> UpdateCheck::parse(std::string_view data) {
    if (data.size() > largestFile) return std::nullopt;
    const Json doc = Json::parse(data, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return std::nullopt;

    Release r;
    auto version = doc.find("version");
    if (version == doc.end() || !version->is_string()) return std::nullopt;
    r.version = text::trimWhitespaceAndNewlines(version->get<std::string>());
    if (!validVersion(r.version)) return std::nullopt;

    auto build = doc.find("build");
    if (build == doc.end()) return std::nullopt;
    auto number = validBuild(*build);
    if (!number) return std::nullopt;
    r.build = *number;

    auto url = doc.find("url");
    if (url == doc.end() || !url->is_string()) return std::nullopt;
    auto parsed = Url::parse(url->get<std::string>());
    if (!parsed || text::lower(parsed->scheme) != "https" || parsed->host.empty()) return std::nullopt;
    r.url = *parsed;

    if (auto notes = doc.find("notes"); notes != doc.end() && notes->is_string()) {
        std::string trimmed = text::trimWhitespaceAndNewlines(notes->get<std::string>());
        if (!trimmed.empty()) r.notes = text::graphemePrefix(trimmed, 200);
    }
    return r;
}

std::optional<std::int64_t> UpdateCheck::build(std::optional<std::string_view> text) {
    if (!text) return std::nullopt;
    std::string s = text::trimWhitespace(*text);
    std::string_view digits = s;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    for (char c : digits)
        if (c < '0' || c > '9') return std::nullopt;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    if (negative && value != 0) return std::nullopt;
    return value;
}

bool UpdateCheck::isNewer(const Release& release, std::optional<std::int64_t> running) {
    return running && *running < release.build;
}

UpdateCheck::Outcome UpdateCheck::outcome(std::optional<std::string_view> data, std::optional<int> status,
                                          std::optional<std::int64_t> own) {
    if (!data || !status || *status != 200) return Outcome::unknown();
    auto release = parse(*data);
    if (!release) return Outcome::unknown();
    if (isNewer(*release, own)) return Outcome::newer(std::move(*release));
    return Outcome::upToDate();
}

bool UpdateCheck::isDue(std::optional<Date> last, Date now) {
    if (!last) return true;
    if (*last > now) return true;
    return now - *last >= std::chrono::seconds(static_cast<std::int64_t>(interval));
}

}  // namespace kestrove
