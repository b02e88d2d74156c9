#pragma once
// The five notices of the screen's state that the watch manager follows:
// displays asleep or awake, the screen locked or unlocked, and the screens'
// arrangement changed. Runners read nothing while the screens are not
// available; the last notice wins (a wake while still locked makes them
// available), as each notice sets the flag to its own value.

#include <functional>
#include <utility>

namespace kestrove {

enum class ScreenNotice {
    displaysSlept,
    displaysWoke,
    screenLocked,
    screenUnlocked,
    parametersChanged,  // screens added, removed, moved or resized
};

class ScreenState {
public:
    using Listener = std::function<void(ScreenNotice)>;

    virtual ~ScreenState() = default;

    // One listener, called on the main thread after the flag below has taken
    // the notice. Replaces any earlier listener.
    void setListener(Listener listener) { listener_ = std::move(listener); }

    // True until a notice says otherwise.
    bool screensAvailable() const { return available_; }

protected:
    // Each implementation hands every notice here, on the main thread.
    void deliver(ScreenNotice notice);

private:
    Listener listener_;
    bool available_ = true;
};

}  // namespace kestrove
