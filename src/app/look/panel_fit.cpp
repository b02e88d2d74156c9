#include "app/look/panel_fit.hpp"

#include <QWidget>

namespace kestrove {

int panelContentHeight(const QWidget& content, int width) {
    return content.hasHeightForWidth() ? content.heightForWidth(width) : content.sizeHint().height();
}

}  // namespace kestrove
