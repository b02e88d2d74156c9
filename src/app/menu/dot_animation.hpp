#pragma once
// The tray mark's dot swelling and settling after a bark: ten sizes 55 ms
// apart, then the resting mark. A new bark starts it again from the first
// size; a cancelled run leaves the frame it reached.

#include <array>
#include <chrono>
#include <functional>

#include "app/engine/clock.hpp"

namespace kestrove {

class DotAnimation {
public:
    static constexpr std::array<double, 10> scales{1.12, 1.26, 1.32, 1.2, 1.0, 1.0, 1.2, 1.3, 1.18, 1.0};
    static constexpr std::chrono::milliseconds step{55};
    static constexpr double resting = 1.0;

    // `show` draws the mark with the dot at a scale.
    DotAnimation(EngineClock& clock, std::function<void(double)> show);

    void play();
    void cancel() { timer_.cancel(); }
    bool running() const { return timer_.active(); }

private:
    void frame(std::size_t index);

    EngineClock& clock_;
    std::function<void(double)> show_;
    Pending timer_;
};

}  // namespace kestrove
