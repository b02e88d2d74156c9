// The accessibility flag as every reader reads it, from a bus launcher that
// answers IsEnabled with what a test tells it: they agree, and only a
// boolean true counts as enabled.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include "app/platform/atspi/accessibility_status.hpp"
#include "app/platform/linux/linux_session_permissions.hpp"
#include "app/platform/main_thread_executor.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/fake_notifier.hpp"
#include "support/app/fakes.hpp"
#include "support/app/private_bus.hpp"

namespace kestrove {
namespace {

// org.a11y.Bus's properties: IsEnabled answers `value`, or an error while
// it is invalid; a Set is taken and kept.
class FakeLauncher final : public QDBusVirtualObject {
public:
    explicit FakeLauncher(QDBusConnection bus) : bus_(std::move(bus)) {
        bus_.registerVirtualObject(QStringLiteral("/org/a11y/bus"), this);
        bus_.registerService(QStringLiteral("org.a11y.Bus"));
    }
    ~FakeLauncher() override {
        bus_.unregisterService(QStringLiteral("org.a11y.Bus"));
        bus_.unregisterObject(QStringLiteral("/org/a11y/bus"));
    }

    QVariant value;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        if (m.member() == u"Set" && m.arguments().size() == 3) {
            value = m.arguments().at(2).value<QDBusVariant>().variant();
            return connection.send(m.createReply());
        }
        if (!value.isValid())
            return connection.send(m.createErrorReply(QDBusError::UnknownProperty, QStringLiteral("no such")));
        return connection.send(m.createReply(QVariant::fromValue(QDBusVariant(value))));
    }

private:
    QDBusConnection bus_;
};

TEST(AccessibilityStatus, EveryReaderTakesOnlyABooleanTrueAsEnabled) {
    testing::PrivateBus bus;
    FakeLauncher launcher(bus.connect());
    const QDBusConnection session = bus.connect();
    fakes::FakeScreenCapturer capturer(mainThreadExecutor());
    fakes::FakeNotifier notifier(mainThreadExecutor());
    LinuxSessionPermissions permissions(capturer, notifier, session, mainThreadExecutor());

    struct Case {
        const char* name;
        QVariant value;
        bool enabled;
    };
    const Case cases[] = {
        {"true", QVariant(true), true},
        {"false", QVariant(false), false},
        {"the number 1", QVariant(1), false},
        {"the word true", QVariant(QStringLiteral("true")), false},
        {"an error", QVariant(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        launcher.value = c.value;
        EXPECT_EQ(desktop::offMain([&] { return AccessibilityStatus::enabled(session); }), c.enabled);
        const auto asked = desktop::await<bool>([&](auto done) { return permissions.accessibility(done); });
        ASSERT_TRUE(asked);
        EXPECT_EQ(*asked, c.enabled);
        // As a change is announced: the value alone, or in its D-Bus variant.
        EXPECT_EQ(AccessibilityStatus::isOn(c.value), c.enabled);
        EXPECT_EQ(AccessibilityStatus::isOn(QVariant::fromValue(QDBusVariant(c.value))), c.enabled);
    }

    // Both writers set a boolean the readers take.
    launcher.value = QVariant(QStringLiteral("junk"));
    ASSERT_EQ(desktop::await<bool>([&](auto done) { return permissions.enableAccessibility(done); }), true);
    EXPECT_EQ(launcher.value, QVariant(true));
    EXPECT_TRUE(desktop::offMain([&] { return AccessibilityStatus::setEnabled(false, session); }));
    EXPECT_EQ(launcher.value, QVariant(false));
    EXPECT_FALSE(desktop::offMain([&] { return AccessibilityStatus::enabled(session); }));
}

}  // namespace
}  // namespace kestrove
