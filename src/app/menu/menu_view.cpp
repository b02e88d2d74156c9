#include "app/menu/menu_view.hpp"

#include <QVBoxLayout>

#include "app/menu/menu_desk.hpp"
#include "app/menu/menu_wall.hpp"
#include "core/menu/menu_layout.hpp"

namespace kestrove {

MenuView::MenuView(MenuModel& model, QWidget* parent)
    : QWidget(parent), model_(model), wall_(new MenuWall(model)), desk_(new MenuDesk(model)) {
    auto* layout = new QVBoxLayout(this);
    const int pad = static_cast<int>(MenuLayout::padding);
    layout->setContentsMargins(pad, pad, pad, pad);
    layout->setSpacing(0);
    // Never bound the window it sits in: its controller alone sizes that.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(wall_, 0, Qt::AlignHCenter);
    layout->addWidget(desk_);
    setFixedWidth(static_cast<int>(MenuLayout::width));
    connect(&model, &MenuModel::wallChanged, this, [this] { changed(true); });
    connect(&model, &MenuModel::deskChanged, this, [this] { changed(false); });
}

void MenuView::changed(bool wall) {
    (wall ? wallStale_ : deskStale_) = true;
    if (!isVisible()) return;
    catchUp();
    if (onResized) onResized();
}

void MenuView::catchUp() {
    if (wallStale_) wall_->sync();
    if (deskStale_) desk_->sync();
    wallStale_ = deskStale_ = false;
}

void MenuView::holdPlaces(bool on) {
    wall_->hold(on);
    // Let go, the cards take their order at once.
    if (!on) changed(true);
}

void MenuView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    catchUp();
}

}  // namespace kestrove
