#pragma once
// The direct reader: opens sessions on windows and knows whether the
// accessibility bus can be asked. Every accessibility call runs on one of
// the reader's threads; what such a thread may touch (the accessibility
// tree, a window list of its own, the process tests) is its DirectPlatform,
// made and ended there.

#include <cstdint>
#include <functional>
#include <memory>

#include "app/platform/accessibility_tree.hpp"
#include "app/platform/direct_session.hpp"
#include "app/platform/window_list.hpp"
#include "core/windows/chromium_detection.hpp"

namespace kestrove {

struct DirectPlatform {
    std::unique_ptr<AccessibilityTree> tree;
    std::unique_ptr<WindowList> windows;
    // Whether a process still exists (signal 0; a refusal counts as alive).
    std::function<bool(std::int32_t)> alive;
    std::function<ChromiumDetection::Verdict(std::int32_t)> chromium;
};

// For main-thread callers. Answers arrive through the main-thread executor
// the reader was made with, never inside the call, only while the handle is
// held.
class DirectReader {
public:
    using Opened = std::function<void(std::shared_ptr<DirectSession>)>;

    virtual ~DirectReader() = default;

    // A session for a box bound to a window whose owner is known, or none
    // (no accessibility bus, no binding, no such window).
    [[nodiscard]] virtual Pending open(const WatchRegion& region, Opened done) = 0;

    // A session on a window the caller names itself, made without asking
    // anything: the developer checks build sessions field by field, also on
    // windows and processes that do not exist, to see what reads then answer.
    virtual std::shared_ptr<DirectSession> session(const WindowAnchor& anchor, Size size, std::int32_t pid,
                                                   ChromiumDetection::Verdict chromium) = 0;
    // Whether the program running as `pid` is built on Chromium, from /proc
    // on the reader's thread.
    [[nodiscard]] virtual Pending chromium(std::int32_t pid,
                                           std::function<void(ChromiumDetection::Verdict)> done) = 0;

    // Whether the accessibility bus answers, as last found out (by an open,
    // a read or a refresh); false until the first answer. Never blocks.
    virtual bool allowed() const = 0;
    // Looks again on the reader's thread; `done` gets the fresh answer.
    [[nodiscard]] virtual Pending refreshAllowed(std::function<void(bool)> done) = 0;
};

// The signal-0 test: alive unless the process is gone (EPERM means it exists).
bool processAlive(std::int32_t pid);

}  // namespace kestrove
