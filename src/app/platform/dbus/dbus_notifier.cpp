#include "app/platform/dbus/dbus_notifier.hpp"

#include <QDBusError>
#include <QDBusMessage>
#include <QTimer>
#include <QUrl>

#include "app/platform/dbus/dbus_call.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString servicePath = QStringLiteral("/org/freedesktop/Notifications");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");
// The service may still show a bubble for a moment after saying it closed.
constexpr int closingHold = 1000;  // ms

QDBusMessage busCall(const QString& method) {
    return QDBusMessage::createMethodCall(busService, busPath, busService, method);
}

}  // namespace

QString escapeMarkup(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&') out += QStringLiteral("&amp;");
        else if (c == u'<') out += QStringLiteral("&lt;");
        else if (c == u'>') out += QStringLiteral("&gt;");
        else out += c;
    }
    return out;
}

DbusNotifier::DbusNotifier(Executor mainThread, QDBusConnection bus, std::filesystem::path pictureFolder,
                           std::shared_ptr<OwnWindows> own)
    : mainThread_(std::move(mainThread)),
      bus_(std::move(bus)),
      own_(std::move(own)),
      pictures_("notification pictures", 1, mainThread_,
                [folder = std::move(pictureFolder)] { return std::make_unique<NotificationPictures>(folder); }) {
    if (!own_ || !bus_.isConnected()) return;
    // Any sender: naming the service would make QtDBus ask for its owner and wait.
    bus_.connect(QString(), servicePath, service, QStringLiteral("NotificationClosed"), this,
                 SLOT(closed(QDBusMessage)));
    bus_.connect(QString(), busPath, busService, QStringLiteral("NameOwnerChanged"), {service}, QString(), this,
                 SLOT(serviceOwnerChanged(QDBusMessage)));
}

// A picture being written finishes; barks still waiting are dropped with the notifier.
DbusNotifier::~DbusNotifier() { pictures_.stop(); }

bool DbusNotifier::available() const { return bus_.isConnected(); }

Pending DbusNotifier::status(StatusDone done) {
    if (!available()) return Pending::answered(mainThread_, [done] { done(NotificationStatus::notDetermined); });
    auto completion = std::make_shared<Completion>();
    auto answer = [completion, main = mainThread_, done](NotificationStatus s) {
        completion->deliver(main, [done, s] { done(s); });
    };
    QDBusMessage owner = busCall(QStringLiteral("NameHasOwner"));
    owner << service;
    whenAnswered(bus_.asyncCall(owner), this, [this, completion, answer](const QDBusMessage& reply) {
        const QVariant owned = firstArgument(reply);
        if (!owned.isValid()) return answer(NotificationStatus::notDetermined);
        if (owned.toBool()) return answer(NotificationStatus::allowed);
        if (completion->cancelled()) return;
        // No one runs it now; the bus may still start it on the first Notify.
        whenAnswered(bus_.asyncCall(busCall(QStringLiteral("ListActivatableNames"))), this,
                     [answer](const QDBusMessage& names) {
                         const QVariant list = firstArgument(names);
                         if (!list.isValid()) return answer(NotificationStatus::notDetermined);
                         answer(list.toStringList().contains(service) ? NotificationStatus::allowed
                                                                      : NotificationStatus::denied);
                     });
    });
    return Pending(completion);
}

void DbusNotifier::bark(const std::string& title, const std::string& body, SharedImage image,
                        const std::string& threadId) {
    if (!available()) return;
    pictures_.run({}, [this, title = QString::fromStdString(title), body = escapeMarkup(QString::fromStdString(body)),
                       thread = QString::fromStdString(threadId), image = std::move(image)](NotificationPictures& pictures) {
        std::optional<std::filesystem::path> picture;
        // A picture that cannot be written leaves the bark without one.
        try {
            if (image && image->isValid()) picture = pictures.store(*image);
        } catch (...) {
            logCaughtException("notification picture");
        }
        postTo(this, [this, title, body, thread, picture] { post(title, body, picture, thread); });
    });
}

void DbusNotifier::post(const QString& title, const QString& body,
                        const std::optional<std::filesystem::path>& picture, const QString& threadId) {
    QVariantMap hints;
    hints.insert(QStringLiteral("x-kestrove-watch"), threadId);
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kestrove"));
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    if (picture)
        hints.insert(QStringLiteral("image-path"),
                     QUrl::fromLocalFile(QString::fromStdString(picture->string())).toString());

    QDBusMessage notify = QDBusMessage::createMethodCall(service, servicePath, service, QStringLiteral("Notify"));
    // replaces_id 0: every bark is a notification of its own.
    notify << QStringLiteral("Kestrove") << uint(0) << QString() << title << body << QStringList() << hints
           << int(-1);
    if (!own_) return send(notify, picture);
    // Whose windows will show it, known before they can.
    askService([this, notify, picture] { send(notify, picture); });
}

void DbusNotifier::send(const QDBusMessage& notify, const std::optional<std::filesystem::path>& picture) {
    ++sending_;
    lend();
    whenAnswered(bus_.asyncCall(notify), this, [this, picture](const QDBusMessage& reply) {
        --sending_;
        if (reply.type() != QDBusMessage::ErrorMessage) {
            if (own_) {
                serviceName_ = reply.service();
                open_.insert(firstArgument(reply).toUInt());
                // Started by this very call: known only now.
                if (!service_) askService([this] { lend(); });
            }
            return lend();
        }
        lend();
        if (picture) NotificationPictures::discard(*picture);
        // No notification service in this session: nothing to say.
        if (reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown)) return;
        const QString reason = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        logLine("notification failed: " + reason.toStdString());
    });
}

void DbusNotifier::askService(std::function<void()> then) {
    QDBusMessage ask = busCall(QStringLiteral("GetConnectionUnixProcessID"));
    ask << service;
    whenAnswered(bus_.asyncCall(ask), this, [this, then = std::move(then)](const QDBusMessage& reply) {
        // No one serves it (yet): the bus may start a service with the Notify.
        const QVariant pid = firstArgument(reply);
        service_ = pid.isValid() ? static_cast<std::int32_t>(pid.toUInt()) : 0;
        then();
    });
}

void DbusNotifier::lend() {
    if (!own_) return;
    if (sending_ > 0 || !open_.empty()) {
        ++lastClose_;  // a closing's wait under way ends nothing now
        own_->setHelpers(service_ ? std::vector<std::int32_t>{service_} : std::vector<std::int32_t>{});
        return;
    }
    QTimer::singleShot(closingHold, this, [this, mine = ++lastClose_] {
        if (mine == lastClose_) own_->setHelpers({});
    });
}

void DbusNotifier::closed(const QDBusMessage& signal) {
    const QList<QVariant> args = signal.arguments();
    if (args.isEmpty() || signal.service() != serviceName_) return;
    if (open_.erase(args[0].toUInt())) lend();
}

void DbusNotifier::serviceOwnerChanged(const QDBusMessage& signal) {
    const QList<QVariant> args = signal.arguments();
    if (signal.service() != busService || args.size() != 3 || args[0].toString() != service) return;
    // Its notifications went with it.
    open_.clear();
    serviceName_.clear();
    service_ = 0;
    lend();
}

}  // namespace kestrove
