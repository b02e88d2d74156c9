#include "app/shell/app_delegate.hpp"

#include <QAccessible>
#include <QDBusConnection>
#include <QSystemTrayIcon>

#include "app/creation/new_watch_road.hpp"
#include "app/creation/region_selector.hpp"
#include "app/engine/qt_clock.hpp"
#include "app/engine/watch_manager.hpp"
#include "app/engine/watch_runner.hpp"
#include "app/frame/widget_frame_factory.hpp"
#include "app/menu/menu_update.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/qt_status_item.hpp"
#include "app/menu/telegram_connect_controller.hpp"
#include "app/platform/linux/linux_session_permissions.hpp"
#include "app/platform/linux/linux_tray_look.hpp"
#include "app/platform/qt/relauncher.hpp"
#include "app/platform/x11/x11_frame_desktop.hpp"
#include "app/platform/x11/xcb_pointer_presses.hpp"
#include "app/platform/x11/xcb_window_places.hpp"
#include "app/platform/xdg/xdg_autostart.hpp"
#include "app/platform/xdg/xdg_desktop_settings.hpp"
#include "app/shell/app_alerts.hpp"
#include "app/shell/start_up.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

AppDelegate::AppDelegate(Platform& platform, Setup setup)
    : platform_(platform),
      setup_(std::move(setup)),
      clock_(std::make_unique<QtClock>()),
      frameDesktop_(std::make_unique<X11FrameDesktop>()),
      frames_(std::make_unique<WidgetFrameFactory>(*platform.screens, *frameDesktop_, qtFrameDelay(),
                                                   platform.ownWindows)),
      pictures_(std::make_shared<PictureEncoder>(platform.mainThread)),
      runners_(std::make_unique<WatchRunnerFactory>(RunnerServices{platform, *clock_, platform.cloud, pictures_})),
      manager_(std::make_shared<WatchManager>(WatchManager::Services{
          *runners_, *frames_, *clock_, *platform.notifier, *platform.keepAwake, *platform.screenState,
          *platform.windows, *platform.screens, setup_.defaults, setup_.dataFolder, {}, platform.mainThread, 1,
          platform.cloud})),
      selector_(std::make_unique<RegionSelector>(*platform.screens, *platform.capturer)),
      telegram_(CloudSettings(setup_.defaults), platform.cloud, platform.mainThread, pictures_),
      updates_(std::make_unique<UpdateChecker>(*clock_, UpdateChecker::feedSession(), platform.mainThread)),
      menuUpdates_(std::make_unique<CheckerUpdates>(*updates_)),
      autostart_(std::make_unique<XdgAutostart>(XdgAutostart::forThisUser())),
      chatButtons_(*clock_, [this](std::function<void()> done) {
          return telegram_.pollActions(clock_->wallNow(), [done = std::move(done)](auto&&) { done(); });
      }) {
    NewWatchHooks hooks;
    hooks.add = [this](const WatchSpec& spec, std::shared_ptr<const Image> baseline, std::optional<DiffGrid> grid,
                       std::optional<DirectStart> direct) {
        manager_->add(spec, baseline, std::move(direct), std::move(grid));
    };
    hooks.showOnboarding = [this](bool refused) { onboarding().show(true, refused); };
    hooks.alert = [this](const std::string& message, const std::string& detail) { alerts_.warning(message, detail); };
    // Posting needs no leave here: a running notification service is the permission.
    NewWatchServices services{CloudSettings(setup_.defaults), platform.cloud, platform.mainThread};
    services.encoder = pictures_;
    road_ = std::make_unique<NewWatchRoad>(platform, *selector_, *clock_, std::move(services), std::move(hooks));
}

AppDelegate::~AppDelegate() {
    shutdown();
    // The hot key, the menu and the windows go before the manager they call.
    hotKey_.reset();
    status_.reset();
    telegramWindow_.reset();
    onboarding_.reset();
    road_.reset();
}

