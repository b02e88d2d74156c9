// The welcome window on a real desktop: the session's own answers tick the
// screen and notification steps, "Allow Accessibility…" switches the real
// accessibility bus on and the step follows within a refresh, and Escape
// or Return (Done) closes the window and finishes onboarding. A picture of the screen is
// left in <build>/snapshots/windows.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include "app/engine/qt_clock.hpp"
#include "app/menu/onboarding_controller.hpp"
#include "app/menu/onboarding_view.hpp"
#include "app/menu/panel_window.hpp"
#include "app/platform/linux/linux_session_permissions.hpp"
#include "app/platform/linux/linux_platform.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "app/platform/xdg/xdg_desktop_settings.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

// Reads or sets org.a11y.Status.IsEnabled directly, as a bystander would.
QVariant accessibilityProperty(const char* method, const QVariantList& extra = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                                    method);
    m.setArguments(QVariantList{QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")} + extra);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(m, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    if (reply.arguments().isEmpty()) return true;
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

struct OnboardingOnDesktop : ::testing::Test {
    Platform platform = makeLinuxPlatform(mainThreadExecutor());
    LinuxSessionPermissions permissions{*platform.capturer, *platform.notifier, QDBusConnection::sessionBus(),
                                        mainThreadExecutor()};
    XdgDesktopSettings settings;
    QtClock clock;
    std::shared_ptr<MemoryDefaults> store = std::make_shared<MemoryDefaults>();
    int relaunches = 0;
    OnboardingController controller{{&permissions, &settings, [this] { ++relaunches; }}, clock, store};

    PermissionRow& row(int i) { return *controller.view()->row(i); }
    bool done(int i) { return row(i).icon()->accessibleName() == "Done"; }
};

TEST_F(OnboardingOnDesktop, TheSessionTicksStepsAndTheAccessibilitySwitchFlipsTheRealBus) {
    ASSERT_TRUE(accessibilityProperty("Set", {QVariant::fromValue(QDBusVariant(false))}).isValid());
    ASSERT_EQ(accessibilityProperty("Get"), QVariant(false));

    store->set(OnboardingModel::resumeKey, true);
    controller.show(true, false);
    ASSERT_TRUE(waitFor([&] { return done(0) && done(1); }, 5000))
        << "an X11 session with Composite, and dunst on the bus";
    EXPECT_FALSE(done(3));
    waitFor([] { return false; }, 2000);  // a refresh or two: still off
    EXPECT_FALSE(done(3));

    row(3).button()->click();  // Allow Accessibility…
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(waitFor([&] { return done(3); }, 4000));
    EXPECT_LT(took.elapsed(), 2900) << "within one 1.5-second refresh and its answer";
    EXPECT_EQ(accessibilityProperty("Get"), QVariant(true));

    const QString shot = QStringLiteral(KESTROVE_SNAPSHOT_DIR "/windows/onboarding_desktop.png");
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot});

    // Escape closes the window like its close button: onboarding is done.
    PanelWindow* window = controller.window();
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {"windowactivate", "--sync", QString::number(window->winId()), "key", "Escape"}),
              0);
    ASSERT_TRUE(waitFor([&] { return !window->isVisible(); }, 3000));
    EXPECT_TRUE(store->boolean(OnboardingModel::didOnboardKey));
    EXPECT_FALSE(store->object(OnboardingModel::resumeKey).has_value());
    EXPECT_FALSE(controller.refreshing());

    // Return presses Done.
    store->set(OnboardingModel::resumeKey, true);
    store->removeObject(OnboardingModel::didOnboardKey);
    controller.show(true, false);
    ASSERT_TRUE(waitFor([&] { return window->isVisible(); }, 3000));
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {"windowactivate", "--sync", QString::number(window->winId()), "key", "Return"}),
              0);
    ASSERT_TRUE(waitFor([&] { return !window->isVisible(); }, 3000));
    EXPECT_FALSE(store->object(OnboardingModel::resumeKey).has_value());
    EXPECT_TRUE(store->boolean(OnboardingModel::didOnboardKey));
    EXPECT_FALSE(controller.refreshing());
}

}  // namespace
}  // namespace kestrove
