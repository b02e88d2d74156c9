#include "core/reading/read_number.hpp"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

#include "core/foundation/text.hpp"
#include "core/watch/watch_json.hpp"

namespace kestrove {

std::string ReadNumber::display() const {
    if (isTime(unit)) return text::trimWhitespace(text);
    std::string out = NumberFormat::string(value, decimals);
    if (unit == ValueUnit::percent) out += "%";
    return out;
}

double ReadNumber::valueIn(std::optional<ValueUnit> target) const {
    if (!target || !isTime(*target)) return value;
    ValueUnit own = unit.value_or(*target);
    if (!isTime(own)) return value;
    return value * secondsFactor(own) / secondsFactor(*target);
}

Json toJson(const ReadNumber& v) {
    Json out = {{"value", finite(v.value, "value")},
                {"text", v.text},
                {"decimals", v.decimals},
                {"location", v.location},
                {"length", v.length},
                {"line", v.line}};
    if (v.unit) out["unit"] = std::string(rawValue(*v.unit));
    if (v.anchor) out["anchor"] = toJson(*v.anchor);
    return out;
}

void fromJson(const JsonReader& r, ReadNumber& v) {
    constexpr std::int64_t lo = std::numeric_limits<int>::min();
    constexpr std::int64_t hi = std::numeric_limits<int>::max();
    v.value = r.at("value").number();
    v.text = r.at("text").string();
    v.unit.reset();
    if (auto u = r.maybe("unit")) v.unit = u->enumeration<ValueUnit>();
    v.decimals = static_cast<int>(r.at("decimals").integer(lo, hi));
    v.location = static_cast<int>(r.at("location").integer(lo, hi));
    v.length = static_cast<int>(r.at("length").integer(lo, hi));
    v.line = static_cast<int>(r.at("line").integer(lo, hi));
    v.anchor.reset();
    if (auto a = r.maybe("anchor")) v.anchor = readJson<Anchor>(*a);
}

namespace NumberFormat {

int naturalDecimals(double v) {
    if (v == std::trunc(v)) return 0;
    double tenfold = v * 10;
    if (tenfold == std::trunc(tenfold)) return 1;
    return 2;
}

std::string string(double v, int decimals) {
    std::string out = text::formatDecimal(v, decimals, decimals);
    if (!out.empty()) return out;
    // The formatter refuses a count of decimals it cannot honour.
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

}  // namespace NumberFormat

}  // namespace kestrove

std::size_t std::hash<kestrove::ReadNumber>::operator()(const kestrove::ReadNumber& n) const noexcept {
    // Equal numbers hash alike: 0.0 and -0.0 compare equal, so fold them.
    auto real = [](double d) { return std::hash<double>{}(d == 0 ? 0.0 : d); };
    std::size_t h = real(n.value);
    auto mix = [&h](std::size_t x) { h ^= x + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(std::hash<std::string>{}(n.text));
    mix(n.unit ? static_cast<std::size_t>(*n.unit) + 1 : 0);
    mix(std::hash<int>{}(n.decimals));
    mix(std::hash<int>{}(n.location));
    mix(std::hash<int>{}(n.length));
    mix(std::hash<int>{}(n.line));
    if (n.anchor) {
        mix(real(n.anchor->x));
        mix(real(n.anchor->y));
    }
    return h;
}
