#include <gtest/gtest.h>

#include <set>

#include "support/cloud_test_client.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::clientFor;
using testing::HttpTestServer;
using testing::pairStatus;
using testing::ScriptedAnswer;
using B = ScriptedAnswer::Behaviour;

constexpr const char* linked = testing::linkedAnswer;

std::set<std::string> keysOf(const std::string& body) {
    std::set<std::string> keys;
    const Json object = Json::parse(body);
    for (auto it = object.begin(); it != object.end(); ++it) keys.insert(it.key());
    return keys;
}

TEST(CloudClient, BaseAddressPathIsKeptWithOneSlash) {
    HttpTestServer server;
    server.answer("/api/v1/pair/status", ScriptedAnswer::json(200, linked));
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    for (const char* path : {"/api", "/api/", "", "/"}) {
        auto r = pairStatus(clientFor(server.url(path)));
        ASSERT_TRUE(r.ok()) << path << ": " << r.error();
        EXPECT_TRUE(r.value().linked);
    }
    auto log = server.requests();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].path, "/api/v1/pair/status");
    EXPECT_EQ(log[1].path, "/api/v1/pair/status");
    EXPECT_EQ(log[2].path, "/v1/pair/status");
    EXPECT_EQ(log[3].path, "/v1/pair/status");
}

TEST(CloudClient, SendsExactlyTheJsonHeadersAndBody) {
    HttpTestServer server;
    server.answer("/v1/compile", ScriptedAnswer::json(200,
        R"({"type":"new_item","type_confidence":0.9,"referent_visible":1,"currently_met":0,"too_vague":0.1})"));
    // Large enough that libcurl would otherwise ask "Expect: 100-continue".
    CloudImage big("image/png", std::string(2u << 20, 'A'));
    auto c = clientFor(server.url());
    auto r = waitFor<CompileResponse>([&](Executor e, CloudCallback<CompileResponse> d) {
        return c.compile("tell me when 1/2 of the files are done", big, e, d);
    });
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(r.value().watchType(), WatchType::newItem);

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    const auto& req = log[0];
    EXPECT_EQ(req.method, "POST");
    std::set<std::string> names;
    for (const auto& [n, v] : req.headers) names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"Host", "Content-Type", "Accept", "Content-Length"}));
    EXPECT_EQ(req.header("content-type"), "application/json");
    EXPECT_EQ(req.header("accept"), "application/json");
    EXPECT_EQ(req.header("host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(req.header("content-length"), std::to_string(req.body.size()));
    EXPECT_NE(req.body.find("\"tell me when 1/2 of the files are done\""), std::string::npos);
    EXPECT_EQ(req.body.find("\\/"), std::string::npos);
    EXPECT_EQ(Json::parse(req.body), (Json{{"device", "device-1"},
                                           {"command", "tell me when 1/2 of the files are done"},
                                           {"image", {{"content_type", "image/png"}, {"base64", big.base64}}}}));
}

TEST(CloudClient, EachCallPostsItsPathAndBody) {
    HttpTestServer server;
    server.answer("/v1/check", ScriptedAnswer::json(200, R"({"met":0.9,"obstructed":0.1,"decided_by":"m"})"));
    server.answer("/v1/pair", ScriptedAnswer::json(200, R"({"linked":false,"code":"K7","url":"https://t.me/b?start=K7"})"));
    server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked":false})"));
    server.answer("/v1/notify", ScriptedAnswer::json(200, R"({"sent":true})"));
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions":[{"watch":"w_1","action":"keep"}]})"));
    auto c = clientFor(server.url());
    CloudImage a("image/png", "QUFB"), b("image/png", "QkJC");

    auto check = waitFor<CheckResponse>([&](Executor e, CloudCallback<CheckResponse> d) {
        return c.check("it is done", WatchType::stateReached, a, b, e, d);
    });
    ASSERT_TRUE(check.ok()) << check.error();
    EXPECT_EQ(check.value(), (CheckResponse{0.9, 0.1, "m", std::nullopt}));
    auto pair = waitFor<PairResponse>([&](Executor e, CloudCallback<PairResponse> d) { return c.pair(e, d); });
    ASSERT_TRUE(pair.ok());
    EXPECT_EQ(pair.value().link(), "https://t.me/b?start=K7");
    auto unpair = waitFor<LinkStatus>([&](Executor e, CloudCallback<LinkStatus> d) { return c.unpair(e, d); });
    ASSERT_TRUE(unpair.ok());
    EXPECT_FALSE(unpair.value().linked);
    auto sent = waitFor<NotifyResponse>([&](Executor e, CloudCallback<NotifyResponse> d) {
        return c.notify("w_1", "the build is done", std::nullopt, WatchMode::once, std::nullopt, e, d);
    });
    ASSERT_TRUE(sent.ok());
    EXPECT_TRUE(sent.value().sent);
    auto actions = waitFor<std::vector<ChatAction>>(
        [&](Executor e, CloudCallback<std::vector<ChatAction>> d) { return c.actions(e, d); });
    ASSERT_TRUE(actions.ok());
    EXPECT_EQ(actions.value(), (std::vector<ChatAction>{{"w_1", "keep"}}));

    auto log = server.requests();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].path, "/v1/check");
    EXPECT_EQ(Json::parse(log[0].body), (Json{{"device", "device-1"}, {"command", "it is done"}, {"type", "state_reached"},
                                              {"baseline", toJson(a)}, {"current", toJson(b)}}));
    EXPECT_EQ(log[1].path, "/v1/pair");
    EXPECT_EQ(Json::parse(log[1].body), (Json{{"device", "device-1"}}));
    EXPECT_EQ(log[2].path, "/v1/unpair");
    EXPECT_EQ(log[3].path, "/v1/notify");
    EXPECT_EQ(keysOf(log[3].body), (std::set<std::string>{"device", "watch", "command", "mode"}));
    EXPECT_EQ(log[4].path, "/v1/actions");
    EXPECT_EQ(Json::parse(log[4].body), (Json{{"device", "device-1"}}));
}

