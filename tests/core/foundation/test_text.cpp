#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/foundation/text.hpp"

using namespace kestrove::text;

TEST(Text, Utf16PositionsCountCodeUnits) {
    EXPECT_EQ(utf16Length("€1.500"), 6u);
    EXPECT_EQ(utf16Length("a😀b"), 4u);  // the emoji is a surrogate pair
    EXPECT_EQ(toUtf8(toUtf16("Größe 😀")), "Größe 😀");
}

TEST(Text, GraphemesAreWhatTheUserSees) {
    const std::string family = "👨‍👩‍👧";  // one grapheme of five code points
    const std::string accent = "e\xCC\x81";  // e + combining acute
    EXPECT_EQ(graphemeCount(family + "ab"), 3u);
    EXPECT_EQ(graphemeCount(accent), 1u);
    EXPECT_EQ(graphemeCount(""), 0u);
    EXPECT_EQ(graphemePrefix(family + "ab", 2), family + "a");
    EXPECT_EQ(graphemePrefix("abc", 10), "abc");
    EXPECT_EQ(graphemeDrop(accent + "xy", 1), "xy");
    EXPECT_EQ(graphemes("a" + accent), (std::vector<std::string>{"a", accent}));
}

TEST(Text, TrimsKeepLineBreaksUnlessAsked) {
    struct Case { std::string in, whitespace, withNewlines; };
    const Case cases[] = {
        {"  a b\t", "a b", "a b"},
        {"\na\n", "\na\n", "a"},
        {"\u00A0\u2003x\u3000", "x", "x"},  // no-break, em and ideographic spaces are space separators
        {"\r\n x \u2028", "\r\n x \u2028", "x"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimWhitespace(c.in), c.whitespace) << c.in;
        EXPECT_EQ(trimWhitespaceAndNewlines(c.in), c.withNewlines) << c.in;
    }
    EXPECT_EQ(trimChars("·– (Ready) —", " ·-–—()"), "Ready");
}

TEST(Text, CaseMappingIgnoresTheUserLocale) {
    std::setlocale(LC_ALL, "tr_TR.UTF-8");  // a Turkish locale must not turn I into dotless ı
    EXPECT_EQ(lower("ISTANBUL"), "istanbul");
    EXPECT_EQ(upper("straße"), "STRASSE");
    std::setlocale(LC_ALL, "C");
}

TEST(Text, FoldRemovesCaseDiacriticsAndWidth) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"Éxporting", "exporting"},
        {"ＥＸＰＯＲＴ１２", "export12"},  // full-width letters and digits
        {"Crème Brûlée", "creme brulee"},
        {"e\xCC\x81", "e"},
        {"Straße", "strasse"},
        {"€ 1,5", "€ 1,5"},
        {"SOLD Out: 12 Items!", "sold out: 12 items!"},  // plain ASCII
        {"Ａ\tB\ne\xCC\x81", "a\tb\ne"},
    };
    for (const auto& c : cases) EXPECT_EQ(fold(c.in), c.out) << c.in;
}

TEST(Text, RegexReportsUtf16RangesAndGroups) {
    static const Regex price(R"((\d+)(?:\.(\d+))?)");
    const std::u16string line = toUtf16("€12 and 7.50");
    auto all = price.allMatches(line);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][0].start, 1u);  // after the one-unit euro sign
    EXPECT_EQ(all[0][0].length, 2u);
    EXPECT_FALSE(all[0][2].found());
    EXPECT_EQ(all[1][2].start, 10u);

    static const Regex word(R"(\bready\b)", Regex::CaseInsensitive);
    EXPECT_TRUE(word.matches(std::string_view("Now READY.")));
    EXPECT_FALSE(word.matches(std::string_view("already")));
    EXPECT_EQ(word.firstGroup(std::string_view("ready"), 1), std::nullopt);
    EXPECT_EQ(Regex(R"(\s+)").replaceAll(std::string_view("a \t b\n c"), std::string_view(" ")), "a b c");
    EXPECT_THROW(Regex("(unclosed"), std::invalid_argument);
}

