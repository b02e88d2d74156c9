#include "support/app/dunst_peer.hpp"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <stdexcept>

namespace kestrove::testing {

namespace {

const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString cmd = QStringLiteral("org.dunstproject.cmd0");

QDBusMessage dunstCall(const QString& interface, const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"), path, interface, method);
}

QDBusMessage ask(const QDBusMessage& call) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) throw std::runtime_error("dunst: " + reply.errorMessage().toStdString());
    return reply;
}

}  // namespace

DunstPeer::DunstPeer() {
    const QString config = dir_.filePath(QStringLiteral("dunstrc"));
    QFile file(config);
    if (!dir_.isValid() || !file.open(QIODevice::WriteOnly)) throw std::runtime_error("no folder for dunst");
    file.write("[global]\n"
               "    markup = full\n"
               "    format = \"%s\\n%b\"\n"
               "    history_length = 100000\n"
               "    sticky_history = yes\n"
               "    idle_threshold = 0\n"
               "    notification_limit = 0\n"
               "    stack_duplicates = false\n");
    file.close();
    auto* bus = QDBusConnection::sessionBus().interface();
    if (!bus || bus->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")))
        throw std::runtime_error("no session bus, or a notification service runs already");
    dunst_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    dunst_.setStandardOutputFile(QProcess::nullDevice());
    dunst_.start(QStringLiteral("dunst"), {QStringLiteral("-config"), config});
    QElapsedTimer t;
    t.start();
    while (!bus->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"))) {
        if (dunst_.state() == QProcess::NotRunning || t.elapsed() > 10000)
            throw std::runtime_error("dunst did not take the notification name");
        QThread::msleep(10);
    }
}

DunstPeer::~DunstPeer() {
    dunst_.terminate();
    if (!dunst_.waitForFinished(5000)) {
        dunst_.kill();
        dunst_.waitForFinished(5000);
    }
}

std::vector<ShownNotification> DunstPeer::notifications() {
    closeAll();
    const QDBusMessage reply = ask(dunstCall(cmd, QStringLiteral("NotificationListHistory")));
    const auto list = reply.arguments().value(0).value<QDBusArgument>();
    std::vector<ShownNotification> out;
    list.beginArray();
    while (!list.atEnd()) {
        QVariantMap fields;
        list >> fields;
        ShownNotification n;
        n.id = fields.value(QStringLiteral("id")).toInt();
        n.appName = fields.value(QStringLiteral("appname")).toString();
        n.summary = fields.value(QStringLiteral("summary")).toString();
        n.body = fields.value(QStringLiteral("body")).toString();
        n.iconPath = fields.value(QStringLiteral("icon_path")).toString();
        out.push_back(n);
    }
    list.endArray();
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    return out;
}

unsigned DunstPeer::countOnBus() {
    QDBusMessage get = dunstCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    get << cmd;
    const auto all = qdbus_cast<QVariantMap>(ask(get).arguments().value(0));
    unsigned n = 0;
    for (const char* name : {"waitingLength", "displayedLength", "historyLength"})
        n += all.value(QString::fromLatin1(name)).toUInt();
    return n;
}

void DunstPeer::closeAll() { ask(dunstCall(cmd, QStringLiteral("NotificationCloseAll"))); }

}  // namespace kestrove::testing
