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

constexpr const char* linked = testing::linkedAnswer;

TEST(CloudClient, SendsExactlyTheJsonHeadersAndBody) {
    HttpTestServer server;
    server.answer("/v1/compile", ScriptedAnswer::json(200,
        R"({"type":"new_item","type_confidence":0.9,"referent_visible":1,"currently_met":0,"too_vague":0.1})"));
    // Large enough that libcurl would otherwise ask "Expect: 100-continue".
    CloudImage big("image/png", std::string(2u << 20, 'A'));
    auto c = clientFor(server.url());
    auto r = waitFor<CompileResponse>(
        [&](auto e, auto d) { return c.compile("tell me when 1/2 of the files are done", big, e, d); });
    EXPECT_EQ(r.value().watchType(), WatchType::newItem);

    ASSERT_EQ(server.requests().size(), 1u);
    const auto req = server.requests()[0];
    EXPECT_EQ(req.method, "POST");
    std::set<std::string> names;
    for (const auto& [n, v] : req.headers) names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"Host", "Content-Type", "Accept", "Content-Length"}));
    EXPECT_EQ(req.header("content-type"), "application/json");
    EXPECT_EQ(req.header("accept"), "application/json");
    EXPECT_EQ(req.header("host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(req.header("content-length"), std::to_string(req.body.size()));
    EXPECT_NE(req.body.find("\"tell me when 1/2 of the files are done\""), std::string::npos);  // no "\/"
    EXPECT_EQ(Json::parse(req.body), (Json{{"device", "device-1"},
                                           {"command", "tell me when 1/2 of the files are done"},
                                           {"image", {{"content_type", "image/png"}, {"base64", big.base64}}}}));
}

// Under a base address with a path of its own; no cookie set by an answer is sent back.
TEST(CloudClient, EachCallPostsItsPathAndBody) {
    HttpTestServer server;
    ScriptedAnswer checked = ScriptedAnswer::json(200, R"({"met":0.9,"obstructed":0.1,"decided_by":"m"})");
    checked.headers = {{"Set-Cookie", "session=abc; Path=/"}};
    server.answer("/api/v1/check", checked);
    server.answer("/api/v1/pair",
                  ScriptedAnswer::json(200, R"({"linked":false,"code":"K7","url":"https://t.me/b?start=K7"})"));
    server.answer("/api/v1/unpair", ScriptedAnswer::json(200, R"({"linked":false})"));
    server.answer("/api/v1/notify", ScriptedAnswer::json(200, R"({"sent":true})"));
    server.answer("/api/v1/actions", ScriptedAnswer::json(200, R"({"actions":[{"watch":"w_1","action":"keep"}]})"));
    auto c = clientFor(server.url("/api/"));
    CloudImage a("image/png", "QUFB"), b("image/png", "QkJC");

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

    EXPECT_EQ(requestPaths(server),
              (Paths{"/api/v1/check", "/api/v1/pair", "/api/v1/unpair", "/api/v1/notify", "/api/v1/actions"}));
    const auto log = server.requests();
    const Json device{{"device", "device-1"}};
    EXPECT_EQ(Json::parse(log[0].body), (Json{{"device", "device-1"}, {"command", "it is done"}, {"type", "state_reached"},
                                              {"baseline", toJson(a)}, {"current", toJson(b)}}));
    EXPECT_EQ(Json::parse(log[3].body),
              (Json{{"device", "device-1"}, {"watch", "w_1"}, {"command", "the build is done"}, {"mode", "once"}}));
    for (std::size_t i : {1u, 2u, 4u}) EXPECT_EQ(Json::parse(log[i].body), device) << log[i].path;
    for (const auto& r : log) EXPECT_EQ(r.header("Cookie"), std::nullopt) << r.path;
}

// Every status and body is mapped as in test_cloud_error.cpp; here, what the
// wire adds: bodies that are not JSON, and redirects that are not followed.
TEST(CloudClient, ErrorAnswersMapToTheirCaseAndRedirectsAreNotFollowed) {
    HttpTestServer server;
    struct Row { int status; std::string body; CloudError expected; std::pair<std::string, std::string> header; };
    const Row rows[] = {
        {413, "<html><body><h1>413 Request Entity Too Large</h1></body></html>", CloudError::tooLarge(),
         {"Content-Type", "text/html"}},
        {502, "Bad Gateway", CloudError::modelUnavailable(), {"X-A", "1"}},
        {302, "", CloudError::http(302), {"Location", "/v1/elsewhere"}},
        {301, "", CloudError::http(301), {"Location", "https://example.invalid/"}},
    };
    auto c = clientFor(server.url());
    for (const Row& row : rows) {
        ScriptedAnswer answer = ScriptedAnswer::json(row.status, row.body);
        answer.headers = {row.header};
        server.answer("/v1/pair/status", answer);
        EXPECT_EQ(pairStatus(c).error(), row.expected) << row.status << " " << row.body;
    }
    EXPECT_EQ(requestPaths(server), Paths(std::size(rows), "/v1/pair/status"));
}

TEST(CloudClient, SuccessThatIsNotTheAnswerIsBadAnswer) {
    HttpTestServer server;
    auto c = clientFor(server.url());
    for (const auto& answer : {ScriptedAnswer::json(200, ""), ScriptedAnswer::json(200, "[{\"linked\": true}]"),
                               ScriptedAnswer::json(204, ""), ScriptedAnswer::json(201, R"({"other": 1})"),
                               ScriptedAnswer::with(ScriptedAnswer::Behaviour::garbage)}) {
        server.answer("/v1/pair/status", answer);
        EXPECT_EQ(pairStatus(c).error(), CloudError::badAnswer()) << answer.status << " " << answer.body;
    }
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
