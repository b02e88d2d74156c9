#include <gtest/gtest.h>

#include <set>

#include "support/cloud_harness.hpp"

namespace kestrove {
namespace {

using testing::clientFor;
using testing::HttpTestServer;
using testing::pairStatus;
using testing::requestPaths;
using testing::ScriptedAnswer;
using Paths = std::vector<std::string>;

// Each call posts its JSON body to its path under a base address with a path
// of its own, with exactly the JSON headers (no "Expect: 100-continue" for a
// large picture, no cookie set by an earlier answer), and reads its answer.
TEST(CloudClient, EachCallPostsItsJsonBodyToItsPath) {
    HttpTestServer server;
    ScriptedAnswer compiled = ScriptedAnswer::json(
        200, R"({"type":"new_item","type_confidence":0.9,"referent_visible":1,"currently_met":0,"too_vague":0.1})");
    compiled.headers = {{"Set-Cookie", "session=abc; Path=/"}};
    server.answer("/api/v1/compile", compiled);
    server.answer("/api/v1/check", ScriptedAnswer::json(200, R"({"met":0.9,"obstructed":0.1,"decided_by":"m"})"));
    server.answer("/api/v1/pair",
                  ScriptedAnswer::json(200, R"({"linked":false,"code":"K7","url":"https://t.me/b?start=K7"})"));
    server.answer("/api/v1/unpair", ScriptedAnswer::json(200, R"({"linked":false})"));
    server.answer("/api/v1/notify", ScriptedAnswer::json(200, R"({"sent":true})"));
    server.answer("/api/v1/actions", ScriptedAnswer::json(200, R"({"actions":[{"watch":"w_1","action":"keep"}]})"));
    auto c = clientFor(server.url("/api/"));
    const CloudImage big("image/png", std::string(2u << 20, 'A')), a("image/png", "QUFB"), b("image/png", "QkJC");
    const std::string sentence = "tell me when 1/2 of the files are done";

    EXPECT_EQ(waitFor<CompileResponse>([&](auto e, auto d) { return c.compile(sentence, big, e, d); })
                  .value().watchType(), WatchType::newItem);
    auto check = waitFor<CheckResponse>(
        [&](auto e, auto d) { return c.check("it is done", WatchType::stateReached, a, b, e, d); });
    EXPECT_EQ(check.value(), (CheckResponse{0.9, 0.1, "m", std::nullopt}));
    EXPECT_EQ(waitFor<PairResponse>([&](auto e, auto d) { return c.pair(e, d); }).value().link(),
              "https://t.me/b?start=K7");
    EXPECT_FALSE(waitFor<LinkStatus>([&](auto e, auto d) { return c.unpair(e, d); }).value().linked);
    EXPECT_TRUE(waitFor<NotifyResponse>([&](auto e, auto d) {
                    return c.notify("w_1", "the build is done", std::nullopt, WatchMode::once, std::nullopt, e, d);
                }).value().sent);
    EXPECT_EQ(waitFor<std::vector<ChatAction>>([&](auto e, auto d) { return c.actions(e, d); }).value(),
              (std::vector<ChatAction>{{"w_1", "keep"}}));

    EXPECT_EQ(requestPaths(server), (Paths{"/api/v1/compile", "/api/v1/check", "/api/v1/pair", "/api/v1/unpair",
                                           "/api/v1/notify", "/api/v1/actions"}));
    const auto log = server.requests();
    const Json device{{"device", "device-1"}};
    EXPECT_EQ(Json::parse(log[0].body), (Json{{"device", "device-1"}, {"command", sentence}, {"image", toJson(big)}}));
    EXPECT_NE(log[0].body.find('"' + sentence + '"'), std::string::npos) << "a slash written as \\/";
    EXPECT_EQ(Json::parse(log[1].body), (Json{{"device", "device-1"}, {"command", "it is done"},
                                              {"type", "state_reached"}, {"baseline", toJson(a)},
                                              {"current", toJson(b)}}));
    EXPECT_EQ(Json::parse(log[4].body),
              (Json{{"device", "device-1"}, {"watch", "w_1"}, {"command", "the build is done"}, {"mode", "once"}}));
    for (std::size_t i : {2u, 3u, 5u}) EXPECT_EQ(Json::parse(log[i].body), device) << log[i].path;
    for (const auto& r : log) {
        SCOPED_TRACE(r.path);
        std::set<std::string> names;
        for (const auto& [n, v] : r.headers) names.insert(n);
        EXPECT_EQ(names, (std::set<std::string>{"Host", "Content-Type", "Accept", "Content-Length"}));
        EXPECT_EQ(std::make_tuple(r.method, r.header("content-type"), r.header("accept"), r.header("content-length")),
                  std::make_tuple("POST", "application/json", "application/json", std::to_string(r.body.size())));
        EXPECT_EQ(r.header("host"), "127.0.0.1:" + std::to_string(server.port()));
    }
}

// Every status and body is mapped as in test_cloud_error.cpp; here, what the
// wire adds: bodies that are not JSON, redirects that are not followed, and
// success that is not the answer.
TEST(CloudClient, ErrorAnswersMapToTheirCaseAndRedirectsAreNotFollowed) {
    HttpTestServer server;
    struct Row { int status; std::string body; CloudError expected; std::pair<std::string, std::string> header; };
    const Row rows[] = {
        {413, "<html><body><h1>413 Request Entity Too Large</h1></body></html>", CloudError::tooLarge(),
         {"Content-Type", "text/html"}},
        {502, "Bad Gateway", CloudError::modelUnavailable(), {"X-A", "1"}},
        {302, "", CloudError::http(302), {"Location", "/v1/elsewhere"}},
        {301, "", CloudError::http(301), {"Location", "https://example.invalid/"}},
        {200, "", CloudError::badAnswer(), {"X-A", "1"}},
        {200, "[{\"linked\": true}]", CloudError::badAnswer(), {"X-A", "1"}},
        {204, "", CloudError::badAnswer(), {"X-A", "1"}},
        {201, R"({"other": 1})", CloudError::badAnswer(), {"X-A", "1"}},
    };
    auto c = clientFor(server.url());
    for (const Row& row : rows) {
        ScriptedAnswer answer = ScriptedAnswer::json(row.status, row.body);
        answer.headers = {row.header};
        server.answer("/v1/pair/status", answer);
        EXPECT_EQ(pairStatus(c).error(), row.expected) << row.status << " " << row.body;
    }
    EXPECT_EQ(requestPaths(server), Paths(std::size(rows), "/v1/pair/status"));
    server.answer("/v1/pair/status", ScriptedAnswer::with(ScriptedAnswer::Behaviour::garbage));
    EXPECT_EQ(pairStatus(c).error(), CloudError::badAnswer());
}

TEST(CloudClient, RefusesOtherSchemesAndUnwritableBodiesWithoutSending) {
    HttpTestServer server;
    EXPECT_EQ(pairStatus(clientFor("ftp://127.0.0.1:" + std::to_string(server.port()))).error().kind(),
              CloudError::Case::transport);
    auto c = clientFor(server.url());
    auto r = waitFor<CompileResponse>([&](auto e, auto d) {
        return c.compile("caf\xe9", CloudImage("image/png", "QQ=="), e, d);  // Latin-1, not UTF-8
    });
    EXPECT_EQ(r.error(), CloudError::badRequest("could not encode the request"));
    EXPECT_EQ(server.connections(), 0u);
}

}  // namespace
}  // namespace kestrove
