#pragma once
// Presses of a pointer button anywhere on the screen, whichever program
// they go to (they still reach it): how a panel that never takes the
// activation from the program in front learns of a click elsewhere.

#include <functional>
#include <memory>

namespace kestrove {

class PointerPresses {
public:
    virtual ~PointerPresses() = default;
};

// Heard from the call until the object goes; each press of a button (not a
// wheel's turn) runs `pressed` later on the main thread. None when the
// server cannot tell (the reason is logged).
using PointerPressesMaker = std::function<std::unique_ptr<PointerPresses>(std::function<void()> pressed)>;

}  // namespace kestrove
