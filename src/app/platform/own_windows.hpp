#pragma once
// Every top-level window this application shows, by X window id: the one
// answer to "is this ours?". The capturer leaves them out of pictures of a
// display; the frames around watched boxes stay below the ones that float.
// Also the programs that show something of ours for a while (the
// notification service with a bubble of ours): the capturer takes their
// floating windows for ours too. Written on the main thread, read on any
// (the capturer reads it on its worker).

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

struct OwnWindow {
    enum class Kind {
        frame,     // around a watched box: above other programs, below what floats
        floating,  // panels, menus, the selection overlay, alerts: above the frames
        ordinary,  // a titled window at the normal level
        embedded,  // inside another program's window: the tray icon
    };
    std::uint32_t id = 0;
    Kind kind = Kind::ordinary;
    // Where it puts pixels, in points from the window's top-left corner;
    // none: anywhere inside it.
    std::optional<std::vector<Rect>> painted;
    // Shows only for a moment (panels, menus, the selection overlay): a box
    // that only such windows hide waits a little longer for them to go.
    bool passing = false;
    bool operator==(const OwnWindow&) const = default;
};

class OwnWindows {
public:
    using All = std::shared_ptr<const std::vector<OwnWindow>>;

    // The property a window sets when it tells where it paints itself (the
    // frames), so that whatever registers every shown window leaves it alone.
    static constexpr const char* frameProperty = "kestroveFrame";
    // The property of a panel that may stay open for long (the new-watch
    // panel): not passing, though a panel.
    static constexpr const char* lastingProperty = "kestroveLasting";

    // Ours from now on (shown or not: the X server says whether it shows);
    // a window set again replaces its earlier entry.
    void set(const OwnWindow& window);
    // Destroyed for good.
    void forget(std::uint32_t id);

    // Every window of ours; a snapshot that later changes leave alone.
    All all() const;
    bool isOurs(std::uint32_t id) const;

    // The processes that show something of ours now, replacing the earlier ones.
    void setHelpers(std::vector<std::int32_t> processes);
    std::vector<std::int32_t> helpers() const;

private:
    mutable std::mutex mutex_;
    All all_ = std::make_shared<const std::vector<OwnWindow>>();
    std::vector<std::int32_t> helpers_;
};

}  // namespace kestrove
