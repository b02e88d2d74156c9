#pragma once
// What a start of the program is for: the tray application, or one of the
// developer modes, decided from the arguments alone. Flags match whole
// arguments only ("--snapshot=x" is no flag); a flag's value is the argument
// right after its first occurrence, taken as it is.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

struct LaunchMode {
    // In the order the flags are looked for: the first one present decides.
    enum class Kind { snapshot, panelCheck, windowCheck, axStage, axCheck, cloud, telegramTry, normal };

    // Following one window in the accessibility check.
    struct AxFollow {
        std::uint32_t window = 0;
        Rect box;
        double seconds = 60;
        bool operator==(const AxFollow&) const = default;
    };

    Kind kind = Kind::normal;
    // Where the folder modes write (snapshot, panel, window and accessibility checks).
    std::string folder;
    // The accessibility check follows a window when given one and a box of four numbers.
    std::optional<AxFollow> follow;
    // The server checks and the chat trial: the arguments from their flag to the end.
    std::vector<std::string> tail;

    // The server checks and the chat trial run without a display; snapshots
    // and the fit check draw offscreen.
    bool needsDisplay() const {
        return kind != Kind::cloud && kind != Kind::telegramTry && kind != Kind::snapshot && kind != Kind::panelCheck;
    }
};

// `args` as the process got them, the executable first.
LaunchMode decideMode(const std::vector<std::string>& args);

// The argument after the first one equal to `flag`; none when the flag is
// absent or last.
std::optional<std::string> flagValue(const std::vector<std::string>& args, const std::string& flag);

}  // namespace kestrove
