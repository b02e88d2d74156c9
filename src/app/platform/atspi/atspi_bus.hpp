#pragma once
// The private connection to the accessibility bus that the reader's threads
// share, and what programs announce on it. Programs announce a change of an
// object's text, name, children or visibility once a listener has asked for
// such events; the announcements of the programs followed are kept in a
// ChangeLog by a thread of its own. Because calls and announcements come
// over the one connection, a program's announcements arrive before its
// answer to any later call.

#include <QDBusConnection>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "app/platform/direct/change_log.hpp"

class QThread;

namespace kestrove {

class AtspiBus {
public:
    AtspiBus();
    ~AtspiBus();
    AtspiBus(const AtspiBus&) = delete;
    AtspiBus& operator=(const AtspiBus&) = delete;

    // Whether the session lets programs be read (IsEnabled): asked of the bus
    // launcher when `fresh`, when it has not told yet or when it went away;
    // otherwise as it last told. It announces every change before answering
    // the call that made it: after `catchUp` a change made before the
    // caller's latest call is known.
    bool enabled(bool fresh);

    // The connection, made now when there is none (or it broke); none when
    // the bus does not answer within `waitMs`.
    std::optional<QDBusConnection> connect(int waitMs);
    std::optional<QDBusConnection> connection() const;

    // Keeps what the program at `bus` announces from now on; false without
    // a connection.
    bool follow(const std::string& bus, int waitMs);
    // Every announcement that has reached the connection is in the log.
    void catchUp();
    const ChangeLog& log() const { return log_; }

private:
    class Listener;

    mutable std::mutex mutex_;
    const QString name_;
    std::optional<QDBusConnection> bus_;
    std::set<std::string> followed_;  // on this connection
    bool askedForEvents_ = false;     // of the registry, on this connection
    ChangeLog log_;
    std::unique_ptr<QThread> thread_;
    Listener* listener_ = nullptr;  // lives on thread_
    std::atomic<bool> hearsStatus_ = false;  // the launcher's announcements come to the listener
};

}  // namespace kestrove
