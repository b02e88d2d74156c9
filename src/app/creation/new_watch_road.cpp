#include "app/creation/new_watch_road.hpp"

#include <algorithm>

#include "app/creation/key_panel.hpp"
#include "app/creation/new_watch_panel.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

// One road, from a drawn box to its closed panel. The picture must wait
// until the overlays have left the screen; binding and the direct read look
// at the window list and the accessibility tree, not at pixels, so they go
// on meanwhile.
struct NewWatchRoad::Trip {
    // Its captures' owner: a window it reads stays redirected until the trip
    // ends (by then a new watch reads it under its own name).
    std::string owner;
    SelectedRegion selection;
    bool waited = false;
    bool bound = false;
    bool directDone = false;
    SharedImage image;  // shared, never copied: a large box's crop is tens of megabytes
    std::optional<DiffGrid> grid;  // the image's, made with it on the capturer's worker
    Pending wait, binding, capture, direct;
    std::optional<CaptureError> windowError;
    std::shared_ptr<DirectSession> session;
    std::optional<DirectStart> directStart;
    std::unique_ptr<NewWatchPanel> panel;
    Pending recognition;
};

NewWatchRoad::NewWatchRoad(Platform& platform, RegionSelection& selector, EngineClock& clock,
                           NewWatchServices services, NewWatchHooks hooks)
    : platform_(platform), selector_(selector), clock_(clock), services_(std::move(services)), hooks_(std::move(hooks)) {}

NewWatchRoad::~NewWatchRoad() { *alive_ = false; }

NewWatchPanel* NewWatchRoad::panel() const { return shown_ ? shown_->panel.get() : nullptr; }

void NewWatchRoad::newWatch() {
    if (selector_.running() || checking_) return;
    if (shown_) end(*shown_);
    if (platform_.capturer->allowed()) return select();
    // Not known to be allowed: look again before sending the user to onboarding.
    checking_ = true;
    check_ = platform_.capturer->refreshAllowed([this](bool allowed) {
        checking_ = false;
        if (!allowed) {
            if (hooks_.showOnboarding) hooks_.showOnboarding(false);
            return;
        }
        if (!selector_.running()) select();
    });
}

void NewWatchRoad::select() {
    selector_.begin([this, alive = std::weak_ptr<bool>(alive_)](std::optional<SelectedRegion> selection) {
        if (alive.lock() && selection) drawn(std::move(*selection));
    });
}

void NewWatchRoad::drawn(std::optional<SelectedRegion> selection) {
    trips_.push_back(std::make_unique<Trip>());
    Trip& trip = *trips_.back();
    trip.owner = "new watch " + std::to_string(++tripsMade_);
    trip.selection = std::move(*selection);
    trip.wait = clock_.after(settle, [this, &trip] {
        trip.waited = true;
        capture(trip);
    });
    bind(trip);
}

void NewWatchRoad::bind(Trip& trip) {
    trip.binding = platform_.windows->bind(trip.selection, [this, &trip](SelectedRegion bound) {
        trip.selection = std::move(bound);
        trip.bound = true;
        readDirectly(trip);
        capture(trip);
    });
}

void NewWatchRoad::capture(Trip& trip) {
    if (!trip.waited || !trip.bound) return;
    trip.capture = platform_.capturer->capture(
        trip.owner, trip.selection.region,
        [this, &trip](CapturedBox picture) { captured(trip, std::move(picture), false); });
}

void NewWatchRoad::captured(Trip& trip, CapturedBox picture, bool retry) {
    if (picture.ok()) {
        if (retry) {
            logLine("that window can't be captured on its own (" + trip.windowError->description() +
                    "); watching the screen area");
            // The watch is not bound to the window, so it cannot read it directly.
            trip.direct.cancel();
            trip.session.reset();
            trip.directStart.reset();
            trip.directDone = true;
        }
        trip.image = std::make_shared<const Image>(std::move(picture.value().image));
        trip.grid = std::move(picture.value().grid);
        if (trip.directDone) openPanel(trip);
        return;
    }
    if (!retry && trip.selection.region.window) {
        // The same box as a plain screen area.
        trip.windowError = picture.error();
        trip.selection.region.window.reset();
        trip.capture = platform_.capturer->capture(
            trip.owner, trip.selection.region,
            [this, &trip](CapturedBox again) { captured(trip, std::move(again), true); });
        return;
    }
    const CaptureError error = retry ? *trip.windowError : picture.error();
    end(trip);
    showCaptureProblem(error);
}

