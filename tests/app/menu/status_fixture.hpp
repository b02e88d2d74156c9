#pragma once
// The tray menu's controller on the real watch manager, itself on fakes and
// virtual time (see engine/manager_fixture.hpp), with the menu's other
// services faked. Offscreen: the panel is a real window nobody sees.

#include <QApplication>
#include <QCursor>

#include <memory>

#include "app/menu/menu_view.hpp"
#include "app/menu/menu_wall.hpp"
#include "app/menu/monitor_cards.hpp"
#include "app/menu/status_menu_controller.hpp"
#include "core/cloud/telegram.hpp"
#include "engine/manager_fixture.hpp"
#include "support/app/fake_menu_services.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove::testing {

struct StatusMenuTest : ManagerTest {
    fakes::FakeStatusItem item;
    StatusItem* tray = &item;  // the icon the controller is made with
    fakes::FakeMenuUpdates updates;
    fakes::FakeLaunchAtLogin login;
    fakes::RecordingActions actions;
    std::unique_ptr<TelegramLink> telegram;
    std::unique_ptr<StatusMenuController> menu;
    std::vector<std::pair<std::string, std::string>> alerts;
    std::vector<std::string> opened;
    int quits = 0;
    PointerPressesMaker presses;  // none: offscreen, the panel takes the activation

    void SetUp() override {
        // The widgets' application, in place of the manager fixture's core
        // one; on a desktop, the test program's own.
        if (!QCoreApplication::instance()) offscreen::app();
        QCursor::setPos(-1000, -1000);
        saves = std::make_unique<SaveCounter>(data);
        makeManager();
        telegram = std::make_unique<TelegramLink>(CloudSettings{defaults, std::nullopt},
                                                  CloudSession::make({std::chrono::seconds(3), 1u << 20}),
                                                  main.executor());
        item.area = QRect(400, 0, 24, 24);
        makeStatus();
    }
    void TearDown() override {
        menu.reset();
        manager.reset();
    }

    // Wired as the application wires it: every change refreshes, every bark pops the dot.
    void makeStatus() {
        menu = std::make_unique<StatusMenuController>(
            StatusMenuController::Services{*manager, *telegram, updates, login, *tray, clock, defaults,
                                           [](Date d) { return TimeOfDay::shortTime(d, "en_GB", "UTC"); },
                                           [this](const std::string& m, const std::string& d) { alerts.emplace_back(m, d); },
                                           [this](const Url& url) { opened.push_back(url.toString()); },
                                           [this] { ++quits; }, presses},
            &actions);
        manager->onChange = [this] {
            ++changes;
            menu->refresh();
        };
        manager->onBark = [this] { menu->popDot(); };
        telegram->setOnChange([this] { menu->refresh(); });
    }

    MenuModel& model() { return menu->model(); }
    std::vector<std::string> rowIds() {
        std::vector<std::string> out;
        for (const auto& m : model().monitors()) out.push_back(m.id);
        return out;
    }
    // Opens the panel and lets the main loop come round once.
    void open() {
        if (!menu->panelVisible()) menu->toggle();
        QApplication::processEvents();
    }
    MonitorGrid& grid() { return *menu->panel().view()->wall()->grid(); }
    // A once watch barks and finishes.
    void finish(const std::string& id) {
        runners.latest(id)->host->runnerDidBark(id, std::make_shared<const Image>(solid(120, 30, 200)), std::nullopt);
        main.runPending();
    }
};

}  // namespace kestrove::testing
