#include <gtest/gtest.h>

#include "app/shell/start_up.hpp"

namespace kestrove {
namespace {

TEST(StartUp, FirstWindowAfterTheWatchesAreBack) {
    struct Case {
        std::vector<std::string> args;
        std::optional<bool> didOnboard, resume;
        FirstWindow expected;
    } const cases[] = {
        {{"k"}, std::nullopt, std::nullopt, FirstWindow::onboarding},  // first launch
        {{"k"}, true, std::nullopt, FirstWindow::none},
        {{"k"}, true, false, FirstWindow::none},
        {{"k"}, true, true, FirstWindow::onboarding},
        {{"k"}, false, false, FirstWindow::onboarding},
        {{"k", "--connect-telegram"}, std::nullopt, true, FirstWindow::chatConnection},
        {{"k", "--connect-telegram=1"}, true, false, FirstWindow::none},
    };
    for (const Case& c : cases) {
        MemoryDefaults defaults;
        if (c.didOnboard) defaults.set(didOnboardKey, *c.didOnboard);
        if (c.resume) defaults.set(resumeOnboardingKey, *c.resume);
        EXPECT_EQ(firstWindow(c.args, defaults), c.expected) << c.args.back() << " " << c.didOnboard.value_or(false);
    }
}

TEST(StartUp, ChatBarksLogOnlyWhatWentWrong) {
    using R = TelegramLink::NotifyResult;
    EXPECT_EQ(chatBarkLogLine(R::sent(true)), std::nullopt);
    EXPECT_EQ(chatBarkLogLine(R::skipped()), std::nullopt);
    EXPECT_EQ(chatBarkLogLine(R::notLinked()),
              "no chat is connected anymore; Telegram is disconnected on this computer");
    EXPECT_EQ(chatBarkLogLine(R::failed(CloudError::http(503))), "the bark did not reach Telegram (http(503))");
}

}  // namespace
}  // namespace kestrove
