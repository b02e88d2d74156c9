#include <gtest/gtest.h>

#include <functional>

#include "core/cloud/recent_barks.hpp"
#include "core/watch/watch_json.hpp"

using namespace kestrove;
using namespace std::chrono;

namespace {

const Date t0 = sys_days{year{2026} / 3 / 1} + hours{9};

WatchSpec spec(const std::string& id, const std::string& command = "\"Done\" appears") {
    WatchSpec s;
    s.id = id;
    s.command = command;
    s.type = WatchType::textAppears;
    s.target.text = "Done";
    s.region = {7, 10, 20, 300, 40, 2, std::nullopt};
    s.createdAt = t0 - hours{2};
    return s;
}

}  // namespace

TEST(RecentBarks, AnEntryLivesJustUnderAnHour) {
    RecentBarks r;
    r.remember(spec("w_AAAAAA"), t0);
    struct Case {
        seconds after;
        bool alive;
    };
    for (const Case& c : {Case{seconds{0}, true}, Case{seconds{3599}, true}, Case{seconds{3600}, false},
                          Case{seconds{7200}, false}, Case{seconds{-30}, true}}) {
        EXPECT_EQ(r.spec("w_AAAAAA", t0 + c.after).has_value(), c.alive) << c.after.count();
        EXPECT_EQ(r.any(t0 + c.after), c.alive) << c.after.count();
    }
    EXPECT_EQ(r.spec("w_AAAAAA", t0 + seconds{10}), spec("w_AAAAAA"));
    EXPECT_FALSE(r.spec("w_BBBBBB", t0).has_value());
    EXPECT_FALSE(RecentBarks{}.any(t0));
}

TEST(RecentBarks, ANewerBarkReplacesTheEntryAndRestartsItsHour) {
    RecentBarks r;
    r.remember(spec("w_AAAAAA", "old sentence"), t0);
    r.remember(spec("w_AAAAAA", "new sentence"), t0 + minutes{50});
    ASSERT_EQ(r.entries.size(), 1u);
    auto later = r.spec("w_AAAAAA", t0 + minutes{100});
    ASSERT_TRUE(later.has_value());
    EXPECT_EQ(later->command, "new sentence");
}

TEST(RecentBarks, RememberDropsEntriesAnHourOldButKeepsOnesFromTheFuture) {
    RecentBarks r;
    r.remember(spec("w_OLD000"), t0);
    r.remember(spec("w_YOUNG0"), t0 + minutes{30});
    r.entries.emplace("w_FUTURE", RecentBarks::Entry{spec("w_FUTURE"), t0 + hours{5}});
    r.remember(spec("w_NEW000"), t0 + seconds{3600});
    EXPECT_EQ(r.entries.count("w_OLD000"), 0u);
    EXPECT_EQ(r.entries.count("w_YOUNG0"), 1u);
    EXPECT_EQ(r.entries.count("w_FUTURE"), 1u);
    EXPECT_EQ(r.entries.count("w_NEW000"), 1u);
}

TEST(RecentBarks, JsonRoundTripsInTheWatchFileForm) {
    RecentBarks r;
    WatchSpec numeric = spec("w_BBBBBB", "price below 200");
    numeric.type = WatchType::numberCompare;
    numeric.value = 200;
    numeric.comparator = Comparison::lt;
    r.remember(spec("w_AAAAAA"), t0);
    r.remember(numeric, t0 + seconds{5});

    const std::string text = encodeJson(r);
    EXPECT_EQ(decodeJson<RecentBarks>(text), r);
    const Json doc = Json::parse(text);
    EXPECT_EQ(doc.at("entries").at("w_AAAAAA").at("at"), "2026-03-01T09:00:00Z");
    EXPECT_EQ(doc.at("entries").at("w_BBBBBB").at("spec"), toJson(numeric));
    EXPECT_NE(text.find("\n"), std::string::npos);  // the watch file's pretty form
    EXPECT_EQ(decodeJson<RecentBarks>(R"({"entries": {}})"), RecentBarks{});
}

TEST(RecentBarks, UnreadableValuesFailNamingTheFault) {
    RecentBarks r;
    r.remember(spec("w_AAAAAA"), t0);
    Json good = toJson(r);
    struct Case {
        std::string name;
        std::function<void(Json&)> change;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"no entries", [](Json& j) { j.erase("entries"); }, "entries"},
        {"entries not an object", [](Json& j) { j["entries"] = Json::array(); }, "entries"},
        {"no date", [](Json& j) { j["entries"]["w_AAAAAA"].erase("at"); }, "entries.w_AAAAAA.at"},
        {"bad date", [](Json& j) { j["entries"]["w_AAAAAA"]["at"] = "yesterday"; }, "entries.w_AAAAAA.at"},
        {"no spec", [](Json& j) { j["entries"]["w_AAAAAA"].erase("spec"); }, "entries.w_AAAAAA.spec"},
        {"broken spec", [](Json& j) { j["entries"]["w_AAAAAA"]["spec"]["type"] = "maybe"; },
         "entries.w_AAAAAA.spec.type"},
    };
    for (const Case& c : cases) {
        Json doc = good;
        c.change(doc);
        try {
            decodeJson<RecentBarks>(doc.dump());
            ADD_FAILURE() << c.name << " was read";
        } catch (const JsonError& e) {
            EXPECT_EQ(e.path(), c.path) << c.name;
        }
    }
    EXPECT_THROW(decodeJson<RecentBarks>("not json"), JsonError);
}

TEST(RecentBarks, EntriesCenturiesOldAreNotFresh) {
    // Dates this far apart differ by more nanoseconds than 64 bits hold.
    const Date old = sys_days{year{1700} / 1 / 1};
    RecentBarks r;
    r.entries.emplace("w_OLD000", RecentBarks::Entry{spec("w_OLD000"), old});
    EXPECT_FALSE(r.any(t0));
    EXPECT_FALSE(r.spec("w_OLD000", t0).has_value());
    r.prune(t0);
    EXPECT_TRUE(r.entries.empty());
}
