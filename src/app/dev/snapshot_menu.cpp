#include "app/dev/snapshot_menu.hpp"

#if __has_include("app/menu/menu_model.hpp")

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include "app/dev/dev_look.hpp"
#include "app/dev/menu_samples.hpp"
#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/menu_view.hpp"
#include "app/look/panel_fit.hpp"
#include "core/cloud/url.hpp"
#include "core/copy/copy_status.hpp"
#include "core/menu/menu_layout.hpp"

namespace kestrove::SnapshotMenu {

namespace {

// The panel over the sky blue of a menu bar's backdrop, in both appearances.
QImage menuChrome(const QImage& content, bool dark) {
    const double left = 28, top = 14, bottom = 44, radius = 18;
    const QSizeF size = content.deviceIndependentSize();
    QImage out((size + QSizeF(2 * left, top + bottom)).toSize(), QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor(134, 192, 246));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(QPointF(left, top), size);
    p.setPen(Qt::NoPen);
    for (int i = 11; i >= 1; --i) {  // a soft shadow 18 points down
        const double grow = 23.0 * i / 11 / 2;
        p.setBrush(QColor(8, 34, 80, int(0.42 * 255 / 11)));
        p.drawRoundedRect(box.translated(0, 18).adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
    }
    p.drawImage(box, content);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(dark ? QColor(255, 255, 255, 36) : QColor(0, 0, 0, 61), 0.5));
    p.drawRoundedRect(box.adjusted(0.25, 0.25, -0.25, -0.25), radius, radius);
    return out;
}

QImage drawMenu(MenuModel& model, bool dark) {
    auto* view = new MenuView(model);
    MenuPanelWindow window(view);
    DevLook::showUnseen(window);
    view->catchUp();
    const int width = static_cast<int>(MenuLayout::width);
    window.resize(width, panelContentHeight(*view, width));
    QCoreApplication::sendPostedEvents();
    // Taken as the window draws itself: a painter clipped to the corners
    // would also let the monitors scrolled out of the wall draw over the
    // tile and the rows under it. The corners are cut afterwards.
    const QImage drawn = window.grab().toImage();
    QImage content(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    content.setDevicePixelRatio(drawn.devicePixelRatio());
    content.fill(Qt::transparent);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(window.rect()), MenuPanelWindow::radius, MenuPanelWindow::radius);
    {
        QPainter p(&content);
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(shape);
        p.drawImage(QPointF(0, 0), drawn);
    }
    return menuChrome(content, dark);
}

// The first watch as it shows while the day's model checks are used up.
void usedUp(MenuModel& model) {
    auto monitors = model.monitors();
    if (monitors.empty()) return;
    WatchSpec spec;
    spec.id = WatchSpec::makeID();
    spec.command = monitors[0].sentence;
    spec.type = WatchType::stateReached;
    spec.comparator = Comparison::none;
    spec.mode = WatchMode::once;
    spec.region = WatchRegion{1, 0, 0, 320, 80, 2, std::nullopt};
    spec.pollSeconds = 5;
    spec.debounceChecks = 2;
    spec.createdAt = std::chrono::system_clock::now();
    const WatchRecord record{spec, WatchStatus::watching, std::nullopt, std::nullopt, std::nullopt};
    const auto trouble = WatchTrouble::modelChecksUsedUp("01:00");
    monitors[0].line = Copy::stateLine(record, 5, std::nullopt, trouble, false);
    monitors[0].tag = Copy::tag(WatchStatus::watching, 5, std::nullopt, false, trouble, false);
    monitors[0].muted = true;
    model.setMonitors(std::move(monitors));
}

}  // namespace

std::vector<Snapshots::Surface> surfaces(bool dark) {
    using MenuSamples::State;
    struct Row {
        const char* name;
        State state;
        bool telegram;
        std::function<void(MenuModel&)> change;
    };
    const Release release{"0.2.0", 2, *Url::parse("https://kestrove.app/#download"), "Watches stay with their window."};
    const Row rows[] = {
        {"menu-main", State::main, true, {}},
        {"menu-empty", State::empty, false, {}},
        {"menu-all", State::all, true, [](MenuModel& m) { m.setRevealed("w_QUEUE1"); }},
        {"menu-one", State::one, false, {}},
        {"menu-many", State::many, true, {}},
        {"menu-checks-used-up", State::main, true, usedUp},
        {"menu-checks-used-up-small", State::all, true, usedUp},
        {"menu-update-out", State::main, true, [release](MenuModel& m) { m.setUpdate(UpdateNote::out(release)); }},
        {"menu-up-to-date", State::one, true, [](MenuModel& m) { m.setUpdate(UpdateNote::upToDate()); }},
    };
    std::vector<Snapshots::Surface> list;
    for (const Row& row : rows) {
        list.push_back({row.name, [row, dark] {
                            MenuModel model;
                            MenuSamples::fill(model, row.state, row.telegram, dark);
                            if (row.change) row.change(model);
                            return drawMenu(model, dark);
                        }});
    }
    return list;
}

}  // namespace kestrove::SnapshotMenu

#else

namespace kestrove::SnapshotMenu {
std::vector<Snapshots::Surface> surfaces(bool) { return {}; }
}  // namespace kestrove::SnapshotMenu

#endif
