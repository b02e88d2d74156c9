#pragma once
// Keeps the computer from idle sleep while watches run (the displays may
// still sleep). The manager says what it wants at every change; only a
// change of the wanted state reaches the system.

namespace kestrove {

class KeepAwake {
public:
    virtual ~KeepAwake() = default;

    // On: take the hold when none is held (a failure is silent; the next
    // set(true) tries again). Off: release a held one. Never blocks.
    virtual void set(bool on) = 0;
    // Whether the hold is in place now.
    virtual bool held() const = 0;
};

}  // namespace kestrove
