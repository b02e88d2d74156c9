#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>

#include "support/cloud_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::clientFor;
using testing::HttpTestServer;
using testing::pairStatus;
using testing::quickSession;
using testing::ScriptedAnswer;
using B = ScriptedAnswer::Behaviour;

constexpr const char* linked = testing::linkedAnswer;

TEST(CloudSession, FailedExchangesAreTransportOrTimeout) {
    auto refused = pairStatus(clientFor("http://127.0.0.1:" + std::to_string(HttpTestServer::unusedPort())));
    EXPECT_EQ(refused.error(), CloudError::transport("Couldn't connect to server"));

    HttpTestServer server;
    auto c = clientFor(server.url(), quickSession(300ms));
    ScriptedAnswer shortBody = ScriptedAnswer::json(200, linked), late = shortBody;
    shortBody.behaviour = B::shortBodyThenClose;
    late.delay = 1500ms;  // a reply slower than the time-out is a time-out too
    const std::pair<ScriptedAnswer, CloudError::Case> cases[] = {
        {ScriptedAnswer::with(B::closeWithoutReply), CloudError::Case::transport},
        {shortBody, CloudError::Case::transport},
        {ScriptedAnswer::with(B::neverAnswer), CloudError::Case::timeout},
        {late, CloudError::Case::timeout},
    };
    for (const auto& [answer, kind] : cases) {
        server.answer("/v1/pair/status", answer);
        auto r = pairStatus(c);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().kind(), kind) << r.error();
    }
}

TEST(CloudSession, OversizedAnswersFailCleanly) {
    HttpTestServer server;
    auto c = clientFor(server.url());
    auto small = clientFor(server.url(), CloudSession::make({5s, 64u << 10}));
    auto filler = [](int lines, std::size_t size) {
        ScriptedAnswer a = ScriptedAnswer::json(200, linked);
        for (int i = 0; i < lines; ++i) a.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(size, 'h'));
        return a;
    };
    ScriptedAnswer declared = ScriptedAnswer::json(200, "");
    declared.streamBytes = (8u << 20) + 1;
    ScriptedAnswer streamed = declared;
    streamed.declareLength = false;
    ScriptedAnswer errorPage = streamed;
    errorPage.status = 503;
    ScriptedAnswer atCap = declared;
    atCap.streamBytes = 8u << 20;
    // libcurl refuses 300 KiB of headers, or one line of 100 KiB, on its own (as a receive or
    // memory error): whatever the cap, such headers fail like any other oversized answer.
    const std::tuple<const char*, const CloudClient*, ScriptedAnswer, bool> cases[] = {
        {"declared", &c, declared, false},
        {"streamed", &c, streamed, false},
        {"error page", &c, errorPage, false},
        {"at the cap: read, then no JSON", &c, atCap, false},
        {"header lines count against the cap", &small, filler(100, 1000), false},
        {"headers within the cap", &small, filler(10, 1000), true},
        {"400 header lines", &c, filler(400, 1000), false},
        {"one long header line", &c, filler(1, 150000), false},
        {"the session still works afterwards", &c, ScriptedAnswer::json(200, linked), true},
    };
    for (const auto& [what, client, answer, ok] : cases) {
        server.answer("/v1/pair/status", answer);
        const auto r = pairStatus(*client);
        EXPECT_EQ(r.ok() ? std::nullopt : std::optional(r.error()),
                  ok ? std::nullopt : std::optional(CloudError::badAnswer()))
            << what;
    }
}

// A call the server leaves hanging holds up no other; each completes on the
// executor's thread, unless it was cancelled: while the server was still
// thinking, after the answer came but before the main thread ran it, or
// before it even started.
TEST(CloudSession, CallsCompleteIndependentlyOnTheExecutorUnlessCancelled) {
    testing::CloudHarness h;
    ScriptedAnswer slow = ScriptedAnswer::json(200, R"({"linked": false, "code": "K7"})");
    slow.delay = 300ms;
    h.server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    h.server.answer("/v1/pair", slow);
    h.server.answer("/v1/unpair", ScriptedAnswer::json(200, linked));
    auto c = clientFor(h.server.url(), h.session);
    std::vector<std::string> order;
    auto record = [&, mainThread = std::this_thread::get_id()](const char* name) {
        return [&, name, mainThread](auto r) {
            order.push_back(r.ok() && std::this_thread::get_id() == mainThread ? name : "wrong");
        };
    };
    const CloudCall hanging = c.pairStatus(h.main.executor(), record("hanging"));
    ASSERT_TRUE(h.server.waitForRequests(1, 5s));
    auto inFlight = c.pair(h.main.executor(), record("in flight"));
    ASSERT_TRUE(h.server.waitForRequests(2, 5s));
    inFlight.cancel();
    auto answered = c.unpair(h.main.executor(), record("answered"));
    ASSERT_TRUE(h.main.waitForWork(5s));
    answered.cancel();
    answered.cancel();
    c.unpair(h.main.executor(), record("early")).cancel();
    // Sent last and slow, so everything above had its chance.
    const CloudCall witness = c.pair(h.main.executor(), record("witness"));
    ASSERT_TRUE(h.main.runUntil([&] { return !order.empty(); }, 5s));
    h.main.runPending();
    EXPECT_EQ(order, (std::vector<std::string>{"witness"}));
}

