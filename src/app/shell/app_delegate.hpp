#pragma once
// The running application: it owns the long-lived objects (the watch
// manager and its frames, the selection and the new-watch road, the
// messenger link, the tray icon and its menu, onboarding, the hot key), starts them in order, wires them
// to each other, serves the menu's commands and stops it all at the end.
// Main thread only.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/menu/status_menu_controller.hpp"
#include "app/platform/hot_key.hpp"
#include "app/platform/platform.hpp"
#include "app/shell/app_alerts.hpp"
#include "app/shell/chat_poll.hpp"
#include "core/cloud/telegram.hpp"

namespace kestrove {

class LinuxSessionPermissions;
class NewWatchRoad;
class OnboardingController;
class CheckerUpdates;
class QtClock;
class LinuxTrayLook;
class QtStatusItem;
class UpdateChecker;
class XdgAutostart;
class RegionSelector;
class TelegramConnectController;
class WatchManager;
class WatchRunnerFactory;
class WidgetFrameFactory;
class X11FrameDesktop;
class XcbWindowPlaces;
class XdgDesktopSettings;

class AppDelegate final : public StatusMenuActions {
public:
    struct Setup {
        std::vector<std::string> args;  // as the process got them
        std::shared_ptr<DefaultsStore> defaults;
        std::filesystem::path dataFolder;
        HotKeyMaker hotKey;
    };

    // Builds the manager, the selection, the road and the messenger link;
    // nothing shows yet.
    AppDelegate(Platform& platform, Setup setup);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The start-up sequence, once the event loop is about to run.
    void start();
    // Before the event loop's end is left: the chat poll stops, runners stop,
    // keep-awake is released and the watch file saved.
    void shutdown();

    // The menu's commands; newWatch is also the hot key's.
    void newWatch() override;
    void connectTelegram() override;
    void disconnectTelegram() override;
    void showWelcome() override;
    void showAbout() override;

    WatchManager& manager() { return *manager_; }
    // The tray menu's controller, once started.
    StatusMenuController* statusMenu() { return status_.get(); }
    NewWatchRoad& road() { return *road_; }
    bool hasHotKey() const { return hotKey_ != nullptr; }

private:
    void setUpTelegram();
    void barked(const WatchSpec& spec, const std::optional<std::string>& read, const SharedImage& crop);
    // Made at their first use and kept.
    OnboardingController& onboarding();
    TelegramConnectController& telegramWindow();

    Platform& platform_;
    Setup setup_;
    std::unique_ptr<QtClock> clock_;
    std::unique_ptr<X11FrameDesktop> frameDesktop_;
    std::unique_ptr<WidgetFrameFactory> frames_;
    // The pictures for the server (model checks and questions, chat barks), made off the main thread.
    std::shared_ptr<PictureEncoder> pictures_;
    std::unique_ptr<WatchRunnerFactory> runners_;
    std::shared_ptr<WatchManager> manager_;
    std::unique_ptr<RegionSelector> selector_;
    std::unique_ptr<NewWatchRoad> road_;
    TelegramLink telegram_;
    std::unique_ptr<LinuxSessionPermissions> permissions_;
    std::unique_ptr<XdgDesktopSettings> desktopSettings_;
    std::unique_ptr<OnboardingController> onboarding_;
    std::unique_ptr<TelegramConnectController> telegramWindow_;
    std::unique_ptr<UpdateChecker> updates_;
    std::unique_ptr<CheckerUpdates> menuUpdates_;
    std::unique_ptr<XdgAutostart> autostart_;
    std::unique_ptr<XcbWindowPlaces> places_;  // where the tray put the icon
    std::unique_ptr<LinuxTrayLook> trayLook_;  // the colour its mark takes
    std::unique_ptr<QtStatusItem> statusItem_;
    std::unique_ptr<StatusMenuController> status_;
    std::unique_ptr<HotKey> hotKey_;
    ChatPoll chatButtons_;
    bool started_ = false;
    bool shutDown_ = false;

    // Start-up's warm-ups under way.
    std::vector<Pending> warmUps_;
    // Calls to the server in flight: dropping a handle would cancel it.
    CloudCall launchCheck_;
    CloudCall disconnecting_;
    std::map<std::uint64_t, CloudCall> chatBarks_;
    std::uint64_t nextBark_ = 0;

    AppAlerts alerts_;
};

}  // namespace kestrove
