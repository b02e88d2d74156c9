#pragma once
// Reading a watched box straight from the application that owns its window,
// through the accessibility tree, instead of a picture. One session per
// watch; the session opened while a watch is set up goes on to the watch.
// Sessions come from a DirectReader.

#include <cstdint>
#include <functional>
#include <utility>

#include "core/foundation/geometry.hpp"
#include "core/foundation/pending.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/windows/chromium_detection.hpp"
#include "core/windows/direct_reading.hpp"

namespace kestrove {

// Every answer arrives through the main-thread executor of the reader that
// opened the session, never inside the call, only while the handle is held.
class DirectSession {
public:
    virtual ~DirectSession() = default;

    // One read on a reader's thread, ended by the reader's time limit. A
    // newer read of the session replaces one still waiting.
    [[nodiscard]] virtual Pending read(std::function<void(DirectAnswer)> done) = 0;
    // The same, with how long the read took in milliseconds.
    [[nodiscard]] virtual Pending readTimed(std::function<void(DirectAnswer, double)> done) = 0;
    // Takes the page the latest read found as the watch's page from now on.
    [[nodiscard]] virtual Pending adopt(std::function<void()> done) = 0;

    virtual const WindowAnchor& anchor() const = 0;
    virtual Size size() const = 0;
    virtual std::int32_t pid() const = 0;
    virtual const ChromiumDetection::Verdict& chromium() const = 0;
    // Programs that expose text only while on screen answer only then.
    bool onScreenOnly() const { return chromium().onScreenOnly(); }
    // Objects visited and texts kept by the latest walk.
    virtual std::pair<int, int> lastWalk() const = 0;
};

}  // namespace kestrove
