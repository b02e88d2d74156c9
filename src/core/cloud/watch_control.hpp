#pragma once
// What the messenger link may do to the watches: the watch engine implements
// it. The link holds it as a std::weak_ptr, so the link never keeps the
// engine alive and simply ignores chat buttons once the engine is gone.
// Called only on the thread that owns the engine.

#include <string>

#include "core/watch/watch_spec.hpp"

namespace kestrove {

class WatchControl {
public:
    virtual ~WatchControl() = default;
    // A watch with this id exists and is not finished (paused counts).
    virtual bool isRunning(const std::string& id) const = 0;
    // At least one watch is watching or has lost sight.
    virtual bool anyRunning() const = 0;
    // The watch becomes finished and stops; unknown or finished ids are ignored.
    virtual void end(const std::string& id) = 0;
    // A removed watch comes back as watching, a finished one watches again;
    // one that is running is left alone.
    virtual void startAgain(const WatchSpec& spec) = 0;
};

}  // namespace kestrove
