// The picture half of a tick: capture the box, tell whether it changed and
// whether its window can still be seen, keep the interval in step with how
// quiet the box is, and judge the picture by the watch's kind. The one place
// a picture bark is decided.
#include "app/engine/watch_runner.hpp"

#include <utility>

#include "core/rules/new_line_rule.hpp"

namespace kestrove {

void WatchRunner::check(Next next) {
    if (!host_.screensAvailable()) return next();
    if (!spec_.region.window) return capture(WindowSeen::notBound, std::move(next));
    lookForWindow([this, next = std::move(next)](WindowSeen seen) {
        if (seen == WindowSeen::offScreen) {
            if (!loseWindow(WindowLoss::notOnScreen)) return;
            return next();
        }
        capture(seen, next);
    });
}

void WatchRunner::capture(WindowSeen seen, Next next) {
    step_ = services_.platform.capturer->capture(spec_.id, spec_.region, [this, seen, next](Captured captured) {
        if (!captured.ok()) {
            // Not painted yet: not the screen's picture, so neither a change
            // nor a loss; the next check looks again.
            if (captured.error().kind == CaptureError::Kind::unpainted) return next();
            if (!captureFailed(captured.error())) return;
            return next();
        }
        auto grid = PixelDiff::grid(captured.value());
        if (!grid) return next();
        // Gone from the list and blank: the window left the screen between
        // the list and the capture.
        if (seen == WindowSeen::unlisted && WindowTracking::cannotSee(false, *grid, lastGrid_)) {
            if (!loseWindow(WindowLoss::notOnScreen)) return;
            return next();
        }
        look(std::move(captured).value(), std::move(*grid), next);
    });
}

void WatchRunner::look(Image captured, DiffGrid grid, Next next) {
    // One picture for all who keep it: the host's latest, the baseline, the crop file.
    auto shot = std::make_shared<Shot>(Shot{std::move(captured), {}, false});
    const SharedImage picture(shot, &shot->image);
    if (!tell(&RunnerHost::publishPicture, picture)) return;
    if (lostSight_) {
        lostSight_ = false;
        // After the window's own loss the reference from before still holds;
        // after any other the gap is no change.
        const bool windowBack = std::exchange(lostWindow_, false);
        if (!windowBack) referenceGrid_ = grid;
        lastGrid_ = grid;
        lastEvaluation_.reset();
        needsJudging_ = needsCloud(spec_.type);
        pendingLoss_.reset();
        if (!updateSight()) return;
        // A window just back shows its old pixels or the desktop's until it
        // has repainted: its first picture is not judged, the next one is.
        if (windowBack) return next();
    }
    const auto now = services_.clock.now();
    bool changed = true;
    if (lastGrid_) {
        changed = PixelDiff::changed(*lastGrid_, grid);
        if (changed) lastChangeAt_ = now;
    }
    lastGrid_ = grid;
    if (!referenceGrid_) referenceGrid_ = grid;
    if (freshStart_) {
        freshStart_ = false;
        referenceGrid_ = grid;
        if (needsCloud(spec_.type)) {
            baselineCrop_ = picture;
            baselineSent_.reset();
        }
        freshLines_ = spec_.type == WatchType::newLine;
        // The saved reading is not what the box shows now: read it afresh,
        // or a stale "not met" would arm the gates and new lines would be
        // taken into the baseline unseen.
        lastEvaluation_.reset();
        if (!tell(&RunnerHost::runnerRebaselined, picture)) return;
        changed = false;
    }
    const int interval = PollSchedule::interval(std::chrono::duration<double>(now - lastChangeAt_).count());
    if (interval != interval_) {
        interval_ = interval;
        if (!tell(&RunnerHost::runnerIntervalChanged)) return;
    }
    shot->grid = std::move(grid);
    shot->changed = changed;
    switch (spec_.type) {
        case WatchType::stateReached:
        case WatchType::newItem:
            return askTheModel(std::move(shot), std::move(next));
        case WatchType::anyChange:
            if (gate_.update(PixelDiff::changed(*referenceGrid_, shot->grid)))
                return pictureBark(shot, std::move(next));
            return next();
        case WatchType::textAppears:
        case WatchType::textGone:
        case WatchType::numberCompare:
        case WatchType::newLine:
            return readText(std::move(shot), std::move(next));
    }
    next();
}

void WatchRunner::readText(ShotRef shot, Next next) {
    // Recognition is the costly step: an unchanged box counts the last
    // evaluation again, but for the one reading a pending direct reader is
    // compared with. Unchanged means showing what that evaluation was read
    // from: the coarse change test can miss an 8 turning into a 4.
    const bool adoptionDue = directPending_ && !adoptionTried_;
    const bool sameText = evaluated_ && !PixelDiff::changedInDetail(*evaluated_, shot->image);
    if (!shot->changed && lastEvaluation_ && sameText && !adoptionDue) return gatePicture(shot, std::move(next));
    if (directPending_) return candidateRead([this, shot, next] { recognize(shot, next); });
    recognize(std::move(shot), std::move(next));
}

void WatchRunner::recognize(ShotRef shot, Next next) {
    // Numbers are read without language correction.
    const bool correction = spec_.type != WatchType::numberCompare;
    step_ = services_.platform.recognizer->recognize(
        spec_.id, shot->image, correction, [this, shot, next](std::vector<OCRLine> lines) {
            if (spec_.type == WatchType::newLine) {
                currentLines_ = NewLineRule::normalized(lines);
                if (freshLines_) {
                    freshLines_ = false;
                    baselineLines_ = currentLines_;
                    if (!tell(&RunnerHost::runnerRebaselinedLines, std::vector<std::string>(baselineLines_))) return;
                }
            }
            lastEvaluation_ = LocalCompiler::evaluate(spec_, lines, baselineLines_);
            evaluated_ = SharedImage(shot, &shot->image);
            if (spec_.type == WatchType::numberCompare && lastEvaluation_->readable)
                if (!tell(&RunnerHost::runnerDidRead, lastEvaluation_->display, lastEvaluation_->value)) return;
            if (directPending_) return tryToAdopt(lines, [this, shot, next] { gatePicture(shot, next); });
            gatePicture(shot, next);
        });
}

void WatchRunner::gatePicture(const ShotRef& shot, Next next) {
    const bool met = lastEvaluation_ && lastEvaluation_->met;
    const bool fired = spec_.waitsForStillness() ? settled_.update(met, shot->changed) : gate_.update(met);
    if (fired) return pictureBark(shot, std::move(next));
    next();
}

void WatchRunner::pictureBark(const ShotRef& shot, Next next) {
    const std::optional<Evaluation> evaluation = lastEvaluation_;
    // One event, one bark: the direct reader does not bark for it again.
    if (decider_) decider_->markFired();
    if (spec_.mode == WatchMode::everyTime) {
        referenceGrid_ = shot->grid;
        if (spec_.type == WatchType::newLine) {
            baselineLines_ = currentLines_;
            lastEvaluation_ = Evaluation{false, std::nullopt, std::nullopt, true};
        }
    }
    if (!tell(&RunnerHost::runnerDidBark, shot->image, evaluation)) return;
    next();
}

bool WatchRunner::loseWindow(WindowLoss loss) {
    if (!lostSight_) {
        lostSight_ = lostWindow_ = true;
        pendingLoss_ = loss;
    }
    return updateSight();
}

bool WatchRunner::captureFailed(const CaptureError& error) {
    if (lostSight_) return updateSight();
    switch (error.kind) {
        case CaptureError::Kind::windowGone:
            return loseWindow(WindowLoss::closed);
        case CaptureError::Kind::boxOutsideWindow:
            return loseWindow(WindowLoss::outside);
        default:
            lostSight_ = true;
            lostWindow_ = false;
            pendingLoss_.reset();
            return updateSight();
    }
}

}  // namespace kestrove
