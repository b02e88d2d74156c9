#include "app/platform/x11/xcb_notice_watch.hpp"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "app/platform/x11/xcb_connection.hpp"
#include "app/platform/x11/xcb_window_changes.hpp"

namespace kestrove {

XcbNoticeWatch::XcbNoticeWatch(XcbConnection& x, XcbWindowChanges& changes, std::function<void()> changed)
    : x_(x), changes_(changes), changed_(std::move(changed)), stop_(::eventfd(0, EFD_CLOEXEC)) {
    thread_ = std::thread([this] { run(); });
}

XcbNoticeWatch::~XcbNoticeWatch() {
    const std::uint64_t one = 1;
    if (stop_ >= 0) (void)!::write(stop_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    if (stop_ >= 0) ::close(stop_);
}

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

void XcbNoticeWatch::run() {
    pthread_setname_np(pthread_self(), "window notices");
    if (stop_ < 0 || !x_.ok()) return;
    pollfd fds[2] = {{xcb_get_file_descriptor(x_.get()), POLLIN, 0}, {stop_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        std::lock_guard lock(mutex_);
        take();
        // A broken connection is told once (it counts as a change), then
        // there is nothing more to hear.
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) || xcb_connection_has_error(x_.get())) return;
    }
}

}  // namespace kestrove
