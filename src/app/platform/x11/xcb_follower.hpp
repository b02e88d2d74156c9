#pragma once
// A thread of its own that follows the X server on a connection of its own:
// it sleeps until the connection has something to read or the follower is
// ending, and hands what it finds to the thread that made it. So nothing
// waits on the server on the main thread.

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <thread>

struct xcb_connection_t;

namespace kestrove {

class XcbFollower {
public:
    // Starts `run` on the thread; what it throws is logged under `name`.
    XcbFollower(std::string name, std::function<void(XcbFollower&)> run);
    // Ends the thread and waits for it.
    ~XcbFollower();
    XcbFollower(const XcbFollower&) = delete;
    XcbFollower& operator=(const XcbFollower&) = delete;

    // On the thread: sleeps until `c` has something to read or `timeoutMs`
    // have passed (-1: no limit); false once the follower is ending.
    bool sleep(xcb_connection_t* c, int timeoutMs = -1);
    // On the thread: `fn` runs later on the maker's thread, never once the
    // follower is gone.
    void tell(std::function<void()> fn);

private:
    std::unique_ptr<QObject> context_;
    int stop_[2] = {-1, -1};  // a pipe: writing to it ends the thread
    std::thread thread_;
};

}  // namespace kestrove
