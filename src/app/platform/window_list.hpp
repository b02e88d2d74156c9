#pragma once
// The system's window list, front to back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

class WindowList {
public:
    virtual ~WindowList() = default;
    // Front to back; bundleID left empty (the binder asks bundleID()).
    virtual std::vector<WindowInfo> list(WindowListOptions options) = 0;
    // The desktop-file id the window tells, else its WM_CLASS instance.
    virtual std::optional<std::string> bundleID(std::uint32_t window) = 0;
};

}  // namespace kestrove