TEST(CloudSession, AGuardThatRefusesBeforeOrDuringTheSendingWithdrawsTheRequest) {
    HttpTestServer server;
    server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    const auto session = quickSession();
    std::atomic<bool> allowed{true};
    auto call = [&](CloudSession::Guard guard) {
        const CloudClient c{*Url::parse(server.url()), "device-1", session};
        auto result = std::make_shared<std::promise<CloudSession::Outcome>>();
        auto call = session->post(c.baseURL.appendingPath("v1/pair/status"), encodeWire(toJson(DeviceRequest{"device-1"})),
                                  inlineExecutor(), [result](CloudSession::Outcome o) {
            result->set_value(std::move(o));
            return std::function<void()>([] {});
        }, std::move(guard));
        return std::make_pair(std::move(call), result->get_future());
    };
    const auto withdrawn = [](std::future<CloudSession::Outcome>& f) {
        if (f.wait_for(5s) != std::future_status::ready) return false;
        const auto o = f.get();
        return !o && o.error() == CloudError::withdrawn();
    };

    // Refused before it starts: nothing reaches the server.
    allowed = false;
    auto [before, early] = call([&] { return allowed.load(); });
    EXPECT_TRUE(withdrawn(early));
    // A guard that throws refuses.
    ::testing::internal::CaptureStderr();
    auto [throwing, thrown] = call([]() -> bool { throw std::runtime_error("no answer"); });
    EXPECT_TRUE(withdrawn(thrown));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(server.connections(), 0u);

    // Refused while the request waits for its answer: aborted at the recheck.
    allowed = true;
    auto [during, late] = call([&] { return allowed.load(); });
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    EXPECT_EQ(late.wait_for(100ms), std::future_status::timeout) << "still waiting for the server";
    allowed = false;
    session->recheckGuards();
    EXPECT_TRUE(withdrawn(late));
    // Without a guard a request goes whatever the others' guards say.
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    const CloudClient plain{*Url::parse(server.url()), "device-1", session};
    EXPECT_TRUE(pairStatus(plain).ok());
}

TEST(CloudSession, DroppingOrStoppingTheSessionDropsItsCallsAtOnce) {
    HttpTestServer server;
    server.answer("/v1/pair/status", ScriptedAnswer::with(B::neverAnswer));
    std::atomic<int> completions = 0;
    auto count = [&](CloudResult<LinkStatus>) { ++completions; };
    // Let go by its last holder, or stopped while a client still holds it.
    for (const bool stopped : {false, true}) {
        auto c = clientFor(server.url(), CloudSession::make({20s, 8u << 20}));
        const CloudCall kept = c.pairStatus(inlineExecutor(), count);
        ASSERT_TRUE(server.waitForRequests(stopped ? 2 : 1, 5s));
        const auto start = std::chrono::steady_clock::now();
        stopped ? c.session->stop() : c.session.reset();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, 200ms) << "a transfer to a silent server is not waited for";
        std::printf("server session %s with a call in flight: %.1f ms\n", stopped ? "stopped" : "let go", took.count());
        if (stopped) {
            EXPECT_FALSE(c.pairStatus(inlineExecutor(), count).active()) << "later calls are refused";
        }
    }
    EXPECT_EQ(completions, 0);
}

