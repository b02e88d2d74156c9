#include "app/platform/linux/linux_screen_state.hpp"

namespace kestrove {

LinuxScreenState::LinuxScreenState(QDBusConnection sessionBus, QDBusConnection systemBus)
    : changes_([this] { deliver(ScreenNotice::parametersChanged); }),
      lock_(std::move(sessionBus), std::move(systemBus),
            [this](bool locked) { deliver(locked ? ScreenNotice::screenLocked : ScreenNotice::screenUnlocked); }),
      sleep_([this](bool asleep) { deliver(asleep ? ScreenNotice::displaysSlept : ScreenNotice::displaysWoke); }) {}

}  // namespace kestrove
