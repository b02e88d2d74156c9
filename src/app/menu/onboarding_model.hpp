#pragma once
// The welcome window's state: the four things Kestrove needs or offers
// (seeing the screen, notifications, the messenger chat, the accessibility
// bus) and what the user did about them. The flags in the settings store
// make the walk-through survive a restart: "resumeOnboarding" brings the
// window back with the screen step's restart face, "didOnboard" says it
// was finished.
//
// Main thread only. Every change of a shown field calls onChange.

#include <functional>
#include <memory>
#include <string_view>

#include "app/platform/desktop_settings.hpp"
#include "app/platform/session_permissions.hpp"
#include "core/foundation/defaults_store.hpp"

namespace kestrove {

class OnboardingModel {
public:
    static constexpr std::string_view didOnboardKey = "didOnboard";
    static constexpr std::string_view resumeKey = "resumeOnboarding";

    struct Services {
        SessionPermissions* permissions = nullptr;  // required
        DesktopSettings* settings = nullptr;        // required
        std::function<void()> relaunch;             // restarts Kestrove
    };

    explicit OnboardingModel(Services services);
    OnboardingModel(const OnboardingModel&) = delete;
    OnboardingModel& operator=(const OnboardingModel&) = delete;

    // Shown fields.
    bool screenGranted() const { return screenGranted_; }
    // Why the screen is out of reach (allowed once it is not).
    ScreenAccess screenAccess() const { return screenAccess_; }
    NotificationState notifications() const { return notifications_; }
    bool askedForScreen() const { return askedForScreen_; }
    bool captureRefused() const { return captureRefused_; }
    bool telegramConnected() const { return telegramConnected_; }
    bool accessibilityGranted() const { return accessibilityGranted_; }
    // Whether the desktop has a settings program to send the user to.
    bool hasSettings() const { return services_.settings->available(); }

    void setAskedForScreen(bool asked);
    void setTelegramConnected(bool connected);
    // A capture was refused: the screen step stays unticked for the life of
    // the process, whatever later looks say.
    void markCaptureRefused();

    // Hooks, set by the owner.
    std::function<void()> onDone;
    std::function<void()> onConnectTelegram;
    std::function<bool()> isTelegramConnected;
    // Where the two flags live; without it finishing writes nothing.
    std::shared_ptr<DefaultsStore> defaults;

    // Looks at every permission again; answers come back on their own.
    void refresh();
    // Onboarding is done: the resume flag goes, "didOnboard" is set.
    void finished();

    // The steps' buttons.
    void openScreenSettings();
    void restart();
    void allowNotifications();
    void allowAccessibility();

    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    template <typename T>
    void assign(T& field, T value);

    Services services_;
    std::function<void()> onChange_;

    bool screenGranted_ = false;
    ScreenAccess screenAccess_ = ScreenAccess::allowed;
    NotificationState notifications_ = NotificationState::unknown;
    bool askedForScreen_ = false;
    bool captureRefused_ = false;
    bool telegramConnected_ = false;
    bool accessibilityGranted_ = false;

    Pending screenLook_, notificationLook_, accessibilityLook_, enabling_;
};

}  // namespace kestrove
