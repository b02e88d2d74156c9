#include "app/platform/atspi/atspi_bus.hpp"

#include "app/platform/atspi/accessibility_status.hpp"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QThread>

#include <atomic>
#include <vector>

namespace kestrove {

namespace {

const QString objectEvents = QStringLiteral("org.a11y.atspi.Event.Object");
const QString documentEvents = QStringLiteral("org.a11y.atspi.Event.Document");

// What the reader needs to hear of: a text, a name (Qt's labels speak
// through it), children coming or going, an object shown or hidden, a page
// loaded. Toolkits send these only once some listener has asked for them.
const char* const wanted[] = {"object:children-changed", "object:text-changed",
                              "object:property-change:accessible-name", "object:state-changed:showing",
                              "document:load-complete", "document:reload"};

std::optional<QString> addressOfTheBus(int waitMs) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
        QDBus::Block, waitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != u"s") return std::nullopt;
    const QString address = reply.arguments().constFirst().toString();
    if (address.isEmpty()) return std::nullopt;
    return address;
}

// Asks the registry to have programs send the events the reader hears of.
void askForEvents(QDBusConnection& bus, int waitMs) {
    std::vector<QDBusPendingCall> asked;
    for (const char* event : wanted) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
            QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
        m.setArguments({QString::fromLatin1(event), QStringList{}, QString()});
        asked.push_back(bus.asyncCall(m, waitMs));
    }
    for (QDBusPendingCall& call : asked) call.waitForFinished();
}

}  // namespace

class AtspiBus::Listener final : public QObject {
    Q_OBJECT
public:
    explicit Listener(ChangeLog& log) : log_(log) {}

    // IsEnabled as last announced: -1 unknown, else 0 or 1.
    int enabled() const {
        std::lock_guard lock(mutex_);
        return enabled_;
    }
    // How many announcements there were; an answer asked for before the
    // latest one is stale.
    unsigned told() const {
        std::lock_guard lock(mutex_);
        return told_;
    }
    void keep(unsigned askedAfter, int value) {
        std::lock_guard lock(mutex_);
        if (told_ == askedAfter) enabled_ = value;
    }

public slots:
    void heard(const QDBusMessage& m) { log_.record(m.service().toStdString(), m.path().toStdString()); }
    // A page loaded (Chromium puts a new one in place without announcing it to its parent).
    void loaded(const QDBusMessage& m) { log_.record(m.service().toStdString(), m.path().toStdString(), true); }
    void statusChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated) {
        if (interface != u"org.a11y.Status") return;
        std::lock_guard lock(mutex_);
        if (changed.contains(QStringLiteral("IsEnabled")))
            enabled_ = AccessibilityStatus::isOn(changed.value(QStringLiteral("IsEnabled")));
        else if (invalidated.contains(QStringLiteral("IsEnabled"))) enabled_ = -1;
        else return;
        ++told_;
    }
    void launcherChanged(const QString& name, const QString&, const QString&) {
        if (name != u"org.a11y.Bus") return;
        std::lock_guard lock(mutex_);
        enabled_ = -1;
        ++told_;
    }

private:
    ChangeLog& log_;
    mutable std::mutex mutex_;
    int enabled_ = -1;
    unsigned told_ = 0;
};

AtspiBus::AtspiBus()
    : name_([] {
          static std::atomic<int> count{0};
          return QStringLiteral("kestrove-direct-reader-%1").arg(++count);
      }()),
      thread_(std::make_unique<QThread>()),
      listener_(new Listener(log_)) {
    thread_->setObjectName(QStringLiteral("accessibility events"));
    listener_->moveToThread(thread_.get());
    thread_->start();
}

