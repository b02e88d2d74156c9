#pragma once
// What the welcome and chat windows share in drawing: the palette's
// secondary text, the tick's green, and labels in the product's type.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QLabel;
class QWidget;

namespace kestrove::WindowStyle {

// Text that steps back: the window text at half strength.
QColor secondary(const QPalette& palette);
// The palette's link colour, or a lighter blue when a dark appearance kept
// Qt's default dark one, which cannot be read on it.
QColor link(const QPalette& palette);
// The green of a done step or a connected chat, a shade lighter when dark.
QColor green(const QPalette& palette);

// A label in `font`, wrapping when `wrap`, in the secondary colour when `secondary`.
QLabel* label(const QString& text, const QFont& font, bool secondary, bool wrap, QWidget* parent = nullptr);
// Gives the secondary labels under `root` the secondary colour of `root`'s
// palette again (after a change of appearance).
void updateSecondary(QWidget* root);

}  // namespace kestrove::WindowStyle
