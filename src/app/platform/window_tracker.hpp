#pragma once
// Asks for the window list four times a second while running and hands each
// answer to its tick handler (the frames follow their windows with it). The
// list is read off the main thread; a tick while the last answer is still
// out asks nothing; an answer with the windows it last handed on, on the
// same displays, does not come (nor wake the main thread). Its ticks fall on a grid of a quarter second, whose whole
// seconds the watches' ticks share: a quiet engine wakes the main thread
// once for both. Main thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/platform/screen_space.hpp"
#include "app/platform/window_list.hpp"

namespace kestrove {

class WindowTracker {
public:
    using TickHandler = std::function<void(const std::vector<WindowInfo>& windows, const std::vector<Rect>& displays)>;
    static constexpr std::chrono::milliseconds interval{250};
    // The owner its requests go under.
    static constexpr const char* owner = "window tracker";

    WindowTracker(AsyncWindowList& windows, const Screens& screens);
    ~WindowTracker();
    WindowTracker(const WindowTracker&) = delete;
    WindowTracker& operator=(const WindowTracker&) = delete;

    void setOnTick(TickHandler handler) { onTick_ = std::move(handler); }

    // Starting asks at once; calling it again with the same value changes
    // nothing. Stopping drops the answer still out.
    void setRunning(bool running);
    bool isRunning() const { return running_; }
    // The next answer is handed on even when nothing changed (a frame was
    // made that has not been placed yet).
    void tellAgain() { told_.reset(); }

private:
    void tick();
    void wakeNext();

    AsyncWindowList& windows_;
    const Screens& screens_;
    TickHandler onTick_;
    bool running_ = false;
    ToldWindows told_;  // what the handler was last given, with the displays
    std::vector<Rect> toldDisplays_;
    Pending wake_;    // the next tick; dies with the tracker: no tick after it
    Pending asking_;  // the answer still out; dies with the tracker too
};

}  // namespace kestrove
