// Kestrove: the tray application, or one of the developer modes.

#include <QApplication>
#include <QFont>

#include <cstring>
#include <string>
#include <vector>

#include "app/engine/single_instance.hpp"
#include "app/platform/linux/linux_display.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/tesseract/openmp_limit.hpp"
#include "app/platform/x11/xcb_hot_key.hpp"
#include "app/shell/app_delegate.hpp"
#include "app/shell/app_folders.hpp"
#include "app/shell/developer_modes.hpp"
#include "app/shell/file_defaults.hpp"
#include "app/shell/launch_mode.hpp"
#include "app/shell/termination_signals.hpp"
#include "core/foundation/log.hpp"

namespace {

using namespace kestrove;

bool displayAnswers() {
    const auto problem = displayProblem();
    if (problem) logLine(*problem);
    return !problem;
}

int runApplication(const std::vector<std::string>& args, int& argc, char** argv) {
    // Before anything is read or written: a second start leaves every file alone.
    const auto dataFolder = appDataFolder();
    const auto instance = SingleInstance::acquire(dataFolder);
    if (!instance) return 1;

    // Our windows and the X11 services they work with share one display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrove"));
    QApplication::setDesktopFileName(QStringLiteral("kestrove"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    // A tray application: closing its last window is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);

    const TerminationSignals endings([](int signal) {
        logLine(std::string("ending on ") + sigabbrev_np(signal));
        QCoreApplication::quit();
    });
    const auto settingsFile = appConfigFolder() / "settings.json";
    FileDefaults::removeInterruptedSaves(settingsFile);
    const auto defaults = std::make_shared<FileDefaults>(settingsFile);
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    AppDelegate delegate(platform, {args, defaults, dataFolder, XcbHotKey::maker()});
    postTo(&app, [&delegate] { delegate.start(); });
    const int status = QApplication::exec();
    delegate.shutdown();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    limitOpenMPThreads(argv);  // first: may start the process again
    const std::vector<std::string> args(argv, argv + argc);
    const LaunchMode mode = decideMode(args);
    if (mode.needsDisplay() && !displayAnswers()) return 1;
    if (mode.kind != LaunchMode::Kind::normal) return runDeveloperMode(mode, argc, argv);
    return runApplication(args, argc, argv);
}
