#include <gtest/gtest.h>

#include "core/cloud/cloud_settings.hpp"
#include "core/foundation/text.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using Availability = CloudSettings::Availability;

const Date t0 = Date(std::chrono::seconds(1'800'000'000));
const Url builtIn = *Url::parse("https://api.kestrove.example");

struct Fixture {
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    CloudSettings settings{store, builtIn};
    std::shared_ptr<CloudSession> session = CloudSession::make();
};

TEST(CloudSettings, BaseAddressRules) {
    struct Row { std::optional<std::string> stored, expected; };  // the address stored, the address in force
    const auto no = std::nullopt;
    const Row rows[] = {
        {no, "https://api.kestrove.example"}, {"", no}, {"  \t\n ", no},
        {"https://alt.example/base/", "https://alt.example/base/"}, {"  https://alt.example\n", "https://alt.example"},
        {"HTTPS://alt.example", "HTTPS://alt.example"}, {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"http://localhost", "http://localhost"}, {"http://localhost:3000/api", "http://localhost:3000/api"},
        {"http://[::1]:8080", "http://[::1]:8080"}, {"HTTP://localhost", "HTTP://localhost"},
        // Plain http only to this machine; addresses without a host are none.
        {"http://alt.example", no}, {"http://192.168.1.5", no}, {"ftp://alt.example", no}, {"alt.example", no},
        {"https://", no}, {"https:///path", no}, {"https://bad host", no},
    };
    for (const auto& row : rows) {
        Fixture f;
        if (row.stored) f.store->set(CloudSettings::baseURLKey, *row.stored);
        auto url = f.settings.baseURL();
        EXPECT_EQ(url ? std::optional(url->toString()) : std::nullopt, row.expected) << row.stored.value_or("(none)");
        EXPECT_EQ(f.settings.availability(), row.expected ? Availability::ready : Availability::notSetUp);
        EXPECT_EQ(f.settings.client(f.session).has_value(), row.expected.has_value());
        EXPECT_EQ(f.settings.messagingClient(f.session).has_value(), row.expected.has_value());
    }
    // A stored value of another type is no override.
    Fixture f;
    f.store->set(CloudSettings::baseURLKey, 3.0);
    EXPECT_EQ(f.settings.baseURL(), builtIn);
    // Without a built-in address the server is not set up.
    CloudSettings none(f.store, std::nullopt);
    EXPECT_EQ(none.availability(), Availability::notSetUp);
}

// What each client is then refused is the privacy suite's.
TEST(CloudSettings, LocalOnlyIsStoredAndWinsEvenWithoutAnAddress) {
    Fixture f;
    f.settings.setLocalOnly(true);
    EXPECT_EQ(f.store->object(CloudSettings::localOnlyKey), DefaultsValue(true));
    EXPECT_EQ(f.settings.availability(), Availability::localOnly);
    EXPECT_EQ(CloudSettings(f.store, std::nullopt).availability(), Availability::localOnly);
    f.settings.setLocalOnly(false);
    EXPECT_EQ(f.settings.availability(), Availability::ready);
}

TEST(CloudSettings, DeviceIdIsMadeOnceAsALowerCaseUuid) {
    Fixture f;
    const std::string id = f.settings.deviceID();
    static const text::Regex uuid("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");
    EXPECT_TRUE(uuid.matches(std::string_view(id))) << id;
    EXPECT_EQ(f.store->string(CloudSettings::deviceKey), id);
    // Another copy over the same store sees the same id; another store gets another.
    EXPECT_EQ(CloudSettings(f.store, builtIn).deviceID(), id);
    EXPECT_NE(Fixture().settings.deviceID(), id);
    // An empty or mistyped stored id is replaced.
    for (const DefaultsValue& stored : {DefaultsValue(42.0), DefaultsValue(std::string())}) {
        f.store->set(CloudSettings::deviceKey, stored);
        EXPECT_TRUE(uuid.matches(std::string_view(f.settings.deviceID())));
    }
}

TEST(ModelPause, FromResetsIn) {
    EXPECT_EQ(ModelPause(3600.0, t0), ModelPause(t0 + 3600s, t0 + 3600s));
    EXPECT_EQ(ModelPause(200000.0, t0), ModelPause(t0 + 90000s, t0 + 90000s));
    EXPECT_EQ(ModelPause(0.5, t0), ModelPause(t0 + 500ms, t0 + 500ms));
    for (std::optional<double> unusable : {std::optional<double>(), std::optional(0.0), std::optional(-5.0),
                                           std::optional(std::numeric_limits<double>::infinity()),
                                           std::optional(std::numeric_limits<double>::quiet_NaN())})
        EXPECT_EQ(ModelPause(unusable, t0), ModelPause(t0 + 900s, std::nullopt));
    ModelPause p(60.0, t0);
    EXPECT_FALSE(p.mayAsk(t0 + 59s));
    EXPECT_TRUE(p.mayAsk(t0 + 60s));
}

// Kept as seconds since 1970, and over from its end on; the keys stay until cleared.
TEST(CloudSettings, PauseIsStoredReadBackAndCleared) {
    Fixture f;
    EXPECT_EQ(f.settings.modelPause(t0), std::nullopt);
    const auto pause = f.settings.pauseModel(3600.0, t0);
    EXPECT_EQ(f.store->number(CloudSettings::pauseUntilKey), 1'800'003'600.0);
    EXPECT_EQ(f.store->number(CloudSettings::pauseBackKey), 1'800'003'600.0);
    EXPECT_EQ(f.settings.modelPause(t0 + 3599s), pause);
    EXPECT_EQ(f.settings.modelPause(t0 + 3600s), std::nullopt);
    EXPECT_TRUE(f.store->object(CloudSettings::pauseUntilKey));
    // Without a back time the stored one goes.
    EXPECT_EQ(f.settings.modelPause(t0), f.settings.pauseModel(std::nullopt, t0));
    EXPECT_EQ(f.store->object(CloudSettings::pauseBackKey), std::nullopt);
    // Clearing with only the back time stored leaves it alone.
    Fixture g;
    g.store->set(CloudSettings::pauseBackKey, 5.0);
    g.settings.clearModelPause();
    EXPECT_EQ(g.store->number(CloudSettings::pauseBackKey), 5.0);
}

TEST(CloudSettings, StoredPausesAreReadWarily) {
    const double now = 1'800'000'000.0;
    const std::tuple<const char*, DefaultsValue, std::optional<DefaultsValue>, bool> cases[] = {
        {"more than 25 hours ahead (the clock was set back)", now + 90001, std::nullopt, false},
        {"at most 25 hours ahead", now + 90000, std::nullopt, true},
        {"an end of the wrong type", std::string("tomorrow"), std::nullopt, false},
        {"an end beyond any date", 1e300, std::nullopt, false},
        {"an end before any date", -1e300, std::nullopt, false},
        {"an end far beyond the clock", 1e12, std::nullopt, false},
        {"a back time of the wrong type", now + 60, std::string("soon"), true},
        {"a back time beyond any date", now + 60, 1e300, true},
        {"a back time before any date", now + 60, -1e300, true},
        {"a back time far beyond the clock", now + 60, 1e12, true},
    };
    for (const auto& [what, until, back, paused] : cases) {
        Fixture f;
        f.store->set(CloudSettings::pauseUntilKey, until);
        if (back) f.store->set(CloudSettings::pauseBackKey, *back);
        const auto pause = f.settings.modelPause(t0);
        EXPECT_EQ(pause.has_value(), paused) << what;
        EXPECT_FALSE(pause && pause->back) << what;
    }
    // An end centuries ahead of a clock set far back: more nanoseconds apart than 64 bits hold.
    Fixture f;
    f.store->set(CloudSettings::pauseUntilKey, 9'000'000'000.0);
    EXPECT_EQ(f.settings.modelPause(Date(std::chrono::seconds(-2'000'000'000))), std::nullopt);
}

}  // namespace
}  // namespace kestrove
