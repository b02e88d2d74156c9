// Helpers every reader of text relies on; most of their cases are pinned
// through their callers (truncation, folding, the number reader).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/foundation/text.hpp"

using namespace kestrove::text;

TEST(Text, CharactersAreWhatTheUserSeesAndPositionsCountUtf16Units) {
    const std::string family = "👨‍👩‍👧", accent = "e\xCC\x81";  // one character of five code points; e + acute
    EXPECT_EQ(utf16Length("a😀b"), 4u);  // the emoji is a surrogate pair
    EXPECT_EQ(graphemeCount(family + "ab"), 3u);
    EXPECT_EQ(graphemeCount(accent), 1u);
    EXPECT_EQ(graphemePrefix(family + "ab", 2), family + "a");
    EXPECT_EQ(graphemeDrop(accent + "xy", 1), "xy");
    EXPECT_EQ(graphemes("a" + accent), (std::vector<std::string>{"a", accent}));
}

TEST(Text, TrimsKeepLineBreaksUnlessAsked) {
    const std::tuple<std::string, std::string, std::string> cases[] = {  // text, trimmed, with newlines too
        {"  a b\t", "a b", "a b"},
        {"\na\n", "\na\n", "a"},
        {"\u00A0\u2003x\u3000", "x", "x"},  // no-break, em and ideographic spaces are space separators
        {"\r\n x \u2028", "\r\n x \u2028", "x"},
        {"", "", ""},
    };
    for (const auto& [in, whitespace, withNewlines] : cases) {
        EXPECT_EQ(trimWhitespace(in), whitespace) << in;
        EXPECT_EQ(trimWhitespaceAndNewlines(in), withNewlines) << in;
    }
    EXPECT_EQ(trimChars("·– (Ready) —", " ·-–—()"), "Ready");
    EXPECT_EQ(replaceAll("a.b.c", ".", "::"), "a::b::c");  // plain text, not a pattern
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("x", "", "y"), "x");
}

TEST(Text, CaseMappingAndFoldingIgnoreTheUserLocale) {
    std::setlocale(LC_ALL, "tr_TR.UTF-8");  // a Turkish locale must not turn I into dotless ı
    EXPECT_EQ(lower("ISTANBUL"), "istanbul");
    EXPECT_EQ(upper("straße"), "STRASSE");
    const std::pair<std::string, std::string> folded[] = {
        {"Éxporting", "exporting"}, {"ＥＸＰＯＲＴ１２", "export12"}, {"Crème Brûlée", "creme brulee"}, {"Straße", "strasse"},
        {"€ 1,5", "€ 1,5"}, {"SOLD Out: 12 Items!", "sold out: 12 items!"}, {"Ａ\tB\ne\xCC\x81", "a\tb\ne"},
    };
    for (const auto& [in, out] : folded) EXPECT_EQ(fold(in), out) << in;
    std::setlocale(LC_ALL, "C");
}

TEST(Text, LettersAndNumbersByTheFirstScalarOfEachCharacter) {
    EXPECT_EQ(firstScalar("é!"), U'é');
    EXPECT_EQ(firstScalar("\xff" "a"), U'\0');  // not UTF-8
    EXPECT_TRUE(isLetter(U'ª') && isNumber(U'Ⅻ'));
    EXPECT_FALSE(isLetter(U'€') || isNumber(U'€'));
    EXPECT_TRUE(hasLetterOrNumber("…ok"));
    // A letter-like vowel sign glued to a bullet belongs to the bullet's character.
    EXPECT_FALSE(hasLetterOrNumber("\u2022\u093E"));
}

TEST(Text, RegexWorksInUtf16AndEveryCallHasItsOwnMatcher) {
    static const Regex price(R"((\d+)(?:\.(\d+))?)");
    auto all = price.allMatches(toUtf16("€12 and 7.50"));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][0].start, 1u);  // after the one-unit euro sign
    EXPECT_EQ(all[0][0].length, 2u);
    EXPECT_FALSE(all[0][2].found());
    EXPECT_EQ(all[1][2].start, 10u);
    static const Regex word(R"(\bready\b)", Regex::CaseInsensitive);
    EXPECT_EQ(word.firstGroup(std::string_view("ready"), 1), std::nullopt);
    EXPECT_THROW(Regex("(unclosed"), std::invalid_argument);

    EXPECT_EQ(Regex("x*").replaceAll(std::string_view("abc"), std::string_view("-")), "-a-b-c-");
    const Regex digits(R"((\d+))");
    EXPECT_EQ(digits.replaceAll(std::string_view("a1b22"), std::string_view("<$1>")), "a<1>b<22>");
    EXPECT_EQ(Regex("é").replaceAll(std::string_view("😀é😀É"), std::string_view("e")), "😀e😀É");
    // Many calls on one pattern, from several threads at once, each get their own matcher.
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::string in =
                std::string("n").append(std::to_string(t)).append(" and ").append(std::to_string(t * 7));
            for (int i = 0; i < 2000; ++i)
                if (digits.replaceAll(std::string_view(in), std::string_view("#")) != "n# and #") ++wrong;
        });
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}
