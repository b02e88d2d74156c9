#pragma once
// The small decisions of start-up, apart from the windows they lead to.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/cloud/telegram.hpp"
#include "core/foundation/defaults_store.hpp"

namespace kestrove {

// The settings onboarding keeps.
inline constexpr std::string_view didOnboardKey = "didOnboard";
inline constexpr std::string_view resumeOnboardingKey = "resumeOnboarding";

enum class FirstWindow { none, chatConnection, onboarding };

// What opens once the saved watches are back: the chat connection window
// when asked for on the command line, else onboarding until it was
// finished or while it is to be taken up again.
FirstWindow firstWindow(const std::vector<std::string>& args, const DefaultsStore& defaults);

// The line logged when a bark could not be handed on to the chat; none when
// it was, or when there was nothing to hand it to.
std::optional<std::string> chatBarkLogLine(const TelegramLink::NotifyResult& result);

}  // namespace kestrove
