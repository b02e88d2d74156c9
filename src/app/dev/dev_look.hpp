#pragma once
// The look the drawing developer modes give the application: the Fusion
// style, the product's type and a light or dark palette, on the offscreen
// platform so nothing shows on the user's screen.

class QWidget;

namespace kestrove::DevLook {

// Before the QApplication is made.
void useOffscreenPlatform();
// After it is made; again for each appearance.
void useAppearance(bool dark);

// Shows a window as far as Qt goes (laid out, sized by its own code,
// painted) without a window on any screen, so its picture is the one the
// user would see.
void showUnseen(QWidget& window);

}  // namespace kestrove::DevLook
