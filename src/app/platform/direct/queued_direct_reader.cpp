#include "app/platform/direct/queued_direct_reader.hpp"

#include <algorithm>

#include "app/platform/direct/tree_direct_session.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

namespace {

// Looks at the bus one at a time; a newer look replaces one still waiting.
const JobKey looking{"accessibility bus", "look"};

bool look(std::atomic<bool>& allowed, DirectPlatform& p) {
    const bool now = p.tree->available();
    allowed.store(now);
    return now;
}

}  // namespace

QueuedDirectReader::QueuedDirectReader(Executor mainThread, Factory makePlatform, std::chrono::milliseconds readLimit)
    : readLimit_(readLimit),
      queue_(std::make_shared<WorkQueue<DirectPlatform>>(
          "direct reading", threads, std::move(mainThread),
          [make = std::move(makePlatform)] { return std::make_unique<DirectPlatform>(make()); })) {
    // The first look, so allowed() soon knows.
    queue_->run(looking, [allowed = allowed_](DirectPlatform& p) { look(*allowed, p); });
}

QueuedDirectReader::~QueuedDirectReader() { queue_->stop(); }

Pending QueuedDirectReader::open(const WatchRegion& region, Opened done) {
    using Session = std::shared_ptr<DirectSession>;
    return queue_->post(
        {"", "open"},
        [region, allowed = allowed_, limit = readLimit_, weak = std::weak_ptr(queue_)](DirectPlatform& p) -> Session {
            if (!look(*allowed, p) || !region.window) return nullptr;
            const WindowAnchor& anchor = *region.window;
            const std::vector<WindowInfo> all = p.windows->list(WindowListOptions::all);
            const auto window =
                std::find_if(all.begin(), all.end(), [&](const WindowInfo& w) { return w.id == anchor.id; });
            // X11 hands a closed window's id to a new one: another app means another window.
            if (window == all.end() || window->ownerPID < 1 || !WindowTracking::isSameWindow(anchor, *window))
                return nullptr;
            auto queue = weak.lock();
            if (!queue) return nullptr;
            return std::make_shared<TreeDirectSession>(std::move(queue), allowed, anchor, region.size(),
                                                       window->ownerPID, p.chromium(window->ownerPID), limit);
        },
        Session(), std::move(done));
}

std::shared_ptr<DirectSession> QueuedDirectReader::session(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                                          ChromiumDetection::Verdict chromium) {
    return std::make_shared<TreeDirectSession>(queue_, allowed_, anchor, size, pid, std::move(chromium), readLimit_);
}

Pending QueuedDirectReader::chromium(std::int32_t pid, std::function<void(ChromiumDetection::Verdict)> done) {
    using Verdict = ChromiumDetection::Verdict;
    return queue_->post(
        {"", "chromium"}, [pid](DirectPlatform& p) { return p.chromium(pid); },
        Verdict{false, ChromiumDetection::Confidence::unknown, "could not be looked into"}, std::move(done));
}

Pending QueuedDirectReader::refreshAllowed(std::function<void(bool)> done) {
    return queue_->post(
        looking,
        [allowed = allowed_](DirectPlatform& p) { return look(*allowed, p); }, false, std::move(done));
}

}  // namespace kestrove
