#include "support/app/private_bus.hpp"

#include <QFile>

#include <stdexcept>

namespace kestrove::testing {

PrivateBus::PrivateBus() {
    const QString config = dir_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!dir_.isValid() || !file.open(QIODevice::WriteOnly)) throw std::runtime_error("no folder for the test bus");
    // No service folders: nothing is started on demand.
    file.write(QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
                   .arg(dir_.path())
                   .toUtf8());
    file.close();
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address=1"),
                   QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
    if (!daemon_.waitForStarted(10000)) throw std::runtime_error("dbus-daemon did not start");
    while (!daemon_.canReadLine())
        if (!daemon_.waitForReadyRead(10000)) throw std::runtime_error("dbus-daemon told no address");
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : connections_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}

QDBusConnection PrivateBus::connect() {
    static int made = 0;
    const QString name = QStringLiteral("kestrove-test-bus-%1").arg(++made);
    connections_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

}  // namespace kestrove::testing
