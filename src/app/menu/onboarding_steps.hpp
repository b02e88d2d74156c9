#pragma once
// The four rows of the welcome window as data, built from the model each
// time it changes: texts, whether the step is done, and what its buttons do.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/menu/onboarding_model.hpp"

namespace kestrove {

struct PermissionStep {
    int number = 0;
    bool done = false;
    std::string title;
    std::string detail;
    std::optional<std::string> note;
    std::string button;
    std::function<void()> action;
    std::optional<std::string> secondButton;
    std::function<void()> secondAction;
    std::string doneText;
};

std::array<PermissionStep, 4> onboardingSteps(OnboardingModel& model);

}  // namespace kestrove
