#pragma once
// Whether Kestrove starts when the user logs in. The switch in the menu
// flips what is read here, whatever value the switch itself passes: an entry
// made by the desktop's own settings counts as on, so switching turns it off.

#include <optional>
#include <string>

#include "core/foundation/result.hpp"

namespace kestrove {

class LaunchAtLogin {
public:
    virtual ~LaunchAtLogin() = default;

    virtual bool enabled() const = 0;
    // Why it failed, for the user.
    virtual Result<Done, std::string> setEnabled(bool on) = 0;

    struct Toggled {
        bool enabled = false;               // as read afterwards, failed or not
        std::optional<std::string> error;   // why the change failed
    };
    // On when it reads off, off when it reads on.
    Toggled toggle() {
        Toggled out;
        if (const auto changed = setEnabled(!enabled()); !changed) out.error = changed.error();
        out.enabled = enabled();
        return out;
    }
};

}  // namespace kestrove
