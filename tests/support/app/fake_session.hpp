#pragma once
// Stand-ins for what the welcome window asks of the session: scripted
// permissions answering through a manual main thread, and a settings
// program that records what it was asked to open.

#include <vector>

#include "app/platform/desktop_settings.hpp"
#include "app/platform/session_permissions.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove::fakes {

class FakeSessionPermissions final : public SessionPermissions {
public:
    explicit FakeSessionPermissions(Executor main) : main_(std::move(main)) {}

    ScreenAccess screenAnswer = ScreenAccess::allowed;
    NotificationState notificationAnswer = NotificationState::allowed;
    bool accessibilityOn = false;
    int looks = 0;       // screen looks asked for
    int enableAsks = 0;  // enableAccessibility calls

    Pending screen(std::function<void(ScreenAccess)> done) override {
        ++looks;
        return Pending::answered(main_, [this, done] { done(screenAnswer); });
    }
    Pending notifications(std::function<void(NotificationState)> done) override {
        return Pending::answered(main_, [this, done] { done(notificationAnswer); });
    }
    Pending accessibility(std::function<void(bool)> done) override {
        return Pending::answered(main_, [this, done] { done(accessibilityOn); });
    }
    Pending enableAccessibility(std::function<void(bool)> done) override {
        ++enableAsks;
        return Pending::answered(main_, [this, done] {
            accessibilityOn = true;
            done(true);
        });
    }

private:
    Executor main_;
};

class FakeDesktopSettings final : public DesktopSettings {
public:
    bool installed = true;
    std::vector<SettingsPage> opened;
    bool available() const override { return installed; }
    bool open(SettingsPage page) override {
        if (!installed) return false;
        opened.push_back(page);
        return true;
    }
};

}  // namespace kestrove::fakes
