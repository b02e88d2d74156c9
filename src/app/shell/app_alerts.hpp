#pragma once
// The application's own message boxes: About, and the chat disconnect that
// could not reach the server. Each is shown in front, at once, without
// waiting for it, and deletes itself when closed.

#include <string_view>

class QMessageBox;

namespace kestrove {

inline constexpr std::string_view disconnectMessage = "Barks no longer go to Telegram.";
inline constexpr std::string_view disconnectDetail =
    "I couldn't reach Kestrove's server to tell it, so I'll do that the next time Kestrove starts.";

// The name, the version, the mark, and the two credit lines.
QMessageBox* openAboutBox();
QMessageBox* openDisconnectAlert();

// In front of other programs' windows, with the keyboard.
void bringToFront(QMessageBox* box);

}  // namespace kestrove
