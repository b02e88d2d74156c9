#include <gtest/gtest.h>

#include "core/direct_agreement.hpp"
#include "core/text.hpp"

using namespace kestrove;
namespace DA = kestrove::DirectAgreement;

namespace {

std::vector<OCRLine> lines(std::initializer_list<std::string> texts) {
    std::vector<OCRLine> out;
    for (const std::string& t : texts) {
        OCRLine l;
        l.text = t;
        l.confidence = 1;
        out.push_back(l);
    }
    return out;
}

using Words = std::vector<std::string>;

}  // namespace

TEST(DirectAgreementWords, FoldedRunsOfLettersAndNumbers) {
    struct Case {
        std::vector<std::string> texts;
        Words words;
    } cases[] = {
        {{"Ready-to-ship"}, {"ready", "to", "ship"}},
        {{"a 1 b 22 I"}, {"1", "22"}},
        {{"Café ÉTÉ", "ＦＵＬＬ width"}, {"cafe", "ete", "full", "width"}},
        {{"done done", "", "done"}, {"done", "done", "done"}},
        {{"€249,00 – 3½ left"}, {"249", "00", "3½", "left"}},
        {{"日本語 テキスト"}, {"日本語", "テキスト"}},
        {{"...", " - "}, {}},
    };
    for (const Case& c : cases) {
        std::vector<OCRLine> ls;
        for (const auto& t : c.texts) ls.push_back(lines({t}).front());
        EXPECT_EQ(DA::words(ls), c.words) << c.texts.front();
    }
}

TEST(DirectAgreementWords, BoundedEditDistance) {
    auto chars = [](std::string_view s) { return text::graphemes(s); };
    struct Case {
        const char *a, *b;
        int atMost, expected;
    } cases[] = {
        {"kitten", "sitting", 3, 3},
        {"kitten", "sitting", 2, 3},   // gives up at atMost + 1
        {"kitten", "kitten", 0, 0},
        {"", "abc", 5, 3},
        {"ab", "abcdef", 2, 3},        // lengths too far apart
        {"abcdef", "badcfe", 1, 2},    // rows exceed the bound early
        {"export", "exports", 1, 1},
        {"naïve", "naive", 1, 1},      // one character, whatever its bytes
    };
    for (const Case& c : cases) EXPECT_EQ(DA::editDistance(chars(c.a), chars(c.b), c.atMost), c.expected) << c.a << "/" << c.b;
}

TEST(DirectAgreementWords, NearEqualWords) {
    struct Case {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"export", "exports", true},   {"export", "expert", true},   {"status", "statvs", true},
        {"12000", "12001", false},     {"12000", "12000", true},     {"cat", "cut", false},
        {"cat", "cat", true},          {"build", "builds", true},    {"build", "bills", false},
        {"exports", "export2", false}, {"deploy", "deployed", false}, {"abcde", "abxyz", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DA::sameWord(c.a, c.b), c.same) << c.a << "/" << c.b;
        EXPECT_EQ(DA::sameWord(c.b, c.a), c.same) << c.b << "/" << c.a;
    }
    EXPECT_EQ(DA::allowance(9), 0);
    EXPECT_EQ(DA::allowance(10), 1);
    EXPECT_EQ(DA::allowance(19), 1);
    EXPECT_EQ(DA::allowance(20), 2);
}

TEST(DirectAgreementWords, OneWordInTenMayBeMissing) {
    const auto nine = lines({"alpha bravo charlie delta echo foxtrot golf hotel india"});
    const auto ten = lines({"alpha bravo charlie delta echo foxtrot golf hotel india juliet"});
    // Nine words, one missing on the direct side: no allowance.
    EXPECT_EQ(DA::sameWords(nine, lines({"alpha bravo charlie delta echo foxtrot golf hotel"})),
              DA::differs("only the picture has: india"));
    // Ten words, one missing: allowed.
    EXPECT_TRUE(DA::sameWords(ten, lines({"alpha bravo charlie delta echo foxtrot golf hotel india"})).agrees());
    // Ten words, two missing: not.
    EXPECT_FALSE(DA::sameWords(ten, lines({"alpha bravo charlie delta echo foxtrot golf hotel"})).agrees());
    // Near-equal words and repeats do not count as missing.
    EXPECT_TRUE(DA::sameWords(lines({"Exporting 12 files", "files"}), lines({"Exportinq 12 files"})).agrees());
    EXPECT_EQ(DA::sameWords(lines({"12000 items"}), lines({"12001 items"})), DA::differs("only the picture has: 12000"));
}

TEST(DirectAgreementWords, ReasonsNameAtMostFourSortedWords) {
    EXPECT_EQ(DA::sameWords(lines({"zulu yankee xray whiskey victor"}), lines({"alpha"})),
              DA::differs("only the picture has: victor, whiskey, xray, yankee"));
    EXPECT_EQ(DA::sameWords(lines({"alpha beta"}), lines({"alpha beta", "omega delta"})),
              DA::differs("only the direct reader has: delta, omega"));
    EXPECT_EQ(DA::sameWords(lines({}), lines({})), DA::differs("the direct reader read no text"));
    EXPECT_EQ(DA::sameWords(lines({"Ready"}), lines({"- ·"})), DA::differs("the direct reader read no text"));
    EXPECT_EQ(DA::sameWords(lines({"."}), lines({"Ready"})), DA::differs("the picture shows no text"));
}
