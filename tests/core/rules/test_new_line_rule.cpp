#include "core/rules/new_line_rule.hpp"

#include <gtest/gtest.h>

#include "support/samples.hpp"

#include <string>
#include <vector>

using namespace kestrove;

namespace {

std::vector<OCRLine> lines(const std::vector<std::string>& texts) { return samples::stackedLines(texts); }

}  // namespace

TEST(NewLineRule, NormalizeIgnoresCaseSpacingAndClockTimes) {
    const std::pair<std::string, std::string> rows[] = {
        {"  Build   PASSED \n", "build passed"},
        {"[12:30] Anna: see you", "[#:#] anna: see you"},
        {"Anna 9:05 PM: hi", "anna #:#: hi"},
        {"sent 9:05pm", "sent #:#"},
        {"uptime 1:23:45 total", "uptime #:# total"},
        {"Tab\tand\u00A0no-break", "tab and no-break"},
        {"Ünïcode ÉCLAIR", "ünïcode éclair"},
        {"pm 12:30 amazing", "pm #:# amazing"},  // "am" must end a word to be taken
        {"", ""},
    };
    for (const auto& [in, out] : rows) EXPECT_EQ(NewLineRule::normalize(in), out) << in;
}

TEST(NewLineRule, NormalizedDropsClockOnlyBlankSymbolAndRepeatedLines) {
    EXPECT_EQ(NewLineRule::normalized(lines({"12:30", "9:05 pm", "•••", " ", "—"})), std::vector<std::string>{});
    EXPECT_EQ(NewLineRule::normalized(lines({"Anna: hi", "10:02", "ANNA:  hi", "Ben: hello", "#:#", "7"})),
              (std::vector<std::string>{"anna: hi", "ben: hello", "7"}));
}

// Stored texts are compared in their normal form, whatever form they were kept in;
// repeats of a new line count once, in their first place.
TEST(NewLineRule, OnlyLinesNotSeenBeforeAreNew) {
    const std::vector<std::string> seen = {"Anna 10:01: hi", "ben: ok"};
    EXPECT_FALSE(NewLineRule::met(seen, lines({"anna 10:07: HI", "Ben:   ok"})));
    EXPECT_EQ(NewLineRule::newLines(seen, lines({"Ben: ok", "Cleo 10:09: lunch?", "Anna: hi", "cleo 10:10: LUNCH?"})),
              (std::vector<std::string>{"cleo #:#: lunch?", "anna: hi"}));
    EXPECT_TRUE(NewLineRule::met({}, lines({"first"})));
    EXPECT_FALSE(NewLineRule::met({"x"}, {}));
}

// A terminal's prompt as its cursor blinks, turns hollow when the window
// loses the focus, or is read as a letter, is the same line; a line with a
// real new word is not.
TEST(NewLineRule, ALineDifferingOnlyByACursorOrALoneSymbolIsTheSameLine) {
    const std::vector<std::string> seen = {"Remaining: 16 files", "user@box:~$ █"};
    const std::pair<std::string, bool> rows[] = {
        {"user@box:~$", false},      {"user@box:~$ _", false},   {"user@box:~$ |", false},
        {"user@box:~$ 0", false},    {"user@box:~$ l", false},   {"• Remaining: 16 files", false},
        {"Remaining: 16 files ■", false},
        {"user@box:~$ ls", true},    {"user@box:~$ 7 x", true}, {"Remaining: 15 files", true},
        {"Remaining: 16 files i", false},
    };
    for (const auto& [line, isNew] : rows) EXPECT_EQ(NewLineRule::met(seen, lines({line})), isNew) << line;
    const std::pair<std::string, std::string> keys[] = {
        {"$ ▯", ""}, {"a - b", "a b"}, {"done o", "done"}, {"o", "o"}, {"step 1 of 3", "step 1 of 3"}};
    for (const auto& [form, key] : keys) EXPECT_EQ(NewLineRule::sameLineKey(form), key) << form;
}
