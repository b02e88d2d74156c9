#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "support/cloud_test_client.hpp"
#include "support/http_test_server.hpp"
#include "support/manual_executor.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::clientFor;
using testing::HttpTestServer;
using testing::ManualExecutor;
using testing::pairStatus;
using testing::ScriptedAnswer;
using B = ScriptedAnswer::Behaviour;

constexpr const char* linked = testing::linkedAnswer;

TEST(CloudSession, KeepsNoCookies) {
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

TEST(CloudSession, FailedExchangesAreTransportOrTimeout) {
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

TEST(CloudSession, OversizedAnswersFailCleanly) {
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

TEST(CloudSession, CallsInFlightCompleteIndependentlyThroughTheExecutor) {
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

TEST(CloudSession, CancelledCallsNeverComplete) {
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

TEST(CloudSession, DroppingTheSessionDropsItsCalls) {
    HttpTestServer server;
    server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    std::atomic<int> completions = 0;
    CloudCall kept;
    {
        auto c = clientFor(server.url(), CloudSession::make({5s, 8u << 20}));
        kept = c.pairStatus(inlineExecutor(), [&](CloudResult<LinkStatus>) { ++completions; });
        ASSERT_TRUE(server.waitForRequests(1, 5s));
    }
    EXPECT_EQ(completions, 0);
    kept.cancel();  // late, on a session that is gone: harmless
}

TEST(CloudSession, LoopbackNeverGoesThroughAProxy) {
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

TEST(CloudSession, DefaultOptionsAreTheServersTimeOutAndAnswerCap) {
    const auto session = CloudSession::make();
    EXPECT_EQ(session->options().timeout, std::chrono::milliseconds(CloudClient::timeout));
    EXPECT_EQ(session->options().answerLimit, 8u << 20);
}

TEST(CloudSession, HeadersOverLibcurlsOwnLimitsFailAsOversizedAnswers) {
    // libcurl refuses 300 KiB of headers, or one line of 100 KiB, on its own
    // (as a receive or memory error): however large the answer cap, such
    // headers must fail like any other oversized answer.
    HttpTestServer server;
    auto c = clientFor(server.url(), CloudSession::make({5s, 8u << 20}));
    ScriptedAnswer many = ScriptedAnswer::json(200, linked);
    for (int i = 0; i < 400; ++i) many.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(1000, 'h'));
    ScriptedAnswer longLine = ScriptedAnswer::json(200, linked);
    longLine.headers.emplace_back("X-Long", std::string(150000, 'h'));
    for (const auto& answer : {many, longLine}) {
        server.answer("/v1/pair/status", answer);
        EXPECT_EQ(pairStatus(c).error(), CloudError::badAnswer());
    }
}

}  // namespace
}  // namespace kestrove
