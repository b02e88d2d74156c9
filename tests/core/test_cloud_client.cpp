#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>

#include "core/cloud_client.hpp"
#include "support/http_test_server.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::HttpTestServer;
using testing::ManualExecutor;
using testing::ScriptedAnswer;
using B = ScriptedAnswer::Behaviour;

constexpr const char* linked = R"({"linked": true})";

std::shared_ptr<CloudSession> quickSession() { return CloudSession::make({300ms, 8u << 20}); }

CloudClient clientFor(const std::string& base, std::shared_ptr<CloudSession> session = quickSession()) {
    return CloudClient{*Url::parse(base), "device-1", std::move(session)};
}

CloudResult<LinkStatus> pairStatus(const CloudClient& c) {
    return waitFor<LinkStatus>([&](Executor e, CloudCallback<LinkStatus> d) { return c.pairStatus(e, d); });
}

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

TEST(CloudClient, KeepsNoCookies) {
    HttpTestServer server;
    ScriptedAnswer withCookie = ScriptedAnswer::json(200, linked);
    withCookie.headers = {{"Set-Cookie", "session=abc; Path=/"}};
    server.answer("/v1/pair/status", withCookie);
    auto c = clientFor(server.url());
    ASSERT_TRUE(pairStatus(c).ok());
    ASSERT_TRUE(pairStatus(c).ok());
    auto log = server.requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].header("Cookie"), std::nullopt);
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

TEST(CloudClient, FailedExchangesAreTransportOrTimeout) {
    auto refused = pairStatus(clientFor("http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort())));
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), CloudError::transport("Couldn't connect to server"));

    HttpTestServer server;
    auto c = clientFor(server.url());
    server.answer("/v1/pair/status", ScriptedAnswer::with(B::closeWithoutReply));
    auto hungUp = pairStatus(c);
    ASSERT_FALSE(hungUp.ok());
    EXPECT_EQ(hungUp.error().kind(), CloudError::Case::transport) << hungUp.error();

    ScriptedAnswer shortBody = ScriptedAnswer::json(200, linked);
    shortBody.behaviour = B::shortBodyThenClose;
    server.answer("/v1/pair/status", shortBody);
    auto cut = pairStatus(c);
    ASSERT_FALSE(cut.ok());
    EXPECT_EQ(cut.error().kind(), CloudError::Case::transport) << cut.error();

    server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    const auto start = std::chrono::steady_clock::now();
    auto silent = pairStatus(c);
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(silent.ok());
    EXPECT_EQ(silent.error(), CloudError::timeout());
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 5s);

    // A reply slower than the time-out is a time-out too.
    ScriptedAnswer late = ScriptedAnswer::json(200, linked);
    late.delay = 1500ms;
    server.answer("/v1/pair/status", late);
    EXPECT_EQ(pairStatus(c).error(), CloudError::timeout());
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

TEST(CloudClient, OversizedAnswersFailCleanly) {
    HttpTestServer server;
    auto c = clientFor(server.url(), CloudSession::make({5s, 8u << 20}));
    ScriptedAnswer declared = ScriptedAnswer::json(200, "");
    declared.streamBytes = (8u << 20) + 1;
    ScriptedAnswer streamed = declared;
    streamed.declareLength = false;
    ScriptedAnswer errorPage = streamed;
    errorPage.status = 503;
    for (const auto& answer : {declared, streamed, errorPage}) {
        server.answer("/v1/pair/status", answer);
        auto r = pairStatus(c);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error(), CloudError::badAnswer());
    }
    // Endless header lines count against the cap too.
    auto small = clientFor(server.url(), CloudSession::make({5s, 64u << 10}));
    ScriptedAnswer headers = ScriptedAnswer::json(200, linked);
    for (int i = 0; i < 100; ++i) headers.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(1000, 'h'));
    server.answer("/v1/pair/status", headers);
    EXPECT_EQ(pairStatus(small).error(), CloudError::badAnswer());
    headers.headers.resize(10);
    server.answer("/v1/pair/status", headers);
    EXPECT_TRUE(pairStatus(small).ok());

    // At the cap exactly, the answer is read (and then fails only as JSON).
    ScriptedAnswer atCap = ScriptedAnswer::json(200, "");
    atCap.streamBytes = 8u << 20;
    server.answer("/v1/pair/status", atCap);
    auto full = pairStatus(c);
    EXPECT_EQ(full.error(), CloudError::badAnswer());
    // The session still works afterwards.
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    EXPECT_TRUE(pairStatus(c).ok());
}

