#pragma once
// What a test of a server caller needs: a loopback server with its request
// log, in-memory settings pointing at it, a quick session, and a manual
// executor standing in for the main thread; and shorthands for talking to
// that server through a CloudClient.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/cloud/cloud_settings.hpp"
#include "support/http_test_server.hpp"
#include "support/manual_executor.hpp"

namespace kestrove::testing {

inline constexpr const char* linkedAnswer = R"({"linked": true})";

// Time-outs short enough that waiting for one keeps a test fast, yet long
// enough for a loopback answer on a busy machine.
inline std::shared_ptr<CloudSession> quickSession(std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    return CloudSession::make({timeout, 8u << 20});
}

inline CloudClient clientFor(const std::string& base, std::shared_ptr<CloudSession> session = quickSession()) {
    return CloudClient{*Url::parse(base), "device-1", std::move(session)};
}

// One pairStatus call, waited for.
inline CloudResult<LinkStatus> pairStatus(const CloudClient& c) {
    return waitFor<LinkStatus>([&](auto e, auto d) { return c.pairStatus(e, d); });
}

// Paths of the requests logged so far, in order.
inline std::vector<std::string> requestPaths(const HttpTestServer& server) {
    std::vector<std::string> out;
    for (const auto& r : server.requests()) out.push_back(r.path);
    return out;
}

// How many requests the server had for `path`.
inline std::size_t requestCount(const HttpTestServer& server, const std::string& path) {
    std::size_t n = 0;
    for (const auto& r : server.requests()) n += r.path == path;
    return n;
}

struct CloudHarness {
    HttpTestServer server;
    ManualExecutor main;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    // No built-in address: only the override in the store counts.
    CloudSettings settings{store, std::nullopt};
    std::shared_ptr<CloudSession> session = quickSession();

    CloudHarness() { store->set(CloudSettings::baseURLKey, server.url()); }

    // Starts an operation (`start` gives its handle, held until the end) and
    // runs the main thread until its result arrives.
    template <typename T, typename Start>
    T await(Start start) {
        std::optional<T> out;
        const Pending call = start([&out](T value) { out.emplace(std::move(value)); });
        EXPECT_TRUE(main.runUntil([&] { return out.has_value(); }, std::chrono::seconds(10))) << "no result";
        if (!out) throw std::runtime_error("no result");
        return std::move(*out);
    }
    // For operations whose completion takes no value.
    template <typename Start>
    void awaitDone(Start start) {
        bool done = false;
        const Pending call = start([&done] { done = true; });
        EXPECT_TRUE(main.runUntil([&] { return done; }, std::chrono::seconds(10))) << "no result";
    }

    std::vector<std::string> paths() const { return requestPaths(server); }
    std::size_t requests(const std::string& path) const { return requestCount(server, path); }
    // Waits for request number `total` and runs the main thread's work its answer brought.
    void answered(std::size_t total) {
        ASSERT_TRUE(server.waitForRequests(total, std::chrono::seconds(5))) << "request " << total;
        ASSERT_TRUE(main.waitForWork(std::chrono::seconds(5)));
        main.runPending();
    }
};

}  // namespace kestrove::testing
