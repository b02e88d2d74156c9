#include "core/windows/direct_reading.hpp"

namespace kestrove {

std::optional<DirectSilence> DirectAnswer::silence() const {
    if (const auto* why = std::get_if<DirectSilence>(&value_)) return *why;
    return std::nullopt;
}

namespace DirectReading {

bool eligible(const WatchSpec& spec) {
    if (!spec.region.window) return false;
    switch (spec.type) {
    case WatchType::textAppears:
    case WatchType::textGone:
    case WatchType::numberCompare:
    case WatchType::newLine:
        return true;
    case WatchType::anyChange:
    case WatchType::stateReached:
    case WatchType::newItem:
        return false;
    }
    return false;
}

std::optional<DirectSilence> silence(bool onScreenOnly, bool windowOnScreen) {
    if (onScreenOnly && !windowOnScreen) return DirectSilence::notOnScreen;
    return std::nullopt;
}

bool emptyCounts(bool onScreenOnly) { return !onScreenOnly; }

bool samePage(bool sameElement, const std::optional<std::string>& addressAtSetUp,
              const std::optional<std::string>& addressNow) {
    if (sameElement) return true;
    return addressAtSetUp && !addressAtSetUp->empty() && addressNow && *addressAtSetUp == *addressNow;
}

bool lost(bool pictureLost, bool directCounts) { return pictureLost && !directCounts; }

bool keptAlive(bool pictureLost, bool directCounts) { return pictureLost && directCounts; }

}  // namespace DirectReading
}  // namespace kestrove
