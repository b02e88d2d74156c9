#pragma once
// Notifications through org.freedesktop.Notifications on the session bus.
// Pictures are written on a worker queue of our own (one thread, so
// notifications keep the order of their barks); the Notify call itself is
// asynchronous. From just before each Notify until the service says the
// notification closed (or the service goes), the service's process is told
// to OwnWindows as showing something of ours: a box under the bubble must
// not bark at it.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "app/platform/dbus/notification_pictures.hpp"
#include "app/platform/notifier.hpp"
#include "app/platform/own_windows.hpp"
#include "core/foundation/executor.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class DbusNotifier final : public QObject, public Notifier {
    Q_OBJECT
public:
    // `mainThread`: where status answers go (the thread that makes the notifier).
    DbusNotifier(Executor mainThread, QDBusConnection bus,
                 std::filesystem::path pictureFolder = NotificationPictures::defaultFolder(),
                 std::shared_ptr<OwnWindows> own = nullptr);
    ~DbusNotifier() override;

    bool available() const override;
    Pending status(StatusDone done) override;
    void bark(const std::string& title, const std::string& body, SharedImage image,
              const std::string& threadId) override;

private slots:
    void closed(const QDBusMessage& signal);
    void serviceOwnerChanged(const QDBusMessage& signal);

private:
    void post(const QString& title, const QString& body, const std::optional<std::filesystem::path>& picture,
              const QString& threadId);
    void send(const QDBusMessage& notify, const std::optional<std::filesystem::path>& picture);
    // Asks which process serves the notifications; `then` runs after the answer.
    void askService(std::function<void()> then);
    // Tells OwnWindows whether the service shows something of ours now.
    void lend();

    Executor mainThread_;
    QDBusConnection bus_;
    std::shared_ptr<OwnWindows> own_;
    std::int32_t service_ = 0;  // the service's process, once known
    QString serviceName_;       // its unique name on the bus, from its answer
    int sending_ = 0;           // Notify calls not answered yet
    std::set<std::uint32_t> open_;  // ours the service shows
    unsigned lastClose_ = 0;    // counts closings: only the last one's wait ends the lending
    WorkQueue<NotificationPictures> pictures_;  // last: its worker ends first
};

// The body as notification markup: "<", "&" and ">" become entities.
QString escapeMarkup(const QString& text);

}  // namespace kestrove