TEST(CloudClient, ErrorStatusesMapToTheirCase) {
    HttpTestServer server;
    struct Row {
        int status;
        std::string body;
        CloudError expected;
        std::vector<std::pair<std::string, std::string>> headers = {};
    };
    const std::vector<Row> rows = {
        {400, R"({"error":"bad","detail":"command too long"})", CloudError::badRequest("command too long")},
        {409, R"({"error":"not_linked"})", CloudError::notLinked()},
        {413, "<html><body><h1>413 Request Entity Too Large</h1></body></html>", CloudError::tooLarge(),
         {{"Content-Type", "text/html"}}},
        {429, R"({"error":"daily_limit","resets_in":5400})", CloudError::dailyLimit(5400)},
        {429, R"({"error":"rate"})", CloudError::slowDown()},
        {429, "", CloudError::slowDown()},
        {502, R"({"error":"telegram_unavailable"})", CloudError::telegramUnavailable()},
        {502, "Bad Gateway", CloudError::modelUnavailable()},
        {503, R"({"error":"busy","resets_in":120})", CloudError::busy(120)},
        {503, R"({"error":"busy"})", CloudError::busy(std::nullopt)},
        {503, R"({"error":"telegram_not_set_up"})", CloudError::telegramNotSetUp()},
        {503, "", CloudError::http(503)},
        {500, R"({"error":"boom"})", CloudError::http(500)},
        {302, "", CloudError::http(302), {{"Location", "/v1/elsewhere"}}},
        {301, "", CloudError::http(301), {{"Location", "https://example.invalid/"}}},
    };
    auto c = clientFor(server.url());
    for (const auto& row : rows) {
        ScriptedAnswer answer = ScriptedAnswer::json(row.status, row.body);
        answer.headers = row.headers;
        server.answer("/v1/pair/status", answer);
        auto r = pairStatus(c);
        ASSERT_FALSE(r.ok()) << row.status;
        EXPECT_EQ(r.error(), row.expected) << row.status << " " << row.body;
    }
    // Redirects are not followed: only the calls themselves reached the server.
    for (const auto& req : server.requests()) EXPECT_EQ(req.path, "/v1/pair/status");
    EXPECT_EQ(server.requests().size(), rows.size());
}

TEST(CloudClient, SuccessThatIsNotTheAnswerIsBadAnswer) {
    HttpTestServer server;
    auto c = clientFor(server.url());
    const ScriptedAnswer answers[] = {
        ScriptedAnswer::json(200, ""),
        ScriptedAnswer::json(200, "[]"),
        ScriptedAnswer::json(200, "[{\"linked\": true}]"),
        ScriptedAnswer::json(204, ""),
        ScriptedAnswer::json(200, R"({"linked": "yes"})"),
        ScriptedAnswer::json(201, R"({"other": 1})"),
        ScriptedAnswer::with(B::garbage),
    };
    for (const auto& answer : answers) {
        server.answer("/v1/pair/status", answer);
        auto r = pairStatus(c);
        ASSERT_FALSE(r.ok()) << answer.status << " " << answer.body;
        EXPECT_EQ(r.error(), CloudError::badAnswer()) << answer.status << " " << answer.body;
    }
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"actions": []})"));
    auto none = waitFor<std::vector<ChatAction>>(
        [&](Executor e, CloudCallback<std::vector<ChatAction>> d) { return c.actions(e, d); });
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value().empty());
    server.answer("/v1/actions", ScriptedAnswer::json(200, R"({"pending": []})"));
    auto missing = waitFor<std::vector<ChatAction>>(
        [&](Executor e, CloudCallback<std::vector<ChatAction>> d) { return c.actions(e, d); });
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error(), CloudError::badAnswer());
}

TEST(CloudClient, RefusesOtherSchemesAndUnwritableBodiesWithoutSending) {
    HttpTestServer server;
    auto ftp = pairStatus(clientFor("ftp://127.0.0.1:" + std::to_string(server.port())));
    ASSERT_FALSE(ftp.ok());
    EXPECT_EQ(ftp.error().kind(), CloudError::Case::transport);

    auto c = clientFor(server.url());
    auto r = waitFor<CompileResponse>([&](Executor e, CloudCallback<CompileResponse> d) {
        return c.compile("caf\xe9", CloudImage("image/png", "QQ=="), e, d);  // Latin-1, not UTF-8
    });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), CloudError::badRequest("could not encode the request"));
    EXPECT_EQ(server.requests().size(), 0u);
    EXPECT_EQ(server.connections(), 0u);
}

}  // namespace
}  // namespace kestrove
