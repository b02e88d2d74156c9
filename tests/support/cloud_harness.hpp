#pragma once
// What a test of a server caller needs: a loopback server with its request
// log, in-memory settings pointing at it, a quick session, and a manual
// executor standing in for the main thread.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "core/cloud/cloud_settings.hpp"
#include "support/http_test_server.hpp"
#include "support/manual_executor.hpp"

namespace kestrove::testing {

struct CloudHarness {
    HttpTestServer server;
    ManualExecutor main;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    // No built-in address: only the override in the store counts.
    CloudSettings settings{store, std::nullopt};
    std::shared_ptr<CloudSession> session = CloudSession::make({std::chrono::milliseconds(3000), 8u << 20});

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

    // Paths of the requests logged so far, in order.
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (const auto& r : server.requests()) out.push_back(r.path);
        return out;
    }
};

}  // namespace kestrove::testing
