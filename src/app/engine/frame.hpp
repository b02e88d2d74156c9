#pragma once
// What the watch manager needs of the frame drawn around a watched box. The
// manager (main thread, no widgets) writes the model and calls the frame;
// the window that draws it lives with the widgets and is made by a factory,
// so the engine's tests run on a fake frame without a display.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/watch/watch_spec.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

enum class TagTone { signal, muted };

// The frame's state as the manager last set it, plus the flash in progress.
// The frame that owns the model redraws whenever one of its setters or its
// flash changes a field.
struct FrameModel {
    WatchStatus status = WatchStatus::watching;
    int interval = 5;  // seconds, for the tag
    bool flashOn = false;
    bool flashing = false;
    std::optional<std::string> barkTime;
    std::optional<WatchTrouble> trouble;
    bool directOnly = false;

    std::string tagText() const;
    TagTone tagTone() const;
};

class Frame {
public:
    virtual ~Frame() = default;

    virtual const FrameModel& model() const = 0;
    // Each setter redraws only when the value changes.
    virtual void setStatus(WatchStatus status) = 0;
    virtual void setInterval(int seconds) = 0;
    virtual void setTrouble(std::optional<WatchTrouble> trouble) = 0;
    virtual void setDirectOnly(bool directOnly) = 0;

    // An unbound frame: lays itself out on its display again (after a screen
    // change) and shows itself, or hides while its display is gone.
    virtual void place() = 0;
    // A bound frame: shown around the box's place in global points, or hidden.
    virtual void follow(const WindowTracking::FramePlace& place) = 0;
    // Three blinks and a hold (1.8 s in all), then `completion`, once, also
    // for a frame that is hidden. The frame stays usable afterwards.
    virtual void flash(std::string barkTime, std::function<void()> completion) = 0;
    // Hidden for good; no drawing and no completion of a flash afterwards.
    virtual void close() = 0;
};

class FrameFactory {
public:
    virtual ~FrameFactory() = default;
    // Shown at once when unbound; a bound frame waits hidden for its first place.
    virtual std::unique_ptr<Frame> make(const WatchRegion& region, WatchStatus status, int interval) = 0;
};

}  // namespace kestrove
