#pragma once
// The top of the tray panel: every watch as a monitor (large ones for one
// or two watches, a grid of small ones for more) and the New Watch tile
// under them; with no watch, the free monitor alone. The monitors scroll
// once they are taller than the model's limit; the tile never does. Cards
// are kept by watch id and refreshed in place.

#include <QScrollArea>
#include <QWidget>

#include <map>
#include <string>

#include "app/menu/menu_model.hpp"

namespace kestrove {

class FreeMonitor;
class MonitorCard;
class NewWatchTile;
class ScrollIndicator;

// The monitors, each placed at the size MenuLayout gives it.
class MonitorGrid : public QWidget {
public:
    explicit MonitorGrid(MenuModel& model, QWidget* parent = nullptr);
    void sync();
    // The card of a watch, in the model's order.
    MonitorCard* card(const std::string& id) const;
    bool grid() const { return grid_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static void discard(MonitorCard* card);

    MenuModel& model_;
    std::map<std::string, MonitorCard*> cards_;
    std::vector<QRect> placed_;  // where the cards were, for their shadows
    bool grid_ = false;
};

class MenuWall : public QWidget {
public:
    explicit MenuWall(MenuModel& model, QWidget* parent = nullptr);
    void sync();

    FreeMonitor* freeMonitor() const { return free_; }
    NewWatchTile* tile() const { return tile_; }
    QScrollArea* scroller() const { return scroller_; }
    MonitorGrid* grid() const { return grid_; }
    bool scrolling() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeIndicator();

    MenuModel& model_;
    FreeMonitor* free_;
    QScrollArea* scroller_;
    MonitorGrid* grid_;
    ScrollIndicator* indicator_;
    NewWatchTile* tile_;
};

}  // namespace kestrove
