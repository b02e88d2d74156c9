#pragma once
// Whether the displays sleep, from the X server: the screen saver extension's
// notices (on, cycling, off) and, where the server has DPMS, the monitors'
// power level polled every two seconds. Runs on a thread of its own with its
// own connection, so nothing waits on the server on the main thread.

#include <atomic>
#include <functional>

#include "app/platform/x11/xcb_follower.hpp"

namespace kestrove {

class XcbDisplaySleep {
public:
    // `changed` runs on the thread that makes this object, once per change;
    // the state at start is the baseline and is not reported.
    using Changed = std::function<void(bool asleep)>;

    explicit XcbDisplaySleep(Changed changed);

    // Whether the thread found an X server with something to follow (for the tests).
    bool following() const { return following_; }

private:
    void run(XcbFollower& thread);

    Changed changed_;
    std::atomic<bool> following_{false};
    XcbFollower thread_;  // last: it runs on the members above
};

}  // namespace kestrove
