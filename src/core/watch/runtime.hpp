#pragma once
// Gates that turn a series of per-check results into decisions to bark, and
// the schedule that slows the checking of a quiet box.

namespace kestrove {

// Fires once after `required` met checks in a row; re-arms on a check that
// is not met, or when its caller settles on a new reference.
struct TriggerGate {
    int required = 1;
    int streak = 0;
    bool armed = true;

    TriggerGate(int required = 1, bool armed = true);
    bool update(bool met);
    void breakStreak() { streak = 0; }
    // As if the gate had just fired: a bark decided elsewhere is not repeated here.
    void markFired();
    // For a rule judged against a reference that moves to what it barked at
    // (every time: any change, new lines, new items). A box that moved on
    // right after its bark never shows that reference again: once it kept
    // still for a check (`changed` false), what it shows becomes the
    // reference and the gate is armed. True when the caller must take that
    // reference. A box that never stops changing stays disarmed.
    bool settle(bool changed);
    bool operator==(const TriggerGate&) const = default;
};

// A trigger gate whose count also restarts whenever the box changed.
struct SettledGate : TriggerGate {
    using TriggerGate::TriggerGate;
    bool update(bool met, bool changed);
    bool operator==(const SettledGate&) const = default;
};

enum class CloudVerdict { notYet, askAgain, bark, lostSight };

// The gate for the model's answers, each carrying a met and an obstructed score.
class CloudDebounce {
public:
    static constexpr double metThreshold = 0.85;
    static constexpr double obstructedThreshold = 0.7;
    static constexpr int failuresBeforeTelling = 3;

    CloudDebounce(int required = 1, bool armed = true);

    CloudVerdict record(double met, double obstructed);
    // True exactly at the third failure in a row: the moment to tell the user.
    bool recordFailure();

    bool cantReachServer() const { return failures > failuresBeforeTelling - 1; }
    bool wantsRecheck() const { return wantsRecheck_; }
    bool obstructed() const { return obstructed_; }

    TriggerGate metGate;
    int failures = 0;

    bool operator==(const CloudDebounce&) const = default;

private:
    void resetMet();
    int obstructedStreak_ = 0;
    bool obstructed_ = false;
    bool wantsRecheck_ = false;
};

namespace PollSchedule {
// Seconds between checks of a box whose picture has not changed for `quietFor` seconds.
int interval(double quietFor);
}

}  // namespace kestrove
