// The desktop's appearance setting through the Settings portal: read from
// either kind of portal, followed as it changes, and only as the portal
// itself tells it.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/platform/dbus/appearance_portal.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;
using testing::FakeAppearancePortal;

// Lets the bus deliver what is under way.
void settle() { waitFor([] { return false; }, 150); }

struct Watched {
    int changes = 0;
    std::unique_ptr<AppearancePortal> portal;
    explicit Watched(QDBusConnection bus)
        : portal(std::make_unique<AppearancePortal>(std::move(bus), [this] { ++changes; })) {}
    ColorScheme scheme() const { return portal->scheme(); }
};

// First in the program: followed before anything in the process has used
// D-Bus variants.
TEST(AppearancePortal, APortalThatComesLaterOrGoesIsFollowed) {
    testing::PrivateBus bus;
    Watched watched(bus.connect());
    settle();
    EXPECT_EQ(watched.scheme(), ColorScheme::noPreference) << "no portal: no preference";

    auto fake = std::make_unique<FakeAppearancePortal>(bus.connect(), 1);
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::dark; })) << "read once it starts";
    fake.reset();
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::noPreference; })) << "gone";
    fake = std::make_unique<FakeAppearancePortal>(bus.connect(), 2, false);
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::light; })) << "another one, older";
    fake->setScheme(1);
    EXPECT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::dark; })) << "and its changes";
    EXPECT_EQ(watched.changes, 4);
}

TEST(AppearancePortal, ReadsTheSchemeFromNewAndOldPortals) {
    struct Case {
        uint value;
        bool readOne;
        ColorScheme expected;
    };
    const Case cases[] = {
        {1, true, ColorScheme::dark},          {2, true, ColorScheme::light},
        {0, true, ColorScheme::noPreference},  {7, true, ColorScheme::noPreference},
        {1, false, ColorScheme::dark},         {2, false, ColorScheme::light},
        {0, false, ColorScheme::noPreference},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "value " << c.value << (c.readOne ? ", ReadOne" : ", Read alone"));
        testing::PrivateBus bus;
        FakeAppearancePortal fake(bus.connect(), c.value, c.readOne);
        Watched watched(bus.connect());
        ASSERT_TRUE(waitFor([&] { return fake.reads > 0; }));
        settle();
        EXPECT_EQ(watched.scheme(), c.expected);
        EXPECT_EQ(watched.changes, c.expected == ColorScheme::noPreference ? 0 : 1);
    }
}

TEST(AppearancePortal, FollowsThePortalsOwnChangesOfTheSchemeAlone) {
    testing::PrivateBus bus;
    FakeAppearancePortal fake(bus.connect(), 1);
    Watched watched(bus.connect());
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::dark; }));

    fake.setScheme(2);
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::light; }));
    EXPECT_EQ(watched.changes, 2);
    fake.setScheme(2);
    fake.announce(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("accent-color"), 1);
    fake.announce(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("color-scheme"), 1);
    // Another program on the bus speaking in the portal's words.
    FakeAppearancePortal::announceFrom(bus.connect(), 1);
    settle();
    EXPECT_EQ(watched.scheme(), ColorScheme::light);
    EXPECT_EQ(watched.changes, 2) << "no change told for the same value, another setting or another sender";
    fake.setScheme(0);
    ASSERT_TRUE(waitFor([&] { return watched.scheme() == ColorScheme::noPreference; }));
    EXPECT_EQ(watched.changes, 3);
}

}  // namespace
}  // namespace kestrove
