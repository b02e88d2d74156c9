#pragma once
// The handle of one asynchronous call, and the completion state its producer
// keeps. Whoever holds the handle decides whether the answer is still
// wanted: cancelling it, or letting it go, guarantees that the completion
// never runs afterwards, whichever thread the answer is on its way from.
//
//   auto completion = std::make_shared<Completion>();
//   completion->onCancel([...] { /* drop the queued work */ });
//   ... later, on a worker:  completion->deliver(executor, [done, answer] { done(answer); });
//   return Pending(completion);

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/foundation/executor.hpp"

namespace kestrove {

// The producer's side, shared by the handle and the work in flight.
class Completion : public std::enable_shared_from_this<Completion> {
public:
    Completion() = default;
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    // Posts `fn` through `executor`; there it runs only if the call was not
    // cancelled by then. At most once: a second delivery, or one after
    // cancel(), posts nothing and answers false.
    bool deliver(const Executor& executor, std::function<void()> fn);

    // Runs once, on the cancelling thread, when the call is cancelled before
    // its completion ran (to drop queued work or abort a transfer); at once
    // when it is cancelled already.
    void onCancel(std::function<void()> hook);

    // After it returns the completion never runs and is not running (unless
    // called from inside it). Safe from any thread, any number of times.
    void cancel();

    bool cancelled() const;
    // Neither cancelled nor begun: the completion may still run.
    bool active() const;

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::function<void()> fn_;
    std::function<void()> hook_;
    bool delivered_ = false;
    bool cancelled_ = false;
    bool running_ = false;
    bool finished_ = false;
    std::thread::id runner_;
};

// The caller's side: move-only; letting it go cancels.
class [[nodiscard]] Pending {
public:
    Pending() = default;  // nothing in flight
    explicit Pending(std::shared_ptr<Completion> completion) : completion_(std::move(completion)) {}
    Pending(Pending&&) noexcept = default;
    // Cancels the call held before.
    Pending& operator=(Pending&& other) noexcept;
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;
    ~Pending() { cancel(); }

    // See Completion::cancel.
    void cancel() const {
        if (completion_) completion_->cancel();
    }
    bool active() const { return completion_ && completion_->active(); }

    // An answer known at once: it still arrives through `executor`, never
    // inside this call, and cancelling stops it.
    static Pending answered(const Executor& executor, std::function<void()> fn);

private:
    std::shared_ptr<Completion> completion_;
};

}  // namespace kestrove
