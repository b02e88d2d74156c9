// The application delegate as main() wires it, on the real platform inside
// the test's desktop: its alerts go through the application's one alerts
// place, so none blocks the tray.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/shell/app_delegate.hpp"
#include "app/shell/start_up.hpp"
#include "core/copy/copy_catalogue.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

std::vector<QMessageBox*> shownBoxes(std::string_view text) {
    std::vector<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == text.data())
            out.push_back(box);
    return out;
}

// An onboarded application over a data folder of its own, with no hot key.
struct Onboarded {
    QTemporaryDir data;
    std::shared_ptr<MemoryDefaults> defaults = [] {
        auto d = std::make_shared<MemoryDefaults>();
        d->set(didOnboardKey, true);
        return d;
    }();
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    AppDelegate delegate{platform, {{"kestrove"}, defaults, data.path().toStdString(),
                                    [](std::function<void()>) { return std::unique_ptr<HotKey>(); }}};
};

// First in this program: no window of it has been shown yet. Qt connects
// its accessibility bridge when first asked, which the first window shown
// does; the application asks once it has started, so the first frame or
// overlay does not wait for the accessibility bus and its registry.
TEST(AppDelegateDesktop, TheAccessibilityBridgeConnectsAtStartBeforeAnyWindowShows) {
    Onboarded app;
    AppDelegate& delegate = app.delegate;
    const QDBusConnection bridge(QStringLiteral("a11y"));  // the name Qt gives its bridge's connection
    ASSERT_FALSE(bridge.isConnected());
    delegate.start();
    EXPECT_TRUE(desktop::waitFor([&] { return QDBusConnection(QStringLiteral("a11y")).isConnected(); }));
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << "nothing was shown";
    delegate.shutdown();
}

TEST(AppDelegateDesktop, ALaunchAtLoginThatFailsAlertsWithoutBlockingOneBoxAtATime) {
    // A file where the autostart folder would go: the entry cannot be written.
    QTemporaryDir config;
    QFile blocker(config.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    {
        Onboarded app;
        AppDelegate& delegate = app.delegate;
        delegate.start();
        ASSERT_NE(delegate.statusMenu(), nullptr);

        // A modal box would hold the toggle in an event loop of its own until closed.
        bool modal = false;
        QTimer::singleShot(1500, [&modal] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                modal = true;
                w->close();
            }
        });
        delegate.statusMenu()->model().onSetLaunchAtLogin(true);
        EXPECT_FALSE(modal) << "the alert held the tray in an event loop of its own";
        ASSERT_TRUE(desktop::waitFor([] { return !shownBoxes(Copy::launchAtLoginFailed).empty(); }));
        QTest::qWait(1700);
        EXPECT_FALSE(modal) << "the alert is modal";
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

        delegate.statusMenu()->model().onSetLaunchAtLogin(true);
        QTest::qWait(200);
        const auto boxes = shownBoxes(Copy::launchAtLoginFailed);
        ASSERT_EQ(boxes.size(), 1u) << "asked again, the open one comes forward";
        EXPECT_EQ(boxes[0]->windowModality(), Qt::NonModal);
        boxes[0]->close();
        delegate.shutdown();
    }
    qputenv("XDG_CONFIG_HOME", before);
}

}  // namespace
}  // namespace kestrove
