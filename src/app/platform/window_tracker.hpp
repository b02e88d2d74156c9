#pragma once
// While running, the window list is read four times a second on its own
// thread, and each list that differs from the one last handed on goes to
// the tick handler (the frames follow their windows with it). A quiet
// desktop never wakes the main thread for it. The displays are read when
// asking: a screen change must tellAgain(). Main thread only.

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

    // Starting asks at once and hands on the first list; calling it again
    // with the same value changes nothing. Stopping drops the answer still out.
    void setRunning(bool running);
    bool isRunning() const { return running_; }
    // Asks again at once and hands on the list even when it did not change
    // (a frame was made that has not been placed yet, the displays changed).
    void tellAgain();

private:
    void ask();

    AsyncWindowList& windows_;
    const Screens& screens_;
    TickHandler onTick_;
    bool running_ = false;
    ToldWindows told_;  // what the handler was last given, with the displays
    std::vector<Rect> toldDisplays_;
    Pending asking_;  // the answer still out; dies with the tracker: no tick after it
};

}  // namespace kestrove
