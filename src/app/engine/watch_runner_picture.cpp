// The picture half of a tick: capture the box, tell whether it changed and
// whether its window can still be seen, keep the interval in step with how
// quiet the box is, and judge the picture by the watch's kind. The one place
// a picture bark is decided.
#include "app/engine/watch_runner.hpp"

#include <utility>

#include "core/foundation/log.hpp"
#include "core/rules/new_line_rule.hpp"

namespace kestrove {

void WatchRunner::check(Next next) {
    if (!host_.screensAvailable()) return next();
    if (!spec_.region.window) return capture(WindowSeen::notBound, std::move(next));
    lookForWindow([this, next = std::move(next)](WindowSeen seen) {
        if (seen == WindowSeen::offScreen || seen == WindowSeen::closed) {
            // A capture that found the window destroyed said so already; the
            // list finds it closed only when its id is in other hands.
            if (seen == WindowSeen::closed && !sight_.lost)
                logLine(spec_.id + " can't see its box: its window closed and the window's id went to another program");
            if (!loseWindow(seen == WindowSeen::closed ? WindowLoss::closed : WindowLoss::notOnScreen)) return;
            return next();
        }
        capture(seen, next);
    });
}

void WatchRunner::capture(WindowSeen seen, Next next) {
    step_ = services_.platform.capturer->capture(spec_.id, spec_.region, [this, seen, next](CapturedBox captured) {
        if (!captured.ok()) {
            // Not painted yet: not the screen's picture, so no change; the
            // next check looks again. A box that stays so is out of sight.
            // One our panel hides waits a little longer for it to go.
            const CaptureError::Kind kind = captured.error().kind;
            if (kind == CaptureError::Kind::coveredForNow) {
                if (!sight_.coveredSince) sight_.coveredSince = tickDue_;
                if (!sight_.lost && tickDue_ - *sight_.coveredSince < coveredWait) return next();
            } else {
                sight_.coveredSince.reset();
            }
            if (kind == CaptureError::Kind::unpainted && ++sight_.unreadable < unreadableChecks) return next();
            if (!captureFailed(captured.error())) return;
            return next();
        }
        sight_.unreadable = 0;
        sight_.coveredSince.reset();
        BoxShot& shot = captured.value();
        if (!shot.grid) return next();
        // Gone from the list and blank: the window left the screen between
        // the list and the capture.
        if (seen == WindowSeen::unlisted && WindowTracking::cannotSee(false, *shot.grid, picture_.lastGrid)) {
            if (!loseWindow(WindowLoss::notOnScreen)) return;
            return next();
        }
        look(std::move(shot.image), std::move(*shot.grid), next);
    });
}

void WatchRunner::look(Image captured, DiffGrid grid, Next next) {
    // One picture for all who keep it: the host's latest, the baseline, the crop file.
    auto shot = std::make_shared<Shot>(Shot{std::move(captured), {}, false});
    const SharedImage picture(shot, &shot->image);
    if (!tell(&RunnerHost::publishPicture, picture)) return;
    if (sight_.lost) {
        sight_.lost = false;
        // After the window's own loss, or a box nothing could be read of,
        // the reference from before still holds: a change that still shows
        // is one. After any other the gap is no change.
        const bool windowBack = std::exchange(sight_.lostWindow, false);
        if (!windowBack && !std::exchange(sight_.lostUnread, false)) picture_.referenceGrid = grid;
        picture_.lastGrid = grid;
        picture_.lastEvaluation.reset();
        model_.needsJudging = needsCloud(spec_.type);
        sight_.pendingLoss.reset();
        if (!updateSight()) return;
        // A window just back shows its old pixels or the desktop's until it
        // has repainted: its first picture is not judged, the next one is.
        if (windowBack) return next();
    }
    const auto now = services_.clock.now();
    bool changed = true;
    if (picture_.lastGrid) {
        changed = PixelDiff::changed(*picture_.lastGrid, grid);
        if (changed) picture_.lastChangeAt = now;
    }
    picture_.lastGrid = grid;
    if (!picture_.referenceGrid) picture_.referenceGrid = grid;
    if (freshStart_) {
        freshStart_ = false;
        picture_.referenceGrid = grid;
        if (needsCloud(spec_.type)) {
            model_.baselineCrop = picture;
            model_.baselineSent.reset();
        }
        picture_.freshLines = spec_.type == WatchType::newLine;
        // The saved reading is not what the box shows now: read it afresh,
        // or a stale "not met" would arm the gates and new lines would be
        // taken into the baseline unseen.
        picture_.lastEvaluation.reset();
        if (!tell(&RunnerHost::runnerRebaselined, picture)) return;
        changed = false;
    }
    const int interval = PollSchedule::interval(std::chrono::duration<double>(now - picture_.lastChangeAt).count());
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
            if (spec_.mode == WatchMode::everyTime && picture_.gate.settle(shot->changed))
                picture_.referenceGrid = shot->grid;
            if (picture_.gate.update(PixelDiff::changed(*picture_.referenceGrid, shot->grid)))
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
    const bool adoptionDue = direct_.pending && !direct_.adoptionTried;
    const bool sameText = picture_.evaluated && !PixelDiff::changedInDetail(*picture_.evaluated, shot->image);
    const bool still = !shot->changed && sameText;
    if (still && picture_.lastEvaluation && !adoptionDue) return gatePicture(shot, still, std::move(next));
    if (direct_.pending) return candidateRead([this, shot, still, next] { recognize(shot, still, next); });
    recognize(std::move(shot), still, std::move(next));
}

void WatchRunner::recognize(ShotRef shot, bool still, Next next) {
    step_ = services_.platform.recognizer->recognize(
        spec_.id, SharedImage(shot, &shot->image), readWithLanguageCorrection(spec_.type), [this, shot, still, next](std::vector<OCRLine> lines) {
            if (spec_.type == WatchType::newLine) {
                picture_.currentLines = NewLineRule::normalized(lines);
                if (picture_.freshLines) {
                    picture_.freshLines = false;
                    picture_.baselineLines = picture_.currentLines;
                    if (!tell(&RunnerHost::runnerRebaselinedLines, std::vector<std::string>(picture_.baselineLines))) return;
                }
            }
            picture_.lastEvaluation = LocalCompiler::evaluate(spec_, lines, picture_.baselineLines);
            picture_.evaluated = SharedImage(shot, &shot->image);
            if (spec_.type == WatchType::numberCompare && picture_.lastEvaluation->readable)
                if (!tell(&RunnerHost::runnerDidRead, picture_.lastEvaluation->display, picture_.lastEvaluation->value)) return;
            if (direct_.pending) return tryToAdopt(lines, [this, shot, still, next] { gatePicture(shot, still, next); });
            gatePicture(shot, still, next);
        });
}

void WatchRunner::gatePicture(const ShotRef& shot, bool still, Next next) {
    // New lines every time: lines that came right after a bark are the
    // baseline once the box kept still for a check.
    if (spec_.mode == WatchMode::everyTime && spec_.type == WatchType::newLine && picture_.gate.settle(!still)) {
        picture_.baselineLines = picture_.currentLines;
        picture_.lastEvaluation = Evaluation{false, std::nullopt, std::nullopt, true};
    }
    const bool met = picture_.lastEvaluation && picture_.lastEvaluation->met;
    const bool fired = spec_.waitsForStillness() ? picture_.settled.update(met, shot->changed) : picture_.gate.update(met);
    if (fired) return pictureBark(shot, std::move(next));
    next();
}

void WatchRunner::pictureBark(const ShotRef& shot, Next next) {
    const std::optional<Evaluation> evaluation = picture_.lastEvaluation;
    // One event, one bark: the direct reader does not bark for it again.
    if (direct_.decider) direct_.decider->markFired();
    if (spec_.mode == WatchMode::everyTime) {
        picture_.referenceGrid = shot->grid;
        if (spec_.type == WatchType::newLine) {
            picture_.baselineLines = picture_.currentLines;
            picture_.lastEvaluation = Evaluation{false, std::nullopt, std::nullopt, true};
        }
    }
    if (!tell(&RunnerHost::runnerDidBark, SharedImage(shot, &shot->image), evaluation)) return;
    next();
}

bool WatchRunner::loseWindow(WindowLoss loss) {
    if (!sight_.lost) {
        sight_.lost = sight_.lostWindow = true;
        sight_.pendingLoss = loss;
    }
    return updateSight();
}

bool WatchRunner::captureFailed(const CaptureError& error) {
    // Destroyed, or its id taken by another program: it never comes back.
    if (error.kind == CaptureError::Kind::windowGone && bound_) bound_->close();
    if (sight_.lost) return updateSight();
    logLine(spec_.id + " can't see its box: " + error.description());
    switch (error.kind) {
        case CaptureError::Kind::windowGone:
            return loseWindow(WindowLoss::closed);
        case CaptureError::Kind::boxOutsideWindow:
            return loseWindow(WindowLoss::outside);
        default:
            sight_.lost = true;
            sight_.lostWindow = false;
            sight_.lostUnread =
                error.kind == CaptureError::Kind::unpainted || error.kind == CaptureError::Kind::coveredForNow;
            sight_.pendingLoss.reset();
            return updateSight();
    }
}

}  // namespace kestrove
