#pragma once
// The system's window list, front to back: the blocking backend that worker
// threads read (the binder, the direct reader), and the asynchronous list
// that main-thread callers ask.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/platform/selected_region.hpp"
#include "core/foundation/pending.hpp"
#include "core/foundation/result.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

enum class WindowListOptions { onScreenOnly, all };

// Layers as the window list reports them: 0 for ordinary windows.
namespace WindowLayer {
inline constexpr int desktop = -1;
inline constexpr int normal = 0;
inline constexpr int above = 3;
inline constexpr int dock = 20;
inline constexpr int overrideRedirect = 101;  // menus, tooltips, popups
}  // namespace WindowLayer

// Blocking; used on one thread at a time.
class WindowList {
public:
    virtual ~WindowList() = default;
    // Front to back; bundleID left empty (the binder asks bundleID()).
    virtual std::vector<WindowInfo> list(WindowListOptions options) = 0;
    // The desktop-file id the window tells, else its WM_CLASS instance.
    virtual std::optional<std::string> bundleID(std::uint32_t window) = 0;
    // False when there is no window system to ask: an empty list then means
    // nothing, not "no windows".
    virtual bool isConnected() const { return true; }
    // For a list that hears of changes itself: from now on `changed` is
    // called, on a thread of the list's own or inside a call, whenever what
    // the list reports may have changed since it was last read. False (and
    // never called) when the list cannot tell: it must then be read again to
    // know.
    virtual bool hearChanges(std::function<void()> changed) {
        (void)changed;
        return false;
    }
};

// Why there is no window list.
struct WindowListError {
    std::string description;
    bool operator==(const WindowListError&) const = default;
};

using ListedWindows = Result<std::vector<WindowInfo>, WindowListError>;
// The windows a caller was last told of, kept to be told only of changes.
using ToldWindows = std::shared_ptr<const std::vector<WindowInfo>>;

// For main-thread callers. Answers arrive through the main-thread executor
// the list was made with, never inside the call, only while the handle is
// held.
class AsyncWindowList {
public:
    virtual ~AsyncWindowList() = default;

    // `owner`: the watch or part asking; its newer request with the same
    // options replaces one still waiting (empty: a one-off).
    [[nodiscard]] virtual Pending list(const std::string& owner, WindowListOptions options,
                                       std::function<void(ListedWindows)> done) = 0;
    // For a caller that follows the windows and keeps what it was told: the
    // list is read on the list's own thread at once, then at the instant of a
    // grid of `every` after each change the window system tells of (at every
    // instant when the list cannot hear of changes), and the answer comes
    // only when the windows are no longer those `told` (any list without
    // `told`). A quiet desktop wakes neither the caller's thread nor the
    // caller. A list that cannot be read tells nothing: it is read again at
    // the next instant.
    [[nodiscard]] virtual Pending listChanged(const std::string& owner, WindowListOptions options, ToldWindows told,
                                              std::chrono::milliseconds every,
                                              std::function<void(ListedWindows)> done) = 0;
    // WindowBinder::bind on the list's worker: the selection anchored to the
    // window that holds the box, or unchanged.
    [[nodiscard]] virtual Pending bind(const SelectedRegion& selection,
                                       std::function<void(SelectedRegion)> done) = 0;
    // The owner is gone: its waiting requests are dropped.
    virtual void forget(const std::string& owner) = 0;
};

}  // namespace kestrove
