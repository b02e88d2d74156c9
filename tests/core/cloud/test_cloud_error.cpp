#include <gtest/gtest.h>

#include "core/cloud/cloud_error.hpp"

namespace kestrove {
namespace {

TEST(CloudError, StatusAndBodyMapToTheirCase) {
    struct Row {
        int status;
        const char* body;
        CloudError expected;
    };
    const Row rows[] = {
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
    for (const auto& row : rows)
        EXPECT_EQ(CloudError::fromStatus(row.status, row.body), row.expected) << row.status << " " << row.body;
}

TEST(CloudError, PrintedFormIsCaseAndValue) {
    EXPECT_EQ(CloudError::http(503).text(), "http(503)");
    EXPECT_EQ(CloudError::dailyLimit(120).text(), "dailyLimit(120)");
    EXPECT_EQ(CloudError::dailyLimit(2.5).text(), "dailyLimit(2.5)");
    EXPECT_EQ(CloudError::dailyLimit(std::nullopt).text(), "dailyLimit");
    EXPECT_EQ(CloudError::transport("Couldn't connect to server").text(), "transport(Couldn't connect to server)");
    EXPECT_EQ(CloudError::badRequest("could not encode the request").text(), "badRequest(could not encode the request)");
    EXPECT_EQ(CloudError::badRequest(std::nullopt).text(), "badRequest");
    EXPECT_EQ(CloudError::notSetUp().text(), "notSetUp");
    EXPECT_EQ(CloudError::telegramNotSetUp().text(), "telegramNotSetUp");
    std::ostringstream out;
    out << CloudError::busy(60);
    EXPECT_EQ(out.str(), "busy(60)");
}

TEST(CloudError, OnlyQuotaAnswersPauseChecks) {
    EXPECT_TRUE(CloudError::dailyLimit(std::nullopt).checksUsedUp());
    EXPECT_TRUE(CloudError::busy(30).checksUsedUp());
    EXPECT_FALSE(CloudError::slowDown().checksUsedUp());
    EXPECT_FALSE(CloudError::http(503).checksUsedUp());
    EXPECT_EQ(CloudError::busy(30).resetsIn(), 30);
    EXPECT_EQ(CloudError::dailyLimit(std::nullopt).resetsIn(), std::nullopt);
    EXPECT_EQ(CloudError::http(429).resetsIn(), std::nullopt);
}

TEST(CloudError, EqualityComparesCaseAndPayload) {
    EXPECT_EQ(CloudError::http(500), CloudError::http(500));
    EXPECT_NE(CloudError::http(500), CloudError::http(501));
    EXPECT_NE(CloudError::busy(std::nullopt), CloudError::dailyLimit(std::nullopt));
    EXPECT_NE(CloudError::badRequest(std::nullopt), CloudError::badRequest(""));
    EXPECT_EQ(CloudError::transport("x").description(), "x");
    EXPECT_EQ(CloudError::http(418).status(), 418);
}

TEST(CloudError, ABodyWithTextAfterANulByteIsNoErrorBody) {
    EXPECT_EQ(CloudError::fromStatus(503, std::string(R"({"error":"busy"})") + '\0' + "x"), CloudError::http(503));
}

}  // namespace
}  // namespace kestrove
