#pragma once
// The application's own message boxes: About, the chat disconnect that
// could not reach the server, and the warnings of the new-watch road. Each
// is shown in front at once, without waiting for it, and deletes itself
// when closed. None is modal: the tray and every other window keep working
// while one is open. One box of a kind at a time: asked for again, the open
// one comes forward with the new text instead of a second one.
//
// Main thread only.

#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <string>
#include <string_view>

class QMessageBox;

namespace kestrove {

inline constexpr std::string_view disconnectMessage = "Barks no longer go to Telegram.";
inline constexpr std::string_view disconnectDetail =
    "I couldn't reach Kestrove's server to tell it, so I'll do that the next time Kestrove starts.";

class AppAlerts {
public:
    // The name, the version, the mark, and the two credit lines.
    QMessageBox* about();
    QMessageBox* disconnected();
    // A warning; its kind is its message.
    QMessageBox* warning(const std::string& message, const std::string& detail);

private:
    QMessageBox* once(const QString& kind, const std::function<QMessageBox*()>& make);

    std::map<QString, QPointer<QMessageBox>> open_;
};

}  // namespace kestrove
