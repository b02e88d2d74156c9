#pragma once
// A ScreenState for the engine's tests: the test sends the notices.

#include "app/platform/screen_state.hpp"

namespace kestrove::fakes {

class FakeScreenState final : public ScreenState {
public:
    void send(ScreenNotice notice) { deliver(notice); }
};

}  // namespace kestrove::fakes
