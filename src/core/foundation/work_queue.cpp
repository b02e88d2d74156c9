#include "core/foundation/work_queue.hpp"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>

#include "core/foundation/log.hpp"
#include "core/foundation/time_grid.hpp"

namespace kestrove {

using Clock = std::chrono::steady_clock;

struct WorkQueueBase::State {
    std::string name;
    Executor executor;
    MakeContext make;
    bool manual = false;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::set<std::string> busy;  // owners with a job running
    int running = 0;             // jobs taken by a worker and not done yet
    std::condition_variable idle;
    bool stopping = false;
    unsigned long long wakes = 0;  // calls of wake()
    // Every handle given out whose completion may still run, so that stop()
    // can keep answers already on their way from arriving.
    std::vector<std::weak_ptr<Completion>> issued;
    std::size_t pruneAt = 64;
    std::shared_ptr<void> manualContext;  // without threads: made and ended on the caller's thread

    // Waiting jobs taken out under the lock are destroyed outside it: their
    // captures may reach back into the queue.
    std::vector<Job> takeOut(const std::function<bool(const Job&)>& which) {
        std::vector<Job> out;
        std::lock_guard lock(mutex);
        for (auto it = jobs.begin(); it != jobs.end();) {
            if (which(*it)) {
                out.push_back(std::move(*it));
                it = jobs.erase(it);
            } else {
                ++it;
            }
        }
        return out;
    }

    bool free(const Job& j) const { return j.key.owner.empty() || !busy.count(j.key.owner); }

    // The oldest waiting job that is due and whose owner has none running;
    // jobs.end() when none may start.
    std::deque<Job>::iterator next(Clock::time_point now) {
        return std::find_if(jobs.begin(), jobs.end(), [&](const Job& j) { return j.notBefore <= now && free(j); });
    }

    // When the first job that may start, but is not due yet, falls due;
    // work waiting to be woken falls due at no time.
    std::optional<Clock::time_point> nextDue(Clock::time_point now) const {
        std::optional<Clock::time_point> due;
        for (const Job& j : jobs)
            if (j.notBefore > now && j.notBefore != asleep && free(j) && (!due || j.notBefore < *due))
                due = j.notBefore;
        return due;
    }

    static constexpr Clock::time_point asleep = Clock::time_point::max();

    // Taken by a worker (or runOne); under the lock.
    void started(Job& job) const { job.woken = wakes; }

    // True when the work had nothing to tell and waits to run again.
    bool execute(Job& job, std::shared_ptr<void>& context) {
        if (job.completion && job.completion->cancelled()) return false;
        try {
            if (!context) context = make();
            if (!context) throw std::runtime_error("the worker could not be set up");
            return !job.work(context.get());
        } catch (...) {
            logCaughtException(name);
            if (job.fail) job.fail();
            return false;
        }
    }

    // Back in line for its next instant, unless its caller let it go or the
    // queue stops. Under the lock.
    void again(Job& job) {
        if (stopping || !job.completion || job.completion->cancelled()) return;
        const bool sleeps = job.untilWoken && job.woken == wakes;
        job.notBefore = sleeps ? asleep : gridAfter(Clock::now(), job.every);
        jobs.push_back(std::move(job));
    }
};

WorkQueueBase::WorkQueueBase(std::string name, int threads, Executor executor, MakeContext make)
    : state_(std::make_shared<State>()) {
    state_->name = std::move(name);
    state_->executor = std::move(executor);
    state_->make = std::move(make);
    state_->manual = threads <= 0;
    for (int i = 0; i < threads; ++i) threads_.emplace_back(loop, state_);
}

WorkQueueBase::~WorkQueueBase() { stop(); }

const Executor& WorkQueueBase::executor() const { return state_->executor; }
const std::string& WorkQueueBase::name() const { return state_->name; }

void WorkQueueBase::loop(std::shared_ptr<State> state) {
    // Named after its queue, so a profile or top tells the workers apart
    // (the system keeps 15 characters).
    pthread_setname_np(pthread_self(), state->name.substr(0, 15).c_str());
    std::shared_ptr<void> context;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(state->mutex);
            auto it = state->jobs.end();
            while (!state->stopping && (it = state->next(Clock::now())) == state->jobs.end()) {
                // Work waiting for a change sleeps until its instant.
                if (auto due = state->nextDue(Clock::now())) state->wake.wait_until(lock, *due);
                else state->wake.wait(lock);
            }
            if (state->stopping) break;
            job = std::move(*it);
            state->jobs.erase(it);
            state->started(job);
            if (!job.key.owner.empty()) state->busy.insert(job.key.owner);
            ++state->running;
        }
        const bool again = state->execute(job, context);
        const std::string owner = job.key.owner;
        if (!again) job = Job{};  // its captures go before anyone hears it is done
        bool more = false;
        {
            std::lock_guard lock(state->mutex);
            if (!owner.empty()) state->busy.erase(owner);
            --state->running;
            if (again) state->again(job);
            more = state->next(Clock::now()) != state->jobs.end();
        }
        job = Job{};  // one not put back in line ends outside the lock
        // Its owner's next job may start now, on whichever worker is free.
        // With nothing to start, the idle workers sleep on: a quiet service
        // wakes one thread per job, not all of them.
        if (more) state->wake.notify_all();
        state->idle.notify_all();
    }
    // The context ends on the thread that made it.
    context.reset();
}

