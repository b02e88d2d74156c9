#pragma once
// What the menu needs of Launch at Login: whether it is on, and switching it.

#include <optional>
#include <string>

namespace kestrove {

class LoginSwitch {
public:
    virtual ~LoginSwitch() = default;
    virtual bool enabled() const = 0;
    // Nothing on success, else why it failed (for the user).
    virtual std::optional<std::string> setEnabled(bool on) = 0;
};

}  // namespace kestrove
