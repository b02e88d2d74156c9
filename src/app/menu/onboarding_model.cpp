#include "app/menu/onboarding_model.hpp"

namespace kestrove {

OnboardingModel::OnboardingModel(Services services) : services_(std::move(services)) {}

template <typename T>
void OnboardingModel::assign(T& field, T value) {
    if (field == value) return;
    field = value;
    if (onChange_) onChange_();
}

void OnboardingModel::setAskedForScreen(bool asked) { assign(askedForScreen_, asked); }
void OnboardingModel::setTelegramConnected(bool connected) { assign(telegramConnected_, connected); }

void OnboardingModel::markCaptureRefused() {
    captureRefused_ = true;
    askedForScreen_ = true;
    screenGranted_ = false;
    if (onChange_) onChange_();
}

void OnboardingModel::refresh() {
    // A newer look replaces one still out: the latest answer wins.
    screenLook_ = services_.permissions->screen([this](ScreenAccess access) {
        assign(screenAccess_, access);
        assign(screenGranted_, access == ScreenAccess::allowed && !captureRefused_);
    });
    accessibilityLook_ = services_.permissions->accessibility([this](bool on) { assign(accessibilityGranted_, on); });
    if (isTelegramConnected) assign(telegramConnected_, isTelegramConnected());
    notificationLook_ = services_.permissions->notifications([this](NotificationState s) { assign(notifications_, s); });
}

void OnboardingModel::finished() {
    if (!defaults) return;
    defaults->removeObject(resumeKey);
    defaults->set(didOnboardKey, true);
}

void OnboardingModel::openScreenSettings() {
    setAskedForScreen(true);
    if (defaults) defaults->set(resumeKey, true);
    services_.settings->open(SettingsPage::screen);
}

void OnboardingModel::restart() {
    if (defaults) defaults->set(resumeKey, true);
    if (services_.relaunch) services_.relaunch();
}

void OnboardingModel::allowNotifications() {
    // Nothing grants notifications here: a missing service can only be
    // started in the desktop's settings, and a look says whether one runs.
    if (notifications_ == NotificationState::denied) services_.settings->open(SettingsPage::notifications);
    refresh();
}

void OnboardingModel::allowAccessibility() {
    // The next refresh shows whether it took.
    enabling_ = services_.permissions->enableAccessibility([](bool) {});
}

}  // namespace kestrove
