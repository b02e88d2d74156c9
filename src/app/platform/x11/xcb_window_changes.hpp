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

private:
    // Takes in the notices that have come; whether one of them matters.
    bool takeNotices();
    bool matters(const xcb_generic_event_t& event) const;

    XcbConnection& x_;
    std::unordered_set<std::uint32_t> watched_;
    std::unordered_set<xcb_atom_t> readProperties_;
};

}  // namespace kestrove
