// The runner's loop: construction, start and stop, one tick, the pause
// after it, and the sight reports.
#include "app/engine/watch_runner.hpp"

#include <algorithm>

namespace kestrove {

using namespace std::chrono_literals;

WatchRunner::WatchRunner(RunnerStart start, RunnerHost& host, RunnerServices services)
    : spec_(std::move(start.spec)),
      host_(host),
      services_(std::move(services)),
      interval_(pollSeconds()),
      freshStart_(start.fresh),
      startedArmed_(!start.fresh && !start.told),
      toldReported_(start.told),
      picture_(spec_.debounceChecks, startedArmed_, services_.clock.now()),
      model_(spec_.debounceChecks, startedArmed_) {
    if (spec_.region.window) bound_.emplace(*spec_.region.window);
    if (spec_.baseline.lines) picture_.baselineLines = *spec_.baseline.lines;
    if (spec_.direct && DirectReading::eligible(spec_)) {
        if (start.direct && start.direct->session) {
            direct_.session = std::move(start.direct->session);
            direct_.decider.emplace(spec_, start.direct->lines, startedArmed_);
        } else {
            direct_.pending = true;
        }
    }
    if (start.reference) {
        if (!start.referenceGrid) start.referenceGrid = PixelDiff::grid(*start.reference);
        if (auto& grid = start.referenceGrid) {
            picture_.referenceGrid = picture_.lastGrid = std::move(*grid);
            const Baseline& b = spec_.baseline;
            picture_.lastEvaluation = Evaluation{b.currentlyMet, b.currentValue, b.currentDisplay, true};
            picture_.evaluated = start.reference;
        }
    }
    if (needsCloud(spec_.type) && !start.fresh) {
        // Without the crop it was made from, the saved one is read when first needed.
        if (start.reference) model_.baselineCrop = std::move(start.reference);
        else model_.savedCropWanted = true;
    }
}

WatchRunner::~WatchRunner() { stop(); }

void WatchRunner::start() {
    stop();
    running_ = true;
    tickDue_ = services_.clock.now();
    startTick_ = true;
    tick();
}

void WatchRunner::stop() {
    ++run_;
    running_ = false;
    sleep_ = Pending();
    step_ = Pending();
}

int WatchRunner::pollSeconds() const {
    // A hand-edited file may hold anything: never a busy loop, never a timer
    // too long to set.
    return std::clamp(spec_.pollSeconds, shortestPoll, longestPoll);
}

void WatchRunner::tick() {
    // Displays asleep or the screen locked: nothing is read this time.
    if (!host_.screensAvailable()) return endTick();
    if (direct_.session && direct_.decider) {
        step_ = direct_.session->read([this](DirectAnswer answer) { directRead(answer); });
        return;
    }
    pictureIfDue();
}

void WatchRunner::pictureIfDue() {
    // Counted between the instants the ticks were due, which lie on the
    // grid: a late timer or a slow direct read does not put a check off by a
    // whole pause. Half a second early all the same.
    const auto due = sight_.lost ? 14500ms : std::chrono::milliseconds(checkSeconds() * 1000 - 500);
    if (picture_.lastCheck && tickDue_ - *picture_.lastCheck < due) return endTick();
    picture_.lastCheck = tickDue_;
    check([this] { endTick(); });
}

void WatchRunner::endTick() {
    direct_.listed.reset();
    if (!running_) return;
    if (told() != toldReported_) {
        toldReported_ = !toldReported_;
        if (!tell(&RunnerHost::runnerTold, toldReported_)) return;
    }
    const std::chrono::seconds rest = pause();
    const Clock::time_point due = nextTick(tickDue_, services_.clock.now(), rest, startTick_);
    // The check at the start stands for the grid instant a pause before the
    // next tick: the checks after it keep their spacing on the grid.
    if (startTick_ && picture_.lastCheck == tickDue_) picture_.lastCheck = due - rest;
    startTick_ = false;
    sleep_ = services_.clock.at(due, [this, due] {
        tickDue_ = due;
        tick();
    });
}

std::chrono::steady_clock::time_point WatchRunner::nextTick(std::chrono::steady_clock::time_point due,
                                                           std::chrono::steady_clock::time_point ended,
                                                           std::chrono::seconds pause, bool afterStart) {
    // Ticks fall on a grid whose step is the pause, counted from the steady
    // clock's epoch: every watch with that pause ticks in the same wake, and
    // pauses that divide one another share their instants. A tick on the grid
    // is followed exactly a pause later. The tick at a start is off the grid:
    // the next is the grid instant nearest a pause after it, half to one and
    // a half pauses away, so on average the second reading comes as soon as
    // it did before. A tick that ran long still leaves at least the gap less
    // one second of rest after it.
    const std::chrono::steady_clock::duration gap =
        afterStart ? std::chrono::steady_clock::duration(pause) / 2 : std::chrono::steady_clock::duration(pause);
    return gridAtOrAfter(std::max(due + gap, ended + gap - std::chrono::seconds(1)), pause);
}

std::chrono::seconds WatchRunner::pause() const {
    if (!readsDirectly()) return std::chrono::seconds(sight_.lost ? 15 : checkSeconds());
    const int most = std::max(pollSeconds(), 5);
    return std::chrono::seconds(sight_.lost ? std::min(most, 15) : std::min(checkSeconds(), most));
}

int WatchRunner::checkSeconds() const {
    // A box that could not be read is looked at as often as a busy one, so
    // that losing sight of it is told in time.
    const bool unread = sight_.unreadable > 0 || sight_.coveredSince;
    return unread ? std::min(interval_, PollSchedule::interval(0)) : interval_;
}

bool WatchRunner::told() const {
    if (needsCloud(spec_.type)) return !model_.debounce.metGate.armed;
    const bool picture = spec_.waitsForStillness() ? picture_.settled.armed : picture_.gate.armed;
    return !picture && !(direct_.decider && direct_.decider->armed());
}

bool WatchRunner::updateSight() {
    if (sight_.lost && !direct_.counted) {
        if (!sight_.reported) {
            sight_.reported = true;
            if (!tell(&RunnerHost::runnerLostSight, sight_.pendingLoss)) return false;
        }
    } else if (sight_.reported) {
        sight_.reported = false;
        if (!tell(&RunnerHost::runnerRegainedSight)) return false;
    }
    // The picture is lost but the direct reader still reads.
    return tell(&RunnerHost::runnerDirectOnly, sight_.lost && direct_.counted);
}

void WatchRunner::lookForWindow(std::function<void(WindowSeen)> done) {
    if (!bound_) return done(WindowSeen::notBound);
    // Closed for good: whatever holds its id now is another window.
    if (windowClosed(direct_.listed)) return done(WindowSeen::closed);
    // The tick's direct read looked at the window list moments ago: its look
    // stands for one (a wake of the list's worker and a round trip fewer).
    if (direct_.listed && direct_.listed->id == bound_->anchor().id)
        return done(direct_.listed->isOnScreen ? WindowSeen::onScreen : WindowSeen::offScreen);
    // The whole list: a minimised window, or one on another desktop, is
    // listed but not on screen, and must not be captured (a composite
    // picture of an unmapped window fails or is garbage).
    step_ = services_.platform.windows->list(
        spec_.id, WindowListOptions::all, [this, done = std::move(done)](ListedWindows listed) {
            if (!listed.ok()) return done(WindowSeen::unknown);
            for (const WindowInfo& w : listed.value()) {
                if (w.id != bound_->anchor().id) continue;
                if (windowClosed(w)) return done(WindowSeen::closed);
                return done(w.isOnScreen ? WindowSeen::onScreen : WindowSeen::offScreen);
            }
            done(WindowSeen::unlisted);
        });
}

bool WatchRunner::windowClosed(const std::optional<WindowInfo>& listed) {
    if (!bound_) return false;
    if (listed) bound_->holds(*listed);
    return bound_->closed();
}

WatchRunnerFactory::WatchRunnerFactory(RunnerServices services) : services_(std::move(services)) {
    if (!services_.encoder) services_.encoder = std::make_shared<PictureEncoder>(services_.platform.mainThread);
}

std::unique_ptr<Runner> WatchRunnerFactory::make(RunnerStart start, RunnerHost& host) {
    return std::make_unique<WatchRunner>(std::move(start), host, services_);
}

}  // namespace kestrove
