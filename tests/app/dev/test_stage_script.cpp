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
    // (What each step shows is read by the accessibility check's desktop tests.)
    EXPECT_NE(stageStep(2), stageStep(0));
    EXPECT_EQ(stageStep(0).log.back(), "");
    EXPECT_EQ(stageStep(4).log.back(), "tests passed");
    EXPECT_EQ(stageStep(4).percent, 100);
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
