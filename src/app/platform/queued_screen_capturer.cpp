#include "app/platform/queued_screen_capturer.hpp"

namespace kestrove {

bool QueuedScreenCapturer::Seen::look(BlockingCapturer& capturer) {
    const bool now = capturer.allowed();
    std::lock_guard lock(mutex);
    allowed = now;
    return now;
}

QueuedScreenCapturer::QueuedScreenCapturer(Executor mainThread, Factory make)
    : queue_("screen capture", 1, std::move(mainThread), std::move(make)) {
    // The first look, so allowed() soon knows.
    queue_.run({"", "allowed"}, [seen = seen_](BlockingCapturer& capturer) { seen->look(capturer); });
}

Pending QueuedScreenCapturer::capture(const std::string& owner, const WatchRegion& region, Done done) {
    return queue_.post(
        {owner, "capture"},
        [region, seen = seen_](BlockingCapturer& capturer) {
            Captured shot = capturer.capture(region);
            std::lock_guard lock(seen->mutex);
            // Only a refusal says anything about the permission.
            seen->allowed = shot.ok() || shot.error().kind != CaptureError::Kind::notAllowed;
            seen->facts = capturer.lastWindowCapture();
            return shot;
        },
        Captured(CaptureError::failed("The screen could not be read.")), std::move(done));
}

void QueuedScreenCapturer::forget(const std::string& owner) { queue_.drop(owner); }

std::optional<WindowCaptureFacts> QueuedScreenCapturer::lastWindowCapture() const {
    std::lock_guard lock(seen_->mutex);
    return seen_->facts;
}

bool QueuedScreenCapturer::allowed() const {
    std::lock_guard lock(seen_->mutex);
    return seen_->allowed;
}

Pending QueuedScreenCapturer::refreshAllowed(std::function<void(bool)> done) {
    return queue_.post(
        {"", "allowed"}, [seen = seen_](BlockingCapturer& capturer) { return seen->look(capturer); }, false,
        std::move(done));
}

}  // namespace kestrove
