#pragma once
// `--snapshot`: every surface of the application drawn with made-up content
// into PNG files, light and dark: the new-watch panel in its stages and
// cards, the watch frame in its states, the welcome window, the chat
// connection window and the tray's status item. Nothing is captured,
// nothing is sent, no window shows.

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <QImage>

namespace kestrove::Snapshots {

// Needs a QApplication (offscreen is enough). Prints "Kestrove: wrote N
// snapshots to <folder>" and answers 0; DevFiles::cannotWrite, having said
// why, when the folder or a picture cannot be written. `settle`: the event
// loop's turn before each picture is taken.
int render(const std::filesystem::path& folder, std::ostream& out = std::cout,
           std::chrono::milliseconds settle = std::chrono::milliseconds(150));

struct Surface {
    std::string name;  // the file's stem, before "-light" or "-dark"
    std::function<QImage()> draw;
};
// In the order they are written; the palette must already be the one of `dark`.
std::vector<Surface> surfaces(bool dark, std::chrono::milliseconds settle);

}  // namespace kestrove::Snapshots
