#pragma once
// The direct reader over an accessibility tree: one worker thread whose
// context is the DirectPlatform, shared by every session it opens.

#include <atomic>
#include <memory>

#include "app/platform/direct_reader.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class QueuedDirectReader final : public DirectReader {
public:
    using Factory = std::function<DirectPlatform()>;

    // `makePlatform` runs on the reader's thread, before its first job.
    QueuedDirectReader(Executor mainThread, Factory makePlatform);
    // Waits for the work under way; work still queued is dropped, and
    // sessions still held answer nothing any more.
    ~QueuedDirectReader() override;

    Pending open(const WatchRegion& region, Opened done) override;
    bool allowed() const override { return allowed_->load(); }
    Pending refreshAllowed(std::function<void(bool)> done) override;

private:
    std::shared_ptr<std::atomic<bool>> allowed_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<WorkQueue<DirectPlatform>> queue_;
};

}  // namespace kestrove
