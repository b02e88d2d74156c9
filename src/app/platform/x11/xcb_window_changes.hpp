#pragma once
// Whether anything the window list reports may have changed since it was
// last read, from the X server's own notices: top-level windows created,
// shown, hidden, moved, restacked or destroyed, and the properties the list
// reads, on the root and on each window it listed. Asking costs one round
// trip, so the answer covers everything the server did before the question;
// looking only takes in the notices that have already come, with no wait.
// Uses the connection's event queue; one thread at a time.

#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include <xcb/xcb.h>

namespace kestrove {

class XcbConnection;

class XcbWindowChanges {
public:
    explicit XcbWindowChanges(XcbConnection& x);

    // Also hear of property and structure changes on these windows (the
    // ones just listed); windows no longer among them are forgotten.
    void watch(const std::vector<std::uint32_t>& windows);
    // True when a notice arrived since the last call (or the question failed).
    bool changedSinceLastAsked();
    // The same without asking: a change the server made is told once its
    // notice has come (the server sends it as it makes the change, before
    // answering anyone else about it).
    bool changedSinceLastLooked();
    // Takes in the notices read along with replies meanwhile, without
    // reading or waiting: a window destroyed before the list described its
    // id is known then. Whether they matter is told by the next call above.
    void takeQueued();
    // The windows destroyed since the last call, as their notices came.
    std::vector<std::uint32_t> takeDestroyed() { return std::exchange(destroyed_, {}); }

private:
    // Takes in the notices that have come; whether one of them matters.
    bool takeNotices();
    // Notes a destroyed window; whether the notice matters to the list.
    bool takeIn(const xcb_generic_event_t& event);

    XcbConnection& x_;
    std::unordered_set<std::uint32_t> watched_;
    std::unordered_set<xcb_atom_t> readProperties_;
    std::vector<std::uint32_t> destroyed_;
    bool queuedMattered_ = false;  // told by the next question or look
};

}  // namespace kestrove
