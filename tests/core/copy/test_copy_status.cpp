#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/copy/copy_status.hpp"

namespace kestrove {
namespace {

using std::nullopt;
using enum WatchType;
using enum WatchStatus;
using Trouble = std::optional<WatchTrouble>;

WatchRecord record(WatchType type, WatchStatus status, std::optional<std::string> app = nullopt,
                   std::optional<std::string> lastRead = nullopt) {
    WatchRecord r;
    r.spec.command = "the price drops below 20";
    r.spec.type = type;
    if (app) r.spec.region.window.emplace().app = *app;
    r.status = status;
    r.lastRead = std::move(lastRead);
    return r;
}

TEST(CopyStatus, StateLine) {
    WatchRecord fallback = record(anyChange, watching, "  Firefox\t");
    fallback.spec.fallbackFrom = stateReached;
    // 24 characters in 48 bytes: the limit counts characters.
    std::string e24, upper24;
    for (int i = 0; i < 24; ++i) e24 += "é", upper24 += "É";
    const std::string e25 = e24 + "é";

    struct Case { WatchRecord rec; int interval; std::optional<std::string> bark; Trouble trouble; bool direct;
                  std::string expected; };
    const Case cases[] = {
        // Lost sight wins over trouble, trouble over the rest.
        {record(numberCompare, lostSight), 5, "14:02", WatchTrouble::localOnly(), false, "CAN'T SEE IT"},
        {record(textAppears, paused), 5, nullopt, nullopt, false, "PAUSED"},
        {record(textGone, finished), 5, "14:02", nullopt, false, "BARKED 14:02"},
        {record(stateReached, watching, "Safari"), 5, "14:02",
         WatchTrouble::serverNotSetUp(), false, "NOT CHECKING · NO SERVER SET UP"},
        {record(numberCompare, watching, "Safari", "24.50 eur"), 5, "14:02",
         nullopt, true, "WATCHING · READING DIRECTLY · READ 24.50 EUR"},
        // Only number watches show what they read.
        {record(textAppears, watching, nullopt, "Done"), 5, nullopt, nullopt, true, "WATCHING · READING DIRECTLY"},
        {record(numberCompare, watching, "Safari", "24.50"), 5, "14:02", nullopt,
         false, "WATCHING IN SAFARI · EVERY 5 S · READ 24.50 · BARKED 14:02"},
        {record(textGone, watching, nullopt, "Loading"), 15, nullopt, nullopt, false, "WATCHING · EVERY 15 S"},
        {fallback, 30, nullopt, nullopt, false, "WATCHING FOR ANY CHANGE IN FIREFOX · EVERY 30 S"},  // name trimmed
        {record(anyChange, watching), 5, nullopt, nullopt, false, "WATCHING · EVERY 5 S"},
        {record(newItem, watching), 5, "9:15 am", nullopt, false,
         "WATCHING · EVERY 5 S · JUDGED BY A MODEL · BARKED 9:15 am"},
        // A name is shown up to 24 characters, and not when blank.
        {record(stateReached, watching, e24), 5, nullopt, nullopt,
         false, "WATCHING IN " + upper24 + " · EVERY 5 S · JUDGED BY A MODEL"},
        {record(anyChange, watching, e25), 5, nullopt, nullopt, false, "WATCHING · EVERY 5 S"},
        {record(anyChange, watching, "   "), 5, nullopt, nullopt, false, "WATCHING · EVERY 5 S"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Copy::stateLine(c.rec, c.interval, c.bark, c.trouble, c.direct), c.expected) << c.expected;
}

TEST(CopyStatus, Tag) {
    struct Case { WatchStatus status; std::optional<std::string> bark; bool flashing; Trouble trouble; bool direct;
                  std::string expected; };
    const Case cases[] = {
        {paused, "14:02", true, nullopt, false, "BARKED 14:02"},
        {lostSight, nullopt, true, WatchTrouble::localOnly(), false, "BARKED"},
        {lostSight, "14:02", false, WatchTrouble::localOnly(), false, "CAN'T SEE IT"},
        {paused, "14:02", false, nullopt, true, "PAUSED"},
        {finished, "14:02", false, nullopt, false, "BARKED 14:02"},
        {finished, nullopt, false, nullopt, false, "BARKED"},
        {watching, "14:02", false, WatchTrouble::cantReachServer(), true, "CAN'T REACH THE SERVER"},
        {watching, "14:02", false, nullopt, true, "WATCHING · READING DIRECTLY"},
        {watching, "14:02", false, nullopt, false, "WATCHING · EVERY 30 S"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Copy::tag(c.status, 30, c.bark, c.flashing, c.trouble, c.direct), c.expected)
            << rawValue(c.status) << " flashing " << c.flashing;
}

TEST(CopyStatus, TroubleTexts) {
    struct Case { WatchTrouble trouble; std::string line; std::string tag; };
    const Case cases[] = {
        {WatchTrouble::modelChecksUsedUp(nullopt), "TODAY'S MODEL CHECKS ARE USED UP", "MODEL CHECKS USED UP"},
        {WatchTrouble::modelChecksUsedUp("2:30 pm"), "MODEL CHECKS USED UP · BACK AT 2:30 PM",
         "MODEL CHECKS BACK AT 2:30 PM"},
        {WatchTrouble::cantReachServer(), "CAN'T REACH THE SERVER", "CAN'T REACH THE SERVER"},
        {WatchTrouble::localOnly(), "NOT CHECKING · LOCAL ONLY IS ON", "LOCAL ONLY IS ON"},
        {WatchTrouble::serverNotSetUp(), "NOT CHECKING · NO SERVER SET UP", "NO SERVER SET UP"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Copy::troubleLine(c.trouble), c.line);
        EXPECT_EQ(Copy::troubleTag(c.trouble), c.tag);
    }
}

TEST(CopyStatus, NotificationAndChat) {
    WatchSpec number;
    number.type = numberCompare;
    number.command = "price below 20";
    WatchSpec words;
    words.type = textAppears;
    words.command = "\"Done\" shows up";
    WatchSpec anyChange;
    anyChange.command = "  anything here changes\n";
    WatchSpec fallback = anyChange;
    fallback.fallbackFrom = stateReached;

    EXPECT_EQ(Copy::notificationTitle(number), "Woof. Price below 20.");
    EXPECT_EQ(Copy::notificationTitle(words), "Woof. \"Done\" shows up.");
    EXPECT_EQ(Copy::notificationTitle(anyChange), "Woof. Anything here changes.");
    EXPECT_EQ(Copy::notificationTitle(fallback), "Woof. Something changed here.");

    EXPECT_EQ(Copy::notificationBody("14:02", std::string("24.50")), "14:02 · Read 24.50");
    EXPECT_EQ(Copy::notificationBody("14:02", std::string("Done")), "14:02 · Read Done");
    EXPECT_EQ(Copy::notificationBody("14:02", nullopt), "14:02");

    EXPECT_EQ(Copy::chatSentence(number), "price below 20");
    EXPECT_EQ(Copy::chatSentence(anyChange), "  anything here changes\n");
    EXPECT_EQ(Copy::chatSentence(fallback), "something changed here");
}

TEST(CopyStatus, LostSightBody) {
    const std::pair<std::optional<WindowLoss>, std::string> cases[] = {
        {nullopt, "14:02 · price below 20"},
        {WindowLoss::closed, "14:02 · price below 20 · the window was closed"},
        {WindowLoss::outside, "14:02 · price below 20 · the window was resized and the box is no longer inside it"},
        {WindowLoss::notOnScreen, "14:02 · price below 20 · the window is not on screen"},
    };
    for (const auto& [loss, body] : cases) EXPECT_EQ(Copy::lostSightBody("14:02", "price below 20", loss), body);
}

TEST(CopyStatus, SentenceCase) {
    const std::pair<std::string, std::string> cases[] = {
        {"   \n", ""},
        {"ready?", "Ready?"},
        {"price below 20", "Price below 20."},
        {"\t price below 20 \n", "Price below 20."},
        {"wow!", "Wow!"},
        {"wait for it…", "Wait for it…"},
        {"it says \"Done!\"", "It says \"Done!\""},
        {"it says 'ok.'", "It says 'ok.'"},
        {"it says \"Done\"", "It says \"Done\"."},
        {"\"", "\"."},
        {"straße is clear", "Straße is clear."},
        {"ßig", "SSig."},
        {"éclair gone", "Éclair gone."},
        {"Already fine.", "Already fine."},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Copy::sentenceCase(in), out) << in;
}

TEST(CopyStatus, SmallSentences) {
    EXPECT_EQ(Copy::modelChecksUsedUp(nullopt), "Today's model checks are used up.");
    EXPECT_EQ(Copy::modelChecksUsedUp("3:00 PM"), "Today's model checks are used up. They're back at 3:00 PM.");
    EXPECT_EQ(Copy::updateOut("1.4.2"), "Kestrove 1.4.2 is out");
    EXPECT_EQ(Copy::statusItemName(0), "Kestrove");
    EXPECT_EQ(Copy::statusItemName(-1), "Kestrove");
    EXPECT_EQ(Copy::statusItemName(2), "Kestrove, 2 watching");

    const std::pair<std::string, std::string> articles[] = {
        {"Upload button", "I can't see an Upload button in this area."},
        {"button", "I can't see a button in this area."},
        {"error", "I can't see an error in this area."},
        {"Élan bar", "I can't see a Élan bar in this area."},
        {"", "I can't see a  in this area."},
    };
    for (const auto& [target, out] : articles) EXPECT_EQ(Copy::notVisible(target), out) << target;
}

}  // namespace
}  // namespace kestrove
