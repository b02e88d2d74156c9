#pragma once
// The direct session over an accessibility tree: each read walks the bound
// window's tree on one of the reader's threads, one job of the session at a
// time. Made by QueuedDirectReader.

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/platform/direct_reader.hpp"
#include "app/platform/direct/direct_walk.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class TreeDirectSession final : public DirectSession, public std::enable_shared_from_this<TreeDirectSession> {
public:
    using Queue = WorkQueue<DirectPlatform>;
    // How long after its look at the window list a read may hand that look
    // on with its answer (a quiet read takes well under a millisecond).
    static constexpr std::chrono::milliseconds freshLook{100};

    // `allowed` is the reader's knowledge of the accessibility bus; reads
    // keep it fresh. A read that takes longer than `readLimit` answers timedOut.
    TreeDirectSession(std::shared_ptr<Queue> queue, std::shared_ptr<std::atomic<bool>> allowed, WindowAnchor anchor,
                      Size size, std::int32_t pid, ChromiumDetection::Verdict chromium,
                      std::chrono::milliseconds readLimit);

    Pending read(std::function<void(DirectAnswer)> done) override;
    Pending readTimed(std::function<void(DirectAnswer, double)> done) override;
    Pending adopt(std::function<void()> done) override;

    const WindowAnchor& anchor() const override { return anchor_; }
    Size size() const override { return size_; }
    std::int32_t pid() const override { return pid_; }
    const ChromiumDetection::Verdict& chromium() const override { return chromium_; }
    std::pair<int, int> lastWalk() const override { return {walkNodes_.load(), walkPieces_.load()}; }

private:
    // What the latest walk found, good for the next read while the window
    // stands where it stood (the same X11 client rectangle).
    struct Kept {
        Rect client;  // the X11 client rectangle
        AccessElement window;
        Rect frame;  // the window's client area as its object tells
        Rect box;
        DirectWalk::Found found;
        ChangeMark mark;
    };

    DirectAnswer readNow(DirectPlatform& p);
    // The bound window's object and its client area, or the error that kept them.
    AccessResult<std::pair<AccessElement, Rect>> windowElement(DirectPlatform& p);
    // The application's window objects.
    AccessResult<std::vector<AccessElement>> applicationWindows(DirectPlatform& p);
    // Which of them is the X11 window `x11`, remembered with how its frame lies.
    AccessResult<std::pair<AccessElement, Rect>> matchWindow(DirectPlatform& p,
                                                            const std::vector<AccessElement>& windows,
                                                            const WindowInfo& x11);
    // The anchor is measured from the X11 client area, decorations excluded.
    Rect clientArea(const Rect& frame) const;
    // A read that goes on from what the latest walk found; none when that no
    // longer holds (it moved, or changes may have gone unheard).
    std::optional<DirectAnswer> readKept(DirectPlatform& p);
    DirectAnswer walkWindow(DirectPlatform& p, const WindowInfo* client);
    // The answer of a finished walk; keeps what it found when changes since `mark` can be told.
    DirectAnswer answer(DirectPlatform& p, DirectWalk& walk, const std::optional<ChangeMark>& mark, Kept kept);

    const std::shared_ptr<Queue> queue_;
    const std::shared_ptr<std::atomic<bool>> allowed_;
    const std::string key_;  // this session's jobs in the reader's queue
    const WindowAnchor anchor_;
    const Size size_;
    const std::int32_t pid_;
    const ChromiumDetection::Verdict chromium_;
    const std::chrono::milliseconds readLimit_;

    // Touched only by the session's own jobs, one at a time.
    std::optional<AccessElement> app_;
    std::optional<AccessElement> window_;
    std::optional<AccessElement> page_;
    std::optional<AccessElement> lastPage_;
    std::optional<std::string> pageAddress_;
    bool adopted_ = false;
    bool appMissing_ = false;  // the latest look found no application of the pid on the bus
    // How far the client area lies inside the window object's frame, for
    // toolkits that count their decorations in (all zero otherwise).
    struct Insets {
        double left = 0, top = 0, right = 0, bottom = 0;
    } insets_;
    // Where the window's objects are placed.
    Coordinates space_ = Coordinates::screen;
    std::optional<Kept> kept_;
    // The bound window as the latest read's look at the window list found it, and when.
    std::optional<std::pair<WindowInfo, std::chrono::steady_clock::time_point>> listed_;

    std::atomic<int> walkNodes_{0};
    std::atomic<int> walkPieces_{0};
};

}  // namespace kestrove
