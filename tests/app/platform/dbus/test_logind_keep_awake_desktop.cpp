#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include <memory>

#include "app/platform/dbus/dbus_keep_awake.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_logind.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

// One private system bus for the program, reached the way the application
// reaches the real one: through DBUS_SYSTEM_BUS_ADDRESS.
class SystemBus final : public ::testing::Environment {
public:
    void SetUp() override {
        bus = std::make_unique<testing::PrivateBus>();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus->address().toUtf8());
    }
    void TearDown() override { bus.reset(); }
    static inline std::unique_ptr<testing::PrivateBus> bus;
};
[[maybe_unused]] const auto* const systemBusEnvironment = ::testing::AddGlobalTestEnvironment(new SystemBus);

testing::PrivateBus& systemBus() { return *SystemBus::bus; }

class LogindKeepAwakeDesktop : public ::testing::Test {
protected:
    LogindKeepAwakeDesktop() : logind(systemBus().connect()) {}
    // Lets the bus deliver what is under way.
    static void settle() { waitFor([] { return false; }, 150); }

    testing::FakeLogind logind;
};

TEST_F(LogindKeepAwakeDesktop, OnlyAChangeOfTheWantedStateReachesLogindAndShuttingDownLetsGo) {
    auto keepAwake = DbusKeepAwake::logindIdle(QDBusConnection::systemBus());
    keepAwake->set(true);
    keepAwake->set(true);
    ASSERT_TRUE(waitFor([&] { return keepAwake->held(); }));
    keepAwake->set(true);
    settle();
    ASSERT_EQ(logind.inhibits.size(), 1u);
    const auto& call = logind.inhibits[0];
    EXPECT_EQ(call.what, "idle");
    EXPECT_EQ(call.who, "Kestrove");
    EXPECT_EQ(call.why, "Kestrove is watching your screen");
    EXPECT_EQ(call.mode, "block");
    EXPECT_FALSE(logind.released(0));

    keepAwake->set(false);
    keepAwake->set(false);
    EXPECT_FALSE(keepAwake->held());
    EXPECT_TRUE(logind.released(0));

    keepAwake->set(true);
    ASSERT_TRUE(waitFor([&] { return keepAwake->held(); }));
    EXPECT_EQ(logind.inhibits.size(), 2u);
    EXPECT_FALSE(logind.released(1));
    keepAwake.reset();
    // Qt lets go of its copy in the answer's message on a later turn of the loop.
    EXPECT_TRUE(waitFor([&] { return logind.released(1); }));
}

// A suspend asked for the way a desktop's menu asks for it; whether logind took it.
bool requestSuspend(QDBusConnection bus) {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Suspend"))
        << false;
    QDBusPendingCall pending = bus.asyncCall(call);
    EXPECT_TRUE(waitFor([&] { return pending.isFinished(); }));
    return pending.isFinished() && !pending.isError();
}

TEST_F(LogindKeepAwakeDesktop, TheHoldKeepsIdleSleepAwayButNeverARequestedSuspend) {
    const QDBusConnection user = systemBus().connect();
    auto hold = DbusKeepAwake::logindIdle(QDBusConnection::systemBus());
    DbusKeepAwake& keepAwake = *hold;
    EXPECT_FALSE(logind.idleActionHeldOff());
    keepAwake.set(true);
    ASSERT_TRUE(waitFor([&] { return keepAwake.held(); }));
    EXPECT_TRUE(logind.idleActionHeldOff());
    EXPECT_TRUE(requestSuspend(user)) << "watching never refuses the user's own suspend";
    EXPECT_EQ(logind.suspends, 1);

    keepAwake.set(false);
    EXPECT_FALSE(logind.idleActionHeldOff());
}

TEST_F(LogindKeepAwakeDesktop, AReleaseWhileTheCallIsOutClosesTheAnswerOnArrival) {
    logind.holdAnswers = true;
    auto hold = DbusKeepAwake::logindIdle(systemBus().connect());
    DbusKeepAwake& keepAwake = *hold;
    keepAwake.set(true);
    ASSERT_TRUE(waitFor([&] { return logind.inhibits.size() == 1; }));
    keepAwake.set(false);
    logind.answerHeld();
    ASSERT_TRUE(waitFor([&] { return logind.released(0); }));
    EXPECT_FALSE(keepAwake.held());

    // Wanted again before the answer: it is kept, and no second call is made.
    keepAwake.set(true);
    ASSERT_TRUE(waitFor([&] { return logind.inhibits.size() == 2; }));
    keepAwake.set(false);
    keepAwake.set(true);
    logind.answerHeld();
    ASSERT_TRUE(waitFor([&] { return keepAwake.held(); }));
    settle();
    EXPECT_EQ(logind.inhibits.size(), 2u);
    EXPECT_FALSE(logind.released(1));
}

TEST_F(LogindKeepAwakeDesktop, AFailedCallIsSilentAndTriedAgainAtTheNextWish) {
    logind.refuseInhibits = 1;
    auto hold = DbusKeepAwake::logindIdle(systemBus().connect());
    DbusKeepAwake& keepAwake = *hold;
    keepAwake.set(true);
    ASSERT_TRUE(waitFor([&] { return logind.inhibits.size() == 1; }));
    settle();
    EXPECT_FALSE(keepAwake.held());

    keepAwake.set(true);
    ASSERT_TRUE(waitFor([&] { return keepAwake.held(); }));
    EXPECT_EQ(logind.inhibits.size(), 2u);
}

}  // namespace
}  // namespace kestrove