void AppDelegate::start() {
    if (started_) return;
    started_ = true;
    // Off the main thread: the first real reading then costs no start-up.
    platform_.recognizer->warmUp();
    // What the first drawn box needs, made ready on the services' own
    // workers: the capturer's and the direct reader's connections, a first
    // reading of the window list.
    warmUps_.push_back(platform_.capturer->refreshAllowed([](bool) {}));
    warmUps_.push_back(platform_.direct->refreshAllowed([](bool) {}));
    warmUps_.push_back(platform_.windows->list("", WindowListOptions::all, [](const ListedWindows&) {}));
    places_ = std::make_unique<XcbWindowPlaces>();
    trayLook_ = std::make_unique<LinuxTrayLook>(QDBusConnection::sessionBus());
    statusItem_ = std::make_unique<QtStatusItem>(*places_, *trayLook_);
    status_ = std::make_unique<StatusMenuController>(
        StatusMenuController::Services{
            *manager_, telegram_, *menuUpdates_, *autostart_, *statusItem_, *clock_, setup_.defaults, {},
            [this](const std::string& message, const std::string& detail) { alerts_.warning(message, detail); }, {},
            {}, XcbPointerPresses::maker()},
        this);
    // A locker starting as the screens go must find the keyboard free: a box
    // left half drawn lets go of it too, after the panel.
    manager_->onScreensAway = [this, panel = std::move(manager_->onScreensAway)] {
        if (panel) panel();
        if (selector_->running()) selector_->cancel();
    };
    manager_->onChange = [this] { status_->refresh(); };
    manager_->onBark = [this] { status_->popDot(); };
    // Qt sets up its accessibility bridge when first asked, which the first
    // window shown does: blocking D-Bus calls (the accessibility bus, the
    // registry, started on demand) on the way to the first frame or overlay.
    // Asked once the loop runs, after the tray.
    warmUps_.push_back(clock_->after(std::chrono::milliseconds(0), [] { QAccessible::isActive(); }));
    setUpTelegram();
    updates_->start();
    if (setup_.hotKey) hotKey_ = setup_.hotKey([this] { newWatch(); });
    // What still reaches Kestrove is known only once both the tray and the key are asked.
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    if (!tray && hotKey_)
        logLine("no system tray runs yet; the icon appears once one starts, and Alt+Shift+B works meanwhile");
    else if (!tray)
        logLine("no system tray runs yet and Alt+Shift+B is not ours; Kestrove can be reached once a tray starts");
    else if (!hotKey_)
        logLine("Alt+Shift+B does nothing; New Watch in the menu still works");
    manager_->restore();
    switch (firstWindow(setup_.args, *setup_.defaults)) {
        case FirstWindow::chatConnection: connectTelegram(); break;
        case FirstWindow::onboarding: showWelcome(); break;
        case FirstWindow::none: break;
    }
}

void AppDelegate::setUpTelegram() {
    telegram_.setWatches(manager_);
    telegram_.setOnChange([this] {
        if (status_) status_->refresh();
        if (onboarding_) onboarding_->model().setTelegramConnected(telegram_.connected());
    });
    OnboardingModel& model = onboarding().model();
    model.isTelegramConnected = [this] { return telegram_.connected(); };
    model.onConnectTelegram = [this] { connectTelegram(); };
    manager_->onBarked = [this](const WatchSpec& spec, const std::optional<std::string>& read,
                                const SharedImage& crop) { barked(spec, read, crop); };
    launchCheck_ = telegram_.checkAtLaunch();
    chatButtons_.start();
}

void AppDelegate::barked(const WatchSpec& spec, const std::optional<std::string>& read, const SharedImage& crop) {
    const std::uint64_t id = nextBark_++;
    chatBarks_.emplace(id, telegram_.bark(spec, read, crop, clock_->wallNow(),
                                          [this, id](const TelegramLink::NotifyResult& result) {
                                              if (auto line = chatBarkLogLine(result)) logLine(*line);
                                              chatBarks_.erase(id);
                                          }));
}

void AppDelegate::shutdown() {
    if (shutDown_ || !started_) return;
    shutDown_ = true;
    warmUps_.clear();
    chatButtons_.stop();
    manager_->shutdown();
}

OnboardingController& AppDelegate::onboarding() {
    if (!onboarding_) {
        permissions_ = std::make_unique<LinuxSessionPermissions>(*platform_.capturer, *platform_.notifier,
                                                                 QDBusConnection::sessionBus(), platform_.mainThread);
        desktopSettings_ = std::make_unique<XdgDesktopSettings>();
        OnboardingModel::Services services{permissions_.get(), desktopSettings_.get(), Relauncher::relaunch};
        onboarding_ = std::make_unique<OnboardingController>(std::move(services), *clock_, setup_.defaults);
    }
    return *onboarding_;
}

TelegramConnectController& AppDelegate::telegramWindow() {
    if (!telegramWindow_) telegramWindow_ = std::make_unique<TelegramConnectController>(telegram_, *clock_);
    return *telegramWindow_;
}

void AppDelegate::newWatch() { road_->newWatch(); }

void AppDelegate::connectTelegram() { telegramWindow().show(); }

void AppDelegate::showWelcome() { onboarding().show(true, false); }

void AppDelegate::disconnectTelegram() {
    disconnecting_ = telegram_.disconnect([this](bool told) {
        if (told) return;
        alerts_.disconnected();
    });
}

void AppDelegate::showAbout() {
    alerts_.about();
}

}  // namespace kestrove
