#pragma once
// A keep-awake hold asked of a D-Bus service, in one of two places:
//   logindIdle: a logind "idle" inhibitor lock on the system bus (its idle
//     action waits; a suspend the user asks for still goes through), held as
//     the file descriptor logind hands out and released by closing it;
//   desktopSuspend: org.freedesktop.PowerManagement.Inhibit on the session
//     bus where the desktop's power manager offers it (KDE's and Xfce's),
//     which holds off the desktop's own idle suspend only, held as a cookie
//     given back to release. Where no desktop offers it nothing is held and
//     nothing is said.
// The call is asynchronous; a release asked for while it is still out lets
// go of the answer's hold as soon as it arrives. A refusal is silent and
// asked again at the next set(true).

#include <QDBusConnection>
#include <QDBusMessage>

#include <functional>
#include <memory>
#include <optional>

#include "app/platform/keep_awake.hpp"

class QObject;

namespace kestrove {

class DbusKeepAwake final : public KeepAwake {
public:
    // What lets a hold go.
    using Release = std::function<void()>;
    // The hold an answer carries; none for a refusal or an error.
    using HoldIn = std::function<std::optional<Release>(const QDBusMessage& answer, QDBusConnection bus)>;

    static std::unique_ptr<DbusKeepAwake> logindIdle(QDBusConnection systemBus);
    static std::unique_ptr<DbusKeepAwake> desktopSuspend(QDBusConnection sessionBus);

    DbusKeepAwake(QDBusConnection bus, QDBusMessage inhibit, HoldIn holdIn);
    ~DbusKeepAwake() override;
    DbusKeepAwake(const DbusKeepAwake&) = delete;
    DbusKeepAwake& operator=(const DbusKeepAwake&) = delete;

    void set(bool on) override;
    bool held() const override { return release_ != nullptr; }

private:
    void answered(const QDBusMessage& reply);
    void release();

    QDBusConnection bus_;
    QDBusMessage inhibit_;
    HoldIn holdIn_;
    std::unique_ptr<QObject> context_;  // an answer still out is dropped with it
    bool wanted_ = false;
    bool asking_ = false;
    Release release_;
};

}  // namespace kestrove
