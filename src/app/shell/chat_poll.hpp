#pragma once
// The chat's keep and stop presses, fetched again and again: a sleep of
// five seconds, one poll, and the next sleep only once that poll has
// answered, so a slow server never has two polls in flight. Main thread.

#include <chrono>
#include <functional>

#include "app/engine/clock.hpp"

namespace kestrove {

class ChatPoll {
public:
    static constexpr std::chrono::seconds pause{5};
    // Starts one poll; `done` runs when it has answered, whatever the answer.
    using Poll = std::function<Pending(std::function<void()> done)>;

    ChatPoll(EngineClock& clock, Poll poll);
    // The first poll comes one pause after this.
    void start();
    // Ends the sleep or the poll in flight; no poll starts afterwards.
    void stop();
    bool running() const { return running_; }

private:
    void sleep();

    EngineClock& clock_;
    Poll poll_;
    bool running_ = false;
    Pending step_;
};

}  // namespace kestrove
