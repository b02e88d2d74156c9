#pragma once
// Whether the displays sleep, from the X server: the screen saver extension's
// notices (on, cycling, off) and, where the server has DPMS, the monitors'
// power level polled every two seconds. Runs on a thread of its own with its
// own connection, so nothing waits on the server on the main thread.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace kestrove {

class XcbDisplaySleep {
public:
    // `changed` runs on the thread that makes this object, once per change;
    // the state at start is the baseline and is not reported.
    using Changed = std::function<void(bool asleep)>;

    explicit XcbDisplaySleep(Changed changed);
    ~XcbDisplaySleep();
    XcbDisplaySleep(const XcbDisplaySleep&) = delete;
    XcbDisplaySleep& operator=(const XcbDisplaySleep&) = delete;

    // Whether the thread found an X server with something to follow (for the tests).
    bool following() const { return following_; }

private:
    void run();
    void report(bool asleep);

    Changed changed_;
    std::unique_ptr<QObject> context_;  // reports queued to it die with it
    int stop_[2] = {-1, -1};            // a pipe: writing to it ends the thread
    std::atomic<bool> following_{false};
    std::thread thread_;
};

}  // namespace kestrove
