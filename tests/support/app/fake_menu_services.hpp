#pragma once
// What the tray menu's controller is handed, as fakes: the tray icon, the
// update checker, the Launch at Login switch and the application's actions.
// Each records what it was asked.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/menu/menu_update.hpp"
#include "app/menu/status_item.hpp"
#include "app/menu/status_menu_controller.hpp"
#include "app/platform/launch_at_login.hpp"
#include "app/platform/tray_look.hpp"

namespace kestrove::fakes {

class FakeStatusItem final : public StatusItem {
public:
    std::vector<StatusLook> looks;  // every look set, in order
    QString name;
    std::optional<QRect> area;      // what the tray tells of the icon's place

    void setLook(const StatusLook& look) override { looks.push_back(look); }
    void setName(const QString& n) override { name = n; }
    std::optional<QRect> geometry() const override { return area; }

    const StatusLook& look() const { return looks.back(); }
    void press() {
        if (onPress) onPress();
    }
};

// How the tray looks, as a test says.
class FakeTrayLook final : public TrayLookSource {
public:
    TrayLook now;
    std::vector<std::optional<std::uint32_t>> followed;  // every icon window told, in order

    TrayLook look() const override { return now; }
    void followIcon(std::optional<std::uint32_t> window) override { followed.push_back(window); }
    void tell(TrayLook look) {
        now = look;
        if (onChange) onChange();
    }
};

class FakeMenuUpdates final : public MenuUpdates {
public:
    UpdateNote current;
    std::optional<Release> newest;
    int checks = 0;

    UpdateNote note() const override { return current; }
    std::optional<Release> found() const override { return newest; }
    void checkNow() override { ++checks; }
    void setOnChange(std::function<void()> onChange) override { changed_ = std::move(onChange); }

    // A new note, told as the checker tells it.
    void say(UpdateNote note) {
        current = std::move(note);
        if (changed_) changed_();
    }

private:
    std::function<void()> changed_;
};

class FakeLaunchAtLogin final : public LaunchAtLogin {
public:
    bool on = false;
    std::optional<std::string> refuse;  // the next change fails with this
    std::vector<bool> asked;

    bool enabled() const override { return on; }
    Result<Done, std::string> setEnabled(bool value) override {
        asked.push_back(value);
        if (auto why = std::exchange(refuse, std::nullopt)) return *why;
        on = value;
        return Done{};
    }
};

class RecordingActions final : public StatusMenuActions {
public:
    std::vector<std::string> calls;
    void newWatch() override { calls.push_back("newWatch"); }
    void connectTelegram() override { calls.push_back("connectTelegram"); }
    void disconnectTelegram() override { calls.push_back("disconnectTelegram"); }
    void showWelcome() override { calls.push_back("showWelcome"); }
    void showAbout() override { calls.push_back("showAbout"); }
};

}  // namespace kestrove::fakes
