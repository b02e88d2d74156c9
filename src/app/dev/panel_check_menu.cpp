#include "app/dev/panel_check_menu.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "app/dev/dev_panel.hpp"
#include "app/dev/dev_wait.hpp"
#include "app/dev/menu_samples.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/menu_view.hpp"
#include "app/look/panel_fit.hpp"
#include "core/cloud/url.hpp"
#include "core/menu/menu_layout.hpp"

namespace kestrove::PanelCheckMenu {

int run(DevFiles::OutputFolder& output, std::ostream& out, std::chrono::milliseconds settle) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 0;
    using MenuSamples::State;
    const Release release{"0.2.0", 2, *Url::parse("https://kestrove.app/#download"), std::nullopt};
    struct Row {
        const char* name;
        State state;
        bool telegram;
        UpdateNote note;
    };
    const Row rows[] = {
        {"empty, Telegram not connected", State::empty, false, UpdateNote::none()},
        {"empty, Telegram connected", State::empty, true, UpdateNote::none()},
        {"one watch", State::one, true, UpdateNote::none()},
        {"two watches", State::main, true, UpdateNote::none()},
        {"two watches, a newer version is out", State::main, true, UpdateNote::out(release)},
        {"two watches, checking for a newer version", State::main, true, UpdateNote::checking()},
        {"two watches, up to date", State::main, true, UpdateNote::upToDate()},
        {"two watches, Telegram not connected", State::main, false, UpdateNote::none()},
        {"four watches", State::all, true, UpdateNote::none()},
        {"back to one", State::one, false, UpdateNote::none()},
        {"more than fit", State::many, true, UpdateNote::none()},
        {"more than fit, a newer version is out", State::many, true, UpdateNote::out(release)},
    };
    MenuModel model;
    MenuPanelController controller(model);
    controller.window()->setWindowOpacity(0);
    const QRect visible = screen->availableGeometry();
    controller.show({double(visible.right() + 1 - 300), double(visible.top()), 40, 24}, screen, false);
    int failures = 0;
    for (const Row& row : rows) {
        MenuModel sample;
        MenuSamples::fill(sample, row.state, row.telegram, false);
        model.setUpdate(row.note);
        controller.fitWall();
        model.setMonitors(sample.monitors(), sample.pictures());
        model.setTelegramConnected(sample.telegramConnected());
        model.setCanPauseAll(sample.canPauseAll());
        model.setHasFinished(sample.hasFinished());
        // Room for the update line comes out of the wall.
        if (row.state == State::many && row.note.kind != UpdateNote::Kind::none)
            model.setWallLimit(model.wallLimit() - 41);
        DevWait::settle(settle);
        MenuView fresh(model);
        fresh.catchUp();
        const int width = static_cast<int>(MenuLayout::width);
        const int needed = panelContentHeight(fresh, width);
        const int have = controller.window()->height();
        const bool fit = DevPanel::fits(have, needed);
        failures += fit ? 0 : 1;
        out << (fit ? "ok  " : "FAIL") << " menu · " << row.name << ": panel " << have << " pt, content needs "
            << needed << " pt\n"
            << std::flush;
        const QImage picture = controller.window()->grab().toImage();
        if (!output.failure()) output.writePicture(DevPanel::menuPicture(row.name), picture);
    }
    controller.close();
    return failures;
}

}  // namespace kestrove::PanelCheckMenu
