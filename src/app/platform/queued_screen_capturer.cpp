#include "app/platform/queued_screen_capturer.hpp"

namespace kestrove {

bool QueuedScreenCapturer::Seen::look(BlockingCapturer& capturer) {
    const bool now = capturer.allowed();
    std::lock_guard lock(mutex);
    allowed = now;
    return now;
}

void QueuedScreenCapturer::Readers::read(const std::string& owner, std::uint32_t window, BlockingCapturer& capturer) {
    // A one-off read holds its window only while it reads.
    if (owner.empty()) return releaseIfUnread(window, capturer);
    const auto it = windowOf.find(owner);
    const std::uint32_t before = it == windowOf.end() ? 0 : it->second;
    if (window) windowOf[owner] = window;
    else if (it != windowOf.end()) windowOf.erase(it);
    if (before != window) releaseIfUnread(before, capturer);
}

void QueuedScreenCapturer::Readers::forget(const std::string& owner, BlockingCapturer& capturer) {
    const auto it = windowOf.find(owner);
    if (it == windowOf.end()) return;
    const std::uint32_t window = it->second;
    windowOf.erase(it);
    releaseIfUnread(window, capturer);
}

void QueuedScreenCapturer::Readers::releaseIfUnread(std::uint32_t window, BlockingCapturer& capturer) const {
    if (!window) return;
    for (const auto& [owner, read] : windowOf)
        if (read == window) return;
    capturer.release(window);
}

QueuedScreenCapturer::QueuedScreenCapturer(Executor mainThread, Factory make)
    : queue_("screen capture", 1, std::move(mainThread), std::move(make)) {
    // The first look, so allowed() soon knows.
    queue_.run({"", "allowed"}, [seen = seen_](BlockingCapturer& capturer) { seen->look(capturer); });
}

Pending QueuedScreenCapturer::capture(const std::string& owner, const WatchRegion& region, BoxDone done) {
    return queue_.post(
        {owner, "capture"},
        [owner, region, seen = seen_, readers = readers_](BlockingCapturer& capturer) {
            Captured shot = capturer.capture(region);
            readers->read(owner, region.window ? region.window->id : 0, capturer);
            {
                std::lock_guard lock(seen->mutex);
                // Only a refusal says anything about the permission.
                seen->allowed = shot.ok() || shot.error().kind != CaptureError::Kind::notAllowed;
                seen->facts = capturer.lastWindowCapture();
            }
            return withGrid(std::move(shot));
        },
        CapturedBox(CaptureError::failed("The screen could not be read.")), std::move(done));
}

Pending QueuedScreenCapturer::captureScreen(const WatchRegion& region, Done done) {
    return queue_.post(
        {"", "screen"}, [region](BlockingCapturer& capturer) { return capturer.captureScreen(region); },
        Captured(CaptureError::failed("The screen could not be read.")), std::move(done));
}

void QueuedScreenCapturer::forget(const std::string& owner) {
    queue_.drop(owner);
    if (owner.empty()) return;
    queue_.run({"", "forget"}, [owner, readers = readers_](BlockingCapturer& c) { readers->forget(owner, c); });
}

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
