#pragma once
// A D-Bus daemon of the test's own (a stand-in for the system bus, or a
// session bus where nothing can be started on demand), stopped by pid when
// the object goes. Anyone may own any name on it and pass file descriptors.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace kestrove::testing {

class PrivateBus {
public:
    PrivateBus();  // throws when the daemon does not start
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return address_; }
    // A new connection of this process to the bus, under a unique name.
    QDBusConnection connect();

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

}  // namespace kestrove::testing
