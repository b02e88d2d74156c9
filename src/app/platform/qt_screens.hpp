#pragma once
// The screens as Qt knows them (RandR on X11). Main thread only.

#include "app/platform/screen_space.hpp"

namespace kestrove {

class QtScreens final : public Screens {
public:
    std::vector<ScreenInfo> screens() const override;
};

}  // namespace kestrove
