#pragma once
// The desktop's own settings program, for the welcome window's settings
// buttons. Without one, the buttons say what to turn on instead.

namespace kestrove {

enum class SettingsPage { screen, notifications };

class DesktopSettings {
public:
    virtual ~DesktopSettings() = default;
    // A settings program is installed.
    virtual bool available() const = 0;
    // Opens it (on `page` where it has one); false when it could not be started.
    virtual bool open(SettingsPage page) = 0;
};

}  // namespace kestrove