TEST(CloudSession, AFinishThatThrowsIsLoggedAndAnswersBadAnswer) {
    testing::CloudHarness h;
    h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    const Url url = *Url::parse(h.server.url("/v1/pair/status"));
    std::vector<std::string> got;
    auto throwing = [&got](auto thrown) {
        return [&got, thrown](CloudSession::Outcome o) -> std::function<void()> {
            if (o) throw thrown;
            return [&got, e = o.error()] { got.push_back(e.text()); };
        };
    };
    ::testing::internal::CaptureStderr();
    CloudCall a = h.session->post(url, "{}", h.main.executor(), throwing(std::runtime_error("odd answer")));
    CloudCall b = h.session->post(url, "{}", h.main.executor(), throwing(42));
    ASSERT_TRUE(h.main.runUntil([&] { return got.size() == 2; }, 5s));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(got, (std::vector<std::string>{"badAnswer", "badAnswer"}));
    EXPECT_NE(log.find("Kestrove: server session: odd answer\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Kestrove: server session: an unknown exception\n"), std::string::npos) << log;
    EXPECT_TRUE(pairStatus(clientFor(h.server.url(), h.session)).ok()) << "the worker lives on";
}

TEST(CloudSession, LoopbackNeverGoesThroughAProxy) {
    HttpTestServer server, proxy;
    server.answer("/v1/pair/status", ScriptedAnswer::json(200, linked));
    proxy.answer("/", ScriptedAnswer::json(200, linked));
    const char* names[] = {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"};
    for (const char* name : names) setenv(name, proxy.url().c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    auto r = pairStatus(clientFor(server.url()));
    for (const char* name : names) unsetenv(name);
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(proxy.connections(), 0u);
}

TEST(CloudSession, DefaultOptionsAreTheServersTimeOutAndAnswerCap) {
    const auto session = CloudSession::make();
    EXPECT_EQ(session->options().timeout, 20s);
    EXPECT_EQ(session->options().answerLimit, 8u << 20);
}

TEST(CloudSession, AGetSendsOnlyItsOwnHeadersAndNoBody) {
    testing::CloudHarness h;
    h.server.answer("/version.json", ScriptedAnswer::json(200, "{\"a\":1}"));
    const auto outcome = h.await<CloudSession::Outcome>([&](auto done) {
        return h.session->get(*Url::parse(h.server.url("/version.json")), {"User-Agent: Kestrove", "Accept: text/x"},
                              h.main.executor(),
                              [done](CloudSession::Outcome o) { return [done, o] { done(o); }; });
    });
    EXPECT_EQ(outcome.value().body, "{\"a\":1}");
    const auto r = h.server.requests().at(0);
    std::set<std::string> names;
    for (const auto& [n, v] : r.headers) names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"Host", "User-Agent", "Accept"}));
    EXPECT_EQ(std::make_tuple(r.method, r.body, r.header("Accept")), std::make_tuple("GET", "", "text/x"));
}

// A body made by the session is made on its worker, out of the way of a
// guard's recheck; one that cannot be made fails its call, nothing sent.
TEST(CloudSession, ABodyMadeOnTheWorkerIsSentOrFailsItsCall) {
    HttpTestServer server;
    server.answer("/v1/notify", ScriptedAnswer::json(200, linked));
    const auto session = quickSession();
    const Url url = *Url::parse(server.url("/v1/notify"));
    auto post = [&](CloudSession::MakeBody body) {
        auto result = std::make_shared<std::promise<CloudSession::Outcome>>();
        auto call = session->post(url, std::move(body), inlineExecutor(), [result](CloudSession::Outcome o) {
            result->set_value(std::move(o));
            return std::function<void()>([] {});
        });
        return std::make_pair(std::move(call), result->get_future());
    };

    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<std::thread::id> madeOn;
    auto [sent, answer] = post([&]() -> Result<std::string, CloudError> {
        madeOn.set_value(std::this_thread::get_id());
        released.wait();
        return std::string(R"({"picture":"AAAA"})");
    });
    auto maker = madeOn.get_future();
    ASSERT_EQ(maker.wait_for(5s), std::future_status::ready);
    EXPECT_NE(maker.get(), std::this_thread::get_id());
    // The recheck does not wait for a body being made.
    auto recheck = std::async(std::launch::async, [&] { session->recheckGuards(); });
    EXPECT_EQ(recheck.wait_for(2s), std::future_status::ready);
    release.set_value();
    ASSERT_EQ(answer.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(answer.get().ok());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests().at(0).body, R"({"picture":"AAAA"})");

    auto [failed, refusal] = post([]() -> Result<std::string, CloudError> { return CloudError::badRequest("no"); });
    ASSERT_EQ(refusal.wait_for(5s), std::future_status::ready);
    const auto o = refusal.get();
    ASSERT_FALSE(o);
    EXPECT_EQ(o.error(), CloudError::badRequest("no"));
    EXPECT_EQ(server.connections(), 1u);
}

}  // namespace
}  // namespace kestrove
