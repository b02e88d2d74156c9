#pragma once
// A thread of the window list's that sleeps until the X server sends the
// list's connection something while the list is idle, takes the notices in
// and tells the list's owner when one of them matters: a quiet desktop then
// wakes no thread at all, where asking four times a second woke two.
// The list holds busy() whenever it uses the connection; its own replies
// wake this thread too, which then finds them read and sleeps on.

#include <functional>
#include <mutex>

#include "app/platform/x11/xcb_follower.hpp"

namespace kestrove {

class XcbConnection;
class XcbWindowChanges;

class XcbNoticeWatch {
public:
    // `changed` is called on the watch's thread, or inside settle().
    XcbNoticeWatch(XcbConnection& x, XcbWindowChanges& changes, std::function<void()> changed);
    ~XcbNoticeWatch();
    XcbNoticeWatch(const XcbNoticeWatch&) = delete;
    XcbNoticeWatch& operator=(const XcbNoticeWatch&) = delete;

    [[nodiscard]] std::unique_lock<std::mutex> busy() { return std::unique_lock(mutex_); }
    // Under busy(): whether a notice that mattered was taken in since the
    // last call.
    bool heard();
    // Under busy(), when the list is done with the connection: notices read
    // along with its replies are taken in (the thread would not wake for
    // them), and told when one matters.
    void settle();

private:
    void run(XcbFollower& thread);
    void take();  // under the lock

    XcbConnection& x_;
    XcbWindowChanges& changes_;
    std::function<void()> changed_;
    std::mutex mutex_;
    bool heard_ = false;
    XcbFollower thread_;  // last: it runs on the members above
};

}  // namespace kestrove
