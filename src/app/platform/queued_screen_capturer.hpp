#pragma once
// The screen capturer for the main thread: a blocking capturer on one worker
// thread of its own, made there by the factory (the real one keeps its X
// connection on that thread). It knows which window each watch last read,
// and lets a window go once no watch reads it.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/platform/screen_capturer.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class QueuedScreenCapturer final : public ScreenCapturer {
public:
    using Factory = std::function<std::unique_ptr<BlockingCapturer>()>;

    QueuedScreenCapturer(Executor mainThread, Factory make);

    Pending capture(const std::string& owner, const WatchRegion& region, BoxDone done) override;
    Pending captureScreen(const WatchRegion& region, Done done) override;
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
    // The window each owner read last (none for a display box); worker only.
    struct Readers {
        std::map<std::string, std::uint32_t> windowOf;
        void read(const std::string& owner, std::uint32_t window, BlockingCapturer& capturer);
        void forget(const std::string& owner, BlockingCapturer& capturer);
        void releaseIfUnread(std::uint32_t window, BlockingCapturer& capturer) const;
    };
    std::shared_ptr<Readers> readers_ = std::make_shared<Readers>();
    WorkQueue<BlockingCapturer> queue_;  // last: stops first
};

}  // namespace kestrove
