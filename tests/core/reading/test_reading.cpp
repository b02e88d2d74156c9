#include "core/reading/reading.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/watch/watch_json.hpp"

using namespace kestrove;

namespace {

OCRLine line(std::string text, double h = 0.1, NormRect box = {0, 0, 1, 0}) {
    box.h = h;
    return {std::move(text), box, 0.9};
}

BaselineReading reading(const std::vector<std::string>& texts, double h = 0.1) {
    BaselineReading r;
    for (const std::string& t : texts) r.lines.push_back(line(t, h));
    return r;
}

}  // namespace

TEST(Reading, LinesReadAndWriteTheirJsonForm) {
    OCRLine l{"Price: 12 €", NormRect{0.125, 0.5, 0.75, 0.25}, 0.875};
    Json j = toJson(l);
    EXPECT_EQ(j, Json::parse(R"({"text":"Price: 12 €","box":{"x":0.125,"y":0.5,"w":0.75,"h":0.25},"confidence":0.875})"));
    EXPECT_EQ(decodeJson<OCRLine>(j.dump()), l);
    EXPECT_EQ(decodeJson<NormRect>(R"({"x":0,"y":0,"w":1,"h":1})"), NormRect::full());

    try {
        decodeJson<OCRLine>(R"({"text":"a","box":{"x":0,"y":0,"w":1},"confidence":1})");
        ADD_FAILURE() << "a box without h was accepted";
    } catch (const JsonError& e) {
        EXPECT_EQ(e.kind(), JsonError::Kind::keyNotFound);
        EXPECT_EQ(e.path(), "box.h");
    }
    EXPECT_THROW(decodeJson<OCRLine>(R"({"text":"a","box":{"x":0,"y":0,"w":1,"h":1}})"), JsonError);
    EXPECT_THROW(toJson(OCRLine{"a", NormRect{0, 0, 1, 1}, std::nan("")}), JsonError);
}

TEST(Reading, FullTextAndHasText) {
    const BaselineReading empty = BaselineReading::empty();
    EXPECT_EQ(empty.fullText(), "");
    EXPECT_FALSE(empty.hasText());
    EXPECT_FALSE(empty.looksTransient());
    EXPECT_EQ(reading({"one", "", "three"}).fullText(), "one\n\nthree");
    EXPECT_FALSE(reading({"—", "•••", "  "}).hasText());
    EXPECT_TRUE(reading({"—", "½"}).hasText());  // a numeral that is no digit
}

TEST(Reading, ProminentLineIsTheTallestThenTheLongestThenTheFirst) {
    const std::pair<std::vector<OCRLine>, std::optional<std::string>> rows[] = {
        {{}, std::nullopt},
        {{line("First", 0.1), line("Other", 0.1)}, "First"},
        {{line("abc", 0.05), line("abcdefghi", 0.04)}, "abc"},  // 53 against 49
        {{line("abc", 0.04), line("abcdefghi", 0.04)}, "abcdefghi"},
        {{line("————————", 0.5), line("ok", 0.01)}, "ok"},
        {{line("•••", 0.5)}, std::nullopt},
        {{line("  Ready to print  ", 0.1)}, "Ready to print"},
        {{line("The quick brown fox jumps over the lazy dog", 0.1)}, "The quick brown fox jumps…"},
    };
    for (const auto& [lines, expected] : rows) EXPECT_EQ(BaselineReading(lines).prominentLine(28), expected);
    EXPECT_EQ(BaselineReading({line("The quick brown fox jumps", 0.1)}).prominentLine(24), "The quick brown fox…");
}

