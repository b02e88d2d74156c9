#include <gtest/gtest.h>

#include <QDBusConnection>

#include <memory>

#include "app/platform/dbus/dbus_keep_awake.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

// Lets the bus deliver what is under way.
void settle() { waitFor([] { return false; }, 150); }

TEST(DesktopSuspendInhibit, HeldWhileWantedAndGivenBackAfterwardsEvenWhenTheAnswerWasOut) {
    testing::PrivateBus bus;
    testing::FakePowerManagement power(bus.connect());
    auto hold = DbusKeepAwake::desktopSuspend(bus.connect());
    DbusKeepAwake& inhibit = *hold;
    inhibit.set(true);
    inhibit.set(true);
    ASSERT_TRUE(waitFor([&] { return inhibit.held(); }));
    ASSERT_EQ(power.inhibits.size(), 1u);
    EXPECT_EQ(power.inhibits[0], std::make_pair(QStringLiteral("Kestrove"),
                                                QStringLiteral("Kestrove is watching your screen")));
    EXPECT_EQ(power.held.size(), 1u);
    inhibit.set(false);
    EXPECT_FALSE(inhibit.held());
    EXPECT_TRUE(waitFor([&] { return power.held.empty(); }));

    // Let go before the answer came: the cookie goes back on arrival.
    inhibit.set(true);
    inhibit.set(false);
    ASSERT_TRUE(waitFor([&] { return power.inhibits.size() == 2; }));
    settle();
    EXPECT_TRUE(power.held.empty());
    EXPECT_FALSE(inhibit.held());
}

TEST(DesktopSuspendInhibit, ADesktopWithoutThePowerManagerHoldsNothingAndIsAskedAgainLater) {
    testing::PrivateBus bus;
    auto hold = DbusKeepAwake::desktopSuspend(bus.connect());
    DbusKeepAwake& inhibit = *hold;
    inhibit.set(true);
    settle();
    EXPECT_FALSE(inhibit.held());
    testing::FakePowerManagement power(bus.connect());
    inhibit.set(true);
    EXPECT_TRUE(waitFor([&] { return inhibit.held(); }));
}

}  // namespace
}  // namespace kestrove
