#pragma once
// The desktop's notifications: one per bark and one per loss of sight. The
// watch manager decides when and with what; the onboarding and the new-watch
// road ask whether notifications can be shown.

#include <functional>
#include <optional>
#include <string>

#include "core/foundation/pending.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

enum class NotificationStatus {
    notDetermined,  // nothing to ask (no session bus)
    denied,         // no notification service on the bus
    allowed,        // a service runs or can be started
};

class Notifier {
public:
    using StatusDone = std::function<void(NotificationStatus)>;

    virtual ~Notifier() = default;

    // Whether notifications can be posted at all in this session; every
    // other call does nothing without it.
    virtual bool available() const = 0;

    // Asks the session without blocking; `done` runs once, through the main
    // thread's executor, never inside the call, only while the handle is held.
    [[nodiscard]] virtual Pending status(StatusDone done) = 0;

    // Posts one notification of its own (never replacing an earlier one) and
    // returns at once. The picture is shown with it when it can be stored;
    // `threadId` groups the notifications of one watch. A service that is
    // missing posts nothing and logs nothing; a refusal logs one line.
    virtual void bark(const std::string& title, const std::string& body, SharedImage image,
                      const std::string& threadId) = 0;
};

}  // namespace kestrove
