#pragma once
// `--window-check`: the two capture paths (a window through XComposite, and
// the display area under the box) compared on the user's real windows;
// where the frame of a bound watch goes; what a bound watch reports when it
// loses its window; and windows that are not on screen read through the
// window path. Writes "report.txt" and the pictures into its folder and
// prints nothing.

#include <filesystem>
#include <string>

#include "app/platform/platform.hpp"
#include "core/foundation/geometry.hpp"
#include "core/picture/image.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove::DevWindow {

// Needs a QApplication. 0 done, 1 the screen may not be read (or
// KESTROVE_NO_SCREEN_PERMISSION is set), 2 no window of another program to
// try, 3 a comparison lacked a screen or a picture; DevFiles::cannotWrite
// when the report or a picture cannot be written (at once when the folder
// takes no file).
int run(const std::filesystem::path& folder, Platform& platform);

// The box tried on a window: at most 400 × 300 pt, centred on `focus`, kept
// inside `frame`; origin rounded, size rounded down.
Rect box(const Rect& frame, const Rect& focus);

// Whether a picture shows anything: "has content (brightness spread N of
// 255)", "ONE FLAT COLOUR (nothing to see)" or "unreadable".
std::string flatness(const Image& picture);

// "id 4194305 · xterm · 10, 20, 480 × 320".
std::string describe(const WindowInfo& window);

// The window's program, or "id <n>" when it has no name.
std::string name(const WindowInfo& window);

}  // namespace kestrove::DevWindow
