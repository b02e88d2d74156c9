#pragma once
// How tall a panel's content wants to be at the panel's width: its height
// for that width when it has one, else its size hint. Panels size their
// windows with this and nothing else, and the checks that a panel fits its
// content measure with it too.

class QWidget;

namespace kestrove {

int fittingHeight(const QWidget& content, int width);

}  // namespace kestrove
