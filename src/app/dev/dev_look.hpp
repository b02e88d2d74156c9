#pragma once
// The look the drawing developer modes give the application: the Fusion
// style, the product's type and a light or dark palette, on the offscreen
// platform so nothing shows on the user's screen.

namespace kestrove::DevLook {

// Before the QApplication is made.
void useOffscreenPlatform();
// After it is made; again for each appearance.
void useAppearance(bool dark);

}  // namespace kestrove::DevLook
