#pragma once
// What the tray panel shows, and where its buttons lead. The status item
// fills it and carries out every callback; the views only read it and call
// the callbacks, so a switch shows the new value only once the owner has
// written it back. Each setter announces a change only when the value
// differs (pictures excepted: every load is announced), so an unchanged
// refresh redraws nothing. Main thread only.

#include <QImage>
#include <QObject>

#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/menu/menu_update.hpp"
#include "core/foundation/geometry.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

class MenuModel : public QObject {
    Q_OBJECT
public:
    // One watch as the panel shows it.
    struct Monitor {
        std::string id;
        WatchStatus status = WatchStatus::watching;
        std::string line;      // the full state line (a large monitor's tag)
        std::string tag;       // the short tag of a small monitor
        bool muted = false;    // the tag in the muted colour
        std::string sentence;  // what the user typed
        std::string woof;      // the bark's title, shown once finished
        std::optional<std::string> read;  // a number watch's last value
        double scale = 1;      // pixels per point of the box's display
        bool operator==(const Monitor&) const = default;
    };

    const std::vector<Monitor>& monitors() const { return monitors_; }
    const std::map<std::string, QImage>& pictures() const { return pictures_; }
    bool telegramConnected() const { return telegramConnected_; }
    bool localOnly() const { return localOnly_; }
    bool keepAwake() const { return keepAwake_; }
    bool launchAtLogin() const { return launchAtLogin_; }
    bool allPaused() const { return allPaused_; }
    bool canPauseAll() const { return canPauseAll_; }
    bool hasFinished() const { return hasFinished_; }
    const UpdateNote& update() const { return update_; }
    // The wall's greatest height before it scrolls; never fitted: no limit.
    double wallLimit() const { return wallLimit_; }
    // A small monitor whose buttons show as if the pointer were over it.
    const std::optional<std::string>& revealed() const { return revealed_; }

    void setMonitors(std::vector<Monitor> monitors);
    void setPictures(std::map<std::string, QImage> pictures);
    // Both at once, announced once: the rows when they differ, the pictures always.
    void setMonitors(std::vector<Monitor> monitors, std::map<std::string, QImage> pictures);
    void setTelegramConnected(bool on) { setFlag(telegramConnected_, on); }
    void setLocalOnly(bool on) { setFlag(localOnly_, on); }
    void setKeepAwake(bool on) { setFlag(keepAwake_, on); }
    void setLaunchAtLogin(bool on) { setFlag(launchAtLogin_, on); }
    void setAllPaused(bool on) { setFlag(allPaused_, on); }
    void setCanPauseAll(bool on) { setFlag(canPauseAll_, on); }
    void setHasFinished(bool on) { setFlag(hasFinished_, on); }
    void setUpdate(UpdateNote update);
    void setWallLimit(double limit);
    void setRevealed(std::optional<std::string> id);

    // The picture's size in points: its pixels over the monitor's scale
    // (below 1 counts as 1); none without a picture.
    std::optional<Size> pictureSize(const Monitor& monitor) const;
    // The height the wall of monitors needs.
    double wallHeight() const;

    std::function<void()> onNewWatch;
    std::function<void(const std::string&)> onPause;
    std::function<void(const std::string&)> onResume;
    std::function<void(const std::string&)> onRemove;
    std::function<void(const std::string&)> onWatchAgain;
    std::function<void()> onPauseAll;
    std::function<void()> onClearFinished;
    std::function<void()> onConnectTelegram;
    std::function<void()> onDisconnectTelegram;
    std::function<void(bool)> onSetLocalOnly;
    std::function<void(bool)> onSetKeepAwake;
    std::function<void(bool)> onSetLaunchAtLogin;
    std::function<void()> onWelcome;
    std::function<void()> onAbout;
    std::function<void()> onCheckForUpdates;
    std::function<void()> onOpenUpdate;
    std::function<void()> onQuit;

    // Runs a callback when it is set.
    template <typename F, typename... A>
    static void call(const F& callback, const A&... args) {
        if (callback) callback(args...);
    }

signals:
    // The monitors, their pictures, the wall's limit or the revealed monitor.
    void wallChanged();
    // The switches, the buttons' states or the update line.
    void deskChanged();

private:
    void setFlag(bool& field, bool on);

    std::vector<Monitor> monitors_;
    std::map<std::string, QImage> pictures_;
    bool telegramConnected_ = false;
    bool localOnly_ = false;
    bool keepAwake_ = false;
    bool launchAtLogin_ = false;
    bool allPaused_ = false;
    bool canPauseAll_ = false;
    bool hasFinished_ = false;
    UpdateNote update_;
    double wallLimit_ = std::numeric_limits<double>::infinity();
    std::optional<std::string> revealed_;
};

}  // namespace kestrove
