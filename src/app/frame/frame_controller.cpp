#include "app/frame/frame_controller.hpp"

#include "app/frame/frame_layout.hpp"

#include <algorithm>

namespace kestrove {

namespace {

using namespace std::chrono_literals;

// One blink step: the fill shown or not (none: left as it is), then a wait.
struct FlashStep {
    std::optional<bool> fillOn;
    std::chrono::milliseconds wait;
};

// Three blinks of the fill, then a hold of the "BARKED" tag: 1.8 s.
constexpr FlashStep flashSteps[] = {
    {true, 220ms}, {false, 180ms}, {true, 220ms}, {false, 180ms}, {true, 220ms}, {false, 180ms}, {std::nullopt, 600ms},
};

}  // namespace

struct FrameController::FlashRun {
    std::function<void()> completion;
    std::size_t next = 0;
    // How far behind its timetable it runs. A busy main thread makes a step
    // late; the next waits are that much shorter, so the lateness does not add
    // up step by step and the flash still ends 1.8 s after it began.
    std::chrono::milliseconds behind{0};
};

FrameController::FrameController(const WatchRegion& region, WatchStatus status, int interval, const Screens& screens,
                                 FrameDelay delay, const SurfaceMaker& makeSurface)
    : screens_(screens), delay_(std::move(delay)), region_(region), isBound_(region.window.has_value()),
      hiddenByWindow_(isBound_) {
    model_.status = status;
    model_.interval = interval;
    surface_ = makeSurface(model_);
    place();
}

FrameController::~FrameController() { close(); }

template <typename T>
void FrameController::write(T& field, T value) {
    if (!surface_ || field == value) return;
    field = std::move(value);
    surface_->redraw();
}

void FrameController::setStatus(WatchStatus status) { write(model_.status, status); }
void FrameController::setInterval(int seconds) { write(model_.interval, seconds); }
void FrameController::setTrouble(std::optional<WatchTrouble> trouble) { write(model_.trouble, std::move(trouble)); }
void FrameController::setDirectOnly(bool directOnly) { write(model_.directOnly, directOnly); }

void FrameController::place() {
    if (!surface_ || isBound_) return;
    const auto screen = ScreenSpace::screenWithID(region_.displayID, screens_.screens());
    if (!screen) {
        // Its display is gone; the next screen change may bring it back.
        surface_->hide();
        return;
    }
    const Rect& f = screen->frame;
    layOut({f.x + region_.x, f.y + region_.y, region_.w, region_.h}, f);
    if (model_.status != WatchStatus::finished) surface_->show();
}

void FrameController::layOut(const Rect& box, const Rect& screen) {
    const FrameGeometry::Layout l = FrameGeometry::around(box, screen);
    if (surface_->geometry() != l.window) surface_->setGeometry(l.window);
    const Size size = box.size();
    if (laidOut_ && laidOut_->size == size && laidOut_->tagOnTop == l.tagOnTop) return;
    surface_->layOut(size, l.tagOnTop);
    laidOut_ = LaidOut{size, l.tagOnTop};
}

void FrameController::follow(const WindowTracking::FramePlace& place) {
    if (!surface_ || !isBound_) return;
    if (!place.isShown()) {
        if (hiddenByWindow_ && !surface_->isShown()) return;
        hiddenByWindow_ = true;
        surface_->hide();
        return;
    }
    // A box on no screen keeps the frame as it was.
    const auto screen = ScreenSpace::screenFor(*place.box, screens_.screens());
    if (!screen) return;
    layOut(*place.box, screen->frame);
    const bool wasHidden = hiddenByWindow_;
    hiddenByWindow_ = false;
    if (model_.status == WatchStatus::finished && flashesRunning_ == 0) return;
    if (!wasHidden && surface_->isShown()) return;
    surface_->show();
}

void FrameController::flash(std::string barkTime, std::function<void()> completion) {
    if (!surface_) return;
    model_.barkTime = std::move(barkTime);
    model_.flashing = true;
    ++flashesRunning_;
    // The tag and the first blink drawn at once: the first step then finds its fill in place.
    if (flashSteps[0].fillOn) model_.flashOn = *flashSteps[0].fillOn;
    surface_->redraw();
    // A frame hidden by its window stays hidden but still runs the sequence.
    // One on screen already is not shown again: that would restack every
    // frame, round trips the desktop makes by itself when another window
    // comes over them.
    if (!hiddenByWindow_ && !surface_->isShown()) surface_->show();
    step(std::make_shared<FlashRun>(FlashRun{std::move(completion), 0}));
}

void FrameController::step(const std::shared_ptr<FlashRun>& run) {
    if (run->next == std::size(flashSteps)) {
        // Two flashes side by side: the tag reads "BARKED" until the last ends.
        --flashesRunning_;
        write(model_.flashing, flashesRunning_ > 0);
        // The completion may close and drop this frame: nothing after it.
        auto done = std::move(run->completion);
        if (done) done();
        return;
    }
    const FlashStep& s = flashSteps[run->next++];
    const auto wait = std::max(0ms, s.wait - run->behind);
    const auto stillBehind = std::max(0ms, run->behind - s.wait);
    // Set before the step draws: the drawing (a fill window shown and
    // painted at once) is part of the wait, not added to it.
    delay_(wait, [this, run, stillBehind, alive = std::weak_ptr<const bool>(alive_)](std::chrono::milliseconds late) {
        if (!alive.lock()) return;
        run->behind = stillBehind + late;
        step(run);
    });
    if (s.fillOn) write(model_.flashOn, *s.fillOn);
}

void FrameController::close() {
    if (!surface_) return;
    alive_.reset();
    surface_->hide();
    surface_.reset();
}

}  // namespace kestrove
