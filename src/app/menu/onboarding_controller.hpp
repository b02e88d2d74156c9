#pragma once
// The welcome window and its life: shown at launch until onboarding is
// done, from the menu's Welcome entry, and when the screen could not be
// read. While it is up after an activating show, every permission is
// looked at again every 1.5 seconds so a step ticks itself off. Closing it
// by any road finishes onboarding, like Done.
//
// Main thread only. The window is made on the first show and kept.

#include <memory>

#include "app/engine/clock.hpp"
#include "app/menu/onboarding_model.hpp"

namespace kestrove {

class OnboardingView;
class PanelWindow;

class OnboardingController {
public:
    static constexpr std::chrono::milliseconds refreshEvery{1500};

    // `defaults`: the user's settings store, where the two flags live.
    OnboardingController(OnboardingModel::Services services, EngineClock& clock, std::shared_ptr<DefaultsStore> defaults);
    ~OnboardingController();
    OnboardingController(const OnboardingController&) = delete;
    OnboardingController& operator=(const OnboardingController&) = delete;

    // The model exists from the start, so its hooks can be set before any window.
    OnboardingModel& model() { return model_; }

    // `activate` false puts the window on screen unseen (opacity 0), without
    // a refresh or the timer, so it can be drawn. `refused`: a capture was
    // refused although the session reported the screen as readable.
    void show(bool activate, bool refused);

    PanelWindow* window() const { return window_.get(); }
    OnboardingView* view() const { return view_; }
    // Whether the 1.5-second refresh runs.
    bool refreshing() const { return timer_.active(); }

private:
    void scheduleRefresh();
    void resize();
    void closed();

    EngineClock& clock_;
    std::shared_ptr<DefaultsStore> defaults_;
    OnboardingModel model_;
    std::unique_ptr<PanelWindow> window_;
    OnboardingView* view_ = nullptr;
    Pending timer_;
};

}  // namespace kestrove
