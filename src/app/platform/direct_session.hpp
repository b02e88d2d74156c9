#pragma once
// Reading a watched box straight from the application that owns its window,
// through the accessibility tree, instead of a picture. One session per
// watch; the session opened while a watch is set up goes on to the watch.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/platform/accessibility_tree.hpp"
#include "app/platform/direct_reader.hpp"
#include "core/windows/chromium_detection.hpp"
#include "core/windows/direct_reading.hpp"
#include "core/foundation/executor.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

class DirectSession : public std::enable_shared_from_this<DirectSession> {
public:
    // A session for a box bound to a window whose owner is known, or none
    // (no accessibility bus, no binding, no such window). Blocks while the
    // reader's thread looks the window up.
    static std::shared_ptr<DirectSession> open(const WatchRegion& region,
                                               std::shared_ptr<DirectReader> reader = DirectReader::shared());

    // One read on the reader's thread; `done` is posted through `executor`.
    void read(Executor executor, std::function<void(DirectAnswer)> done);
    // The same, with how long the read took in milliseconds.
    void readTimed(Executor executor, std::function<void(DirectAnswer, double)> done);
    // Takes the page the latest read found as the watch's page from now on.
    void adopt(Executor executor, std::function<void()> done = {});

    const WindowAnchor& anchor() const { return anchor_; }
    Size size() const { return size_; }
    std::int32_t pid() const { return pid_; }
    const ChromiumDetection::Verdict& chromium() const { return chromium_; }
    // Programs that expose text only while on screen answer only then.
    bool onScreenOnly() const { return chromium_.onScreenOnly(); }
    // Objects visited and texts kept by the latest walk.
    std::pair<int, int> lastWalk() const { return {walkNodes_.load(), walkPieces_.load()}; }

    DirectSession(std::shared_ptr<DirectReader> reader, WindowAnchor anchor, Size size, std::int32_t pid,
                  ChromiumDetection::Verdict chromium);

private:
    DirectAnswer readNow(DirectPlatform& p);
    // The bound window's object and its client area, or the error that kept them.
    std::optional<std::pair<AccessElement, Rect>> windowElement(DirectPlatform& p, AccessError& error);

    std::shared_ptr<DirectReader> reader_;
    const WindowAnchor anchor_;
    const Size size_;
    const std::int32_t pid_;
    const ChromiumDetection::Verdict chromium_;

    // Touched only on the reader's thread.
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

    std::atomic<int> walkNodes_{0};
    std::atomic<int> walkPieces_{0};
};

}  // namespace kestrove
