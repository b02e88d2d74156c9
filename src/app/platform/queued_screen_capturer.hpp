#pragma once
// The screen capturer for the main thread: a blocking capturer on one worker
// thread of its own, made there by the factory (the real one keeps its X
// connection on that thread).

#include <memory>
#include <mutex>

#include "app/platform/screen_capturer.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class QueuedScreenCapturer final : public ScreenCapturer {
public:
    using Factory = std::function<std::unique_ptr<BlockingCapturer>()>;

    QueuedScreenCapturer(Executor mainThread, Factory make);

    Pending capture(const std::string& owner, const WatchRegion& region, Done done) override;
    void forget(const std::string& owner) override;
    std::optional<WindowCaptureFacts> lastWindowCapture() const override;
    bool allowed() const override;
    Pending refreshAllowed(std::function<void(bool)> done) override;

private:
    // What the worker learns and the main thread reads.
    struct Seen {
        mutable std::mutex mutex;
        std::optional<WindowCaptureFacts> facts;
        bool allowed = false;
        bool look(BlockingCapturer& capturer);  // on the worker
    };
    std::shared_ptr<Seen> seen_ = std::make_shared<Seen>();
    WorkQueue<BlockingCapturer> queue_;  // last: stops first
};

}  // namespace kestrove
