// The notifier on buses of the test's own: what each bark sends, and what
// becomes of its picture when nobody takes it. (Real dunst showing barks,
// their markup and their pictures is the engine's desktop test.)
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QUrl>

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>

#include "app/platform/dbus/dbus_notifier.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_desktop_services.hpp"
#include "support/app/private_bus.hpp"
#include "support/app/stderr_capture.hpp"

namespace kestrove {
namespace {

namespace fs = std::filesystem;
using desktop::waitFor;

SharedImage crop(int w, int h) {
    Image image(w, h);
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = i % 4 == 3 ? 255 : std::uint8_t(40 + i % 200);
    return std::make_shared<const Image>(std::move(image));
}

std::optional<NotificationStatus> statusOf(Notifier& notifier) {
    return desktop::await<NotificationStatus>([&](auto done) { return notifier.status(done); });
}

std::size_t picturesIn(const fs::path& folder) {
    std::error_code ignored;
    if (!fs::exists(folder)) return 0;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder, ignored), fs::directory_iterator()));
}

// A recording service on a bus of our own shows what dunst does not keep.
TEST(DbusNotifierDesktop, EachBarkIsItsOwnNotificationTaggedWithItsWatch) {
    testing::PrivateBus bus;
    testing::FakeNotifications service(bus.connect());
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "tagged";
    DbusNotifier notifier(mainThreadExecutor(), bus.connect(), folder);

    notifier.bark("Woof", "first: a < b && \"c\" > d", crop(8, 8), "w_tag");
    notifier.bark("Woof", "second", crop(8, 8), "w_tag");
    notifier.bark("Woof", "third", nullptr, "w_tag");
    ASSERT_TRUE(waitFor([&] { return service.calls.size() == 3; }));
    for (const auto& call : service.calls) {
        EXPECT_EQ(call.app, "Kestrove");
        EXPECT_EQ(call.replaces, 0u);
        EXPECT_EQ(call.timeout, -1);
        EXPECT_EQ(call.hints.value("x-kestrove-watch").toString(), "w_tag");
        EXPECT_EQ(call.hints.value("desktop-entry").toString(), "kestrove");
        EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    }
    // The body is markup: what would read as a tag is escaped.
    EXPECT_EQ(service.calls[0].body.toStdString(), "first: a &lt; b &amp;&amp; \"c\" &gt; d");
    // Each picture a file of its own, all kept while shown.
    std::set<fs::path> pictures;
    for (int i : {0, 1}) {
        const QUrl image(service.calls[i].hints.value("image-path").toString());
        EXPECT_TRUE(image.isLocalFile());
        const fs::path picture = image.toLocalFile().toStdString();
        EXPECT_EQ(picture.parent_path(), folder);
        EXPECT_TRUE(fs::is_regular_file(picture)) << picture;
        pictures.insert(picture);
    }
    EXPECT_EQ(pictures.size(), 2u);
    EXPECT_FALSE(service.calls[2].hints.contains("image-path"));
}

// From just before each Notify until the service says it closed, and a
// moment more, the service's process shows something of ours; a refused one
// and a service that goes end it too.
TEST(DbusNotifierDesktop, TheServiceShowsOursFromTheNotifyUntilItCloses) {
    testing::PrivateBus bus;
    auto service = std::make_unique<testing::FakeNotifications>(bus.connect());
    auto own = std::make_shared<OwnWindows>();
    const fs::path folder = fs::path(qgetenv("XDG_RUNTIME_DIR").toStdString()) / "lent";
    DbusNotifier notifier(mainThreadExecutor(), bus.connect(), folder, own);
    const std::vector<std::int32_t> us{static_cast<std::int32_t>(::getpid())}, none;
    const auto lentFor = [&](const std::vector<std::int32_t>& want, int ms) {
        return waitFor([&] { return own->helpers() == want; }, ms);
    };

    notifier.bark("Woof", "one", nullptr, "w_lent");
    notifier.bark("Woof", "two", nullptr, "w_lent");
    ASSERT_TRUE(waitFor([&] { return service->calls.size() == 2; }));
    EXPECT_EQ(own->helpers(), us) << "lent before the service has it";
    service->close(1);
    EXPECT_FALSE(lentFor(none, 1500)) << "one of ours still shows";
    service->close(2);
    EXPECT_TRUE(lentFor(none, 3000)) << "all closed";

    service->refuse = true;
    notifier.bark("Woof", "refused", nullptr, "w_lent");
    ASSERT_TRUE(waitFor([&] { return service->calls.size() == 3; }));
    EXPECT_TRUE(lentFor(none, 3000)) << "a refused one shows nothing";

    service->refuse = false;
    notifier.bark("Woof", "three", nullptr, "w_lent");
    ASSERT_TRUE(lentFor(us, 3000));
    service.reset();  // the service goes, and its bubbles with it
    EXPECT_TRUE(lentFor(none, 3000));
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
