// The fixed texts, byte for byte. Non-ASCII characters are spelled as UTF-8
// bytes so a look-alike (three dots, a curly apostrophe) cannot slip through.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/copy/copy_catalogue.hpp"
#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {
namespace {

struct Entry {
    std::string_view name;
    std::string_view text;
    std::string_view expected;
};

#define ROW(n, e) Entry{#n, Copy::n, e}

const Entry kGolden[] = {
    ROW(checksEvery, "Checks every 5 s"),
    ROW(readingArea, "Reading the area\xE2\x80\xA6"),
    ROW(asking, "Asking the model\xE2\x80\xA6"),
    ROW(alreadyTrue, "That's already true right now."),
    ROW(alreadyTrueQuestion, "Bark when it changes?"),
    ROW(whichNumber, "Which number do you mean?"),
    ROW(alreadyVisible, "I can already read that here."),
    ROW(alreadyVisibleQuestion, "Bark when it's gone instead?"),
    ROW(noText, "I can't read any text here right now."),
    ROW(noTextQuestion, "Bark when anything here changes?"),
    ROW(tooVague, "I'm not sure what to watch for. Try one of these:"),
    ROW(notVisibleQuestion, "Watch anyway?"),
    ROW(judgeNotVisible, "I can't see that in this area."),
    ROW(twoReadings, "I can read that two ways. Which one do you mean?"),
    ROW(consentTitle, "A model has to judge this one."),
    ROW(consentBody, "If you go ahead, this box is sent to Kestrove's server now and each time it changes. It is judged there and not kept."),
    ROW(judgedNote, "A model judges this one. The crop is sent each time this box changes, and not kept."),
    ROW(serverNotSetUp, "This one needs a model to judge it, and Kestrove's server isn't set up on this computer yet."),
    ROW(localOnlyBlocks, "Local Only is on, so I can't ask a model."),
    ROW(serverUnreachable, "I can't reach Kestrove's server right now."),
    ROW(anyChangeOffer, "I can bark as soon as anything here changes."),
    ROW(anyChangeOfferForNow, "For now I can bark as soon as anything here changes."),
    ROW(directStepTitle, "Read text directly"),
    ROW(directStepDetail, "Optional. Kestrove also reads text and numbers straight from the app, and what it reads stays on this computer."),
    ROW(directStepButton, "Allow Accessibility\xE2\x80\xA6"),
    ROW(directStepDone, "Allowed"),
    ROW(readingDirectly, "READING DIRECTLY"),
    ROW(menuNewWatch, "New Watch\xE2\x80\xA6"),
    ROW(menuHotKey, "Alt+Shift+B"),
    ROW(menuEmptyTitle, "Not watching anything"),
    ROW(menuEmptyBody, "Draw a box around anything on screen, say what you're waiting for, then walk away."),
    ROW(barkWhenLabel, "Bark when"),
    ROW(menuRead, "Read"),
    ROW(menuTelegram, "Telegram"),
    ROW(menuTelegramConnected, "Connected. Barks also reach your phone."),
    ROW(menuTelegramOffer, "Every bark also reaches your phone."),
    ROW(menuConnect, "Connect\xE2\x80\xA6"),
    ROW(menuDisconnect, "Disconnect"),
    ROW(menuLocalOnly, "Local Only"),
    ROW(menuLocalOnlyLine, "No picture of your screen leaves this computer."),
    ROW(menuLocalOnlyHelp, "No picture of your screen leaves this computer. Watches that need a model to judge them can only bark on any change, and barks reach Telegram as text."),
    ROW(menuPauseAll, "Pause All"),
    ROW(menuResumeAll, "Resume All"),
    ROW(menuClearFinished, "Clear Finished"),
    ROW(menuMore, "More"),
    ROW(menuKeepAwake, "Keep Computer Awake While Watching"),
    ROW(menuLaunchAtLogin, "Launch at Login"),
    ROW(menuWelcome, "Welcome to Kestrove"),
    ROW(menuAbout, "About Kestrove"),
    ROW(menuCheckForUpdates, "Check for Updates"),
    ROW(menuQuit, "Quit Kestrove"),
    ROW(menuPause, "Pause"),
    ROW(menuResume, "Resume"),
    ROW(menuStopWatching, "Stop Watching"),
    ROW(menuWatchAgain, "Watch Again"),
    ROW(menuRemove, "Remove"),
    ROW(updateOpen, "Open Download Page"),
    ROW(updateChecking, "Checking for a newer version\xE2\x80\xA6"),
    ROW(updateNone, "You're up to date"),
    ROW(updateUnknown, "Can't check right now"),
    ROW(aboutLine, "Watches any part of your screen and barks when the thing you're waiting for happens."),
    ROW(aboutBeta, "This is a beta. Some things may still change."),
    ROW(telegramTitle, "Connect Telegram"),
    ROW(telegramGettingCode, "Getting a code\xE2\x80\xA6"),
    ROW(telegramScan, "Scan this with your phone, then press Start in the chat."),
    ROW(telegramWaiting, "Waiting for you to press Start\xE2\x80\xA6"),
    ROW(telegramOpenHere, "Open Telegram on this computer"),
    ROW(telegramDisclosure, "After that, every bark is also sent to your chat with its crop, through Kestrove's server."),
    ROW(telegramDisclosureLocalOnly, "After that, every bark is also sent to your chat, through Kestrove's server. Local Only is on, so no crop is sent."),
    ROW(telegramConnected, "Connected."),
    ROW(telegramConnectedDetail, "Barks now also reach your phone."),
    ROW(telegramNoBot, "Kestrove's server has no Telegram bot yet."),
    ROW(telegramExpired, "This code has run out."),
    ROW(lostSightTitle, "Woof. I can't see it anymore."),
};

#undef ROW

// Texts reworded for Linux: what the wording said before, what it says now.
struct Reworded {
    std::string_view name;
    std::string_view before;
    std::string_view now;
};
const Reworded kReworded[] = {
    {"serverNotSetUp", "this Mac", "this computer"},
    {"directStepDetail", "this Mac", "this computer"},
    {"menuHotKey", "\xE2\x8C\xA5\xE2\x87\xA7" "B", "Alt+Shift+B"},
    {"menuLocalOnlyLine", "this Mac", "this computer"},
    {"menuLocalOnlyHelp", "this Mac", "this computer"},
    {"menuKeepAwake", "Keep Mac Awake", "Keep Computer Awake"},
    {"telegramOpenHere", "this Mac", "this computer"},
};

const Entry* find(std::string_view name) {
    for (const Entry& e : kGolden)
        if (e.name == name) return &e;
    return nullptr;
}

TEST(CopyCatalogue, EveryTextIsExact) {
    for (const Entry& e : kGolden) EXPECT_EQ(e.text, e.expected) << e.name;
}

TEST(CopyCatalogue, NamesAreUnique) {
    for (const Entry& e : kGolden) {
        int seen = 0;
        for (const Entry& other : kGolden) seen += other.name == e.name;
        EXPECT_EQ(seen, 1) << e.name;
    }
}

TEST(CopyCatalogue, RewordedTextsSayWhatThisDesktopHas) {
    for (const Reworded& r : kReworded) {
        const Entry* e = find(r.name);
        ASSERT_NE(e, nullptr) << r.name;
        EXPECT_NE(e->text.find(r.now), std::string_view::npos) << r.name;
        EXPECT_EQ(e->text.find(r.before), std::string_view::npos) << r.name;
    }
}

TEST(CopyCatalogue, NoTextNamesAnotherSystem) {
    static const text::Regex foreign(
        "\\bMac\\b|macOS|\\bApple\\b|Finder|\\bDock\\b|System Settings|System Preferences|"
        "\\bOption\\b|\\bCmd\\b|Command-|[\\x{2318}\\x{2325}\\x{21E7}]|Vision|ScreenCaptureKit");
    for (const Entry& e : kGolden) EXPECT_FALSE(foreign.matches(e.text)) << e.name << ": " << e.text;
}

TEST(CopyCatalogue, Typography) {
    static const text::Regex looksAlike("\\.\\.\\.|[\\x{2018}\\x{2019}\\x{201C}\\x{201D}]|  ");
    for (const Entry& e : kGolden) {
        EXPECT_FALSE(looksAlike.matches(e.text)) << e.name << ": " << e.text;
        EXPECT_EQ(text::trimWhitespaceAndNewlines(e.text), e.text) << e.name;
    }
}

TEST(CopyCatalogue, ChecksEveryStatesTheDefaultInterval) {
    EXPECT_EQ(std::string(Copy::checksEvery), "Checks every " + std::to_string(WatchSpec{}.pollSeconds) + " s");
}

}  // namespace
}  // namespace kestrove
