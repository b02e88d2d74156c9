#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QUrl>

#include <filesystem>
#include <optional>

#include "app/platform/dbus/dbus_notifier.hpp"
#include "app/platform/qt/main_thread_executor.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/dunst_peer.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/private_bus.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using desktop::waitFor;

Image crop(int w, int h) {
    Image image(w, h);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(40 + i % 200);
    return image;
}

std::optional<NotificationStatus> statusOf(Notifier& notifier) {
    return desktop::await<NotificationStatus>([&](auto done) { return notifier.status(done); });
}

std::size_t picturesIn(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder)) return 0;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder, ignored), fs::directory_iterator()));
}

// Real dunst on the desktop's session bus.
TEST(DbusNotifierDesktop, BarksReachDunstExactlyWithTheirPictures) {
    testing::DunstPeer dunst;
    DbusNotifier notifier(mainThreadExecutor(), QDBusConnection::sessionBus());
    EXPECT_EQ(statusOf(notifier), NotificationStatus::allowed);

    const std::string sentence = "Tell me when a < b && c > d, or \"quoted\" & done";
    notifier.bark("Woof. Build finished", "14:05 · Read " + sentence, crop(40, 30), "w_one");
    notifier.bark("Woof. Build finished", "14:06", crop(40, 30), "w_one");
    notifier.bark("Lost sight of a watch", "14:07", std::nullopt, "w_two");
    ASSERT_TRUE(waitFor([&] { return dunst.count() == 3; }));

    const auto shown = dunst.notifications();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].appName, "Kestrove");
    EXPECT_EQ(shown[0].summary, "Woof. Build finished");
    // Sent as markup; dunst keeps the body as it came and renders the entities.
    EXPECT_EQ(shown[0].body, QString::fromStdString("14:05 · Read Tell me when a &lt; b &amp;&amp; c &gt; d, or "
                                                    "\"quoted\" &amp; done"));
    EXPECT_EQ(shown[1].body, "14:06");
    EXPECT_EQ(shown[2].summary, "Lost sight of a watch");
    EXPECT_TRUE(shown[2].iconPath.isEmpty());

    // Two barks of one watch: two pictures, both still there, in the runtime folder.
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "kestrove";
    ASSERT_NE(shown[0].iconPath, shown[1].iconPath);
    for (int i : {0, 1}) {
        const fs::path picture = shown[i].iconPath.toStdString();
        EXPECT_EQ(picture.parent_path(), folder);
        EXPECT_TRUE(fs::is_regular_file(picture)) << picture;
    }
}

// A recording service on a bus of our own shows what dunst does not keep.
TEST(DbusNotifierDesktop, EachBarkIsItsOwnNotificationTaggedWithItsWatch) {
    testing::PrivateBus bus;
    testing::FakeNotifications service(bus.connect());
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "tagged";
    DbusNotifier notifier(mainThreadExecutor(), bus.connect(), folder);

    notifier.bark("Woof", "first", crop(8, 8), "w_tag");
    notifier.bark("Woof", "second", std::nullopt, "w_tag");
    ASSERT_TRUE(waitFor([&] { return service.calls.size() == 2; }));
    for (const auto& call : service.calls) {
        EXPECT_EQ(call.app, "Kestrove");
        EXPECT_EQ(call.replaces, 0u);
        EXPECT_EQ(call.timeout, -1);
        EXPECT_EQ(call.hints.value("x-kestrove-watch").toString(), "w_tag");
        EXPECT_EQ(call.hints.value("desktop-entry").toString(), "kestrove");
        EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    }
    const QUrl image(service.calls[0].hints.value("image-path").toString());
    EXPECT_TRUE(image.isLocalFile());
    EXPECT_EQ(fs::path(image.toLocalFile().toStdString()).parent_path(), folder);
    EXPECT_FALSE(service.calls[1].hints.contains("image-path"));
}

TEST(DbusNotifierDesktop, WithoutANotificationServiceNothingIsPostedOrLogged) {
    testing::PrivateBus bus;  // nothing on it can be started on demand
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "unserved";
    DbusNotifier notifier(mainThreadExecutor(), bus.connect(), folder);
    EXPECT_TRUE(notifier.available());
    EXPECT_EQ(statusOf(notifier), NotificationStatus::denied);

    testing::StderrCapture log;
    notifier.bark("Woof", "nobody listens", crop(8, 8), "w_none");
    // The bus answers at once; give it ample time, then nothing must be left.
    desktop::waitFor([] { return false; }, 500);
    EXPECT_TRUE(fs::exists(folder));  // a picture was written for the attempt...
    EXPECT_EQ(picturesIn(folder), 0u);  // ...and dropped when no one took it
    EXPECT_EQ(log.text(), "");
}

TEST(DbusNotifierDesktop, ARefusalIsLoggedOnceAndItsPictureDropped) {
    testing::PrivateBus bus;
    testing::FakeNotifications service(bus.connect());
    service.refuse = true;
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "refused";
    DbusNotifier notifier(mainThreadExecutor(), bus.connect(), folder);

    testing::StderrCapture log;
    notifier.bark("Woof", "refused", crop(8, 8), "w_refused");
    ASSERT_TRUE(waitFor([&] { return !log.text().empty(); }));
    EXPECT_EQ(log.text(), "Kestrove: notification failed: notifications are off\n");
    EXPECT_EQ(service.calls.size(), 1u);
    EXPECT_EQ(picturesIn(folder), 0u);
}

TEST(DbusNotifierDesktop, WithoutASessionBusItIsNotAvailable) {
    DbusNotifier notifier(mainThreadExecutor(), QDBusConnection(QStringLiteral("kestrove-no-such-connection")));
    EXPECT_FALSE(notifier.available());
    EXPECT_EQ(statusOf(notifier), NotificationStatus::notDetermined);
    testing::StderrCapture log;
    notifier.bark("Woof", "nowhere", crop(4, 4), "w_nowhere");
    desktop::waitFor([] { return false; }, 100);
    EXPECT_EQ(log.text(), "");
}

}  // namespace
}  // namespace kestrove
