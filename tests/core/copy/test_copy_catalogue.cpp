// Rules every fixed text keeps: this desktop's words, one typography.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/copy/copy_catalogue.hpp"
#include "core/foundation/text.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {
namespace {

struct Text {
    std::string_view name, text;
};

#define T(n) Text{#n, Copy::n}
const Text kAll[] = {
    T(checksEvery), T(readingArea), T(asking), T(alreadyTrue), T(alreadyTrueQuestion), T(whichNumber),
    T(alreadyVisible), T(alreadyVisibleQuestion), T(noText), T(noTextQuestion), T(tooVague), T(notVisibleQuestion),
    T(judgeNotVisible), T(twoReadings), T(consentTitle), T(consentBody), T(judgedNote), T(serverNotSetUp),
    T(localOnlyBlocks), T(serverUnreachable), T(anyChangeOffer), T(anyChangeOfferForNow), T(directStepTitle),
    T(directStepDetail), T(directStepButton), T(directStepDone), T(readingDirectly), T(menuNewWatch), T(menuHotKey),
    T(menuEmptyTitle), T(menuEmptyBody), T(barkWhenLabel), T(menuRead), T(menuTelegram), T(menuTelegramConnected),
    T(menuTelegramOffer), T(menuConnect), T(menuDisconnect), T(menuLocalOnly), T(menuLocalOnlyLine),
    T(menuLocalOnlyHelp), T(menuPauseAll), T(menuResumeAll), T(menuClearFinished), T(menuMore), T(menuKeepAwake),
    T(menuLaunchAtLogin), T(menuWelcome), T(menuAbout), T(menuCheckForUpdates), T(menuQuit), T(menuPause),
    T(menuResume), T(menuStopWatching), T(menuWatchAgain), T(menuRemove), T(updateOpen), T(updateChecking),
    T(updateNone), T(updateUnknown), T(aboutLine), T(aboutBeta), T(telegramTitle), T(telegramGettingCode),
    T(telegramScan), T(telegramWaiting), T(telegramOpenHere), T(telegramDisclosure), T(telegramDisclosureLocalOnly),
    T(telegramConnected), T(telegramConnectedDetail), T(telegramNoBot), T(telegramExpired), T(lostSightTitle),
    T(welcomeTitle), T(welcomeBody), T(welcomeDone), T(welcomeAllowed), T(welcomeOpenSettings), T(screenStepTitle),
    T(screenStepDetail), T(screenStepWayland), T(screenStepNoComposite), T(screenStepRestart), T(screenStepRefused),
    T(screenStepRestartButton), T(screenStepSettingsAgain), T(notifyStepTitle), T(notifyStepDetail),
    T(notifyStepDenied), T(notifyStepAllow), T(notifyStepOpenSettings), T(notifyStepCheckAgain), T(chatStepTitle),
    T(chatStepDetail), T(chatStepButton), T(chatStepDone), T(welcomeHint), T(telegramNewCode), T(telegramTryAgain),
    T(buttonCancel), T(buttonClose),
};
#undef T

TEST(CopyCatalogue, EveryTextNamesOnlyThisDesktopAndKeepsOneTypography) {
    static const text::Regex foreign(
        "\\bMac\\b|macOS|\\bApple\\b|Finder|\\bDock\\b|System Settings|System Preferences|"
        "\\bOption\\b|\\bCmd\\b|Command-|[\\x{2318}\\x{2325}\\x{21E7}]|Vision|ScreenCaptureKit");
    // Three dots instead of "…", curly quotes instead of ASCII ones, double spaces.
    static const text::Regex looksAlike("\\.\\.\\.|[\\x{2018}\\x{2019}\\x{201C}\\x{201D}]|  ");
    for (const Text& t : kAll) {
        SCOPED_TRACE(std::string(t.name) + ": " + std::string(t.text));
        EXPECT_FALSE(t.text.empty());
        EXPECT_FALSE(foreign.matches(t.text));
        EXPECT_FALSE(looksAlike.matches(t.text));
        EXPECT_EQ(text::trimWhitespaceAndNewlines(t.text), t.text);
    }
    EXPECT_EQ(Copy::menuHotKey, "Alt+Shift+B");
    EXPECT_EQ(std::string(Copy::checksEvery), "Checks every " + std::to_string(WatchSpec{}.pollSeconds) + " s");
}

}  // namespace
}  // namespace kestrove
