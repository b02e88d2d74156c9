#include "app/menu/menu_ink.hpp"

namespace kestrove::MenuInk {

QColor ink() {
    static const QColor c(22, 22, 22);
    return c;
}

QColor dim() {
    static const QColor c = QColor::fromRgbF(1, 1, 1, 0.62f);
    return c;
}

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightnessF() < 0.5; }

QColor secondary(const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(0.55f);
    return c;
}

}  // namespace kestrove::MenuInk
