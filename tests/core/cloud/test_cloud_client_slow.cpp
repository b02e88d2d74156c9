#include <gtest/gtest.h>

#include "core/cloud/cloud_client.hpp"
#include "support/http_test_server.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;

// A session with the default options gives a silent server 20 seconds, then gives up.
TEST(CloudClientSlow, SilentServerTimesOutAfterTwentySeconds) {
    testing::HttpTestServer server;
    server.answer("/v1/pair/status", testing::ScriptedAnswer::with(testing::ScriptedAnswer::Behaviour::neverAnswer));
    CloudClient c{*Url::parse(server.url()), "device-1", CloudSession::make()};
    const auto start = std::chrono::steady_clock::now();
    auto r = waitFor<LinkStatus>([&](Executor e, CloudCallback<LinkStatus> d) { return c.pairStatus(e, d); });
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), CloudError::timeout());
    EXPECT_GE(waited, 19s);
    EXPECT_LT(waited, 25s);
}

}  // namespace
}  // namespace kestrove