TEST(Text, DecimalsAreGroupedAndRoundedHalfEven) {
    struct Case { double v; int minF, maxF; bool grouping; std::string out; };
    const Case cases[] = {
        {1234567, 0, 0, true, "1,234,567"},
        {0.5, 2, 2, true, "0.50"},
        {1234.5, 1, 1, true, "1,234.5"},
        {2.5, 0, 0, true, "2"},
        {3.5, 0, 0, true, "4"},
        {-1234.25, 1, 1, true, "-1,234.2"},
        {1234.5, 0, 2, false, "1234.5"},
    };
    std::setlocale(LC_ALL, "de_DE.UTF-8");  // the user's locale must not leak in
    for (const auto& c : cases) EXPECT_EQ(formatDecimal(c.v, c.minF, c.maxF, c.grouping), c.out) << c.v;
    std::setlocale(LC_ALL, "C");
}

TEST(Text, ReplaceAllIsPlainText) {
    EXPECT_EQ(replaceAll("a.b.c", ".", "::"), "a::b::c");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("x", "", "y"), "x");
}

TEST(Text, LettersAndNumbersByFirstScalar) {
    EXPECT_EQ(firstScalar("é!"), U'é');
    EXPECT_EQ(firstScalar(""), U'\0');
    EXPECT_EQ(firstScalar("\xff" "a"), U'\0');
    for (char32_t c : {U'a', U'Ж', U'日', U'ª'}) EXPECT_TRUE(isLetter(c)) << static_cast<unsigned>(c);
    for (char32_t c : {U'1', U'٣', U'½', U'Ⅻ'}) EXPECT_TRUE(isNumber(c)) << static_cast<unsigned>(c);
    for (char32_t c : {U'-', U' ', U'€', U'.'}) {
        EXPECT_FALSE(isLetter(c)) << static_cast<unsigned>(c);
        EXPECT_FALSE(isNumber(c)) << static_cast<unsigned>(c);
    }
    EXPECT_FALSE(isNumber(U'x'));
}

TEST(Text, HasLetterOrNumberJudgesEachCharacterByItsFirstScalar) {
    EXPECT_TRUE(hasLetterOrNumber("— 7 —"));
    EXPECT_TRUE(hasLetterOrNumber("…ok"));
    EXPECT_TRUE(hasLetterOrNumber("½"));
    EXPECT_FALSE(hasLetterOrNumber("•••  —"));
    EXPECT_FALSE(hasLetterOrNumber(""));
    // A letter-like vowel sign glued to a bullet belongs to the bullet's character.
    EXPECT_FALSE(hasLetterOrNumber("\u2022\u093E"));
}

TEST(Text, RegexReplaceAllSplicesPlainTextAndKeepsGroupReferences) {
    const Regex empty("x*");
    EXPECT_EQ(empty.replaceAll(std::string_view("abc"), std::string_view("-")), "-a-b-c-");
    const Regex digits(R"((\d+))");
    EXPECT_EQ(digits.replaceAll(std::string_view("a1b22"), std::string_view("<$1>")), "a<1>b<22>");
    EXPECT_EQ(digits.replaceAll(std::string_view("a1b22"), std::string_view("#")), "a#b#");
    EXPECT_EQ(digits.replaceAll(std::string_view("none"), std::string_view("#")), "none");
    EXPECT_EQ(Regex("é").replaceAll(std::string_view("😀é😀É"), std::string_view("e")), "😀e😀É");
    // Many calls on one pattern, from several threads at once, each get their own matcher.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::string in = "n" + std::to_string(t) + " and " + std::to_string(t * 7);
            for (int i = 0; i < 2000; ++i)
                if (digits.replaceAll(std::string_view(in), std::string_view("#")) != "n# and #") ++wrong;
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}
