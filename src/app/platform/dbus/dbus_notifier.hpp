#pragma once
// Notifications through org.freedesktop.Notifications on the session bus.
// Pictures are written on a worker queue of our own (one thread, so
// notifications keep the order of their barks); the Notify call itself is
// asynchronous.

#include <QDBusConnection>
#include <QObject>

#include <filesystem>

#include "app/platform/dbus/notification_pictures.hpp"
#include "app/platform/notifier.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class DbusNotifier final : public QObject, public Notifier {
public:
    // `mainThread`: where status answers go (the thread that makes the notifier).
    DbusNotifier(Executor mainThread, QDBusConnection bus,
                 std::filesystem::path pictureFolder = NotificationPictures::defaultFolder());
    ~DbusNotifier() override;

    bool available() const override;
    Pending status(StatusDone done) override;
    void bark(const std::string& title, const std::string& body, SharedImage image,
              const std::string& threadId) override;

private:
    void post(const QString& title, const QString& body, const std::optional<std::filesystem::path>& picture,
              const QString& threadId);

    Executor mainThread_;
    QDBusConnection bus_;
    WorkQueue<NotificationPictures> pictures_;  // last: its worker ends first
};

// The body as notification markup: "<", "&" and ">" become entities.
QString escapeMarkup(const QString& text);

}  // namespace kestrove