TEST(Reading, ProminentTextIgnoresNumbers) {
    const std::pair<std::vector<OCRLine>, std::optional<std::string>> rows[] = {
        {{}, std::nullopt},
        {{line("12:45 PM", 0.2), line("Boarding", 0.1)}, "PM"},
        {{line("42%", 0.5), line("x 5", 0.4), line("Battery 42%", 0.1)}, "Battery"},
        {{line("42%", 0.5), line("x 5", 0.4)}, std::nullopt},
        // Scores count the stripped wording: "Total" and "Price" tie, so the first stays.
        {{line("Total 1", 0.1), line("Price: $1,299.00", 0.1)}, "Total"},
        {{line("Uploading 3 of 40 holiday photographs to the album", 0.1)}, "Uploading of holiday…"},
    };
    for (const auto& [lines, expected] : rows) EXPECT_EQ(BaselineReading(lines).prominentText(28), expected);
}

TEST(Reading, LineMentioningFindsTheFirstLineNamingAKeyWord) {
    const BaselineReading r = reading({"Order #4821", "Price: $12.99", "PRICE drop 5%", "Status 100%"});
    const std::pair<std::string, std::optional<std::string>> rows[] = {
        {"the price", "Price"}, {"status text", "Status"}, {"to do", std::nullopt},
        {"the label message", std::nullopt}, {"drop", "PRICE drop"},
        {"rde", "Order #"},  // a key word may sit inside a longer word
    };
    for (const auto& [subject, expected] : rows) EXPECT_EQ(r.lineMentioning(subject), expected) << subject;
    EXPECT_EQ(BaselineReading::empty().lineMentioning("price"), std::nullopt);

    // Stripping leaves nothing: the line is shown as read.
    EXPECT_EQ(reading({"100%"}).lineMentioning("100%"), "100%");
    EXPECT_EQ(reading({"Shipping to 221B Baker Street, London, United Kingdom"}).lineMentioning("shipping"),
              "Shipping to 221B Baker Street, London,…");
}

TEST(Reading, NumbersCarryTheirLineAndAnchor) {
    BaselineReading r({
        line("5", 0.2, NormRect{0.1, 0.1, 0.4, 0}),
        line("5 of 10", 0.1, NormRect{0.2, 0.5, 0.7, 0}),
        line("no numbers", 0.1),
        line("€1.500", 0.3, NormRect{0, 0.6, 0.6, 0}),
    });
    std::vector<ReadNumber> found = r.numbers(false);
    ASSERT_EQ(found.size(), 4u);
    struct Want { double value; int line; double x, y; };
    const std::vector<Want> want = {
        {5, 0, 0.1 + 0.4 / 2, 0.2},
        {5, 1, 0.2 + 0.7 * 0.5 / 7, 0.55},
        {10, 1, 0.2 + 0.7 * 6 / 7, 0.55},
        {1500, 3, 0.6 * 3.5 / 6, 0.75},  // "€" is one code unit: location 1, length 5
    };
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_DOUBLE_EQ(found[i].value, want[i].value) << i;
        EXPECT_EQ(found[i].line, want[i].line) << i;
        ASSERT_TRUE(found[i].anchor.has_value()) << i;
        EXPECT_DOUBLE_EQ(found[i].anchor->x, want[i].x) << i;
        EXPECT_DOUBLE_EQ(found[i].anchor->y, want[i].y) << i;
    }

    std::vector<ReadNumber> times = reading({"Ends in 1 hour and 30 minutes"}).numbers(true);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_DOUBLE_EQ(times[0].value, 5400);
    EXPECT_TRUE(BaselineReading::empty().numbers(true).empty());
}

TEST(Reading, LooksTransientForProgressWording) {
    const std::pair<std::string, bool> rows[] = {
        {"Uploading photos", true}, {"Saving, please wait", false}, {"Please wait...", true}, {"Please wait…", true},
        {"Ping", false}, {"King of the hill", false}, {"bring it", true}, {"42%", false},
        {"Your subscription renews every month", true},  // truncated, so it ends with "…"
    };
    for (const auto& [text, transient] : rows) EXPECT_EQ(reading({text}).looksTransient(), transient) << text;
}
