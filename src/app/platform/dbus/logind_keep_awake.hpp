#pragma once
// No idle sleep while watching: a logind "idle" inhibitor lock on the system
// bus (its idle action waits; a suspend the user asks for still goes
// through), held as the file descriptor logind hands out and released by
// closing it. The call is asynchronous; a release asked for while it is
// still out closes the descriptor as soon as it arrives.

#include <QDBusConnection>

#include <memory>

#include "app/platform/keep_awake.hpp"

class QDBusMessage;
class QObject;

namespace kestrove {

class LogindKeepAwake final : public KeepAwake {
public:
    explicit LogindKeepAwake(QDBusConnection systemBus);
    ~LogindKeepAwake() override;
    LogindKeepAwake(const LogindKeepAwake&) = delete;
    LogindKeepAwake& operator=(const LogindKeepAwake&) = delete;

    void set(bool on) override;
    bool held() const override { return fd_ >= 0; }

private:
    void answered(const QDBusMessage& reply);
    void release();

    QDBusConnection bus_;
    std::unique_ptr<QObject> context_;  // an answer still out is dropped with it
    bool wanted_ = false;
    bool asking_ = false;
    int fd_ = -1;
};

}  // namespace kestrove
