#pragma once
// The top of the tray panel: every watch as a monitor (large ones for one
// or two watches, a grid of small ones for more) and the New Watch tile
// under them; with no watch, the free monitor alone. The monitors scroll
// once they are taller than the model's limit; the tile never does. Cards
// are kept by watch id and refreshed in place. While the pointer is in the
// panel the cards hold their places, so a click lands where it was aimed.

#include <QScrollArea>
#include <QWidget>

#include <map>
#include <string>
#include <vector>

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
    // Held, the next syncs keep every card in its place (a gone one leaves
    // it empty, a new one goes after the last) and its size; let go, they
    // follow the model's order again.
    void hold(bool on);
    // The places laid out, empty ones included.
    std::size_t places() const { return places_.size(); }
    double wallHeight() const;
    // The card of a watch, in the model's order.
    MonitorCard* card(const std::string& id) const;
    bool grid() const { return grid_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static void discard(MonitorCard* card);

    struct Place {
        std::string id;  // empty: the card went while held
        int height;
    };

    MenuModel& model_;
    std::map<std::string, MonitorCard*> cards_;
    std::vector<Place> places_;
    bool held_ = false;
    std::vector<QRect> placed_;  // where the cards were, for their shadows
    bool grid_ = false;
};

class MenuWall : public QWidget {
public:
    explicit MenuWall(MenuModel& model, QWidget* parent = nullptr);
    void sync();
    void hold(bool on);

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
