#pragma once
// Reads the window list four times a second while running and hands each
// reading to its tick handler (the frames follow their windows with it).
// Main thread only.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/platform/screen_space.hpp"
#include "app/platform/window_list.hpp"

class QTimer;

namespace kestrove {

class WindowTracker {
public:
    using TickHandler = std::function<void(const std::vector<WindowInfo>& windows, const std::vector<Rect>& displays)>;
    static constexpr std::chrono::milliseconds interval{250};

    WindowTracker(WindowList& windows, const Screens& screens);
    ~WindowTracker();
    WindowTracker(const WindowTracker&) = delete;
    WindowTracker& operator=(const WindowTracker&) = delete;

    void setOnTick(TickHandler handler) { onTick_ = std::move(handler); }

    // Starting ticks once at once; calling it again with the same value
    // changes nothing.
    void setRunning(bool running);
    bool isRunning() const { return timer_ != nullptr; }

private:
    void tick();

    WindowList& windows_;
    const Screens& screens_;
    TickHandler onTick_;
    std::unique_ptr<QTimer> timer_;  // dies with the tracker: no tick after it
};

}  // namespace kestrove
