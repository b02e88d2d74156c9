#include "app/menu/dot_animation.hpp"

namespace kestrove {

DotAnimation::DotAnimation(EngineClock& clock, std::function<void(double)> show)
    : clock_(clock), show_(std::move(show)) {}

void DotAnimation::play() {
    timer_.cancel();
    frame(0);
}

void DotAnimation::frame(std::size_t index) {
    if (index == scales.size()) {
        show_(resting);
        return;
    }
    show_(scales[index]);
    timer_ = clock_.after(step, [this, index] { frame(index + 1); });
}

}  // namespace kestrove
