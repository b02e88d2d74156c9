#include "app/menu/menu_wall.hpp"

#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>

#include "app/look/appearance.hpp"
#include "app/menu/menu_ink.hpp"
#include "app/menu/monitor_cards.hpp"
#include "app/menu/monitor_face.hpp"
#include "app/menu/wall_parts.hpp"
#include "core/menu/menu_layout.hpp"
#include "core/menu/menu_placement.hpp"

namespace kestrove {

namespace {

int whole(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

MonitorGrid::MonitorGrid(MenuModel& model, QWidget* parent) : QWidget(parent), model_(model) {}

// A card may be the one whose button is being clicked (its ✕, or a click
// that switches large and small cards): it goes once that click is over.
void MonitorGrid::discard(MonitorCard* card) {
    card->hide();
    card->deleteLater();
}

MonitorCard* MonitorGrid::card(const std::string& id) const {
    const auto it = cards_.find(id);
    return it == cards_.end() ? nullptr : it->second;
}

void MonitorGrid::hold(bool on) { held_ = on; }

double MonitorGrid::wallHeight() const {
    const auto n = static_cast<int>(places_.size());
    if (n == 0) return 0;
    if (grid_) {
        const int rows = (n + 1) / 2;
        return rows * MenuLayout::smallHeight + (rows - 1) * MenuLayout::gap;
    }
    double total = MenuLayout::gap * (n - 1);
    for (const Place& p : places_) total += p.height;
    return total;
}

void MonitorGrid::sync() {
    const auto& monitors = model_.monitors();
    std::map<std::string, const MenuModel::Monitor*> byID;
    for (const auto& m : monitors) byID.emplace(m.id, &m);
    if (held_) {
        // In their places: a gone card leaves its place empty, a new one
        // goes after the last, and the cards stay large or small.
        for (Place& p : places_)
            if (!byID.contains(p.id)) p.id.clear();
        for (const auto& m : monitors)
            if (std::none_of(places_.begin(), places_.end(), [&](const Place& p) { return p.id == m.id; }))
                places_.push_back({m.id, 0});
    } else {
        places_.clear();
        for (const auto& m : monitors) places_.push_back({m.id, 0});
        const bool grid = MenuLayout::usesGrid(static_cast<int>(monitors.size()));
        if (grid != grid_) {
            // Large and small cards differ; none carries over.
            for (auto& [id, c] : cards_) discard(c);
            cards_.clear();
            grid_ = grid;
        }
    }
    std::vector<QRect> placed;
    double y = 0;
    for (std::size_t i = 0; i < places_.size(); ++i) {
        Place& place = places_[i];
        if (!place.id.empty()) {
            const auto& m = *byID.at(place.id);
            MonitorCard*& c = cards_[m.id];
            if (!c) {
                c = grid_ ? static_cast<MonitorCard*>(new SmallMonitor(model_, this)) : new LargeMonitor(model_, this);
                c->QWidget::show();
            }
            const auto picture = model_.pictures().find(m.id);
            c->show(m, picture == model_.pictures().end() ? QImage() : picture->second,
                    MenuLayout::feedSize(model_.pictureSize(m), grid_));
            place.height = c->height();
            if (grid_) {
                const int row = static_cast<int>(i / 2), column = static_cast<int>(i % 2);
                c->move(whole(column * (MenuLayout::smallWidth + MenuLayout::gap)),
                        whole(row * (MenuLayout::smallHeight + MenuLayout::gap)));
            } else {
                c->move(0, whole(y));
            }
            placed.push_back(c->geometry());
        }
        y += place.height + MenuLayout::gap;
    }
    for (auto it = cards_.begin(); it != cards_.end();) {
        if (byID.contains(it->first)) {
            ++it;
        } else {
            discard(it->second);
            it = cards_.erase(it);
        }
    }
    setFixedSize(whole(MenuLayout::wallWidth), whole(wallHeight()));
    // The shadows move only with the cards; each card repaints itself.
    if (placed != placed_) {
        placed_ = std::move(placed);
        update();
    }
}

void MonitorGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool dark = Appearance::isDark(palette());
    for (const auto& [id, c] : cards_) MonitorFace::paintShadow(p, QRectF(c->geometry()), dark);
}

MenuWall::MenuWall(MenuModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      free_(new FreeMonitor([&model] { MenuModel::call(model.onNewWatch); }, this)),
      scroller_(new QScrollArea(this)),
      grid_(new MonitorGrid(model)),
      tile_(new NewWatchTile([&model] { MenuModel::call(model.onNewWatch); }, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(static_cast<int>(MenuLayout::gap));
    layout->addWidget(free_);
    layout->addWidget(scroller_);
    layout->addWidget(tile_);
    scroller_->setFrameShape(QFrame::NoFrame);
    scroller_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroller_->setWidgetResizable(false);
    scroller_->viewport()->setAutoFillBackground(false);
    scroller_->setWidget(grid_);
    grid_->setAutoFillBackground(false);
    indicator_ = new ScrollIndicator(scroller_->verticalScrollBar(), this);
    setFixedWidth(static_cast<int>(MenuLayout::wallWidth));
    sync();
}

bool MenuWall::scrolling() const { return MenuLayout::scrolls(grid_->wallHeight(), model_.wallLimit()); }

void MenuWall::hold(bool on) { grid_->hold(on); }

void MenuWall::sync() {
    grid_->sync();
    const bool empty = grid_->places() == 0;
    free_->setVisible(empty);
    scroller_->setVisible(!empty);
    tile_->setVisible(!empty);
    const double height = scrolling() ? std::max(model_.wallLimit(), MenuPlacement::smallest) : grid_->wallHeight();
    if (scroller_->height() != whole(height) || scroller_->minimumHeight() != whole(height))
        scroller_->setFixedSize(whole(MenuLayout::wallWidth), whole(height));
    indicator_->setVisible(!empty && scrolling());
    placeIndicator();
}

// Over the right edge of the monitors, which always start at the wall's top.
void MenuWall::placeIndicator() {
    indicator_->setGeometry(scroller_->width() - 8, 4, 8, std::max(scroller_->height() - 8, 0));
    indicator_->raise();
}

void MenuWall::resizeEvent(QResizeEvent*) { placeIndicator(); }

void MenuWall::paintEvent(QPaintEvent*) {
    if (!free_->isVisible()) return;
    QPainter p(this);
    MonitorFace::paintShadow(p, QRectF(free_->geometry()), Appearance::isDark(palette()));
}

}  // namespace kestrove
