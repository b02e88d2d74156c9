#pragma once
// What one direct (accessibility) read of a bound box gave, and the small
// rules around it: which watches may be read directly, when silence is owed
// to an off-screen window, whether a web page is still the same page.

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/foundation/raw_value.hpp"
#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

// Why a direct read gave no lines.
enum class DirectSilence { notPermitted, windowGone, timedOut, failed, notOnScreen, otherTab, notExposed, boxOutside };

template <> struct RawValues<DirectSilence> {
    static constexpr std::array<std::pair<DirectSilence, std::string_view>, 8> table{{
        {DirectSilence::notPermitted, "notPermitted"},
        {DirectSilence::windowGone, "windowGone"},
        {DirectSilence::timedOut, "timedOut"},
        {DirectSilence::failed, "failed"},
        {DirectSilence::notOnScreen, "notOnScreen"},
        {DirectSilence::otherTab, "otherTab"},
        {DirectSilence::notExposed, "notExposed"},
        {DirectSilence::boxOutside, "boxOutside"},
    }};
};

// The lines read in the box (possibly none), or the reason there are none.
class DirectAnswer {
public:
    static DirectAnswer lines(std::vector<OCRLine> lines) { return DirectAnswer(std::move(lines)); }
    static DirectAnswer noAnswer(DirectSilence why) { return DirectAnswer(why); }

    // The lines of an answer that has them; null for silence.
    const std::vector<OCRLine>* lines() const { return std::get_if<std::vector<OCRLine>>(&value_); }
    std::optional<DirectSilence> silence() const;
    // Every answer with lines counts, even an empty one.
    bool counts() const { return lines() != nullptr; }

    // The bound window as the read found it in the window list, when it was
    // listed and the look is fresh enough to stand for a look of the
    // caller's own before it captures the box; none otherwise.
    const std::optional<WindowInfo>& window() const { return window_; }
    void setWindow(std::optional<WindowInfo> window) { window_ = std::move(window); }

    // The same answer: the same lines, or silent for the same reason (where
    // the window stood is not part of what the read says).
    bool operator==(const DirectAnswer& other) const { return value_ == other.value_; }

private:
    explicit DirectAnswer(std::vector<OCRLine> lines) : value_(std::move(lines)) {}
    explicit DirectAnswer(DirectSilence why) : value_(why) {}
    std::variant<std::vector<OCRLine>, DirectSilence> value_;
    std::optional<WindowInfo> window_;
};

namespace DirectReading {

// Bound to a window and judged on text.
bool eligible(const WatchSpec& spec);

std::optional<DirectSilence> silence(bool onScreenOnly, bool windowOnScreen);

// An empty reading is a real one only where off-screen windows answer truly.
bool emptyCounts(bool onScreenOnly);

// Still the page adopted at set-up: the same element, or the same known address.
bool samePage(bool sameElement, const std::optional<std::string>& addressAtSetUp,
              const std::optional<std::string>& addressNow);

// The picture is lost and no counted direct answer makes up for it.
bool lost(bool pictureLost, bool directCounts);
// The picture is lost but a counted direct answer keeps the watch going.
bool keptAlive(bool pictureLost, bool directCounts);

}  // namespace DirectReading
}  // namespace kestrove
