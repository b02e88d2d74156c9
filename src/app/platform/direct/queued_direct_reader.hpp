#pragma once
// The direct reader over an accessibility tree: two worker threads, each
// with a DirectPlatform of its own, shared by every session it opens. A
// session's jobs run one at a time, so while one program is slow to answer
// the other thread reads every other session; a read ends by its time limit.

#include <atomic>
#include <chrono>
#include <memory>

#include "app/platform/direct_reader.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class QueuedDirectReader final : public DirectReader {
public:
    using Factory = std::function<DirectPlatform()>;

    static constexpr int threads = 2;
    // Long enough for a walk of a few thousand objects of a program that
    // answers, short enough that a slow one does not stall its watch.
    static constexpr std::chrono::milliseconds defaultReadLimit{3000};

    // `makePlatform` runs on each of the reader's threads, before its first job.
    QueuedDirectReader(Executor mainThread, Factory makePlatform,
                       std::chrono::milliseconds readLimit = defaultReadLimit);
    // Waits for the work under way; work still queued is dropped, and
    // sessions still held answer nothing any more.
    ~QueuedDirectReader() override;

    Pending open(const WatchRegion& region, Opened done) override;
    std::shared_ptr<DirectSession> session(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                           ChromiumDetection::Verdict chromium) override;
    Pending chromium(std::int32_t pid, std::function<void(ChromiumDetection::Verdict)> done) override;
    bool allowed() const override { return allowed_->load(); }
    Pending refreshAllowed(std::function<void(bool)> done) override;

private:
    const std::chrono::milliseconds readLimit_;
    std::shared_ptr<std::atomic<bool>> allowed_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<WorkQueue<DirectPlatform>> queue_;
};

}  // namespace kestrove
