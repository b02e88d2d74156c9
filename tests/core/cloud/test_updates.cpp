#include <gtest/gtest.h>

#include "core/cloud/updates.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using Outcome = UpdateCheck::Outcome;

// A valid feed with one member replaced ("(drop)" removes it).
std::string feed(const char* key = "", const Json& value = nullptr) {
    Json j{{"version", "1.4.0-beta+2"}, {"build", 57}, {"url", "https://kestrove.example/download"}};
    if (value == "(drop)") j.erase(key);
    else if (*key) j[key] = value;
    return j.dump();
}

TEST(UpdateCheck, ParsesAValidFeed) {
    auto r = UpdateCheck::parse(feed("notes", "  Faster reading.\n"));
    ASSERT_TRUE(r);
    EXPECT_EQ(std::make_tuple(r->version, r->build, r->url.toString(), r->notes),
              std::make_tuple("1.4.0-beta+2", 57, "https://kestrove.example/download", "Faster reading."));
    EXPECT_TRUE(UpdateCheck::parse(feed("extra", {1, 2})));
    EXPECT_EQ(UpdateCheck::parse(feed("version", " 2.0 "))->version, "2.0");
    EXPECT_EQ(UpdateCheck::parse(feed("version", "\n12345678901234567890\t"))->version, "12345678901234567890");
    EXPECT_EQ(UpdateCheck::parse(feed("build", 57.0))->build, 57);
    EXPECT_EQ(UpdateCheck::parse(feed("build", 999999999))->build, 999999999);
    EXPECT_TRUE(UpdateCheck::parse(feed("url", "HTTPS://kestrove.example/d")));
    EXPECT_EQ(UpdateCheck::parse(feed("notes", "   \n"))->notes, std::nullopt);
    EXPECT_EQ(UpdateCheck::parse(feed("notes", 12))->notes, std::nullopt);
    std::string longNotes;
    for (int i = 0; i < 300; ++i) longNotes += i % 2 ? "e\xcc\x81" : "x";  // every other one a two-code-point "é"
    EXPECT_EQ(UpdateCheck::parse(feed("notes", longNotes))->notes->size(), 100u + 100u * 3u);  // 200 characters
}

TEST(UpdateCheck, RefusesFeedsThatBreakARule) {
    const std::pair<const char*, Json> bad[] = {
        {"version", "beta2.0"}, {"version", "2.0 beta"}, {"version", "2.0\xce\xb2"},
        {"version", "123456789012345678901"}, {"version", ""}, {"version", "   "}, {"version", "2_0"}, {"version", 2}, {"version", "(drop)"},
        {"build", 57.5}, {"build", true}, {"build", false}, {"build", "57"}, {"build", 0}, {"build", -3},
        {"build", 1000000000}, {"build", 18446744073709551615ull}, {"build", nullptr}, {"build", "(drop)"},
        {"url", "http://kestrove.example/d"}, {"url", "https:///d"}, {"url", "https:/d"}, {"url", "kestrove.example/d"},
        {"url", "ftp://k.example"}, {"url", 5},
    };
    for (const auto& [key, value] : bad)
        EXPECT_FALSE(UpdateCheck::parse(feed(key, value))) << key << " " << value.dump();
    for (const char* text : {"", "\"1.0\"", "57", "[]", "{", "null",
                             R"({"version":"1.0","build":1e400,"url":"https://k.example/"})"})
        EXPECT_FALSE(UpdateCheck::parse(text)) << text;
    EXPECT_FALSE(UpdateCheck::parse(feed() + '\0' + "{"));  // text after a NUL byte
    // At most 16 KiB, whitespace included.
    auto padded = [base = feed("notes", "")](std::size_t size) {
        return std::string(base).insert(base.size() - 1, std::string(size - base.size(), ' '));
    };
    EXPECT_TRUE(UpdateCheck::parse(padded(16384)));
    EXPECT_FALSE(UpdateCheck::parse(padded(16385)));
}

TEST(UpdateCheck, RunningBuild) {
    EXPECT_EQ(UpdateCheck::build(" 112 "), 112);
    EXPECT_EQ(UpdateCheck::build("\t0"), 0);
    EXPECT_EQ(UpdateCheck::build("+7"), 7);
    // Only spaces and tabs are trimmed.
    for (const char* bad : {"1.2", "", "  ", "-3", "12a", "99999999999999999999999", "1 2", "12\n"})
        EXPECT_EQ(UpdateCheck::build(bad), std::nullopt) << bad;
    EXPECT_EQ(UpdateCheck::build(std::nullopt), std::nullopt);
}

TEST(UpdateCheck, OutcomeAndWhenALookIsDue) {
    const std::string valid = feed();
    const Release release = *UpdateCheck::parse(valid);
    EXPECT_EQ(UpdateCheck::outcome(valid, 200, 56), Outcome::newer(release));
    using Build = std::optional<std::int64_t>;
    for (Build running : {Build(57), Build(60), Build()})
        EXPECT_EQ(UpdateCheck::outcome(valid, 200, running), Outcome::upToDate());
    EXPECT_EQ(UpdateCheck::outcome(valid, 404, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome(valid, std::nullopt, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome(std::nullopt, 200, 1), Outcome::unknown());
    EXPECT_EQ(UpdateCheck::outcome("{}", 200, 1), Outcome::unknown());

    // Once a day, or at once when the clock went back.
    const Date now = Date(std::chrono::seconds(1'800'000'000));
    EXPECT_TRUE(UpdateCheck::isDue(std::nullopt, now));
    EXPECT_FALSE(UpdateCheck::isDue(now - 86399s, now));
    EXPECT_TRUE(UpdateCheck::isDue(now - 86400s, now));
    EXPECT_FALSE(UpdateCheck::isDue(now, now));
    EXPECT_TRUE(UpdateCheck::isDue(now + 1h, now));
    // Centuries apart: more nanoseconds than 64 bits hold.
    EXPECT_TRUE(UpdateCheck::isDue(Date(std::chrono::seconds(-8'000'000'000)), now));
}

}  // namespace
}  // namespace kestrove
