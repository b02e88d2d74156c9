#pragma once
// Launch at login through the desktop's autostart folder:
// $XDG_CONFIG_HOME/autostart/kestrove.desktop. An entry of the same name in
// a system folder ($XDG_CONFIG_DIRS/autostart) counts too unless the user's
// own file overrides it; an entry is off when it says Hidden=true or
// X-GNOME-Autostart-enabled=false.

#include <QString>
#include <QStringList>

#include "app/platform/launch_at_login.hpp"

namespace kestrove {

class XdgAutostart final : public LaunchAtLogin {
public:
    static constexpr const char* fileName = "kestrove.desktop";

    // `configHome` and `configDirs` as the XDG base directories name them;
    // `program` is what the entry starts.
    XdgAutostart(QString configHome, QStringList configDirs, QString program);
    // From the environment (defaults ~/.config and /etc/xdg) and this process's executable.
    static XdgAutostart forThisUser();

    bool enabled() const override;
    // On: the user's file becomes ours, written atomically. Off: a system
    // entry is overridden by a user file saying Hidden=true; otherwise the
    // user's file is removed.
    Result<Done, std::string> setEnabled(bool on) override;

    QString userFile() const;
    // The Exec value that starts `program`, quoted for a desktop entry.
    static QString execLine(const QString& program);

private:
    QString systemFile() const;  // the first system entry, or empty

    QString configHome_;
    QStringList configDirs_;
    QString program_;
};

}  // namespace kestrove
