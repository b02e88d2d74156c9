#include "app/platform/screen_state.hpp"

namespace kestrove {

void ScreenState::deliver(ScreenNotice notice) {
    switch (notice) {
        case ScreenNotice::displaysSlept:
        case ScreenNotice::screenLocked: available_ = false; break;
        case ScreenNotice::displaysWoke:
        case ScreenNotice::screenUnlocked: available_ = true; break;
        case ScreenNotice::parametersChanged: break;
    }
    if (listener_) listener_(notice);
}

}  // namespace kestrove
