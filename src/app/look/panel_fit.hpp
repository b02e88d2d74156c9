#pragma once
// How tall a panel's content wants to be at the panel's width: its height
// for that width when its layout has one, else its size hint. Every panel
// (the menu, the new-watch panel, the welcome and chat windows) is sized by
// its controller with this and nothing else, and the checks that a panel
// fits its content measure with it too.

class QWidget;

namespace kestrove {

int panelContentHeight(const QWidget& content, int width);

}  // namespace kestrove
