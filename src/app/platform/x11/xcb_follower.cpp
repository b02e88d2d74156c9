#include "app/platform/x11/xcb_follower.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>

#include <xcb/xcb.h>

#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

XcbFollower::XcbFollower(std::string name, std::function<void(XcbFollower&)> run)
    : context_(std::make_unique<QObject>()) {
    if (::pipe2(stop_, O_CLOEXEC) != 0) return;
    thread_ = std::thread([this, name = std::move(name), run = std::move(run)] {
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        // Whatever goes wrong there stops the following, not the process.
        try {
            run(*this);
        } catch (...) {
            logCaughtException(name);
        }
    });
}

XcbFollower::~XcbFollower() {
    if (thread_.joinable()) {
        const char byte = 0;
        (void)!::write(stop_[1], &byte, 1);
        thread_.join();
    }
    for (int fd : stop_)
        if (fd >= 0) ::close(fd);
}

bool XcbFollower::sleep(xcb_connection_t* c, int timeoutMs) {
    xcb_flush(c);
    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {stop_[0], POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return false;
    return !fds[1].revents;
}

void XcbFollower::tell(std::function<void()> fn) {
    postTo(context_.get(), std::move(fn));
}

}  // namespace kestrove
