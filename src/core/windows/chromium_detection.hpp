#pragma once
// Whether the program owning a window is built on Chromium (a Chromium
// browser, an Electron or CEF app, Qt WebEngine). Such programs expose their
// text only while the window is on screen and report empty trees otherwise,
// so the direct reader treats them with care. Pure: the facts are gathered
// from /proc by the accessibility reader.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/raw_value.hpp"

namespace kestrove::ChromiumDetection {

enum class Confidence { sure, likely, unknown };

struct Verdict {
    bool isChromium = false;
    Confidence confidence = Confidence::unknown;
    std::string why;  // short lower-case phrase naming the evidence

    // A program that could not be looked into is treated like a Chromium one.
    bool onScreenOnly() const { return isChromium || confidence == Confidence::unknown; }
    bool operator==(const Verdict&) const = default;
};

// Application ids known to be Chromium-based, in the order they are tried:
// Flatpak ids, then snap, desktop-file and executable names. An entry ending
// in "." stands for every id that begins with it.
const std::vector<std::string_view>& knownApps();

// `appID`: the window's desktop-file id, Flatpak id, snap name or executable
// name. `frameworks`: file names of the shared libraries the process maps and
// of the files beside its executable (and in the resources folder there);
// absent when the process could not be looked into. `helpers`: the "--type=…"
// argument of each child process that has one, and the names of helper
// executables beside the executable (chrome-sandbox, chrome_crashpad_handler).
Verdict verdict(const std::optional<std::string>& appID, const std::optional<std::vector<std::string>>& frameworks,
                const std::vector<std::string>& helpers);

}  // namespace kestrove::ChromiumDetection

namespace kestrove {
template <> struct RawValues<ChromiumDetection::Confidence> {
    static constexpr std::array<std::pair<ChromiumDetection::Confidence, std::string_view>, 3> table{{
        {ChromiumDetection::Confidence::sure, "sure"},
        {ChromiumDetection::Confidence::likely, "likely"},
        {ChromiumDetection::Confidence::unknown, "unknown"},
    }};
};
}  // namespace kestrove
