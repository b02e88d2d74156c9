#pragma once
// The window a box was bound to, as one look after another finds it listed:
// the anchor's window (its id, owner and app) in the life each list first
// showed it in. X11 hands a destroyed window's id to the next window made;
// once a look shows the id held by another window, or by another life of
// it, the bound window is closed for good, whatever holds the id afterwards.

#include <vector>

#include "core/watch/watch_spec.hpp"
#include "core/windows/window_binding.hpp"

namespace kestrove {

class BoundWindow {
public:
    explicit BoundWindow(WindowAnchor anchor) : anchor_(std::move(anchor)) {}

    // Whether this entry of a list is the bound window. An entry under
    // another id says nothing; one under its id that is not it closes it.
    bool holds(const WindowInfo& listed);
    // Known gone (its capture found it destroyed): nothing holds it again.
    void close() { closed_ = true; }
    bool closed() const { return closed_; }
    const WindowAnchor& anchor() const { return anchor_; }

private:
    WindowAnchor anchor_;
    std::vector<WindowLife> lives_;  // the first each counting list showed
    bool closed_ = false;
};

}  // namespace kestrove
