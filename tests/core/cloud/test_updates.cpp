#include <gtest/gtest.h>

#include "core/cloud/updates.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using Outcome = UpdateCheck::Outcome;

std::string feed(const Json& patch) {
    Json j{{"version", "1.4.0-beta+2"}, {"build", 57}, {"url", "https://kestrove.example/download"}};
    for (auto it = patch.begin(); it != patch.end(); ++it) {
        if (it.value() == "(drop)") j.erase(it.key());
        else j[it.key()] = it.value();
    }
    return j.dump();
}

TEST(UpdateCheck, ParsesAValidFeed) {
    auto r = UpdateCheck::parse(feed({{"notes", "  Faster reading.\n"}, {"extra", {1, 2}}}));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->version, "1.4.0-beta+2");
    EXPECT_EQ(r->build, 57);
    EXPECT_EQ(r->url.toString(), "https://kestrove.example/download");
    EXPECT_EQ(r->notes, "Faster reading.");
}

TEST(UpdateCheck, FeedSizeLimit) {
    std::string base = feed({{"notes", ""}});
    auto padded = [&](std::size_t size) {
        std::string s = base;
        s.insert(s.size() - 1, std::string(size - s.size(), ' '));  // whitespace before the closing brace
        return s;
    };
    EXPECT_TRUE(UpdateCheck::parse(padded(16384)));
    EXPECT_FALSE(UpdateCheck::parse(padded(16385)));
}

TEST(UpdateCheck, VersionRules) {
    EXPECT_EQ(UpdateCheck::parse(feed({{"version", " 2.0 "}}))->version, "2.0");
    EXPECT_EQ(UpdateCheck::parse(feed({{"version", "\n12345678901234567890\t"}}))->version, "12345678901234567890");
    for (const char* bad : {"beta2.0", "2.0 beta", "2.0\xce\xb2", "123456789012345678901", "", "   ", "2_0"})
        EXPECT_FALSE(UpdateCheck::parse(feed({{"version", bad}}))) << bad;
    EXPECT_FALSE(UpdateCheck::parse(feed({{"version", 2}})));
    EXPECT_FALSE(UpdateCheck::parse(feed({{"version", "(drop)"}})));
}

TEST(UpdateCheck, BuildRules) {
    EXPECT_EQ(UpdateCheck::parse(feed({{"build", 57}}))->build, 57);
    EXPECT_EQ(UpdateCheck::parse(feed({{"build", 57.0}}))->build, 57);
    EXPECT_EQ(UpdateCheck::parse(feed({{"build", 999999999}}))->build, 999999999);
    for (const Json& bad : {Json(57.5), Json(true), Json(false), Json("57"), Json(0), Json(-3), Json(1000000000),
                            Json(18446744073709551615ull), Json(nullptr), Json("(drop)")})
        EXPECT_FALSE(UpdateCheck::parse(feed({{"build", bad}}))) << bad.dump();
    EXPECT_FALSE(UpdateCheck::parse(R"({"version":"1.0","build":1e400,"url":"https://k.example/"})"));
}

TEST(UpdateCheck, UrlAndNotesRules) {
    EXPECT_TRUE(UpdateCheck::parse(feed({{"url", "HTTPS://kestrove.example/d"}})));
    for (const char* bad : {"http://kestrove.example/d", "https:///d", "https:/d", "kestrove.example/d", "ftp://k.example"})
        EXPECT_FALSE(UpdateCheck::parse(feed({{"url", bad}}))) << bad;
    EXPECT_FALSE(UpdateCheck::parse(feed({{"url", 5}})));

    std::string longNotes;
    for (int i = 0; i < 300; ++i) longNotes += i % 2 ? "e\xcc\x81" : "x";  // every other one a two-code-point "é"
    auto cut = UpdateCheck::parse(feed({{"notes", longNotes}}));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->notes->size(), 100u + 100u * 3u);  // 200 characters
    EXPECT_EQ(UpdateCheck::parse(feed({{"notes", "   \n"}}))->notes, std::nullopt);
    EXPECT_EQ(UpdateCheck::parse(feed({{"notes", 12}}))->notes, std::nullopt);
}

TEST(UpdateCheck, NotAnObjectIsNothing) {
    for (const char* bad : {"", "\"1.0\"", "57", "[]", "{", "null"}) EXPECT_FALSE(UpdateCheck::parse(bad)) << bad;
}

TEST(UpdateCheck, RunningBuild) {
    EXPECT_EQ(UpdateCheck::build(" 112 "), 112);
    EXPECT_EQ(UpdateCheck::build("\t0"), 0);
    EXPECT_EQ(UpdateCheck::build("+7"), 7);
    for (const char* bad : {"1.2", "", "  ", "-3", "12a", "99999999999999999999999", "1 2"})
        EXPECT_EQ(UpdateCheck::build(bad), std::nullopt) << bad;
    EXPECT_EQ(UpdateCheck::build("12\n"), std::nullopt);  // only spaces and tabs are trimmed
    EXPECT_EQ(UpdateCheck::build(std::nullopt), std::nullopt);
}

TEST(UpdateCheck, Outcome) {
    const std::string valid = feed({});
    const Release release = *UpdateCheck::parse(valid);
    EXPECT_EQ(UpdateCheck::outcome(valid, 200, 56), Outcome::newer(release));
    EXPECT_EQ(UpdateCheck::outcome(valid, 200, 57), Outcome::upToDate());
    EXPECT_EQ(UpdateCheck::outcome(valid, 200, 60), Outcome::upToDate());
    EXPECT_EQ(UpdateCheck::outcome(valid, 200, std::nullopt), Outcome::upToDate());
    EXPECT_EQ(UpdateCheck::outcome(valid, 404, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome(valid, std::nullopt, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome(std::nullopt, 200, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome("{}", 200, 1), Outcome::unknown());
    EXPECT_FALSE(UpdateCheck::isNewer(release, std::nullopt));
    EXPECT_TRUE(UpdateCheck::isNewer(release, 0));
}

TEST(UpdateCheck, DueOncePerDayOrWhenTheClockWentBack) {
    const Date now = Date(std::chrono::seconds(1'800'000'000));
    EXPECT_TRUE(UpdateCheck::isDue(std::nullopt, now));
    EXPECT_FALSE(UpdateCheck::isDue(now - 86399s, now));
    EXPECT_TRUE(UpdateCheck::isDue(now - 86400s, now));
    EXPECT_FALSE(UpdateCheck::isDue(now, now));
    EXPECT_TRUE(UpdateCheck::isDue(now + 1h, now));
    // Centuries apart: more nanoseconds than 64 bits hold.
    EXPECT_TRUE(UpdateCheck::isDue(Date(std::chrono::seconds(-8'000'000'000)), now));
}

TEST(UpdateCheck, TextAfterANulByteIsNoFeed) {
    EXPECT_FALSE(UpdateCheck::parse(feed({}) + std::string(1, '\0') + "{"));
}

}  // namespace
}  // namespace kestrove
