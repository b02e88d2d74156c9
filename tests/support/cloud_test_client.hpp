#pragma once
// Shorthands for tests that talk to HttpTestServer through a CloudClient.

#include <chrono>
#include <memory>
#include <string>

#include "core/cloud/cloud_client.hpp"

namespace kestrove::testing {

inline constexpr const char* linkedAnswer = R"({"linked": true})";

// Time-outs short enough that waiting for one keeps a test fast.
inline std::shared_ptr<CloudSession> quickSession() {
    return CloudSession::make({std::chrono::milliseconds(300), 8u << 20});
}

inline CloudClient clientFor(const std::string& base, std::shared_ptr<CloudSession> session = quickSession()) {
    return CloudClient{*Url::parse(base), "device-1", std::move(session)};
}

// One pairStatus call, waited for.
inline CloudResult<LinkStatus> pairStatus(const CloudClient& c) {
    return waitFor<LinkStatus>([&](Executor e, CloudCallback<LinkStatus> d) { return c.pairStatus(e, d); });
}

}  // namespace kestrove::testing
