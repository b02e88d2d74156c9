#include "core/foundation/pending.hpp"

namespace kestrove {

bool Completion::deliver(const Executor& executor, std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        if (cancelled_ || delivered_) return false;
        delivered_ = true;
        fn_ = std::move(fn);
    }
    executor([self = shared_from_this()] { self->run(); });
    return true;
}

void Completion::run() {
    std::unique_lock lock(mutex_);
    if (cancelled_ || !fn_) return;
    std::function<void()> work = std::move(fn_);
    fn_ = nullptr;
    running_ = true;
    runner_ = std::this_thread::get_id();
    lock.unlock();

    // However the completion ends, a cancel() waiting for it must wake.
    struct Finish {
        Completion& c;
        std::function<void()>& work;
        ~Finish() {
            work = nullptr;
            std::function<void()> hook;
            {
                std::lock_guard lock(c.mutex_);
                c.running_ = false;
                c.finished_ = true;
                hook = std::move(c.hook_);
                c.hook_ = nullptr;
            }
            c.idle_.notify_all();
        }
    } finish{*this, work};
    work();
}

void Completion::onCancel(std::function<void()> hook) {
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            if (!finished_) hook_ = std::move(hook);
            return;
        }
    }
    if (hook) hook();
}

void Completion::cancel() {
    std::function<void()> dropped, hook;
    {
        std::unique_lock lock(mutex_);
        if (!cancelled_ && !finished_) {
            cancelled_ = true;
            dropped = std::move(fn_);
            fn_ = nullptr;
            hook = std::move(hook_);
            hook_ = nullptr;
        }
        if (running_ && runner_ != std::this_thread::get_id()) idle_.wait(lock, [this] { return !running_; });
    }
    if (hook) hook();
}

bool Completion::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool Completion::active() const {
    std::lock_guard lock(mutex_);
    return !cancelled_ && !running_ && !finished_;
}

Pending& Pending::operator=(Pending&& other) noexcept {
    if (this != &other) {
        cancel();
        completion_ = std::move(other.completion_);
    }
    return *this;
}

Pending Pending::answered(const Executor& executor, std::function<void()> fn) {
    auto completion = std::make_shared<Completion>();
    completion->deliver(executor, std::move(fn));
    return Pending(std::move(completion));
}

}  // namespace kestrove
