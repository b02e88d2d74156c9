#pragma once
// No automatic suspend by the desktop while watching, where its power manager
// offers org.freedesktop.PowerManagement.Inhibit on the session bus (KDE's
// and Xfce's): that inhibition holds off the desktop's own idle suspend only,
// never one the user asks for. The call is asynchronous; a release asked for
// while it is still out gives the cookie back as soon as it arrives. Where
// no desktop offers the service, nothing is held and nothing is said.

#include <QDBusConnection>

#include <memory>
#include <optional>

#include "app/platform/keep_awake.hpp"

class QDBusMessage;
class QObject;

namespace kestrove {

class DesktopSuspendInhibit final : public KeepAwake {
public:
    explicit DesktopSuspendInhibit(QDBusConnection sessionBus);
    ~DesktopSuspendInhibit() override;
    DesktopSuspendInhibit(const DesktopSuspendInhibit&) = delete;
    DesktopSuspendInhibit& operator=(const DesktopSuspendInhibit&) = delete;

    void set(bool on) override;
    bool held() const override { return cookie_.has_value(); }

private:
    void answered(const QDBusMessage& reply);
    void release();

    QDBusConnection bus_;
    std::unique_ptr<QObject> context_;  // an answer still out is dropped with it
    bool wanted_ = false;
    bool asking_ = false;
    std::optional<uint> cookie_;
};

// Every hold at once: set goes to each, held while any holds.
class KeepAwakeSet final : public KeepAwake {
public:
    void add(std::unique_ptr<KeepAwake> hold) { holds_.push_back(std::move(hold)); }
    void set(bool on) override {
        for (auto& h : holds_) h->set(on);
    }
    bool held() const override {
        for (const auto& h : holds_)
            if (h->held()) return true;
        return false;
    }

private:
    std::vector<std::unique_ptr<KeepAwake>> holds_;
};

}  // namespace kestrove
