#include "app/platform/dbus/dbus_notifier.hpp"

#include <QDBusError>
#include <QDBusMessage>
#include <QUrl>

#include "app/platform/dbus/dbus_call.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString busService = QStringLiteral("org.freedesktop.DBus");

QDBusMessage busCall(const QString& method) {
    return QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"), busService, method);
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

DbusNotifier::DbusNotifier(Executor mainThread, QDBusConnection bus, std::filesystem::path pictureFolder)
    : mainThread_(std::move(mainThread)),
      bus_(std::move(bus)),
      pictures_("notification pictures", 1, mainThread_,
                [folder = std::move(pictureFolder)] { return std::make_unique<NotificationPictures>(folder); }) {}

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

    QDBusMessage notify = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                         service, QStringLiteral("Notify"));
    // replaces_id 0: every bark is a notification of its own.
    notify << QStringLiteral("Kestrove") << uint(0) << QString() << title << body << QStringList() << hints
           << int(-1);
    whenAnswered(bus_.asyncCall(notify), this, [picture](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ErrorMessage) return;
        if (picture) NotificationPictures::discard(*picture);
        // No notification service in this session: nothing to say.
        if (reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown)) return;
        const QString reason = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        logLine("notification failed: " + reason.toStdString());
    });
}

}  // namespace kestrove
