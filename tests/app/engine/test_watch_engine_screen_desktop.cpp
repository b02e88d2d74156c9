// The watch engine and the session around it: a locked screen or sleeping
// displays stop every reading, and the keep-awake hold follows the watches.
// logind is a fake on a system bus of the program's own; the X screen saver
// is the server's.
#include <QProcess>

#include "app/platform/linux_screen_state.hpp"
#include "engine/engine_desktop.hpp"
#include "support/app/fake_logind.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove::testing {
namespace {

using desktop::waitFor;

// The system bus and logind on it, reached the way the application reaches
// the real ones: through DBUS_SYSTEM_BUS_ADDRESS, before anything uses it.
class SystemBus final : public ::testing::Environment {
public:
    void SetUp() override {
        bus = std::make_unique<PrivateBus>();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->address().toUtf8());
        logind = std::make_unique<FakeLogind>(bus->connect());
    }
    void TearDown() override {
        logind.reset();
        bus.reset();
    }
    static inline std::unique_ptr<PrivateBus> bus;
    static inline std::unique_ptr<FakeLogind> logind;
};
[[maybe_unused]] const auto* const systemBusEnvironment = ::testing::AddGlobalTestEnvironment(new SystemBus);

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return waitFor([&] { return p.state() == QProcess::NotRunning; }, 10000) && p.exitCode() == 0;
}

struct EngineInItsSession : EngineOnDesktop {
    FakeLogind& logind = *SystemBus::logind;

    int picturesTaken() const {
        int n = 0;
        for (const auto& [id, count] : pictures) n += count;
        return n;
    }
    // Lets the buses deliver what is under way.
    static void deliver() { waitFor([] { return false; }, 200); }
};

TEST_F(EngineInItsSession, LockedOrAsleepNothingIsReadAndAfterwardsEverythingIs) {
    auto& state = dynamic_cast<LinuxScreenState&>(*platform.screenState);
    ASSERT_TRUE(waitFor([&] { return state.followsSession() && state.followsDisplaySleep(); }));
    desktop::TestWindow window;
    const Rect client = window.where();
    // The display box lies away from the other's frame (its tag would hide it).
    const int lastLog = tw::logLine0.y + (tw::logLines - 1) * tw::logStep;
    add(spec("w_DISP01", "the log changes", WatchType::anyChange, WatchMode::once,
             unbound({client.x + tw::logLine0.x, client.y + lastLog, double(tw::logLine0.w), double(tw::logLine0.h)})));
    add(spec("w_WIND01", "the price changes", WatchType::anyChange, WatchMode::once, bound(window, tw::price)));
    ASSERT_EQ(picturesTaken(), 2) << "the first check of each";

    // A locked session and sleeping displays; each of their sources is the
    // screen state's own desktop test.
    struct Hider {
        const char* name;
        std::function<void(bool)> set;
    };
    const Hider hiders[] = {
        {"logind's locked hint", [&](bool on) { logind.setLockedHint(on); }},
        {"X screen saver", [&](bool on) { ASSERT_TRUE(run("xset", {"s", on ? "activate" : "reset"})); }},
    };
    for (const Hider& hider : hiders) {
        hider.set(true);
        ASSERT_TRUE(waitFor([&] { return !manager->screensAvailable(); })) << hider.name;
        const int before = picturesTaken();
        cycle();
        cycle();
        EXPECT_EQ(picturesTaken(), before) << hider.name << ": nothing captured";
        hider.set(false);
        ASSERT_TRUE(waitFor([&] { return manager->screensAvailable(); })) << hider.name;
        cycle();
        EXPECT_EQ(picturesTaken(), before + 2) << hider.name << ": both read again " << pictures["w_DISP01"] << " " << pictures["w_WIND01"];
    }
    for (const WatchRecord& r : manager->records()) EXPECT_EQ(r.status, WatchStatus::watching) << r.id();
}

// Which changes ask and let go is the manager's own test on fakes; here the
// real logind hold follows the watches through the manager.
TEST_F(EngineInItsSession, KeepAwakeHoldsLogindWhileAWatchIsActive) {
    defaults->set(WatchManager::keepAwakeKey, true);
    desktop::TestWindow window;
    const WatchSpec a = spec("w_KEEP0A", "the status changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::status));
    const WatchSpec b = spec("w_KEEP0B", "the price changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::price));
    const std::size_t first = logind.inhibits.size();  // holds of earlier tests, all let go
    add(a);
    add(b);
    manager->pause(a.id);
    ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); }));
    deliver();
    ASSERT_EQ(logind.inhibits.size(), first + 1) << "one hold while any watch is active";
    manager->remove(b.id);
    EXPECT_TRUE(waitFor([&] { return logind.released(first); }));
    EXPECT_FALSE(platform.keepAwake->held());
    manager->resume(a.id);
    ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); }));
    manager->shutdown();
    EXPECT_TRUE(waitFor([&] { return logind.released(first + 1); })) << "shutting down lets it go";
}

}  // namespace
}  // namespace kestrove::testing
