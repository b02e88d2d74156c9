#include "app/dev/dev_text.hpp"

#include <charconv>
#include <cmath>

namespace kestrove::DevText {

std::string real(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

long long whole(std::optional<double> value) {
    // 2^63 itself does not fit; every double below it does.
    constexpr double limit = 9223372036854775808.0;
    if (!value || !std::isfinite(*value) || *value >= limit || *value < -limit) return 0;
    return static_cast<long long>(std::trunc(*value));
}

std::string quotedList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        out += "\"" + items[i] + "\"";
    }
    return out + "]";
}

}  // namespace kestrove::DevText
