// What the test stage shows at each step and how it reads its commands.

#include <gtest/gtest.h>

#include <limits>

#include "app/dev/stage_script.hpp"

namespace kestrove::DevAX {
namespace {

using Kind = StageCommand::Kind;

TEST(StageScript, StepsOutsideTheTableShowItsEnds) {
    EXPECT_EQ(stageStep(-3), stageStep(0));
    EXPECT_EQ(stageStep(99), stageStep(4));
    EXPECT_EQ(stageStep(std::numeric_limits<long long>::min()), stageStep(0));
    const StageStep start = stageStep(0), middle = stageStep(2), end = stageStep(4);
    EXPECT_EQ(start.counter, "Frames rendered: 12");
    EXPECT_EQ(start.status, "Exporting\u2026 30%");
    EXPECT_EQ(start.price, "\u20ac249.00");
    EXPECT_EQ(start.log.back(), "");
    EXPECT_EQ(middle.status, "Exporting\u2026 80%");
    EXPECT_EQ(middle.price, "\u20ac189.00");
    EXPECT_EQ(end.counter, "Frames rendered: 40");
    EXPECT_EQ(end.status, "Export complete");
    EXPECT_EQ(end.percent, 100);
    EXPECT_EQ(end.log.back(), "tests passed");
}

TEST(StageScript, TheFirstWordDecidesAndShowReadsTheLastWord) {
    const std::pair<const char*, StageCommand> cases[] = {
        {"show 3", {Kind::show, 3}},
        {"show", {Kind::show, 0}},
        {"show x", {Kind::show, 0}},
        {"show 1 then 4", {Kind::show, 4}},
        {"show -3", {Kind::show, 0}},
        {"show 99", {Kind::show, 4}},
        {"show 99999999999999999999999", {Kind::show, 4}},
        {"cover on", {Kind::cover, 0, true}},
        {"cover off", {Kind::cover, 0, false}},
        {"cover", {Kind::cover, 0, false}},
        {"cover on please", {Kind::cover, 0, false}},
        {"  hide  ", {Kind::hide}},
        {"unhide", {Kind::unhide}},
        {"minimize", {Kind::minimize}},
        {"close", {Kind::close}},
        {"quit", {Kind::quit}},
        {"Show 4", {Kind::ignored}},
        {"", {Kind::ignored}},
    };
    for (const auto& [line, command] : cases) EXPECT_EQ(parseStageCommand(line), command) << '"' << line << '"';
}

TEST(StageScript, ALineSplitAcrossReadsWaitsForItsEnd) {
    LineBuffer input;
    EXPECT_EQ(input.add("show 4\ncover"), (std::vector<std::string>{"show 4"}));
    EXPECT_EQ(input.add(" on\n\n\nsh"), (std::vector<std::string>{"cover on"}));
    EXPECT_EQ(input.add("ow 1\n"), (std::vector<std::string>{"show 1"}));
    // A line that never ends is dropped rather than kept growing.
    EXPECT_TRUE(input.add(std::string(5000, 'x')).empty());
    EXPECT_EQ(input.add("quit\n"), (std::vector<std::string>{"quit"}));
}

}  // namespace
}  // namespace kestrove::DevAX
