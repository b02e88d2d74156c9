#include "core/watch/watch_spec.hpp"

#include <cmath>
#include <random>

namespace kestrove {

bool needsOCR(WatchType t) {
    switch (t) {
    case WatchType::textAppears:
    case WatchType::textGone:
    case WatchType::numberCompare:
    case WatchType::newLine: return true;
    default: return false;
    }
}

bool needsCloud(WatchType t) { return t == WatchType::stateReached || t == WatchType::newItem; }

bool readWithLanguageCorrection(WatchType t) { return t != WatchType::numberCompare && t != WatchType::newLine; }

bool comparesWithEarlierReading(WatchType t) {
    return t == WatchType::newLine || t == WatchType::newItem || t == WatchType::anyChange;
}

bool holds(Comparison c, double read, double target) {
    if (std::isnan(read) || std::isnan(target)) return false;
    switch (c) {
    case Comparison::lt: return read < target;
    case Comparison::lte: return read <= target;
    case Comparison::gt: return read > target;
    case Comparison::gte: return read >= target;
    case Comparison::eq: return std::fabs(read - target) < 0.0001;
    case Comparison::none: return false;
    }
    return false;
}

bool isCurrency(ValueUnit u) { return u == ValueUnit::eur || u == ValueUnit::usd || u == ValueUnit::gbp; }

bool isTime(ValueUnit u) { return u == ValueUnit::seconds || u == ValueUnit::minutes || u == ValueUnit::hours; }

double secondsFactor(ValueUnit u) {
    switch (u) {
    case ValueUnit::minutes: return 60;
    case ValueUnit::hours: return 3600;
    default: return 1;
    }
}

std::optional<std::string> currencySymbol(ValueUnit u) {
    switch (u) {
    case ValueUnit::eur: return "€";
    case ValueUnit::usd: return "$";
    case ValueUnit::gbp: return "£";
    default: return std::nullopt;
    }
}

std::string WatchSpec::makeID() {
    static_assert(idAlphabet.size() == 32, "the mask below needs 32 characters");
    std::random_device source;  // the system's random source
    std::string id = "w_";
    // 32 divides 2^32, so masking keeps every character equally likely.
    for (int i = 0; i < 6; ++i) id += idAlphabet[source() & 31u];
    return id;
}

}  // namespace kestrove
