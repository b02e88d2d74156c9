#include "app/platform/shared_wakes.hpp"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kestrove::SharedWakes {

namespace {

struct Waiting {
    std::shared_ptr<Completion> completion;
    std::function<void()> fire;
};

class Wakes {
public:
    Pending at(SteadyTime when, std::function<void()> fire) {
        auto completion = std::make_shared<Completion>();
        const Key key{when, next_++};
        waiting_.emplace(key, Waiting{completion, std::move(fire)});
        completion->onCancel([this, key] {
            // Off the main thread the entry stays and, cancelled, fires nothing.
            if (QThread::currentThread() == thread()) waiting_.erase(key);
        });
        arm();
        return Pending(completion);
    }

    long wakes() const { return wakes_; }

private:
    using Key = std::pair<SteadyTime, long>;

    QThread* thread() const {
        auto* app = QCoreApplication::instance();
        return app ? app->thread() : nullptr;
    }

    QTimer& timer() {
        // Made again when an application object is made again (tests do).
        if (!timer_) {
            timer_ = new QTimer(QCoreApplication::instance());
            timer_->setSingleShot(true);
            timer_->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer_, &QTimer::timeout, timer_, [this] { fireDue(); });
            armedFor_.reset();
        }
        return *timer_;
    }

    void arm() {
        if (waiting_.empty()) {
            if (timer_) timer_->stop();
            armedFor_.reset();
            return;
        }
        const SteadyTime first = waiting_.begin()->first.first;
        QTimer& t = timer();
        if (armedFor_ && *armedFor_ == first && t.isActive()) return;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - std::chrono::steady_clock::now());
        armedFor_ = first;
        t.start(std::max(left, std::chrono::milliseconds(0)));
    }

    void fireDue() {
        ++wakes_;
        armedFor_.reset();
        const SteadyTime now = std::chrono::steady_clock::now();
        std::vector<Waiting> due;
        while (!waiting_.empty() && waiting_.begin()->first.first <= now)
            due.push_back(std::move(waiting_.extract(waiting_.begin()).mapped()));
        // Armed before they run: what they set is then armed by them.
        arm();
        for (Waiting& w : due)
            w.completion->deliver([](std::function<void()> work) { work(); }, std::move(w.fire));
    }

    std::map<Key, Waiting> waiting_;
    long next_ = 0;
    long wakes_ = 0;
    QPointer<QTimer> timer_;
    std::optional<SteadyTime> armedFor_;
};

Wakes& wakes() {
    static Wakes* all = new Wakes;  // never destroyed: timers may be dropped during exit
    return *all;
}

}  // namespace

Pending at(SteadyTime when, std::function<void()> fire) { return wakes().at(when, std::move(fire)); }

long wakesSoFar() { return wakes().wakes(); }

}  // namespace kestrove::SharedWakes
