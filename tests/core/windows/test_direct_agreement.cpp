#include <gtest/gtest.h>

#include "support/samples.hpp"

#include "core/windows/direct_agreement.hpp"
#include "core/foundation/text.hpp"

using namespace kestrove;
namespace DA = kestrove::DirectAgreement;

namespace kestrove::DirectAgreement {
void PrintTo(const Verdict& v, std::ostream* os) { *os << (v.agrees() ? "agrees" : "differs(\"" + *v.difference + "\")"); }
}  // namespace kestrove::DirectAgreement

namespace {

std::vector<OCRLine> lines(std::initializer_list<std::string> texts) { return samples::textLines(texts); }

using Words = std::vector<std::string>;

WatchSpec bound(WatchType type) {
    WatchSpec s;
    s.type = type;
    s.region.window = WindowAnchor{7, "Editor", std::nullopt, 0, 0, 400, 300};
    return s;
}

WatchSpec appears(const std::string& text) {
    WatchSpec s = bound(WatchType::textAppears);
    s.target.text = text;
    return s;
}

WatchSpec below(double value) {
    WatchSpec s = bound(WatchType::numberCompare);
    s.comparator = Comparison::lt;
    s.value = value;
    return s;
}

}  // namespace

TEST(DirectAgreementWords, FoldedRunsOfLettersAndNumbers) {
    struct Case { std::vector<std::string> texts; Words words; } cases[] = {
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
    struct Case { const char *a, *b; int atMost, expected; } cases[] = {
        {"kitten", "sitting", 3, 3},
        {"kitten", "sitting", 2, 3},   // gives up at atMost + 1
        {"", "abc", 5, 3},
        {"ab", "abcdef", 2, 3},        // lengths too far apart
        {"abcdef", "badcfe", 1, 2},    // rows exceed the bound early
        {"export", "exports", 1, 1},
        {"naïve", "naive", 1, 1},      // one character, whatever its bytes
    };
    for (const Case& c : cases) EXPECT_EQ(DA::editDistance(chars(c.a), chars(c.b), c.atMost), c.expected) << c.a << "/" << c.b;
}

TEST(DirectAgreementWords, NearEqualWords) {
    struct Case { const char *a, *b; bool same; } cases[] = {
        {"export", "exports", true},  {"export", "expert", true},      {"status", "statvs", true},
        {"12000", "12001", false},    {"cat", "cut", false},           {"build", "bills", false},
        {"exports", "export2", false}, {"deploy", "deployed", false},  {"abcde", "abxyz", false},
        {"größen", "größe", true},    {"日本語テキスト", "日本語テキス", true}, {"größe", "grösse", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DA::sameWord(c.a, c.b), c.same) << c.a << "/" << c.b;
        EXPECT_EQ(DA::sameWord(c.b, c.a), c.same) << c.b << "/" << c.a;
    }
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

TEST(DirectAgreementCheck, OnlyEligibleWatchesAreCompared) {
    const auto same = lines({"Build finished"});
    WatchSpec unbound = appears("finished");
    unbound.region.window.reset();
    for (const WatchSpec& s : {unbound, bound(WatchType::anyChange), bound(WatchType::newItem)})
        EXPECT_EQ(DA::check(s, same, same), DA::differs("this kind of watch is not read directly"));
}

TEST(DirectAgreementCheck, NumbersMustAgreeWithinAMillionth) {
    const WatchSpec s = below(200);
    EXPECT_TRUE(DA::check(s, lines({"Price 189.0"}), lines({"Price 189.0000005"})).agrees());
    EXPECT_EQ(DA::check(s, lines({"Price 189"}), lines({"Price 249"})),
              DA::differs("the picture reads 189, the direct reader 249"));
    EXPECT_EQ(DA::check(s, lines({"Price 189"}), lines({"Price 189.01"})),
              DA::differs("the picture reads 189, the direct reader 189.01"));
    EXPECT_EQ(DA::check(s, lines({"Price"}), lines({"Price 189"})), DA::differs("the picture shows no number"));
    EXPECT_EQ(DA::check(s, lines({"Price 189"}), lines({})), DA::differs("the direct reader read no number"));
}

TEST(DirectAgreementCheck, TextRulesNeedTheSameWordsAndTheSameVerdict) {
    const WatchSpec s = appears("Ready");
    EXPECT_TRUE(DA::check(s, lines({"Status: Ready"}), lines({"Status:", "Ready"})).agrees());
    EXPECT_EQ(DA::check(s, lines({"Status: Ready"}), lines({"Status: Waiting"})),
              DA::differs("only the picture has: ready"));
    // Ten words agree within the allowance, yet only one side shows the target.
    const auto picture = lines({"one two three four five six seven eight nine Ready"});
    const auto direct = lines({"one two three four five six seven eight nine"});
    EXPECT_EQ(DA::check(s, picture, direct), DA::differs("the rule stands differently on the two readings"));
    // A new-line rule finds no new line on either side: each reading is its own baseline.
    EXPECT_TRUE(DA::check(bound(WatchType::newLine), lines({"alice: hi", "bob: hello"}),
                          lines({"alice: hi", "bob: hello"})).agrees());
}

TEST(DirectAgreementAdopt, SwitchesToDirectReadingOnlyOnAgreement) {
    WatchSpec s = appears("Ready");
    s.direct = DirectInfo{false};
    const auto picture = lines({"Status: Ready"});
    EXPECT_EQ(DA::adopt(s, picture, std::nullopt, true).direct, std::nullopt);
    EXPECT_EQ(DA::adopt(s, picture, lines({"Status: Waiting"}), true).direct, std::nullopt);
    EXPECT_EQ(DA::adopt(s, picture, lines({"Status: Ready"}), true).direct, DirectInfo{true});
    const WatchSpec adopted = DA::adopt(s, picture, lines({"Status: Ready"}), false);
    EXPECT_EQ(adopted.direct, DirectInfo{false});
    WatchSpec rest = adopted;
    rest.direct = s.direct;
    EXPECT_EQ(rest, s);  // nothing else changes
}
