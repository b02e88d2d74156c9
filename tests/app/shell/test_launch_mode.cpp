#include <gtest/gtest.h>

#include <locale>

#include "app/shell/launch_mode.hpp"

namespace kestrove {
namespace {

using Kind = LaunchMode::Kind;
using Args = std::vector<std::string>;
using Follow = LaunchMode::AxFollow;

struct Case {
    const char* what;
    Args args;  // after the executable
    Kind kind;
    std::string folder = {};
    std::optional<Follow> follow = std::nullopt;
    Args tail = {};
};

const Case cases[] = {
    {"nothing: the tray application", {}, Kind::normal},
    {"the chat window is the application's own flag", {"--connect-telegram"}, Kind::normal},
    {"a flag joined to its value matches nothing", {"--snapshot=out", "--ax-check=x"}, Kind::normal},
    {"flags are case-sensitive", {"--Snapshot"}, Kind::normal},
    {"last on the line: the default folder", {"--snapshot"}, Kind::snapshot, "build/snapshots"},
    {"the folder follows the flag", {"--snapshot", "out/a b"}, Kind::snapshot, "out/a b"},
    {"the next argument is the folder even when it is a flag", {"--snapshot", "--panel-check"}, Kind::snapshot,
     "--panel-check"},
    {"snapshot wins wherever it stands", {"--panel-check", "p", "--snapshot"}, Kind::snapshot, "build/snapshots"},
    {"panel check", {"--panel-check"}, Kind::panelCheck, "build/panel-check"},
    {"the first occurrence gives the folder", {"--window-check", "a", "--window-check", "b"}, Kind::windowCheck, "a"},
    {"window check before the accessibility modes", {"--ax-check", "--window-check"}, Kind::windowCheck,
     "build/window-check"},
    {"stage before check", {"--ax-check", "--ax-stage"}, Kind::axStage},
    {"a developer mode beats the chat flag", {"--connect-telegram", "--ax-stage"}, Kind::axStage},
    {"plain accessibility check", {"--ax-check"}, Kind::axCheck, "build/ax-check"},
    {"following a window", {"--ax-check", "o", "--window", "77", "--box", "1,2.5,30,40", "--seconds", "2.5"},
     Kind::axCheck, "o", Follow{77, {1, 2.5, 30, 40}, 2.5}},
    {"empty pieces and words drop out of the box", {"--ax-check", "--window", "+9", "--box", "1,,x,2,3,-4e1"},
     Kind::axCheck, "--window", Follow{9, {1, 2, 3, -40}, 60}},
    {"seconds that are no number, or endless", {"--ax-check", "--window", "5", "--box", "0,0,1,1", "--seconds", "1s"},
     Kind::axCheck, "--window", Follow{5, {0, 0, 1, 1}, 60}},
    {"endless seconds", {"--ax-check", "o", "--window", "5", "--box", "0,0,1,1", "--seconds", "inf"}, Kind::axCheck,
     "o", Follow{5, {0, 0, 1, 1}, 60}},
    {"server check, from its flag on", {"a", "--cloud-check", "--x", "1"}, Kind::cloud, {}, std::nullopt,
     {"--cloud-check", "--x", "1"}},
    {"the first of the two server flags begins the list", {"--cloud-compile", "s", "--cloud-check"}, Kind::cloud, {},
     std::nullopt, {"--cloud-compile", "s", "--cloud-check"}},
    {"server checks before the chat trial", {"--telegram-try", "--cloud-check"}, Kind::cloud, {}, std::nullopt,
     {"--cloud-check"}},
    {"chat trial", {"--connect-telegram", "--telegram-try", "pair"}, Kind::telegramTry, {}, std::nullopt,
     {"--telegram-try", "pair"}},
};

TEST(LaunchMode, FirstFlagPresentDecidesWithItsValues) {
    for (const Case& c : cases) {
        Args args{"/usr/bin/kestrove"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const LaunchMode mode = decideMode(args);
        EXPECT_EQ(mode.kind, c.kind) << c.what;
        EXPECT_EQ(mode.folder, c.folder) << c.what;
        EXPECT_EQ(mode.follow, c.follow) << c.what;
        EXPECT_EQ(mode.tail, c.tail) << c.what;
        EXPECT_EQ(mode.needsDisplay(), c.kind == Kind::normal || c.kind == Kind::windowCheck || c.kind == Kind::axStage ||
                                           c.kind == Kind::axCheck)
            << c.what;
    }
}

TEST(LaunchMode, AWindowOrBoxThatIsNoneFollowsNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"12ab", "1,2,3,4"}, {"1.5", "1,2,3,4"}, {"-3", "1,2,3,4"}, {"4294967296", "1,2,3,4"},  // 32 bits at most
        {"7", "1,2,3"},      {"7", "1,2,3,4,5"}, {"7", nullptr},    {"7", "1,5;2,3;4"},  // the comma-decimal style
    };
    for (const auto& [window, box] : cases) {
        SCOPED_TRACE(std::string(window) + " " + (box ? box : "(no box)"));
        Args args{"k", "--ax-check", "o", "--window", window};
        if (box) args.insert(args.end(), {"--box", box});
        const LaunchMode mode = decideMode(args);
        EXPECT_EQ(mode.kind, Kind::axCheck);
        EXPECT_EQ(mode.folder, "o");
        EXPECT_EQ(mode.follow, std::nullopt);
    }
}

// A program locale with a decimal comma changes nothing: numbers are read
// in the one standard form.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
};

TEST(LaunchMode, NumbersIgnoreTheLocale) {
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const LaunchMode mode = decideMode({"k", "--ax-check", "--window", "1000", "--box", "0.5,1,2,3", "--seconds", "1.5"});
    std::locale::global(before);
    EXPECT_EQ(mode.follow, (Follow{1000, {0.5, 1, 2, 3}, 1.5}));
}

}  // namespace
}  // namespace kestrove
