#include "core/watch/runtime.hpp"

#include <algorithm>

namespace kestrove {

TriggerGate::TriggerGate(int required, bool armed) : required(std::max(1, required)), armed(armed) {}

bool TriggerGate::update(bool met) {
    if (!met) {
        streak = 0;
        armed = true;
        return false;
    }
    if (!armed) return false;
    if (++streak < required) return false;
    markFired();
    return true;
}

void TriggerGate::markFired() {
    streak = 0;
    armed = false;
}

bool TriggerGate::settle(bool changed) {
    if (armed || changed) return false;
    streak = 0;
    armed = true;
    return true;
}

bool SettledGate::update(bool met, bool changed) {
    // A change while met and armed restarts the count but keeps the gate armed.
    if (met && armed && changed) {
        streak = 0;
        return false;
    }
    return TriggerGate::update(met);
}

CloudDebounce::CloudDebounce(int required, bool armed) : metGate(required, armed) {}

void CloudDebounce::resetMet() {
    metGate.streak = 0;
    metGate.armed = true;
}

CloudVerdict CloudDebounce::record(double met, double obstructed) {
    failures = 0;
    // Written as "not below" so a NaN score counts as neither met nor obstructed.
    if (obstructed >= obstructedThreshold) {
        ++obstructedStreak_;
        resetMet();
        if (obstructedStreak_ >= 2) {
            obstructed_ = true;
            wantsRecheck_ = false;
            return CloudVerdict::lostSight;
        }
        wantsRecheck_ = true;
        return CloudVerdict::askAgain;
    }
    obstructedStreak_ = 0;
    obstructed_ = false;
    if (!(met >= metThreshold)) {
        resetMet();
        wantsRecheck_ = false;
        return CloudVerdict::notYet;
    }
    if (metGate.armed) {
        if (++metGate.streak >= metGate.required) {
            metGate.markFired();
            wantsRecheck_ = false;
            return CloudVerdict::bark;
        }
    }
    wantsRecheck_ = metGate.streak > 0;
    return wantsRecheck_ ? CloudVerdict::askAgain : CloudVerdict::notYet;
}

bool CloudDebounce::recordFailure() { return ++failures == failuresBeforeTelling; }

int PollSchedule::interval(double quietFor) {
    if (quietFor >= 3600) return 30;
    if (quietFor >= 600) return 15;
    return 5;
}

}  // namespace kestrove
