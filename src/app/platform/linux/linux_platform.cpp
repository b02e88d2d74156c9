#include "app/platform/linux/linux_platform.hpp"

#include <mutex>

#include "app/platform/atspi/atspi_bus.hpp"
#include "app/platform/atspi/atspi_tree.hpp"
#include "app/platform/proc/direct_access.hpp"
#include "app/platform/dbus/dbus_notifier.hpp"
#include "app/platform/dbus/dbus_keep_awake.hpp"
#include "app/platform/linux/linux_screen_state.hpp"
#include "app/platform/tesseract/tesseract_text_recognizer.hpp"
#include "app/platform/qt/warm_up_sample.hpp"
#include "app/platform/qt/qt_own_windows.hpp"
#include "app/platform/qt/qt_screens.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "app/platform/queued_screen_capturer.hpp"
#include "app/platform/queued_window_list.hpp"
#include "app/platform/shared_window_list.hpp"
#include "app/platform/x11/xcb_screen_capturer.hpp"
#include "app/platform/x11/xcb_window_list.hpp"

namespace kestrove {

namespace {

// Asked at every read: a round trip each would be most of a quiet read's cost.
std::unique_ptr<WindowList> readersWindowList(double scale) {
    return std::make_unique<XcbWindowList>(scale, XcbWindowList::Notices::come);
}

}  // namespace

DirectPlatform linuxDirectPlatform(double scale, std::shared_ptr<AtspiBus> bus, std::unique_ptr<WindowList> windows) {
    DirectPlatform d;
    d.tree = std::make_unique<AtspiTree>(scale, std::move(bus));
    d.windows = windows ? std::move(windows) : readersWindowList(scale);
    d.alive = processAlive;
    d.chromium = [](std::int32_t pid) { return DirectAccess::chromium(pid); };
    return d;
}

std::function<DirectPlatform()> linuxDirectPlatforms(double scale) {
    struct Shared {
        std::mutex mutex;
        std::weak_ptr<AtspiBus> bus;
        std::weak_ptr<SharedWindowList::Shared> windows;
    };
    auto shared = std::make_shared<Shared>();
    // The threads make their platforms at once; the connection (and its
    // listening thread) lives as long as one of them. One window list for
    // both: each list reads the server in full every 2 s, which costs a
    // quiet reader more than its questions to the programs.
    return [scale, shared] {
        std::shared_ptr<AtspiBus> bus;
        std::unique_ptr<WindowList> windows;
        {
            std::lock_guard lock(shared->mutex);
            bus = shared->bus.lock();
            if (!bus) shared->bus = bus = std::make_shared<AtspiBus>();
            auto list = shared->windows.lock();
            if (!list) shared->windows = list = std::make_shared<SharedWindowList::Shared>(readersWindowList(scale));
            windows = std::make_unique<SharedWindowList>(std::move(list));
        }
        return linuxDirectPlatform(scale, std::move(bus), std::move(windows));
    };
}

Platform makeLinuxPlatform(Executor mainThread) {
    Platform p;
    p.mainThread = mainThread;
    p.screens = std::make_unique<QtScreens>();
    const Screens& screens = *p.screens;
    // Device pixels per point of the accessibility tree's rectangles: the main screen's.
    const auto all = screens.screens();
    const double scale = !all.empty() && all.front().scale > 0 ? all.front().scale : 1;

    p.windows = std::make_unique<QueuedWindowList>(
        mainThread, [&screens] { return std::make_unique<XcbWindowList>(screens); }, screens);
    p.ownWindowsWatcher = std::make_unique<QtOwnWindows>(*p.ownWindows);
    p.capturer = std::make_unique<QueuedScreenCapturer>(
        mainThread, [&screens, own = std::shared_ptr<const OwnWindows>(p.ownWindows)] {
            return std::make_unique<XcbScreenCapturer>(screens, own);
        });
    p.recognizer = std::make_unique<TesseractTextRecognizer>(mainThread, warmUpSample);
    p.direct = std::make_unique<QueuedDirectReader>(mainThread, linuxDirectPlatforms(scale));
    p.notifier = std::make_unique<DbusNotifier>(mainThread, QDBusConnection::sessionBus(),
                                                NotificationPictures::defaultFolder(), p.ownWindows);
    p.screenState = std::make_unique<LinuxScreenState>(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
    // Idle suspend is logind's idle action or the desktop's own: both wait.
    auto keepAwake = std::make_unique<KeepAwakeSet>();
    keepAwake->add(DbusKeepAwake::logindIdle(QDBusConnection::systemBus()));
    keepAwake->add(DbusKeepAwake::desktopSuspend(QDBusConnection::sessionBus()));
    p.keepAwake = std::move(keepAwake);
    p.cloud = CloudSession::make();
    return p;
}

}  // namespace kestrove
