#pragma once
// A KeepAwake for the engine's tests: every call, and the hold as the real
// one would keep it.

#include <vector>

#include "app/platform/keep_awake.hpp"

namespace kestrove::fakes {

class FakeKeepAwake final : public KeepAwake {
public:
    std::vector<bool> calls;  // each set(), in order
    int takes = 0;            // holds asked of the system (a change of the wanted state)
    bool refuse = false;      // the system refuses the hold

    void set(bool on) override {
        calls.push_back(on);
        if (on && !holding_) {
            ++takes;
            holding_ = !refuse;
        } else if (!on) {
            holding_ = false;
        }
    }
    bool held() const override { return holding_; }

private:
    bool holding_ = false;
};

}  // namespace kestrove::fakes
