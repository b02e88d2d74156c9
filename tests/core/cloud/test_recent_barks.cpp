#include <gtest/gtest.h>

#include <functional>

#include "cloud_samples.hpp"
#include "core/cloud/recent_barks.hpp"
#include "core/watch/watch_json.hpp"

using namespace kestrove;
using namespace std::chrono;
using kestrove::testing::t0;
using kestrove::testing::watch;

TEST(RecentBarks, AnEntryLivesJustUnderAnHourAndANewerBarkRestartsIt) {
    RecentBarks r;
    r.remember(watch("w_AAAAAA", WatchType::anyChange), t0 - minutes{50});
    r.remember(watch("w_AAAAAA"), t0);
    ASSERT_EQ(r.entries.size(), 1u);
    for (auto [after, alive] : {std::pair{seconds{0}, true}, {seconds{3599}, true}, {seconds{3600}, false},
                                {seconds{7200}, false}, {seconds{-30}, true}}) {
        EXPECT_EQ(r.spec("w_AAAAAA", t0 + after).has_value(), alive) << after.count();
        EXPECT_EQ(r.any(t0 + after), alive) << after.count();
    }
    EXPECT_EQ(r.spec("w_AAAAAA", t0 + seconds{10}), watch("w_AAAAAA"));
    EXPECT_FALSE(r.spec("w_BBBBBB", t0).has_value());
}

TEST(RecentBarks, RememberDropsEntriesAnHourOldButKeepsOnesFromTheFuture) {
    RecentBarks r;
    r.remember(watch("w_OLD000"), t0);
    r.remember(watch("w_YOUNG0"), t0 + minutes{30});
    r.entries.emplace("w_FUTURE", RecentBarks::Entry{watch("w_FUTURE"), t0 + hours{5}});
    r.remember(watch("w_NEW000"), t0 + seconds{3600});
    std::vector<std::string> kept;
    for (const auto& [id, entry] : r.entries) kept.push_back(id);
    EXPECT_EQ(kept, (std::vector<std::string>{"w_FUTURE", "w_NEW000", "w_YOUNG0"}));
}

TEST(RecentBarks, StoredInTheWatchFileFormAndReadStrictly) {
    RecentBarks r;
    WatchSpec numeric = watch("w_BBBBBB", WatchType::numberCompare);
    numeric.value = 200;
    r.remember(watch("w_AAAAAA"), t0);
    r.remember(numeric, t0 + seconds{5});
    const std::string text = encodeJson(r);
    EXPECT_EQ(decodeJson<RecentBarks>(text), r);
    const Json doc = Json::parse(text);
    EXPECT_EQ(doc.at("entries").at("w_AAAAAA").at("at"), "2026-03-01T09:00:00Z");
    EXPECT_EQ(doc.at("entries").at("w_BBBBBB").at("spec"), toJson(numeric));
    EXPECT_EQ(decodeJson<RecentBarks>(R"({"entries": {}})"), RecentBarks{});

    const std::pair<std::function<void(Json&)>, std::string> faults[] = {
        {[](Json& j) { j.erase("entries"); }, "entries"},
        {[](Json& j) { j["entries"] = Json::array(); }, "entries"},
        {[](Json& j) { j["entries"]["w_AAAAAA"].erase("at"); }, "entries.w_AAAAAA.at"},
        {[](Json& j) { j["entries"]["w_AAAAAA"]["at"] = "yesterday"; }, "entries.w_AAAAAA.at"},
        {[](Json& j) { j["entries"]["w_AAAAAA"].erase("spec"); }, "entries.w_AAAAAA.spec"},
        {[](Json& j) { j["entries"]["w_AAAAAA"]["spec"]["type"] = "maybe"; }, "entries.w_AAAAAA.spec.type"},
    };
    for (const auto& [change, path] : faults) {
        Json bad = doc;
        change(bad);
        try {
            decodeJson<RecentBarks>(bad.dump());
            ADD_FAILURE() << path << " was read";
        } catch (const JsonError& e) {
            EXPECT_EQ(e.path(), path);
        }
    }
    EXPECT_THROW(decodeJson<RecentBarks>("not json"), JsonError);
}

TEST(RecentBarks, EntriesCenturiesOldAreNotFresh) {
    // Dates this far apart differ by more nanoseconds than 64 bits hold.
    const Date old = sys_days{year{1700} / 1 / 1};
    RecentBarks r;
    r.entries.emplace("w_OLD000", RecentBarks::Entry{watch("w_OLD000"), old});
    EXPECT_FALSE(r.any(t0));
    EXPECT_FALSE(r.spec("w_OLD000", t0).has_value());
    r.prune(t0);
    EXPECT_TRUE(r.entries.empty());
}
