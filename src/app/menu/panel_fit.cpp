#include "app/menu/panel_fit.hpp"

#include <QWidget>

namespace kestrove {

int fittingHeight(const QWidget& content, int width) {
    return content.hasHeightForWidth() ? content.heightForWidth(width) : content.sizeHint().height();
}

}  // namespace kestrove