TEST(CloudClient, CallsInFlightCompleteIndependentlyThroughTheExecutor) {
    HttpTestServer server;
    ScriptedAnswer slow = ScriptedAnswer::json(200, linked);
    slow.delay = 400ms;
    server.answer("/v1/pair/status", slow);
    server.answer("/v1/unpair", ScriptedAnswer::json(200, R"({"linked": false})"));
    auto c = clientFor(server.url(), CloudSession::make({5s, 8u << 20}));
    ManualExecutor main;
    const auto mainThread = std::this_thread::get_id();
    std::vector<std::string> order;
    bool onMain = true;
    auto slowCall = c.pairStatus(main.executor(), [&](CloudResult<LinkStatus> r) {
        onMain = onMain && std::this_thread::get_id() == mainThread;
        order.push_back(r.ok() && r.value().linked ? "slow" : "slow failed");
    });
    auto quickCall = c.unpair(main.executor(), [&](CloudResult<LinkStatus> r) {
        onMain = onMain && std::this_thread::get_id() == mainThread;
        order.push_back(r.ok() && !r.value().linked ? "quick" : "quick failed");
    });
    ASSERT_TRUE(main.runUntil([&] { return order.size() == 1; }, 5s));
    EXPECT_EQ(order, (std::vector<std::string>{"quick"}));
    ASSERT_TRUE(main.runUntil([&] { return order.size() == 2; }, 5s));
    EXPECT_EQ(order, (std::vector<std::string>{"quick", "slow"}));
    EXPECT_TRUE(onMain);
}

TEST(CloudClient, CancelledCallsNeverComplete) {
    HttpTestServer server;
    ScriptedAnswer slow = ScriptedAnswer::json(200, linked);
    slow.delay = 300ms;
    server.answer("/v1/pair/status", slow);
    server.answer("/v1/unpair", ScriptedAnswer::json(200, linked));
    auto session = CloudSession::make({5s, 8u << 20});
    auto c = clientFor(server.url(), session);
    ManualExecutor main;
    std::atomic<int> completions = 0;
    auto count = [&](CloudResult<LinkStatus>) { ++completions; };

    // Cancelled while the server is still thinking.
    auto inFlight = c.pairStatus(main.executor(), count);
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    inFlight.cancel();
    // Cancelled after the answer came but before the main thread ran it.
    auto answered = c.unpair(main.executor(), count);
    ASSERT_TRUE(main.waitForWork(5s));
    answered.cancel();
    answered.cancel();
    // Cancelled before it even started.
    auto early = c.unpair(main.executor(), count);
    early.cancel();
    // A witness that is not cancelled, sent last and slow, so everything above had its chance.
    bool witness = false;
    auto last = c.pairStatus(main.executor(), [&](CloudResult<LinkStatus> r) { witness = r.ok(); });
    ASSERT_TRUE(main.runUntil([&] { return witness; }, 5s));
    main.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(completions, 0);

    // Cancelling from another thread waits for a completion already running.
    std::atomic<bool> inside = false, finished = false;
    auto running = c.unpair(inlineExecutor(), [&](CloudResult<LinkStatus>) {
        inside = true;
        std::this_thread::sleep_for(200ms);
        finished = true;
    });
    while (!inside) std::this_thread::sleep_for(1ms);
    running.cancel();
    EXPECT_TRUE(finished);
}

TEST(CloudClient, DroppingTheSessionDropsItsCalls) {
    HttpTestServer server;
    server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    std::atomic<int> completions = 0;
    {
        auto c = clientFor(server.url(), CloudSession::make({5s, 8u << 20}));
        c.pairStatus(inlineExecutor(), [&](CloudResult<LinkStatus>) { ++completions; });
        ASSERT_TRUE(server.waitForRequests(1, 5s));
    }
    EXPECT_EQ(completions, 0);
}

TEST(CloudClient, LoopbackNeverGoesThroughAProxy) {
    HttpTestServer server, proxy;
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    proxy.answer("/", ScriptedAnswer::json(200, linked));
    const std::string proxyURL = proxy.url();
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"})
        setenv(name, proxyURL.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    auto r = pairStatus(clientFor(server.url()));
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"}) unsetenv(name);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(proxy.connections(), 0u);
}

TEST(CloudClient, DefaultSessionIsOneForTheProcess) {
    std::vector<std::shared_ptr<CloudSession>> seen(8);
    std::vector<std::thread> threads;
    for (auto& s : seen) threads.emplace_back([&s] { s = CloudClient::defaultSession(); });
    for (auto& t : threads) t.join();
    for (const auto& s : seen) EXPECT_EQ(s, seen[0]);
    EXPECT_EQ(seen[0]->options().timeout, std::chrono::milliseconds(CloudClient::timeout));
    EXPECT_EQ(seen[0]->options().answerLimit, 8u << 20);
}

}  // namespace
}  // namespace kestrove
