#include "app/shell/chat_poll.hpp"

namespace kestrove {

ChatPoll::ChatPoll(EngineClock& clock, Poll poll) : clock_(clock), poll_(std::move(poll)) {}

void ChatPoll::start() {
    if (running_) return;
    running_ = true;
    sleep();
}

void ChatPoll::stop() {
    running_ = false;
    step_.cancel();
    step_ = Pending();
}

void ChatPoll::sleep() {
    step_ = clock_.after(pause, [this] {
        step_ = poll_([this] {
            if (running_) sleep();
        });
    });
}

}  // namespace kestrove
