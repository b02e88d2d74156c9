#pragma once
// Every press of a pointer button, from the X Input extension's raw events
// on the root window: the server sends them to whoever asks, beside the
// event itself and whatever grabs are active, so the press still goes where
// it went. A thread of its own sleeps on a connection of its own.

#include <functional>
#include <memory>

#include "app/platform/pointer_presses.hpp"
#include "app/platform/x11/xcb_follower.hpp"

namespace kestrove {

class XcbConnection;

class XcbPointerPresses : public PointerPresses {
public:
    // None when there is no X server or it lacks X Input 2.1 (logged once).
    static std::unique_ptr<XcbPointerPresses> listen(std::function<void()> pressed);
    static PointerPressesMaker maker();
    ~XcbPointerPresses() override;

private:
    XcbPointerPresses(std::unique_ptr<XcbConnection> x, std::uint8_t opcode, std::function<void()> pressed);
    void run(XcbFollower& thread);

    std::unique_ptr<XcbConnection> x_;
    std::uint8_t opcode_;
    std::function<void()> pressed_;
    XcbFollower thread_;  // last: it runs on the members above
};

}  // namespace kestrove
