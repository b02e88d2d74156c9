#include "core/rules/watch_suggestions.hpp"

#include <cmath>

#include "core/foundation/text.hpp"

namespace kestrove::LocalCompiler {

std::vector<std::string> suggestions(const BaselineReading& reading, bool includeQuotedExample) {
    std::vector<std::string> out{"this changes"};
    const std::vector<ReadNumber> numbers = reading.numbers(true);
    const std::optional<std::string> wording = reading.prominentText(24);

    if (wording && (reading.looksTransient() || numbers.empty())) {
        out.push_back("\"" + *wording + "\" is gone");
    } else if (includeQuotedExample) {
        out.push_back("it says \"Done\"");
    }

    if (!numbers.empty()) {
        const ReadNumber* pick = &numbers.front();
        for (const ReadNumber& n : numbers) {
            if (n.unit) {
                pick = &n;
                break;
            }
        }
        out.push_back(numberSuggestion(*pick));
    } else if (includeQuotedExample) {
        out.push_back("the number drops below 100");
    }
    if (out.size() > 3) out.resize(3);
    return out;
}

std::string numberSuggestion(const ReadNumber& n) {
    if (n.unit == ValueUnit::percent) {
        if (n.value < 100) return "it reaches 100%";
        return "it drops below " + NumberFormat::string(niceBelow(n.value), 0) + "%";
    }
    if (isTime(n.unit)) {
        const double minutes = n.valueIn(ValueUnit::minutes);
        if (minutes <= 2) return "less than 30 seconds remaining";
        return "less than " + text::formatDecimal(std::trunc(niceBelow(minutes)), 0, 0, false) + " minutes remaining";
    }
    if (n.unit && isCurrency(*n.unit)) return "the price drops below " + NumberFormat::string(niceBelow(n.value), 0);
    if (n.value > 1) return "the number drops below " + NumberFormat::string(niceBelow(n.value), 0);
    return "the number goes above " + NumberFormat::string(n.value, n.decimals);
}

double niceBelow(double x) {
    if (!(x > 1)) return 0;
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    const double step = std::floor(x / p) >= 2 ? p : p / 2;
    const double f = step * std::floor(x / step);
    const double r = x <= f ? f - step : f;
    return r > 0 ? r : 0;
}

}  // namespace kestrove::LocalCompiler
