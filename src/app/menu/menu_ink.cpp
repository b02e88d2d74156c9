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

}  // namespace kestrove::MenuInk
