// The watch engine and the session around it: a locked screen or sleeping
// displays stop every reading, and the keep-awake hold follows the watches.
// logind is a fake on a system bus of the program's own; the screen savers
// are fakes on the desktop's session bus; the X screen saver is the server's.
#include <QDBusConnection>
#include <QProcess>

#include "app/platform/linux_screen_state.hpp"
#include "engine/engine_desktop.hpp"
#include "support/app/fake_desktop_services.hpp"
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
    FakeScreenSavers savers(
        QDBusConnection::connectToBus(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), "savers"));
    desktop::TestWindow window;
    const Rect client = window.where();
    // The display box lies away from the other's frame (its tag would hide it).
    const int lastLog = tw::logLine0.y + (tw::logLines - 1) * tw::logStep;
    add(spec("w_DISP01", "the log changes", WatchType::anyChange, WatchMode::once,
             unbound({client.x + tw::logLine0.x, client.y + lastLog, double(tw::logLine0.w), double(tw::logLine0.h)})));
    add(spec("w_WIND01", "the price changes", WatchType::anyChange, WatchMode::once, bound(window, tw::price)));
    ASSERT_EQ(picturesTaken(), 2) << "the first check of each";

    struct Hider {
        const char* name;
        std::function<void(bool)> set;
    };
    const Hider hiders[] = {
        {"screen saver", [&](bool on) { savers.activeChanged(FakeScreenSavers::Name::freedesktop, on); }},
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

TEST_F(EngineInItsSession, KeepAwakeIsAskedOnceForEachChangeAndLetGo) {
    defaults->set(WatchManager::keepAwakeKey, true);
    desktop::TestWindow window;
    const WatchSpec a = spec("w_KEEP0A", "the status changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::status));
    const WatchSpec b = spec("w_KEEP0B", "the price changes", WatchType::anyChange, WatchMode::once,
                             bound(window, tw::price));
    const std::size_t first = logind.inhibits.size();  // holds of earlier tests, all let go
    auto holds = [&] { return logind.inhibits.size() - first; };
    auto released = [&](std::size_t i) { return logind.released(first + i); };

    add(a);
    ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); }));
    add(b);
    manager->pause(a.id);
    deliver();
    ASSERT_EQ(holds(), 1u) << "one hold while any watch is active";
    const InhibitCall& call = logind.inhibits[first];
    EXPECT_EQ(call.what, "sleep:idle");
    EXPECT_EQ(call.who, "Kestrove");
    EXPECT_EQ(call.mode, "block");
    EXPECT_FALSE(released(0));

    // Each way of ending the last active watch, or the wish, lets the hold go;
    // the next active watch asks once again.
    struct Step {
        const char* what;
        std::function<void()> end;
        std::function<void()> again;
    };
    const Step steps[] = {
        {"pause", [&] { manager->pause(b.id); }, [&] { manager->resume(a.id); }},
        {"remove", [&] { manager->remove(a.id); }, [&] { manager->resume(b.id); }},
        {"setting off",
         [&] {
             defaults->set(WatchManager::keepAwakeKey, false);
             manager->updateKeepAwake();
         },
         [&] {
             defaults->set(WatchManager::keepAwakeKey, true);
             manager->updateKeepAwake();
         }},
        {"shutdown", [&] { manager->shutdown(); }, nullptr},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].end();
        EXPECT_TRUE(waitFor([&] { return released(i); })) << steps[i].what;
        EXPECT_FALSE(platform.keepAwake->held()) << steps[i].what;
        if (!steps[i].again) break;
        steps[i].again();
        ASSERT_TRUE(waitFor([&] { return platform.keepAwake->held(); })) << steps[i].what;
        deliver();
        EXPECT_EQ(holds(), i + 2) << steps[i].what;
    }
}

}  // namespace
}  // namespace kestrove::testing
