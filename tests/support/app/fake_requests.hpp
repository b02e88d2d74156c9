#pragma once
// The requests of one kind a fake platform service has been asked, and its
// answers to them. An answer is posted through the main-thread executor,
// never inside the call: at once, or, with `hold` set, only when the test
// releases it (so a test can cancel before it arrives). Answers come from
// `script` in order, then from the fake's default for the request, worked
// out when the answer is given. A newer request under the owner and lane of
// one still held replaces it, as the real queues do. Using a fake off the
// thread that made it, releasing nothing, or asking without a completion
// fails the test.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/foundation/executor.hpp"
#include "core/foundation/pending.hpp"

namespace kestrove::fakes {

// A payload for requests and answers that carry nothing.
struct Nothing {
    bool operator==(const Nothing&) const = default;
};

template <typename Request, typename Answer>
class Requests {
public:
    struct Asked {
        std::string owner;
        Request request;
    };

    Requests(std::string what, Executor main, std::function<Answer(const Request&)> answerFor)
        : what_(std::move(what)), main_(std::move(main)), answerFor_(std::move(answerFor)) {}

    bool hold = false;                   // keep answers back until release()
    std::deque<Answer> script;           // the next answers, in order
    std::vector<Asked> asked;            // every request, in order
    std::vector<std::string> forgotten;  // owners said to be gone

    // Requests held back and neither answered, cancelled nor replaced.
    std::size_t held() const { return state_->held.size(); }
    const Asked& heldAt(std::size_t i) const { return state_->held.at(i).asked; }

    // Answers the oldest held request, with `answer` or the next one.
    bool release() { return releaseWith(nullptr); }
    bool release(Answer answer) { return releaseWith(&answer); }
    std::size_t releaseAll() {
        std::size_t n = 0;
        while (held() > 0 && release()) ++n;
        return n;
    }

    Pending ask(std::string owner, std::string lane, Request request, std::function<void(Answer)> done) {
        onThread("asked");
        if (!done) ADD_FAILURE() << what_ << " asked without a completion";
        asked.push_back({owner, request});
        auto completion = std::make_shared<Completion>();
        if (!hold) {
            deliver(*completion, std::move(done), next(request));
            return Pending(std::move(completion));
        }
        auto& held = state_->held;
        if (!owner.empty())
            for (auto it = held.begin(); it != held.end(); ++it)
                if (it->asked.owner == owner && it->lane == lane) {
                    auto replaced = it->completion;
                    held.erase(it);
                    replaced->cancel();
                    break;
                }
        completion->onCancel([weak = std::weak_ptr<State>(state_), which = completion.get()] {
            if (auto state = weak.lock()) std::erase_if(state->held, [&](const Held& h) { return h.completion.get() == which; });
        });
        held.push_back({{std::move(owner), std::move(request)}, std::move(lane), completion, std::move(done)});
        return Pending(std::move(completion));
    }

    void forget(const std::string& owner) {
        onThread("told an owner is gone");
        forgotten.push_back(owner);
        if (owner.empty()) return;
        std::vector<std::shared_ptr<Completion>> dropped;
        for (const Held& h : state_->held)
            if (h.asked.owner == owner) dropped.push_back(h.completion);
        for (auto& c : dropped) c->cancel();
    }

    void onThread(const char* doing) const {
        if (std::this_thread::get_id() != thread_) ADD_FAILURE() << what_ << " " << doing << " off the main thread";
    }

private:
    struct Held {
        Asked asked;
        std::string lane;
        std::shared_ptr<Completion> completion;
        std::function<void(Answer)> done;
    };
    struct State {
        std::deque<Held> held;
    };

    Answer next(const Request& request) {
        if (script.empty()) return answerFor_(request);
        Answer a = std::move(script.front());
        script.pop_front();
        return a;
    }
    void deliver(Completion& c, std::function<void(Answer)> done, Answer answer) {
        c.deliver(main_, [done = std::move(done), answer = std::move(answer)]() mutable {
            if (done) done(std::move(answer));
        });
    }
    bool releaseWith(Answer* answer) {
        onThread("released");
        if (state_->held.empty()) {
            ADD_FAILURE() << what_ << ": release() with nothing held";
            return false;
        }
        Held h = std::move(state_->held.front());
        state_->held.pop_front();
        deliver(*h.completion, std::move(h.done), answer ? std::move(*answer) : next(h.asked.request));
        return true;
    }

    std::string what_;
    Executor main_;
    std::function<Answer(const Request&)> answerFor_;
    std::thread::id thread_ = std::this_thread::get_id();
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kestrove::fakes
