#pragma once
// What the welcome window asks of the session: whether Kestrove may see the
// screen, post notifications and read applications through the
// accessibility bus, and switching that bus on. On this platform nothing is
// granted by a prompt: the screen needs an X11 session with Composite,
// notifications need a notification service, and accessibility needs the
// accessibility bus with org.a11y.Status.IsEnabled true.
//
// For main-thread callers. Answers arrive on the main thread, never inside
// the call, only while the handle is held; no call blocks.

#include <functional>

#include "core/foundation/pending.hpp"

namespace kestrove {

enum class ScreenAccess {
    allowed,      // an X11 session whose server has Composite
    notX11,       // a Wayland session (or no X display at all)
    noComposite,  // X11 without the Composite extension
};

enum class NotificationState { unknown, allowed, denied };

class SessionPermissions {
public:
    virtual ~SessionPermissions() = default;

    [[nodiscard]] virtual Pending screen(std::function<void(ScreenAccess)> done) = 0;
    // allowed: the notification service has an owner or can be started;
    // denied: there is none; unknown: no session bus to ask.
    [[nodiscard]] virtual Pending notifications(std::function<void(NotificationState)> done) = 0;
    // The accessibility bus answers and says it is enabled.
    [[nodiscard]] virtual Pending accessibility(std::function<void(bool)> done) = 0;
    // Asks the bus to enable accessibility; `done` says whether it took the request.
    [[nodiscard]] virtual Pending enableAccessibility(std::function<void(bool)> done) = 0;
};

// The environment alone: DISPLAY set and XDG_SESSION_TYPE not "wayland".
bool isX11Session();

}  // namespace kestrove
