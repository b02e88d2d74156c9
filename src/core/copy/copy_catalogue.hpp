#pragma once
// The fixed user-facing texts, kept together so the whole wording can be
// reviewed in one place. English only, not localised. Byte-exact: ASCII
// apostrophes and the single ellipsis character "…" (U+2026).
// Texts built from a watch live in copy_card.hpp and copy_status.hpp.

#include <string_view>

namespace kestrove::Copy {

// New-watch panel and its questions.
inline constexpr std::string_view checksEvery = "Checks every 5 s";
inline constexpr std::string_view readingArea = "Reading the area…";
inline constexpr std::string_view asking = "Asking the model…";
inline constexpr std::string_view alreadyTrue = "That's already true right now.";
inline constexpr std::string_view alreadyTrueQuestion = "Bark when it changes?";
inline constexpr std::string_view whichNumber = "Which number do you mean?";
inline constexpr std::string_view alreadyVisible = "I can already read that here.";
inline constexpr std::string_view alreadyVisibleQuestion = "Bark when it's gone instead?";
inline constexpr std::string_view noText = "I can't read any text here right now.";
inline constexpr std::string_view noTextQuestion = "Bark when anything here changes?";
inline constexpr std::string_view tooVague = "I'm not sure what to watch for. Try one of these:";
inline constexpr std::string_view notVisibleQuestion = "Watch anyway?";
inline constexpr std::string_view judgeNotVisible = "I can't see that in this area.";
inline constexpr std::string_view twoReadings = "I can read that two ways. Which one do you mean?";
inline constexpr std::string_view consentTitle = "A model has to judge this one.";
inline constexpr std::string_view consentBody =
    "If you go ahead, this box is sent to Kestrove's server now and each time it changes. "
    "It is judged there and not kept.";
inline constexpr std::string_view judgedNote =
    "A model judges this one. The crop is sent each time this box changes, and not kept.";
inline constexpr std::string_view serverNotSetUp =
    "This one needs a model to judge it, and Kestrove's server isn't set up on this computer yet.";
inline constexpr std::string_view localOnlyBlocks = "Local Only is on, so I can't ask a model.";
// Also shown by the messenger window when the server cannot be reached.
inline constexpr std::string_view serverUnreachable = "I can't reach Kestrove's server right now.";
inline constexpr std::string_view anyChangeOffer = "I can bark as soon as anything here changes.";
inline constexpr std::string_view anyChangeOfferForNow = "For now I can bark as soon as anything here changes.";

// Direct-reading step of the welcome window, and the direct-reading label.
inline constexpr std::string_view directStepTitle = "Read text directly";
inline constexpr std::string_view directStepDetail =
    "Optional. Kestrove also reads text and numbers straight from the app, and what it reads stays on this computer.";
inline constexpr std::string_view directStepButton = "Allow Accessibility…";
inline constexpr std::string_view directStepDone = "Allowed";
inline constexpr std::string_view readingDirectly = "READING DIRECTLY";

// Menu panel, top and bottom.
inline constexpr std::string_view menuNewWatch = "New Watch…";
inline constexpr std::string_view menuHotKey = "Alt+Shift+B";
inline constexpr std::string_view menuEmptyTitle = "Not watching anything";
inline constexpr std::string_view menuEmptyBody =
    "Draw a box around anything on screen, say what you're waiting for, then walk away.";
inline constexpr std::string_view barkWhenLabel = "Bark when";
inline constexpr std::string_view menuRead = "Read";
inline constexpr std::string_view menuTelegram = "Telegram";
inline constexpr std::string_view menuTelegramConnected = "Connected. Barks also reach your phone.";
inline constexpr std::string_view menuTelegramOffer = "Every bark also reaches your phone.";
inline constexpr std::string_view menuConnect = "Connect…";
inline constexpr std::string_view menuDisconnect = "Disconnect";
inline constexpr std::string_view menuLocalOnly = "Local Only";
inline constexpr std::string_view menuLocalOnlyLine = "No picture of your screen leaves this computer.";
inline constexpr std::string_view menuLocalOnlyHelp =
    "No picture of your screen leaves this computer. Watches that need a model to judge them "
    "can only bark on any change, and barks reach Telegram as text.";
inline constexpr std::string_view menuPauseAll = "Pause All";
inline constexpr std::string_view menuResumeAll = "Resume All";
inline constexpr std::string_view menuClearFinished = "Clear Finished";
inline constexpr std::string_view menuMore = "More";
inline constexpr std::string_view menuKeepAwake = "Keep Computer Awake While Watching";
inline constexpr std::string_view menuLaunchAtLogin = "Launch at Login";
inline constexpr std::string_view menuWelcome = "Welcome to Kestrove";
inline constexpr std::string_view menuAbout = "About Kestrove";
inline constexpr std::string_view menuCheckForUpdates = "Check for Updates";
inline constexpr std::string_view menuQuit = "Quit Kestrove";
// What a screen reader says for the controls whose text is not their name.
inline constexpr std::string_view menuNewWatchSpoken = "New Watch, Alt Shift B";
inline constexpr std::string_view menuConnectSpoken = "Connect Telegram";
inline constexpr std::string_view menuDisconnectSpoken = "Disconnect Telegram";
// The alert when the autostart entry cannot be changed; the advice follows
// the reason directly (it begins with a space).
inline constexpr std::string_view launchAtLoginFailed = "Kestrove couldn't change Launch at Login.";
inline constexpr std::string_view launchAtLoginAdvice =
    " Check that your autostart folder can be written, or add Kestrove to your desktop's startup programs.";
inline constexpr std::string_view buttonOK = "OK";

// Menu of one watch row.
inline constexpr std::string_view menuPause = "Pause";
inline constexpr std::string_view menuResume = "Resume";
inline constexpr std::string_view menuStopWatching = "Stop Watching";
inline constexpr std::string_view menuWatchAgain = "Watch Again";
inline constexpr std::string_view menuRemove = "Remove";

// Update line of the menu; the "is out" line is updateOut().
inline constexpr std::string_view updateOpen = "Open Download Page";
inline constexpr std::string_view updateChecking = "Checking for a newer version…";
inline constexpr std::string_view updateNone = "You're up to date";
inline constexpr std::string_view updateUnknown = "Can't check right now";
// A build with no feed to ask: nothing to try again.
inline constexpr std::string_view updateNotSetUp = "Kestrove's server isn't set up yet";

// About panel.
inline constexpr std::string_view aboutLine =
    "Watches any part of your screen and barks when the thing you're waiting for happens.";
inline constexpr std::string_view aboutBeta = "This is a beta. Some things may still change.";

// Messenger connection window.
inline constexpr std::string_view telegramTitle = "Connect Telegram";
inline constexpr std::string_view telegramGettingCode = "Getting a code…";
inline constexpr std::string_view telegramScan = "Scan this with your phone, then press Start in the chat.";
inline constexpr std::string_view telegramWaiting = "Waiting for you to press Start…";
inline constexpr std::string_view telegramOpenHere = "Open Telegram on this computer";
inline constexpr std::string_view telegramDisclosure =
    "After that, every bark is also sent to your chat with its crop, through Kestrove's server.";
inline constexpr std::string_view telegramDisclosureLocalOnly =
    "After that, every bark is also sent to your chat, through Kestrove's server. "
    "Local Only is on, so no crop is sent.";
inline constexpr std::string_view telegramConnected = "Connected.";
inline constexpr std::string_view telegramConnectedDetail = "Barks now also reach your phone.";
inline constexpr std::string_view telegramNoBot = "Kestrove's server has no Telegram bot yet.";
inline constexpr std::string_view telegramExpired = "This code has run out.";
inline constexpr std::string_view telegramNotSetUp = "Kestrove's server isn't set up on this computer yet.";
inline constexpr std::string_view telegramNewCode = "Show a new code";
inline constexpr std::string_view telegramTryAgain = "Try again";
inline constexpr std::string_view buttonCancel = "Cancel";
inline constexpr std::string_view buttonClose = "Close";

// Welcome window: header, the four steps and the footer. Screen and
// notification wording says what this desktop needs, not a permission prompt.
inline constexpr std::string_view welcomeTitle = "Kestrove keeps watch";
inline constexpr std::string_view welcomeBody =
    "Draw a box around anything on screen, say what you're waiting for, then walk away. "
    "Kestrove barks when it happens.";
inline constexpr std::string_view welcomeDone = "Done";
inline constexpr std::string_view welcomeAllowed = "Allowed";
inline constexpr std::string_view welcomeOpenSettings = "Open Settings";
inline constexpr std::string_view screenStepTitle = "Let it see the screen";
inline constexpr std::string_view screenStepDetail =
    "Kestrove only looks inside the boxes you draw. A picture only leaves this computer when you say so.";
inline constexpr std::string_view screenStepWayland =
    "This is a Wayland session, where Kestrove can't see the screen. Log out and pick an X11 session "
    "(often called Xorg) on the login screen, then start Kestrove again.";
inline constexpr std::string_view screenStepNoComposite =
    "This X server has no Composite extension, which Kestrove needs to see the screen. "
    "Turn it on, then restart Kestrove.";
inline constexpr std::string_view screenStepRestart =
    "Switched to an X11 session with Composite? Kestrove has to restart once before it can see the screen.";
inline constexpr std::string_view screenStepRefused =
    "The desktop didn't let Kestrove look just now. It needs an X11 session whose server has the "
    "Composite extension. If this session has one, restart Kestrove.";
inline constexpr std::string_view screenStepRestartButton = "Restart Kestrove";
inline constexpr std::string_view screenStepSettingsAgain = "Open Settings Again";
inline constexpr std::string_view notifyStepTitle = "Let it bark";
inline constexpr std::string_view notifyStepDetail =
    "Notifications tell you the moment it happens, with a picture as proof.";
inline constexpr std::string_view notifyStepDenied =
    "No notification service runs on this desktop, so Kestrove can't bark here. "
    "Start your desktop's own or one such as dunst, then check again.";
inline constexpr std::string_view notifyStepAllow = "Allow Notifications";
inline constexpr std::string_view notifyStepOpenSettings = "Open Notification Settings";
inline constexpr std::string_view notifyStepCheckAgain = "Check Again";
inline constexpr std::string_view chatStepTitle = "Get barks on your phone";
inline constexpr std::string_view chatStepDetail = "Optional. Connect Telegram and every bark also reaches your chat.";
inline constexpr std::string_view chatStepButton = "Connect Telegram…";
inline constexpr std::string_view chatStepDone = "Connected";
// The footer's hint; the window sets the hot key (menuHotKey) in semibold.
inline constexpr std::string_view welcomeHint = "Press Alt+Shift+B anytime to watch something new.";

// Notifications.
inline constexpr std::string_view lostSightTitle = "Woof. I can't see it anymore.";

}  // namespace kestrove::Copy
