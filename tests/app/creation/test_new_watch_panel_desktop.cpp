// The new-watch panel on a real X server with a window manager: it takes
// the keyboard, and Escape cancels only while it has it (typing and Return
// are part of the road's desktop test).

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>

#include "app/creation/key_panel.hpp"
#include "panel_states.hpp"
#include "support/app/desktop_fixture.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using desktop::waitFor;

void xdotool(const QStringList& args) { ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

struct PanelKeys : ::testing::Test {
    panelstates::Harness h;
    std::vector<WatchSpec> started;
    int cancels = 0;

    void SetUp() override {
        h.model().onStart = [this](const WatchSpec& s) { started.push_back(s); };
        h.model().onCancel = [this] { ++cancels; };
    }
    void showActive() {
        h.panel->show(true);
        ASSERT_TRUE(waitFor([&] { return h.panel->window().isActiveWindow(); })) << "the panel took the keyboard";
        waitFor([] { return false; }, 200);
    }
    void key(const char* name) {
        xdotool({"key", name});
        waitFor([] { return false; }, 300);
    }
};

TEST_F(PanelKeys, EscapeCancelsOnlyWhileThePanelHasTheKeyboard) {
    desktop::TestWindow other;
    showActive();
    xdotool({"windowactivate", "--sync", QString::number(other.id())});
    ASSERT_TRUE(waitFor([&] { return !h.panel->window().isActiveWindow(); }));
    key("Escape");
    EXPECT_EQ(cancels, 0) << "Escape typed into another window";
    key("Return");
    EXPECT_TRUE(started.empty());

    xdotool({"windowactivate", "--sync", QString::number(h.panel->window().winId())});
    ASSERT_TRUE(waitFor([&] { return h.panel->window().isActiveWindow(); }));
    key("Escape");
    EXPECT_EQ(cancels, 1);
    h.panel->close();
    xdotool({"windowactivate", "--sync", QString::number(other.id())});
    key("Escape");
    EXPECT_EQ(cancels, 1) << "a closed panel takes no keys";
}

}  // namespace
}  // namespace kestrove