AtspiBus::~AtspiBus() {
    if (bus_) {
        bus_.reset();
        QDBusConnection::disconnectFromBus(name_);
    }
    // Ended on its own thread, so no announcement is delivered to it midway.
    QMetaObject::invokeMethod(listener_, [l = listener_] { delete l; }, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
}

bool AtspiBus::enabled(bool fresh) {
    {
        std::lock_guard lock(mutex_);
        if (!hearsStatus_) {
            QDBusConnection session = QDBusConnection::sessionBus();
            if (!session.isConnected()) return false;
            hearsStatus_ =
                session.connect(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                                listener_, SLOT(statusChanged(QString, QVariantMap, QStringList))) &&
                session.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                                {QStringLiteral("org.a11y.Bus")}, {}, listener_,
                                SLOT(launcherChanged(QString, QString, QString)));
        }
    }
    if (const int known = listener_->enabled(); known >= 0 && !fresh) return known == 1;
    const unsigned before = listener_->told();
    const bool now = AccessibilityStatus::enabled();
    // Kept only while nothing newer was announced meanwhile; a launcher that
    // did not answer (or said no) is asked again next time.
    if (hearsStatus_) listener_->keep(before, now ? 1 : -1);
    return now;
}

std::optional<QDBusConnection> AtspiBus::connection() const {
    std::lock_guard lock(mutex_);
    return bus_;
}

std::optional<QDBusConnection> AtspiBus::connect(int waitMs) {
    std::lock_guard lock(mutex_);
    if (bus_ && bus_->isConnected()) return bus_;
    if (bus_) {
        // What was announced on the broken connection may be lost.
        bus_.reset();
        QDBusConnection::disconnectFromBus(name_);
        followed_.clear();
        askedForEvents_ = false;
        log_.lost();
    }
    const std::optional<QString> address = addressOfTheBus(waitMs);
    if (!address) return std::nullopt;
    QDBusConnection bus = QDBusConnection::connectToBus(*address, name_);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name_);
        return std::nullopt;
    }
    bus_ = bus;
    return bus_;
}

bool AtspiBus::follow(const std::string& bus, int waitMs) {
    std::lock_guard lock(mutex_);
    if (!bus_ || !bus_->isConnected()) return false;
    if (followed_.count(bus)) return true;
    // Asked only once a program is to be followed: every program sends the
    // events from then on, and Qt's wait on their main threads for the list of
    // events each time one is asked for. The registry tells a program before
    // it answers, so the program sends them before it answers any later call.
    if (!askedForEvents_) {
        askForEvents(*bus_, waitMs);
        askedForEvents_ = true;
    }
    const QString from = QString::fromStdString(bus);
    const char* slot = SLOT(heard(QDBusMessage));
    bool ok = bus_->connect(from, {}, objectEvents, QStringLiteral("ChildrenChanged"), listener_, slot);
    ok = bus_->connect(from, {}, objectEvents, QStringLiteral("TextChanged"), listener_, slot) && ok;
    ok = bus_->connect(from, {}, objectEvents, QStringLiteral("PropertyChange"), {QStringLiteral("accessible-name")},
                       {}, listener_, slot) && ok;
    ok = bus_->connect(from, {}, objectEvents, QStringLiteral("StateChanged"), {QStringLiteral("showing")}, {},
                       listener_, slot) && ok;
    const char* loaded = SLOT(loaded(QDBusMessage));
    ok = bus_->connect(from, {}, documentEvents, QStringLiteral("LoadComplete"), listener_, loaded) && ok;
    ok = bus_->connect(from, {}, documentEvents, QStringLiteral("Reload"), listener_, loaded) && ok;
    if (!ok) return false;
    // Asked after the rules, answered after the bus has taken them in: from
    // here on the program's announcements come to us.
    bus_->call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                              QStringLiteral("/org/freedesktop/DBus"),
                                              QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")),
               QDBus::Block, waitMs);
    followed_.insert(bus);
    log_.follow(bus);
    return true;
}

void AtspiBus::catchUp() {
    // Announcements that reached the connection wait in the listener's
    // queue; this call waits behind them.
    QMetaObject::invokeMethod(listener_, [] {}, Qt::BlockingQueuedConnection);
}

}  // namespace kestrove

#include "atspi_bus.moc"