void NewWatchRoad::readDirectly(Trip& trip) {
    const auto done = [this, &trip] {
        trip.directDone = true;
        if (trip.image) openPanel(trip);
    };
    trip.direct = platform_.direct->open(trip.selection.region, [this, &trip, done](std::shared_ptr<DirectSession> session) {
        if (!session) return done();
        trip.session = std::move(session);
        trip.direct = trip.session->read([&trip, done](DirectAnswer answer) {
            if (const auto* lines = answer.lines()) trip.directStart = DirectStart{trip.session, *lines};
            trip.session.reset();  // kept only in the direct start
            done();
        });
    });
}

void NewWatchRoad::openPanel(Trip& trip) {
    trip.panel = std::make_unique<NewWatchPanel>(trip.selection, *trip.image, services_);
    NewWatchModel& model = trip.panel->model();
    if (trip.directStart)
        model.directOffer = DirectOffer{trip.directStart->lines, trip.directStart->session->onScreenOnly()};
    model.onCancel = [this, &trip] { end(trip); };
    model.onStart = [this, &trip](const WatchSpec& spec) { started(trip, spec); };
    model.readAgain = [this, &trip] { readAgain(trip); };
    // A newer road's panel takes the place of an older one.
    if (shown_ && shown_ != &trip) end(*shown_);
    shown_ = &trip;
    trip.panel->show(true);
    trip.recognition = platform_.recognizer->recognize("", trip.image,
                                                       /*languageCorrection=*/false,
                                                       [&trip](std::vector<OCRLine> lines) {
                                                           trip.panel->model().setReading(BaselineReading(std::move(lines)));
                                                       });
}

// A sentence is judged against the box as it is now: a new capture and its
// text; the capture becomes the card's thumbnail and the watch's crop. A capture that fails keeps the
// reading there was.
void NewWatchRoad::readAgain(Trip& trip) {
    trip.capture = platform_.capturer->capture("", trip.selection.region, [this, &trip](CapturedBox shot) {
        NewWatchModel& model = trip.panel->model();
        if (!shot.ok()) return model.setReading(model.reading().value_or(BaselineReading::empty()));
        trip.image = std::make_shared<const Image>(std::move(shot.value().image));
        trip.grid = std::move(shot.value().grid);
        trip.panel->setCrop(*trip.image);
        trip.recognition = platform_.recognizer->recognize(
            "", trip.image, /*languageCorrection=*/false,
            [&trip](std::vector<OCRLine> lines) { trip.panel->model().setReading(BaselineReading(std::move(lines))); });
    });
}

void NewWatchRoad::started(Trip& trip, const WatchSpec& spec) {
    const SharedImage image = std::move(trip.image);
    std::optional<DiffGrid> grid = std::move(trip.grid);
    std::optional<DirectStart> direct = trip.directStart;
    end(trip);
    if (spec.direct && direct) {
        auto it = afterStart_.emplace(afterStart_.end());
        *it = direct->session->adopt([this, it, spec, image, grid, direct] {
            if (hooks_.add) hooks_.add(spec, image, grid, direct);
            afterStart_.erase(it);
        });
    } else if (hooks_.add) {
        hooks_.add(spec, image, std::move(grid), std::nullopt);  // a session opened for nothing goes here
    }
    auto it = afterStart_.emplace(afterStart_.end());
    *it = platform_.notifier->status([this, it](NotificationStatus status) {
        if (status == NotificationStatus::notDetermined && platform_.notifier->available() && hooks_.askForNotifications)
            hooks_.askForNotifications();
        afterStart_.erase(it);
    });
}

void NewWatchRoad::showCaptureProblem(const CaptureError& error) {
    if (error.kind == CaptureError::Kind::notAllowed) {
        if (hooks_.showOnboarding) hooks_.showOnboarding(platform_.capturer->allowed());
        return;
    }
    if (hooks_.alert) hooks_.alert(std::string(cantSee), error.description());
}

void NewWatchRoad::end(Trip& trip) {
    if (shown_ == &trip) shown_ = nullptr;
    if (trip.panel) trip.panel->close();
    auto it = std::find_if(trips_.begin(), trips_.end(), [&](const auto& t) { return t.get() == &trip; });
    if (it == trips_.end()) return;
    // The trip may be in the middle of a call of its own (a click on its
    // panel, an answer): it goes once that is over.
    std::shared_ptr<Trip> gone(std::move(*it));
    trips_.erase(it);
    for (Pending* call : {&gone->wait, &gone->binding, &gone->capture, &gone->direct, &gone->recognition}) call->cancel();
    platform_.capturer->forget(gone->owner);
    platform_.mainThread([gone] {});
}

}  // namespace kestrove
