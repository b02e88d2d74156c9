#include <gtest/gtest.h>

#include "core/cloud/cloud_types.hpp"

namespace kestrove {
namespace {

template <typename T>
bool decodes(const char* body) {
    try {
        decodeWire<T>(body);
        return true;
    } catch (const JsonError&) {
        return false;
    }
}

TEST(CloudTypes, AnswersDecodeStrictly) {
    // Required keys missing or mistyped, and optional keys mistyped, all fail (what is
    // no JSON object at all is the reader's, and the client's test).
    EXPECT_TRUE(decodes<CheckResponse>(R"({"met": 1, "obstructed": 0})"));
    EXPECT_FALSE(decodes<CheckResponse>(R"({"met": 1})"));
    EXPECT_FALSE(decodes<CheckResponse>(R"({"met": "1", "obstructed": 0})"));
    EXPECT_TRUE(decodes<CheckResponse>(R"({"met": 1, "obstructed": 0, "ms": null, "decided_by": null})"));
    EXPECT_FALSE(decodes<CheckResponse>(R"({"met": 1, "obstructed": 0, "ms": "12"})"));
    EXPECT_FALSE(decodes<CheckResponse>(R"({"met": 1, "obstructed": 0, "decided_by": 3})"));

    EXPECT_TRUE(decodes<LinkStatus>(R"({"linked": false, "extra": [1, 2]})"));
    EXPECT_FALSE(decodes<LinkStatus>(R"({"linked": 0})"));
    EXPECT_FALSE(decodes<NotifyResponse>(R"({"sent": "true"})"));
    EXPECT_FALSE(decodes<PairResponse>(R"({"linked": true, "expires_in": "600"})"));
    EXPECT_FALSE(decodes<CompileResponse>(R"({"type":"new_item","type_confidence":0.9,"referent_visible":1,)"
                                          R"("currently_met":0,"too_vague":0,"types":{"new_item":"high"}})"));
    EXPECT_TRUE(decodes<ActionsResponse>(R"({"actions": []})"));
    EXPECT_FALSE(decodes<ActionsResponse>(R"({})"));
    EXPECT_FALSE(decodes<ActionsResponse>(R"({"actions": [{"watch": "w_1"}]})"));
}

TEST(CloudTypes, DecodedValuesCarryEveryField) {
    EXPECT_EQ(decodeWire<CheckResponse>(R"({"met": 1, "obstructed": 0.25, "decided_by": "model", "ms": 812})"),
              (CheckResponse{1, 0.25, "model", 812}));
    auto compile = decodeWire<CompileResponse>(
        R"({"type":"state_reached","type_confidence":0.8,"types":{"state_reached":0.8,"new_item":0.1},)"
        R"("mode":"every_time","referent_visible":0.9,"currently_met":0.05,"too_vague":0.1,"ms":1200})");
    EXPECT_EQ(compile, (CompileResponse{"state_reached", 0.8, std::map<std::string, double>{{"state_reached", 0.8},
                        {"new_item", 0.1}}, "every_time", 0.9, 0.05, 0.1, 1200}));
    EXPECT_EQ(compile.watchType(), WatchType::stateReached);
    EXPECT_EQ(compile.watchMode(), WatchMode::everyTime);
    compile.mode = "Once";  // names are exact
    EXPECT_EQ(compile.watchMode(), std::nullopt);
}

// The request readers the app's tests use read back what was written.
TEST(CloudTypes, RequestsReadBackAsWritten) {
    const CloudImage img("image/png", "iVBORw0KGgo=");
    for (const NotifyRequest& n : {NotifyRequest("d", "w_A", "price below 200", "199", WatchMode::once, img),
                                   NotifyRequest("d", "w_A", "done", std::nullopt, WatchMode::everyTime, std::nullopt)})
        EXPECT_EQ(decodeWire<NotifyRequest>(encodeWire(toJson(n))), n);
    const CheckRequest check("d", "a new item appears", WatchType::newItem, img, CloudImage("image/png", "QQ=="));
    EXPECT_EQ(decodeWire<CheckRequest>(encodeWire(toJson(check))), check);
}

TEST(CloudTypes, TopTwoTypesRanking) {
    CompileResponse r{"state_reached", 0.5, std::map<std::string, double>{{"new_item", 0.4}, {"state_reached", 0.4}, {"sparkles", 0.9}},
                      std::nullopt, 1, 0, 0, std::nullopt};
    EXPECT_EQ(r.topTwoTypes(), (std::vector{WatchType::stateReached, WatchType::newItem}));
    r.type = "not_a_kind";
    EXPECT_EQ(r.topTwoTypes(), (std::vector{WatchType::newItem, WatchType::stateReached}));
    r.types = std::map<std::string, double>{{"text_gone", 0.2}, {"new_line", 0.6}, {"any_change", 0.5}};
    r.type = "any_change";
    EXPECT_EQ(r.topTwoTypes(), (std::vector{WatchType::anyChange, WatchType::newLine}));
    r.types.reset();
    EXPECT_EQ(r.topTwoTypes(), (std::vector{WatchType::anyChange}));
    r.type = "nothing";
    EXPECT_TRUE(r.topTwoTypes().empty());
}

TEST(CloudTypes, PairingLinkOnlyOnTheMessengerHostOverHttps) {
    PairResponse p;
    EXPECT_EQ(p.link(), std::nullopt);
    p.url = "https://t.me/kestrove_bot?start=AB12";
    EXPECT_EQ(p.link(), "https://t.me/kestrove_bot?start=AB12");
    for (const char* bad : {"http://t.me/kestrove_bot", "HTTPS://t.me/x", "https://T.ME/x", "https://evil.example/t.me",
                            "https://t.me.evil.example/x", "tg://resolve?domain=x", "https://t.me/a b"}) {
        p.url = bad;
        EXPECT_EQ(p.link(), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace kestrove
