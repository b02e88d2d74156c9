#pragma once
// The window list read from the X server on a connection of its own: the
// window manager's clients by stacking, or the root's children without one.
// Read in full only when the server tells of a change (or the screens
// changed, or the last full reading is old): the frames follow their windows
// four times a second, and a quiet desktop then costs one round trip, or
// none for a list that goes by the notices that have come. A list that
// hears changes itself is asked again only after one, and reads in full on
// its notices alone.

#include <chrono>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "app/platform/screen_space.hpp"
#include "app/platform/window_list.hpp"

namespace kestrove {

class XcbConnection;
class XcbNoticeWatch;
class XcbWindowChanges;

class XcbWindowList final : public WindowList {
public:
    // How a list learns that the server changed something since the last.
    enum class Notices {
        asked,  // it asks the server first (one round trip): covers all it did
        come,   // it takes in the notices that have come, without waiting
    };

    // `scale`: device pixels per point (rectangles are divided by it).
    explicit XcbWindowList(double scale = 1, Notices notices = Notices::asked);
    // Each window's rectangle divided by the scale of the screen it is on.
    // `screens` must outlive the list and answer on its thread (QtScreens does).
    explicit XcbWindowList(const Screens& screens);
    ~XcbWindowList() override;

    // False without an X server; the list is then always empty.
    bool isConnected() const override;

    std::vector<WindowInfo> list(WindowListOptions options) override;
    std::optional<std::string> bundleID(std::uint32_t window) override;
    bool hearChanges(std::function<void()> changed) override;

private:
    // Which of these windows are still our own override-redirect ones, asked
    // with one request each; the rest are described in full.
    std::vector<std::uint32_t> withoutOwnOverlays(const std::vector<std::uint32_t>& order);
    std::vector<WindowInfo> readAll(const std::vector<ScreenInfo>& screens);

    std::unique_ptr<XcbConnection> x_;
    double scale_ = 1;
    Notices notices_ = Notices::asked;
    const Screens* screens_ = nullptr;
    // Our own override-redirect windows (frames, overlays) seen so far. Every
    // reader of the list passes over them, and with twenty frames describing
    // them in full was most of the list's cost.
    std::unordered_set<std::uint32_t> ownOverlays_;
    // The life of each window listed so far, until its destroy notice comes:
    // a window made later under its id is listed in a new life.
    const std::uint32_t number_;  // which list counts them
    std::unordered_map<std::uint32_t, std::uint64_t> lives_;
    std::uint64_t lastLife_ = 0;

    // What the notices cannot tell (a window moved inside its frame) shows
    // at the next full reading, at most this long after the last.
    static constexpr std::chrono::seconds fullReadingAge{2};
    struct Reading {
        std::vector<WindowInfo> windows;  // every listed window, on screen or not
        std::vector<ScreenInfo> screens;
        std::chrono::steady_clock::time_point at;
    };
    std::unique_ptr<XcbWindowChanges> changes_;
    std::optional<Reading> last_;
    std::unique_ptr<XcbNoticeWatch> watch_;  // ends first: it uses the connection
};

}  // namespace kestrove