Pending WorkQueueBase::enqueue(Job job) {
    std::shared_ptr<Completion> completion = job.completion;
    if (completion) {
        // Cancelling takes a waiting job out at once, so it holds nothing.
        completion->onCancel([weak = std::weak_ptr<State>(state_), which = completion.get()] {
            if (auto state = weak.lock()) state->takeOut([which](const Job& j) { return j.completion.get() == which; });
        });
    }
    std::vector<Job> replaced;
    bool refused = false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) {
            refused = true;
            replaced.push_back(std::move(job));
        } else {
            if (completion) {
                auto& issued = state_->issued;
                if (issued.size() >= state_->pruneAt) {
                    std::erase_if(issued, [](const std::weak_ptr<Completion>& w) {
                        auto c = w.lock();
                        return !c || !c->active();
                    });
                    state_->pruneAt = std::max<std::size_t>(64, issued.size() * 2);
                }
                issued.push_back(completion);
            }
            auto same = job.key.owner.empty()
                            ? state_->jobs.end()
                            : std::find_if(state_->jobs.begin(), state_->jobs.end(),
                                           [&](const Job& j) { return j.key == job.key; });
            if (same != state_->jobs.end()) {
                replaced.push_back(std::move(*same));
                *same = std::move(job);  // the newer request keeps the older one's place in line
            } else {
                state_->jobs.push_back(std::move(job));
            }
        }
    }
    if (!refused) state_->wake.notify_one();
    if (refused && completion) completion->cancel();
    for (Job& old : replaced)
        if (old.completion && old.completion != completion) old.completion->cancel();
    return Pending(std::move(completion));
}

void WorkQueueBase::drop(const std::string& owner) {
    if (owner.empty()) return;
    std::vector<Job> dropped = state_->takeOut([&](const Job& j) { return j.key.owner == owner; });
    for (Job& j : dropped)
        if (j.completion) j.completion->cancel();
}

void WorkQueueBase::stop() {
    std::deque<Job> dropped;
    std::vector<std::shared_ptr<Completion>> live;
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->idle.notify_all();
        dropped.swap(state_->jobs);
        for (const auto& w : state_->issued)
            if (auto c = w.lock()) live.push_back(std::move(c));
        state_->issued.clear();
    }
    state_->wake.notify_all();
    for (std::thread& t : threads_) {
        if (t.get_id() == std::this_thread::get_id()) t.detach();
        else if (t.joinable()) t.join();
    }
    threads_.clear();
    // Answers that left a worker before it stopped are still on their way.
    for (const auto& c : live) c->cancel();
    dropped.clear();
    state_->manualContext.reset();
}

void WorkQueueBase::drain() {
    if (state_->manual) {
        runAll();
        return;
    }
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [&] {
        const bool onlyWaitingForChanges = std::all_of(state_->jobs.begin(), state_->jobs.end(),
                                                       [](const Job& j) { return j.every > Clock::duration::zero(); });
        return state_->stopping || (onlyWaitingForChanges && state_->running == 0);
    });
}

void WorkQueueBase::wake() {
    {
        std::lock_guard lock(state_->mutex);
        ++state_->wakes;
        const Clock::time_point now = Clock::now();
        for (Job& j : state_->jobs)
            if (j.notBefore == State::asleep) j.notBefore = gridAfter(now, j.every);
    }
    state_->wake.notify_one();
}

std::size_t WorkQueueBase::waiting() const {
    std::lock_guard lock(state_->mutex);
    return state_->jobs.size();
}

bool WorkQueueBase::runOne() {
    if (!state_->manual) throw std::logic_error(state_->name + ": runOne() on a queue with threads");
    Job job;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping) return false;
        auto due = std::find_if(state_->jobs.begin(), state_->jobs.end(),
                                [](const Job& j) { return j.notBefore <= Clock::now(); });
        if (due == state_->jobs.end()) return false;
        job = std::move(*due);
        state_->jobs.erase(due);
        state_->started(job);
    }
    if (state_->execute(job, state_->manualContext)) {
        std::lock_guard lock(state_->mutex);
        state_->again(job);
    }
    job = Job{};
    return true;
}

std::size_t WorkQueueBase::runAll() {
    std::size_t ran = 0;
    while (runOne()) ++ran;
    return ran;
}

}  // namespace kestrove
