#pragma once
// The tray icon and its panel: the icon shows the mark with the number of
// active watches and plays the dot animation on each bark; a press opens
// the panel under it or closes it. Keeps the panel's model in step with the
// watch manager (rows in a fixed order, their texts and pictures) and
// carries every action of the panel out: to the manager, the update
// checker, Launch at Login, or the application through StatusMenuActions.
// One for the life of the process; main thread only.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "app/engine/clock.hpp"
#include "app/engine/watch_manager.hpp"
#include "app/menu/dot_animation.hpp"
#include "app/platform/launch_at_login.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/menu_update.hpp"
#include "app/menu/status_item.hpp"
#include "core/cloud/telegram.hpp"

namespace kestrove {

// The menu's commands that the application carries out.
class StatusMenuActions {
public:
    virtual ~StatusMenuActions() = default;
    virtual void newWatch() = 0;
    virtual void connectTelegram() = 0;
    virtual void disconnectTelegram() = 0;
    virtual void showWelcome() = 0;
    virtual void showAbout() = 0;
};

class StatusMenuController : public QObject {
public:
    struct Services {
        WatchManager& manager;
        TelegramLink& telegram;  // only its connected flag is read
        MenuUpdates& updates;
        LaunchAtLogin& launchAtLogin;
        StatusItem& item;
        EngineClock& clock;  // the dot animation's steps
        std::shared_ptr<DefaultsStore> defaults;
        // Times of day (the last bark); the user's short time style when empty.
        std::function<std::string(Date)> timeText;
        // An alert shown without waiting (the application's own alerts);
        // only logged when empty.
        std::function<void(const std::string& message, const std::string& detail)> alert;
        // Opening the download page; the desktop's browser when empty.
        std::function<void(const Url&)> openUrl;
        // Quit; the application's own when empty.
        std::function<void()> quit;
        // Clicks in other programs, which close the panel; without it the
        // panel takes the activation from the program in front.
        PointerPressesMaker presses;
    };

    // Wires the panel's model and shows the icon. `actions` may be null
    // until the application sets it; it must outlive the controller or be
    // cleared first.
    StatusMenuController(Services services, StatusMenuActions* actions);
    ~StatusMenuController() override;

    void setActions(StatusMenuActions* actions) { actions_ = actions; }

    // The icon's count and name, then the model from the manager. The
    // application calls it on every change of the manager and of the chat link.
    void refresh();
    // The dot animation after a bark.
    void popDot();
    // The icon's press: opens the panel when it is closed, else closes it.
    void toggle();

    MenuModel& model() { return model_; }
    // Made on first use and kept.
    MenuPanelController& panel();
    bool panelVisible() const;
    const StatusLook& look() const { return look_; }
    const DotAnimation& animation() const { return dot_; }

private:
    void open();
    void wire();
    void updateModel(bool pictures);
    void toggleLaunchAtLogin();
    void closeFirst();
    void setHighlighted(bool on);
    void showLook();
    MenuModel::Monitor row(const WatchRecord& record);
    StatusMenuActions* actions();

    Services services_;
    StatusMenuActions* actions_;
    MenuModel model_;
    std::unique_ptr<MenuPanelController> panel_;
    StatusLook look_;
    DotAnimation dot_;
};

}  // namespace kestrove
