// The screen's state from the screen savers, logind and the X server: each
// hides the screens and shows them again, only logind speaks for the session,
// and a burst of screen changes is one notice.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QScreen>
#include <QProcess>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/platform/linux/linux_screen_state.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/fake_logind.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;
using N = ScreenNotice;

// A round trip on `bus`: the subscriptions sent before it are in place.
void roundTrip(const QDBusConnection& bus) {
    bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
}

// Runs a command while the event loop keeps serving (Qt hears the X server meanwhile).
bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    return waitFor([&] { return p.state() == QProcess::NotRunning; }, 10000) &&
           p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The desktop's session bus for the screen savers, a bus of our own as the
// system bus for logind, the harness's X server.
class LinuxScreenStateDesktop : public ::testing::Test {
protected:
    void start() {
        state = std::make_unique<LinuxScreenState>(QDBusConnection::sessionBus(), systemClient);
        state->setListener([this](N n) { heard.push_back(n); });
        ASSERT_TRUE(waitFor([&] { return state->followsSession() && state->followsDisplaySleep(); }));
        roundTrip(QDBusConnection::sessionBus());
        roundTrip(systemClient);
    }
    // Waits for the next notice; false when none came.
    bool hears(N notice) {
        const std::size_t before = seen;
        if (!waitFor([&] { return heard.size() > before; })) return false;
        seen = heard.size();
        return heard.back() == notice;
    }

    testing::PrivateBus systemBus;
    std::optional<testing::FakeLogind> logind{std::in_place, systemBus.connect()};
    QDBusConnection systemClient = systemBus.connect();
    std::unique_ptr<LinuxScreenState> state;
    std::vector<N> heard;
    std::size_t seen = 0;
};

TEST_F(LinuxScreenStateDesktop, EachSourceHidesTheScreensAndShowsThemAgain) {
    start();
    testing::FakeScreenSavers savers(
        QDBusConnection::connectToBus(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), "savers"));
    using Saver = testing::FakeScreenSavers::Name;
    struct Source {
        const char* what;
        std::function<void(bool)> set;
        N hidden, shown;
    };
    const Source sources[] = {
        {"freedesktop screen saver", [&](bool on) { savers.activeChanged(Saver::freedesktop, on); }, N::screenLocked,
         N::screenUnlocked},
        {"GNOME screen saver", [&](bool on) { savers.activeChanged(Saver::gnome, on); }, N::screenLocked,
         N::screenUnlocked},
        {"logind's locked hint", [&](bool on) { logind->setLockedHint(on); }, N::screenLocked, N::screenUnlocked},
        {"logind's Lock and Unlock", [&](bool on) { on ? logind->lock() : logind->unlock(); }, N::screenLocked,
         N::screenUnlocked},
        {"X screen saver", [&](bool on) { ASSERT_TRUE(run("xset", {"s", on ? "activate" : "reset"})); },
         N::displaysSlept, N::displaysWoke},
    };
    for (const Source& source : sources) {
        source.set(true);
        ASSERT_TRUE(hears(source.hidden)) << source.what;
        EXPECT_FALSE(state->screensAvailable()) << source.what;
        source.set(false);
        ASSERT_TRUE(hears(source.shown)) << source.what;
        EXPECT_TRUE(state->screensAvailable()) << source.what;
    }
}

TEST_F(LinuxScreenStateDesktop, OnlyLogindSpeaksForTheSessionEvenWhenItStartsAgain) {
    start();
    // Another program sending logind's signal is not listened to.
    QDBusConnection impostor = systemBus.connect();
    impostor.send(QDBusMessage::createSignal(testing::FakeLogind::sessionPath,
                                             QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock")));
    roundTrip(impostor);
    waitFor([] { return false; }, 200);
    EXPECT_TRUE(heard.empty());

    // logind starts again under a new name: the session is found anew.
    std::optional<testing::FakeLogind> restarted;
    logind.reset();
    ASSERT_TRUE(waitFor([&] { return !state->followsSession(); }));
    restarted.emplace(systemBus.connect());
    ASSERT_TRUE(waitFor([&] { return state->followsSession(); }));
    roundTrip(systemClient);
    restarted->lock();
    EXPECT_TRUE(hears(N::screenLocked));
}

TEST_F(LinuxScreenStateDesktop, OutsideTheSessionItIsFoundByItsId) {
    logind->refuseSessionByPid = true;
    qputenv("XDG_SESSION_ID", testing::FakeLogind::sessionId);
    start();
    qunsetenv("XDG_SESSION_ID");
    logind->lock();
    EXPECT_TRUE(hears(N::screenLocked));
}

TEST_F(LinuxScreenStateDesktop, ABurstOfScreenChangesIsDeliveredOnce) {
    start();
    int qtChanges = 0;
    QObject counter;
    QObject::connect(qApp, &QGuiApplication::screenAdded, &counter, [&] { ++qtChanges; });
    QObject::connect(qApp, &QGuiApplication::screenRemoved, &counter, [&] { ++qtChanges; });
    // Two monitors in one go: Qt reports each (at once or one by one).
    ASSERT_TRUE(run("xrandr", {"--setmonitor", "kestrove-left", "640/169x800/212+0+0", "none", "--setmonitor",
                               "kestrove-right", "640/169x800/212+640+0", "none"}));
    ASSERT_TRUE(hears(N::parametersChanged));
    waitFor([] { return false; }, 1000);
    EXPECT_GE(qtChanges, 2);
    EXPECT_EQ(heard, std::vector<N>{N::parametersChanged});

    ASSERT_TRUE(run("xrandr", {"--delmonitor", "kestrove-left", "--delmonitor", "kestrove-right"}));
    EXPECT_TRUE(hears(N::parametersChanged));
}

}  // namespace
}  // namespace kestrove
