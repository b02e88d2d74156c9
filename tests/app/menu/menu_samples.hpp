#pragma once
// Watches as the panel shows them, their pictures, light and dark palettes
// and a way to draw the panel's content offscreen, for the menu's tests
// and benchmarks.

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <memory>
#include <string>

#include "app/menu/menu_model.hpp"
#include "app/menu/menu_panel.hpp"
#include "app/menu/menu_view.hpp"
#include "app/look/panel_fit.hpp"
#include "core/menu/menu_layout.hpp"
#include "support/app/appearance.hpp"

namespace kestrove::menu_samples {

// The tests' appearance, with disabled buttons greyed as a desktop greys them.
inline QPalette palette(bool dark) {
    QPalette p = offscreen::palette(dark);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, dark ? QColor(120, 120, 124) : QColor(150, 150, 150));
    return p;
}

// A picture of `w` × `h` pixels: a light ground with a dark bar and some
// colour, so scaling shows.
inline QImage picture(int w, int h, QColor tint = QColor(70, 130, 200)) {
    QImage image(w, h, QImage::Format_RGBA8888);
    image.fill(QColor(235, 238, 242));
    QPainter p(&image);
    p.fillRect(QRectF(w * 0.06, h * 0.2, w * 0.5, h * 0.22), tint);
    p.fillRect(QRectF(w * 0.06, h * 0.55, w * 0.8, h * 0.14), QColor(40, 40, 40));
    p.fillRect(QRectF(w * 0.7, h * 0.12, w * 0.2, h * 0.3), QColor(230, 150, 40));
    return image;
}

inline MenuModel::Monitor monitor(const std::string& id, WatchStatus status, const std::string& sentence) {
    MenuModel::Monitor m;
    m.id = id;
    m.status = status;
    m.sentence = sentence;
    m.woof = "Woof. " + sentence;
    switch (status) {
        case WatchStatus::watching: m.line = "WATCHING · EVERY 5 S"; m.tag = "WATCHING"; break;
        case WatchStatus::lostSight: m.line = "LOST SIGHT · WINDOW CLOSED"; m.tag = "LOST SIGHT"; m.muted = true; break;
        case WatchStatus::paused: m.line = "PAUSED"; m.tag = "PAUSED"; break;
        case WatchStatus::finished: m.line = "BARKED AT 9:41 AM"; m.tag = "BARKED 9:41 AM"; break;
    }
    m.scale = 2;
    return m;
}

// The content in a panel window of its own at the height it asks for.
struct Shown {
    std::unique_ptr<MenuPanelWindow> window;
    MenuView* view = nullptr;
    QImage image;
};
inline Shown show(MenuModel& model, bool dark) {
    Shown s;
    // Nothing under the pointer.
    QCursor::setPos(-1000, -1000);
    s.view = new MenuView(model);
    s.window = std::make_unique<MenuPanelWindow>(s.view);
    s.window->setPalette(palette(dark));
    s.window->setAttribute(Qt::WA_ShowWithoutActivating);
    s.window->show();
    s.view->catchUp();
    s.window->resize(static_cast<int>(MenuLayout::width), panelContentHeight(*s.view, static_cast<int>(MenuLayout::width)));
    QApplication::processEvents();
    s.image = s.window->grab().toImage();
    return s;
}

inline bool near(QRgb a, const QColor& b, int tolerance = 3) {
    return std::abs(qRed(a) - b.red()) <= tolerance && std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

// `over` with `top` of alpha `alpha` laid on it.
inline QColor blend(const QColor& over, const QColor& top, double alpha) {
    auto mix = [&](int a, int b) { return static_cast<int>(std::lround(a * (1 - alpha) + b * alpha)); };
    return {mix(over.red(), top.red()), mix(over.green(), top.green()), mix(over.blue(), top.blue())};
}

}  // namespace kestrove::menu_samples
