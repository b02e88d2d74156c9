#pragma once
// The tray panel's content: the wall of monitors over the desk of controls,
// 372 points wide, padded 10 all round, as tall as they need. It follows
// the model; while it is hidden it only notes that it is out of date and
// catches up before it is measured or shown.

#include <QWidget>

#include <functional>

#include "app/menu/menu_model.hpp"

namespace kestrove {

class MenuWall;
class MenuDesk;

class MenuView : public QWidget {
public:
    explicit MenuView(MenuModel& model, QWidget* parent = nullptr);

    // Brings the parts up to date with the model when anything changed.
    void catchUp();
    // The wall's cards keep their places while held (the pointer is in the panel).
    void holdPlaces(bool on);
    MenuWall* wall() const { return wall_; }
    MenuDesk* desk() const { return desk_; }

    // After the parts changed while shown (the panel fits itself to them).
    std::function<void()> onResized;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void changed(bool wall);

    MenuModel& model_;
    MenuWall* wall_;
    MenuDesk* desk_;
    bool wallStale_ = false;
    bool deskStale_ = false;
};

}  // namespace kestrove
