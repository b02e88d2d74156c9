#pragma once
// Worker threads for blocking work (a capture, a recognition, an
// accessibility walk, an X round trip), with everything the contract of
// asynchronous calls asks of them:
//
// - Each worker makes its own context on its own thread, by the factory,
//   on its first job, and ends it there (Tesseract engines, an XCB
//   connection, the accessibility tree).
// - A job is posted under a key: its owner (a watch id; empty for a one-off)
//   and a lane. A job posted under the key of one still waiting takes its
//   place: latest wins, the older one's completion never runs. drop(owner)
//   removes an owner's waiting jobs.
// - An owner's jobs run one at a time, oldest first: what an owner keeps
//   between its jobs (a direct session's place in a tree) is never touched
//   by two workers at once. Meanwhile the other workers take the next jobs of
//   other owners, so one owner's slow job holds up only that owner.
// - Every answer arrives through the queue's executor, never inside post(),
//   and only while its handle is held and not cancelled.
// - A job that throws writes one "Kestrove: <queue>: <what>" line and
//   answers with its failure answer; the worker lives on.
// - Work that waits for a change (postUntilSomething) runs again on the
//   worker at the instants of a grid until it has something to tell; the
//   caller's thread sleeps meanwhile. Work that waits to be woken runs again
//   only at the grid instant after a wake(): a quiet service wakes no thread.
// - stop() (also on destruction) lets running jobs finish, drops waiting
//   ones and joins; no completion runs after it returns. drain() first
//   when the waiting ones must be done (writes nobody waits for).
// - With no threads, nothing runs until the owner calls runOne()/runAll() on
//   its own thread, so tests stay single-threaded and deterministic.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/foundation/executor.hpp"
#include "core/foundation/pending.hpp"

namespace kestrove {

struct JobKey {
    std::string owner;  // a watch id, or the asking part; empty: a one-off, never replaced
    std::string lane;   // which of the owner's requests
    bool operator==(const JobKey&) const = default;
};

// The part that knows nothing of the context's type.
class WorkQueueBase {
public:
    WorkQueueBase(const WorkQueueBase&) = delete;
    WorkQueueBase& operator=(const WorkQueueBase&) = delete;

    // Removes the owner's waiting jobs; their completions never run. A job
    // already running finishes. An empty owner drops nothing.
    void drop(const std::string& owner);
    // Idempotent; from a worker's own job it cannot join that worker, which
    // then ends after the job.
    void stop();
    // Blocks until no job waits and none runs, the ones posted meanwhile
    // included, save work waiting for a change (without threads: runs them
    // here). Never from a worker's own job.
    void drain();
    std::size_t waiting() const;
    const std::string& name() const;
    // Work waiting to be woken runs again at the next instant of its grid;
    // work running now runs again then too. From any thread.
    void wake();

    // Without threads only: runs the oldest waiting job that is due on the calling
    // thread (false when none waits); runAll() until none waits, jobs posted
    // meanwhile included. Throws std::logic_error on a queue with threads.
    bool runOne();
    std::size_t runAll();

protected:
    using MakeContext = std::function<std::shared_ptr<void>()>;
    struct Job {
        JobKey key;
        std::shared_ptr<Completion> completion;  // none for work nobody waits for
        // Does the work and delivers its answer; false: nothing to tell yet,
        // to run again at the next instant of the grid of `every`.
        std::function<bool(void*)> work;
        std::function<void()> fail;  // delivers the failure answer
        std::chrono::steady_clock::duration every{};
        std::chrono::steady_clock::time_point notBefore{};  // waits until then
        bool untilWoken = false;      // between runs it waits for wake(), not for the grid
        unsigned long long woken = 0;  // the wakes counted when it last started
    };

    WorkQueueBase(std::string name, int threads, Executor executor, MakeContext make);
    ~WorkQueueBase();

    const Executor& executor() const;
    Pending enqueue(Job job);

private:
    struct State;
    static void loop(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
};

template <typename Context>
class WorkQueue final : public WorkQueueBase {
public:
    using Factory = std::function<std::unique_ptr<Context>()>;

    // `threads` 0: no thread (see runOne). `executor` posts answers to the
    // thread that wants them. A factory that throws or gives nothing fails
    // the job, and is tried again for the next one.
    WorkQueue(std::string name, int threads, Executor executor, Factory make)
        : WorkQueueBase(std::move(name), threads, std::move(executor),
                        [make = std::move(make)]() -> std::shared_ptr<void> {
                            return std::shared_ptr<Context>(make ? make() : nullptr);
                        }) {}

    // Runs `work(context)` on a worker and hands its answer to `done`, or
    // `failure` when the work throws.
    template <typename Work, typename Answer = std::invoke_result_t<Work&, Context&>>
    Pending post(JobKey key, Work work, std::type_identity_t<Answer> failure,
                 std::type_identity_t<std::function<void(Answer)>> done) {
        return postUnlessNothing(
            std::move(key),
            [work = std::move(work)](Context& context) mutable { return std::optional<Answer>(work(context)); },
            std::move(failure), std::move(done));
    }

    // As post(), for work that may have nothing to tell (nullopt): nothing
    // is then posted to the caller's thread, which sleeps on, and the handle
    // just ends. A throw still answers `failure`.
    template <typename Work, typename Answer = typename std::invoke_result_t<Work&, Context&>::value_type>
    Pending postUnlessNothing(JobKey key, Work work, std::type_identity_t<Answer> failure,
                              std::type_identity_t<std::function<void(Answer)>> done) {
        return postUntilSomething(std::move(key), std::chrono::steady_clock::duration::zero(), std::move(work),
                                  std::move(failure), std::move(done));
    }

    // As postUnlessNothing(), but work with nothing to tell runs again at the
    // next instant of a grid of `every` (counted from the steady clock's
    // epoch), until it tells something or its handle is let go. Meanwhile
    // the job waits in line and the worker serves other jobs or sleeps.
    // `untilWoken`: it runs again only at the first instant after a wake()
    // (one during its run counts), so nothing runs while nothing changes.
    template <typename Work, typename Answer = typename std::invoke_result_t<Work&, Context&>::value_type>
    Pending postUntilSomething(JobKey key, std::chrono::steady_clock::duration every, Work work,
                               std::type_identity_t<Answer> failure,
                               std::type_identity_t<std::function<void(Answer)>> done, bool untilWoken = false) {
        auto completion = std::make_shared<Completion>();
        const Executor& to = executor();
        auto answer = [done = std::move(done)](Answer a) {
            return [done, a = std::move(a)]() mutable {
                if (done) done(std::move(a));
            };
        };
        Job job{std::move(key), completion, {}, {}, every};
        job.untilWoken = untilWoken && every > std::chrono::steady_clock::duration::zero();
        job.work = [work = std::move(work), answer, completion, to, every](void* context) mutable {
            std::optional<Answer> told = work(*static_cast<Context*>(context));
            if (told) completion->deliver(to, answer(std::move(*told)));
            else if (every == std::chrono::steady_clock::duration::zero()) completion->cancel();
            else return false;
            return true;
        };
        job.fail = [failure = std::move(failure), answer, completion, to] { completion->deliver(to, answer(failure)); };
        return enqueue(std::move(job));
    }

    // Work nobody waits for (a warm-up): no answer, no handle.
    void run(JobKey key, std::function<void(Context&)> work) {
        Job job{std::move(key), nullptr,
                [work = std::move(work)](void* c) {
                    work(*static_cast<Context*>(c));
                    return true;
                },
                {}};
        [[maybe_unused]] Pending none = enqueue(std::move(job));
    }
};

}  // namespace kestrove
