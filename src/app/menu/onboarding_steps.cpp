#include "app/menu/onboarding_steps.hpp"

#include "core/copy/copy_catalogue.hpp"

namespace kestrove {

namespace {

using std::string;

// Seeing the screen. Nothing can be granted from inside the session: the
// note says what the session lacks, the settings button opens the desktop's
// settings where there is a program for it, and after that (or at once,
// without one) the restart button brings Kestrove back to look again.
PermissionStep screenStep(OnboardingModel& m) {
    PermissionStep s;
    s.number = 1;
    s.done = m.screenGranted();
    s.title = Copy::screenStepTitle;
    s.detail = Copy::screenStepDetail;
    s.doneText = Copy::welcomeAllowed;
    if (m.captureRefused()) s.note = string(Copy::screenStepRefused);
    else if (m.askedForScreen() && !m.screenGranted()) s.note = string(Copy::screenStepRestart);
    else if (!m.screenGranted() && m.screenAccess() == ScreenAccess::notX11) s.note = string(Copy::screenStepWayland);
    else if (!m.screenGranted() && m.screenAccess() == ScreenAccess::noComposite)
        s.note = string(Copy::screenStepNoComposite);

    auto restart = [&m] { m.restart(); };
    auto openSettings = [&m] { m.openScreenSettings(); };
    if (m.askedForScreen() || !m.hasSettings()) {
        s.button = Copy::screenStepRestartButton;
        s.action = restart;
        if (m.askedForScreen() && m.hasSettings()) {
            s.secondButton = string(Copy::screenStepSettingsAgain);
            s.secondAction = openSettings;
        }
    } else {
        s.button = Copy::welcomeOpenSettings;
        s.action = openSettings;
    }
    return s;
}

PermissionStep notificationStep(OnboardingModel& m) {
    PermissionStep s;
    s.number = 2;
    s.done = m.notifications() == NotificationState::allowed;
    s.title = Copy::notifyStepTitle;
    s.detail = Copy::notifyStepDetail;
    s.doneText = Copy::welcomeAllowed;
    const bool denied = m.notifications() == NotificationState::denied;
    if (denied) s.note = string(Copy::notifyStepDenied);
    s.button = !denied ? Copy::notifyStepAllow : m.hasSettings() ? Copy::notifyStepOpenSettings : Copy::notifyStepCheckAgain;
    s.action = [&m] { m.allowNotifications(); };
    return s;
}

PermissionStep chatStep(OnboardingModel& m) {
    PermissionStep s;
    s.number = 3;
    s.done = m.telegramConnected();
    s.title = Copy::chatStepTitle;
    s.detail = Copy::chatStepDetail;
    s.doneText = Copy::chatStepDone;
    s.button = Copy::chatStepButton;
    s.action = [&m] {
        if (m.onConnectTelegram) m.onConnectTelegram();
    };
    return s;
}

PermissionStep accessibilityStep(OnboardingModel& m) {
    PermissionStep s;
    s.number = 4;
    s.done = m.accessibilityGranted();
    s.title = Copy::directStepTitle;
    s.detail = Copy::directStepDetail;
    s.doneText = Copy::directStepDone;
    s.button = Copy::directStepButton;
    s.action = [&m] { m.allowAccessibility(); };
    return s;
}

}  // namespace

std::array<PermissionStep, 4> onboardingSteps(OnboardingModel& model) {
    return {screenStep(model), notificationStep(model), chatStep(model), accessibilityStep(model)};
}

}  // namespace kestrove
