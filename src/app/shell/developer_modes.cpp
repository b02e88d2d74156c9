#include "app/shell/developer_modes.hpp"

#include <QApplication>
#include <QCoreApplication>

#include <memory>
#include <string>

#include "app/dev/dev_cloud.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/dev_panel.hpp"
#include "app/dev/dev_window.hpp"
#include "app/dev/devax.hpp"
#include "app/dev/snapshots.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/shell/app_folders.hpp"
#include "app/shell/file_defaults.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

const char* modeFlag(LaunchMode::Kind kind) {
    using Kind = LaunchMode::Kind;
    switch (kind) {
        case Kind::snapshot: return "--snapshot";
        case Kind::panelCheck: return "--panel-check";
        case Kind::windowCheck: return "--window-check";
        case Kind::axStage: return "--ax-stage";
        case Kind::axCheck: return "--ax-check";
        case Kind::cloud: return "--cloud-check";
        case Kind::telegramTry: return "--telegram-try";
        case Kind::normal: break;
    }
    return "";
}

int runDeveloperMode(const LaunchMode& mode, int& argc, char** argv) {
    using Kind = LaunchMode::Kind;
    // Snapshots and the fit check draw offscreen, the same on every desktop.
    if (mode.kind == Kind::snapshot || mode.kind == Kind::panelCheck) DevLook::useOffscreenPlatform();
    std::unique_ptr<QCoreApplication> app;
    if (mode.kind == Kind::cloud || mode.kind == Kind::telegramTry)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kestrove"));
    if (qobject_cast<QApplication*>(app.get())) QApplication::setQuitOnLastWindowClosed(false);
    // Queued: a check that ends before the event loop runs (its folder
    // refused at once) would otherwise ask a loop not yet started to end.
    const auto exit = [](int code) { mainThreadExecutor()([code] { QCoreApplication::exit(code); }); };
    switch (mode.kind) {
        case Kind::snapshot:
            return Snapshots::render(mode.folder);
        case Kind::panelCheck: {
            DevLook::useAppearance(false);
            const QtScreens screens;
            return DevPanel::run(mode.folder, screens);
        }
        case Kind::windowCheck: {
            Platform platform = makeLinuxPlatform(mainThreadExecutor());
            return DevWindow::run(mode.folder, platform);
        }
        case Kind::axStage:
            DevAX::runStage();
            return QCoreApplication::exec();
        case Kind::axCheck: {
            auto platform = std::make_shared<Platform>(makeLinuxPlatform(mainThreadExecutor()));
            if (mode.follow)
                DevAX::follow(mode.folder, mode.follow->window, mode.follow->box, mode.follow->seconds,
                              std::move(platform), exit);
            else
                DevAX::run(mode.folder, std::move(platform), exit);
            return QCoreApplication::exec();
        }
        case Kind::cloud: {
            // The user's own device id goes with the checks, as the app's calls send it.
            FileDefaults settings(appConfigFolder() / "settings.json");
            return DevCloud::run(mode.tail, settings);
        }
        case Kind::telegramTry:
            return DevCloud::telegramTry(mode.tail);
        case Kind::normal:
            break;
    }
    logLine(std::string("no developer mode for ") + modeFlag(mode.kind));
    return 64;
}

}  // namespace kestrove
