#pragma once
// Whether Kestrove starts when the user logs in. The switch in the menu
// flips what is read here, whatever value the switch itself passes: an entry
// made by the desktop's own settings counts as on, so switching turns it off.

#include <optional>
#include <string>

namespace kestrove {

class LaunchAtLogin {
public:
    virtual ~LaunchAtLogin() = default;

    virtual bool enabled() const = 0;
    // Nothing on success, else why it failed (for the user).
    virtual std::optional<std::string> setEnabled(bool on) = 0;

    struct Toggled {
        bool enabled = false;               // as read afterwards, failed or not
        std::optional<std::string> error;   // why the change failed
    };
    // On when it reads off, off when it reads on.
    Toggled toggle() {
        Toggled out;
        out.error = setEnabled(!enabled());
        out.enabled = enabled();
        return out;
    }
};

}  // namespace kestrove
