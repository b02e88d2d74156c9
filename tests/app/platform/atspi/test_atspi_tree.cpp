// Without an accessibility bus the reader says so and the process lives on.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <future>

#include "app/platform/atspi/atspi_tree.hpp"
#include "app/platform/direct/queued_direct_reader.hpp"
#include "support/app/fakes.hpp"

namespace kestrove {
namespace {

TEST(AtspiTree, NoBusMeansUnavailableAndNoSession) {
    // Before the first use of the session bus in this process.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kestrove-no-bus", 1);
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    AtspiTree tree;
    EXPECT_FALSE(tree.available());
    EXPECT_EQ(tree.application(1).error(), AccessError::failed);
    EXPECT_EQ(tree.node({":1.1", "/org/a11y/atspi/accessible/root"}).error(), AccessError::failed);

    QueuedDirectReader reader(inlineExecutor(), [] {
        DirectPlatform p;
        p.tree = std::make_unique<AtspiTree>();
        auto windows = std::make_unique<fakes::FakeWindowList>();
        windows->windows = {fakes::window(9, {0, 0, 400, 300})};
        p.windows = std::move(windows);
        p.alive = processAlive;
        p.chromium = [](std::int32_t) { return ChromiumDetection::Verdict{}; };
        return p;
    });
    const WatchRegion region{1, 10, 10, 100, 20, 1, WindowAnchor{9, "Editor", std::nullopt, 10, 10, 400, 300}};
    std::promise<std::shared_ptr<DirectSession>> opened;
    const Pending call = reader.open(region, [&](std::shared_ptr<DirectSession> s) { opened.set_value(std::move(s)); });
    EXPECT_EQ(opened.get_future().get(), nullptr);
    EXPECT_FALSE(reader.allowed());
}

}  // namespace
}  // namespace kestrove
