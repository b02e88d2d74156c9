#include "core/cloud/picture_encoder.hpp"

namespace kestrove {

PictureEncoder::PictureEncoder(Executor mainThread, int threads)
    : queue_("picture encoder", threads, std::move(mainThread), [] { return std::make_unique<Worker>(); }) {}

Pending PictureEncoder::encode(const std::string& owner, Picture baseline, Picture current, int maxSide,
                               std::function<void(Encoded)> done) {
    return queue_.post(
        JobKey{owner, "encode"},
        [baseline = std::move(baseline), current = std::move(current), maxSide](Worker&) {
            Encoded out;
            if (baseline) out.baseline = CloudImage::png(*baseline, maxSide);
            if (current) out.current = CloudImage::png(*current, maxSide);
            return out;
        },
        Encoded{}, std::move(done));
}

}  // namespace kestrove
