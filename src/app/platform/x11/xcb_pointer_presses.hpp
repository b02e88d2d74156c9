#pragma once
// Every press of a pointer button, from the X Input extension's raw events
// on the root window: the server sends them to whoever asks, beside the
// event itself and whatever grabs are active, so the press still goes where
// it went. The hearing is a connection of its own with a thread that sleeps
// on it; `maker()` makes one at its first listener and keeps it for the
// next, so a panel's later openings cost the server nothing.

#include <functional>
#include <memory>

#include "app/platform/pointer_presses.hpp"

namespace kestrove {

class PressHearing;

class XcbPointerPresses : public PointerPresses {
public:
    // On a hearing of its own. None when there is no X server or it lacks
    // X Input 2.1 (logged once).
    static std::unique_ptr<XcbPointerPresses> listen(std::function<void()> pressed);
    // Listeners on one hearing, one at a time: a new one replaces the last.
    static PointerPressesMaker maker();
    ~XcbPointerPresses() override;

private:
    XcbPointerPresses(std::shared_ptr<PressHearing> hearing, std::function<void()> pressed);

    std::shared_ptr<PressHearing> hearing_;
    unsigned long turn_;
};

}  // namespace kestrove
