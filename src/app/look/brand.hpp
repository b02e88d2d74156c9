#pragma once
// The product's four colours and its type: DejaVu Sans by pixel size, the
// same on every desktop, in the tests and in the snapshots.

#include <QColor>
#include <QFont>

namespace kestrove::Brand {

QColor signal();     // the red of chips, tags and the frame
QColor onSignal();   // text on the red
QColor muted();      // tags of a watch that is held up
QColor mutedLine();  // the frame's line while sight is lost

// DejaVu Sans at `pixelSize`; `condensed` picks its condensed face. Its
// digits all have one width, so numbers in a column line up as they are.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal, bool condensed = false);

// The text of a chip or tag: condensed, semibold.
QFont labelFont(int pixelSize);

// A colour with `amount` (-1 to 1) added to each of its components.
QColor brightened(const QColor& colour, double amount);

}  // namespace kestrove::Brand
