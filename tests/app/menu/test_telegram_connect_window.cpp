// The chat connection window offscreen against the loopback server on
// virtual time: one window, its height following the phase with the top
// edge fixed, show() while waiting, closing, the buttons of each phase.
#include <gtest/gtest.h>

#include <QPushButton>

#include "app/menu/panel_window.hpp"
#include "app/menu/telegram_connect_controller.hpp"
#include "app/menu/telegram_connect_view.hpp"
#include "support/app/offscreen_app.hpp"
#include "support/app/qr_decode.hpp"
#include "support/app/virtual_clock.hpp"
#include "support/cloud_harness.hpp"

namespace kestrove {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedAnswer;
using Kind = TelegramConnectModel::Phase::Kind;

const std::string deepLink = "https://t.me/KestroveBot?start=K7Q2";
const std::string pairing = R"({"linked": false, "code": "K7Q2", "url": ")" + deepLink + R"(", "expires_in": 60})";

struct ChatWindow : ::testing::Test {
    testing::CloudHarness h;
    fakes::VirtualClock clock;
    TelegramLink link{h.settings, h.session, h.main.executor()};
    std::vector<std::string> opened;
    std::optional<TelegramConnectController> controller;

    void SetUp() override {
        offscreen::app();
        h.server.answer("/v1/pair", ScriptedAnswer::json(200, pairing));
        h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, R"({"linked": false})"));
        controller.emplace(link, clock, [this](const std::string& url) { opened.push_back(url); });
    }
    Kind phase() const { return controller->model()->phase().kind; }
    std::vector<std::string> buttons() const {
        std::vector<std::string> out;
        for (auto* b : controller->view()->buttons()) out.push_back(b->text().toStdString());
        return out;
    }
};

TEST_F(ChatWindow, TheWindowGrowsForTheCodeAndShrinksWhenConnectedItsTopEdgeFixed) {
    controller->show();
    PanelWindow* window = controller->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(phase(), Kind::starting);
    EXPECT_EQ(buttons(), std::vector<std::string>{"Cancel"});
    const QRect starting = window->geometry();
    EXPECT_EQ(starting.width(), 480);

    h.answered(1);
    ASSERT_EQ(phase(), Kind::waiting);
    const QRect waiting = window->geometry();
    EXPECT_GT(waiting.height(), starting.height() + 100) << "the QR tile is 160 points";
    EXPECT_EQ(waiting.topLeft(), starting.topLeft());
    EXPECT_EQ(waiting.height(), window->fittingHeight(480));
    controller->show();
    h.main.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(controller->window(), window) << "shown again while waiting: only brought forward";
    EXPECT_EQ(h.requests("/v1/pair"), 1u);

    // What the user sees scans too: the tile as drawn, read back.
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(testing::decodeQR(shot), deepLink);
    controller->view()->openHereButton()->click();
    EXPECT_EQ(opened, std::vector<std::string>{deepLink});

    h.server.answer("/v1/pair/status", ScriptedAnswer::json(200, testing::linkedAnswer));
    clock.advance(2s);
    h.answered(2);
    ASSERT_EQ(phase(), Kind::connected);
    const QRect connected = window->geometry();
    EXPECT_LT(connected.height(), waiting.height());
    EXPECT_EQ(connected.topLeft(), starting.topLeft());
    EXPECT_EQ(buttons(), std::vector<std::string>{"Done"});
    EXPECT_TRUE(controller->view()->defaultButton() == controller->view()->buttons()[0]);
}

TEST_F(ChatWindow, ClosingStopsTheChecksWithinOneIntervalAndForgetsTheWindow) {
    controller->show();
    h.answered(1);
    clock.advance(2s);
    h.answered(2);
    clock.advance(1s);
    controller->view()->buttons()[0]->click();  // Cancel
    EXPECT_EQ(controller->window(), nullptr);
    EXPECT_EQ(controller->model(), nullptr);
    clock.advance(10s);
    h.main.runUntil([] { return false; }, 200ms);
    EXPECT_EQ(h.requests("/v1/pair/status"), 1u);
    EXPECT_EQ(clock.timersWaiting(), 0u);

    // The next show asks for a new code in a new window.
    controller->show();
    h.answered(3);
    EXPECT_EQ(h.requests("/v1/pair"), 2u);
    EXPECT_EQ(phase(), Kind::waiting);
}

TEST_F(ChatWindow, AFinishedAttemptStartsOverOnShowAndByItsButtons) {
    h.server.answer("/v1/pair", ScriptedAnswer::json(500, "{}"));
    controller->show();
    h.answered(1);
    ASSERT_EQ(phase(), Kind::unreachable);
    EXPECT_EQ(buttons(), (std::vector<std::string>{"Close", "Try again"}));
    controller->view()->defaultButton()->click();  // Try again
    EXPECT_EQ(phase(), Kind::starting);
    h.answered(2);

    ASSERT_EQ(phase(), Kind::unreachable);
    controller->show();  // a finished attempt: shown again, it starts over
    EXPECT_EQ(phase(), Kind::starting);
    h.answered(3);

    // With no server address there is nothing to try again.
    h.store->set(CloudSettings::baseURLKey, std::string());
    controller->show();
    ASSERT_TRUE(h.main.waitForWork(5s));
    h.main.runPending();
    ASSERT_EQ(phase(), Kind::notSetUp);
    EXPECT_EQ(buttons(), (std::vector<std::string>{"Close"}));
}

}  // namespace
}  // namespace kestrove
