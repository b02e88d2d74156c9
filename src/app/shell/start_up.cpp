#include "app/shell/start_up.hpp"

#include <algorithm>

namespace kestrove {

FirstWindow firstWindow(const std::vector<std::string>& args, const DefaultsStore& defaults) {
    if (std::find(args.begin(), args.end(), "--connect-telegram") != args.end()) return FirstWindow::chatConnection;
    if (!defaults.boolean(didOnboardKey) || defaults.boolean(resumeOnboardingKey)) return FirstWindow::onboarding;
    return FirstWindow::none;
}

std::optional<std::string> chatBarkLogLine(const TelegramLink::NotifyResult& result) {
    using Kind = TelegramLink::NotifyResult::Kind;
    switch (result.kind()) {
        case Kind::notLinked:
            return "no chat is connected anymore; Telegram is disconnected on this computer";
        case Kind::failed:
            return "the bark did not reach Telegram (" + (result.error() ? result.error()->text() : std::string()) +
                   ")";
        case Kind::sent:
        case Kind::skipped:
            break;
    }
    return std::nullopt;
}

}  // namespace kestrove
