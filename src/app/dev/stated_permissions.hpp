#pragma once
// Permissions and a settings program that answer what the caller set, at
// once: the developer modes put the welcome window into each of its states
// without asking the desktop.

#include "app/platform/desktop_settings.hpp"
#include "app/platform/session_permissions.hpp"

namespace kestrove {

class StatedPermissions final : public SessionPermissions, public DesktopSettings {
public:
    ScreenAccess screenAccess = ScreenAccess::allowed;
    NotificationState notificationState = NotificationState::unknown;
    bool accessibilityOn = false;

    Pending screen(std::function<void(ScreenAccess)> done) override {
        done(screenAccess);
        return {};
    }
    Pending notifications(std::function<void(NotificationState)> done) override {
        done(notificationState);
        return {};
    }
    Pending accessibility(std::function<void(bool)> done) override {
        done(accessibilityOn);
        return {};
    }
    Pending enableAccessibility(std::function<void(bool)> done) override {
        done(false);
        return {};
    }

    bool available() const override { return true; }
    bool open(SettingsPage) override { return false; }
};

}  // namespace kestrove
