#pragma once
// The road from the hot key or the menu's New Watch to a watch handed to
// the watch manager: the selection; binding the box to its window and a
// direct read of that window while the overlays leave the screen; then the
// capture (a window that cannot be captured by itself is watched as a
// screen area), the panel beside the box with the text read in the crop,
// and, on Start, the watch added and notifications looked at. The
// application delegate owns one; main thread only.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/creation/new_watch_model.hpp"
#include "app/creation/region_selector.hpp"
#include "app/engine/clock.hpp"
#include "app/engine/frame.hpp"
#include "app/platform/direct_start.hpp"
#include "app/platform/platform.hpp"

namespace kestrove {

class NewWatchPanel;

// What the road hands back to the application.
struct NewWatchHooks {
    // The confirmed watch with its crop as baseline and the crop's change
    // grid as its capture made it; the direct start only when the watch
    // reads directly (its session adopted by then).
    std::function<void(const WatchSpec& spec, std::shared_ptr<const Image> baseline, std::optional<DiffGrid> grid,
                       std::optional<DirectStart> direct)>
        add;
    // The screen may not be read: onboarding, activated. `refused`: the
    // screen reads as allowed although a capture was refused.
    std::function<void(bool refused)> showOnboarding;
    // A capture failed for another reason: the application's warning.
    std::function<void(const std::string& message, const std::string& detail)> alert;
    // Notifications are not decided yet while the service can be asked.
    std::function<void()> askForNotifications;
};

class NewWatchRoad final {
public:
    // The overlays leave the screen before the box is pictured.
    static constexpr std::chrono::milliseconds settle{120};
    static constexpr std::string_view cantSee = "Kestrove can't see that part of the screen.";

    // `services` go to every panel's dialogue.
    NewWatchRoad(Platform& platform, RegionSelection& selector, EngineClock& clock, NewWatchServices services,
                 NewWatchHooks hooks);
    ~NewWatchRoad();
    NewWatchRoad(const NewWatchRoad&) = delete;
    NewWatchRoad& operator=(const NewWatchRoad&) = delete;

    // The hot key and the menu's New Watch. Ignored while a box is being
    // drawn; an open panel closes first.
    void newWatch();

    // The panel shown now, if any.
    NewWatchPanel* panel() const;
    // Roads between a drawn box and a closed panel.
    std::size_t roadsUnderway() const { return trips_.size(); }

private:
    struct Trip;
    void select();
    void drawn(std::optional<SelectedRegion> selection);
    void bind(Trip& trip);
    void capture(Trip& trip);
    void captured(Trip& trip, CapturedBox picture, bool retry);
    void readDirectly(Trip& trip);
    void openPanel(Trip& trip);
    void readAgain(Trip& trip);
    void started(Trip& trip, const WatchSpec& spec);
    void showCaptureProblem(const CaptureError& error);
    // Ends a road: its panel closes and goes once the current event is over.
    void end(Trip& trip);

    Platform& platform_;
    RegionSelection& selector_;
    EngineClock& clock_;
    NewWatchServices services_;
    NewWatchHooks hooks_;
    bool checking_ = false;  // asking whether the screen may be read
    Pending check_;
    std::list<std::unique_ptr<Trip>> trips_;
    std::uint64_t tripsMade_ = 0;
    Trip* shown_ = nullptr;  // the road whose panel is the open one
    std::list<Pending> afterStart_;  // adoptions and notification looks
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kestrove
