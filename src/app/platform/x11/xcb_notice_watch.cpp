#include "app/platform/x11/xcb_notice_watch.hpp"

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_changes.hpp"

namespace kestrove {

XcbNoticeWatch::XcbNoticeWatch(XcbConnection& x, XcbWindowChanges& changes, std::function<void()> changed)
    : x_(x),
      changes_(changes),
      changed_(std::move(changed)),
      thread_("window notices", [this](XcbFollower& thread) { run(thread); }) {}

XcbNoticeWatch::~XcbNoticeWatch() = default;

bool XcbNoticeWatch::heard() {
    const bool was = heard_;
    heard_ = false;
    return was;
}

void XcbNoticeWatch::settle() { take(); }

void XcbNoticeWatch::take() {
    if (!changes_.changedSinceLastLooked()) return;
    heard_ = true;
    if (changed_) changed_();
}

void XcbNoticeWatch::run(XcbFollower& thread) {
    if (!x_.ok()) return;
    while (thread.sleep(x_.get())) {
        std::lock_guard lock(mutex_);
        take();
        // A broken connection is told once (it counts as a change), then
        // there is nothing more to hear.
        if (xcb_connection_has_error(x_.get())) return;
    }
}

}  // namespace kestrove
