// Main-thread timers set for one instant share one wake, however far apart
// they were set, and never fire early.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <vector>

#include "app/platform/shared_wakes.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Fired {
    int id;
    long wake;
    steady_clock::time_point at;
};

TEST(SharedWakes, TimersForOneInstantFireInOneWakeInTheOrderSetAndNeverEarly) {
    offscreen::app();
    std::vector<Fired> fired;
    auto note = [&](int id) { return [&fired, id] { fired.push_back({id, SharedWakes::wakesSoFar(), steady_clock::now()}); }; };
    const auto together = gridAfter(steady_clock::now() + 300ms, 100ms);
    const auto alone = together + 150ms;
    std::vector<Pending> held;
    held.push_back(SharedWakes::at(together, note(1)));
    held.push_back(SharedWakes::at(alone, note(4)));
    spin(40);  // set apart in time, as watches' ticks are
    held.push_back(SharedWakes::at(together, note(2)));
    held.push_back(SharedWakes::at(together, note(9)));
    held.back().cancel();
    spin(30);
    held.push_back(SharedWakes::at(together, note(3)));
    { Pending dropped = SharedWakes::at(together, note(8)); }
    spin(700);

    ASSERT_EQ(fired.size(), 4u) << "a cancelled or dropped timer fired, or one did not";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(fired[i].id, i + 1);
    EXPECT_EQ(fired[0].wake, fired[1].wake);
    EXPECT_EQ(fired[0].wake, fired[2].wake) << "timers for one instant woke the thread apart";
    EXPECT_NE(fired[3].wake, fired[0].wake);
    for (int i = 0; i < 3; ++i) EXPECT_GE(fired[i].at, together) << "fired early";
    EXPECT_GE(fired[3].at, alone) << "fired early";

    // An instant already past fires at once, on the next turn of the loop.
    bool late = false;
    Pending past = SharedWakes::at(steady_clock::now() - 1s, [&] { late = true; });
    EXPECT_FALSE(late) << "fired inside the call";
    spin(50);
    EXPECT_TRUE(late);
}

TEST(SharedWakes, ATimerSetFromAFiringOneForTheSameInstantStillFires) {
    offscreen::app();
    const auto when = steady_clock::now() + 50ms;
    Pending second;
    bool fired = false;
    Pending first = SharedWakes::at(when, [&] { second = SharedWakes::at(when, [&] { fired = true; }); });
    spin(300);
    EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace kestrove
