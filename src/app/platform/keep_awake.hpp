#pragma once
// Keeps the computer from idle sleep while watches run (the displays may
// still sleep). The manager says what it wants at every change; only a
// change of the wanted state reaches the system.

#include <memory>
#include <vector>

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

// Every hold at once: set goes to each, held while any holds.
class KeepAwakeSet final : public KeepAwake {
public:
    void add(std::unique_ptr<KeepAwake> hold) { holds_.push_back(std::move(hold)); }
    void set(bool on) override {
        for (auto& h : holds_) h->set(on);
    }
    bool held() const override {
        for (const auto& h : holds_)
            if (h->held()) return true;
        return false;
    }

private:
    std::vector<std::unique_ptr<KeepAwake>> holds_;
};

}  // namespace kestrove
