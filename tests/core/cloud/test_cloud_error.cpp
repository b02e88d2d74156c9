#include <gtest/gtest.h>

#include "core/cloud/cloud_error.hpp"

namespace kestrove {
namespace {

TEST(CloudError, StatusAndBodyMapToTheirCase) {
    const std::tuple<int, const char*, CloudError> rows[] = {
        {400, R"({"detail":"no such kind"})", CloudError::badRequest("no such kind")},
        {400, R"({"detail":5})", CloudError::badRequest(std::nullopt)},
        {400, "bad request, plain text", CloudError::badRequest(std::nullopt)},
        {409, "", CloudError::notLinked()},
        {413, "<html><body>Request Entity Too Large</body></html>", CloudError::tooLarge()},
        {429, R"({"error":"daily_limit","resets_in":3600})", CloudError::dailyLimit(3600)},
        {429, R"({"error":"daily_limit"})", CloudError::dailyLimit(std::nullopt)},
        {429, R"({"error":"daily_limit","resets_in":"soon"})", CloudError::dailyLimit(std::nullopt)},
        {429, R"({"error":"Daily_Limit","resets_in":3600})", CloudError::slowDown()},
        {429, "", CloudError::slowDown()},
        {502, R"({"error":"telegram_unavailable"})", CloudError::telegramUnavailable()},
        {502, "", CloudError::modelUnavailable()},
        {503, R"({"error":"busy","resets_in":120})", CloudError::busy(120)},
        {503, R"({"error":"busy"})", CloudError::busy(std::nullopt)},
        {503, R"({"error":"telegram_not_set_up"})", CloudError::telegramNotSetUp()},
        {503, R"({"error":"maintenance"})", CloudError::http(503)},
        {503, "", CloudError::http(503)},
        {503, R"(["busy"])", CloudError::http(503)},
        {500, R"({"error":"busy"})", CloudError::http(500)},
        {301, "", CloudError::http(301)},
        {404, "not found", CloudError::http(404)},
    };
    for (const auto& [status, body, expected] : rows)
        EXPECT_EQ(CloudError::fromStatus(status, body), expected) << status << " " << body;
}

TEST(CloudError, PrintedFormIsCaseAndValue) {
    const std::pair<CloudError, const char*> rows[] = {
        {CloudError::http(503), "http(503)"},
        {CloudError::dailyLimit(120), "dailyLimit(120)"},
        {CloudError::dailyLimit(2.5), "dailyLimit(2.5)"},
        {CloudError::dailyLimit(std::nullopt), "dailyLimit"},
        {CloudError::transport("Couldn't connect to server"), "transport(Couldn't connect to server)"},
        {CloudError::badRequest(std::nullopt), "badRequest"},
        {CloudError::telegramNotSetUp(), "telegramNotSetUp"},
    };
    for (const auto& [error, text] : rows) EXPECT_EQ(error.text(), text);
    std::ostringstream out;
    out << CloudError::busy(60);
    EXPECT_EQ(out.str(), "busy(60)");
}

}  // namespace
}  // namespace kestrove
