#include <gtest/gtest.h>

#include "core/foundation/time_grid.hpp"

namespace kestrove {
namespace {

using namespace std::chrono;

TEST(TimeGrid, RoundsUpToTheStepNeverDown) {
    const auto at = [](milliseconds ms) { return SteadyTime(ms); };
    struct Case {
        milliseconds t, step, atOrAfter, after;
    } cases[] = {
        {7000ms, 1000ms, 7000ms, 8000ms},  // on the grid: itself, or the next
        {7001ms, 1000ms, 8000ms, 8000ms},
        {7999ms, 1000ms, 8000ms, 8000ms},
        {0ms, 1000ms, 0ms, 1000ms},
        {1250ms, 250ms, 1250ms, 1500ms},
        {1251ms, 250ms, 1500ms, 1500ms},
        {-1500ms, 1000ms, -1000ms, -1000ms},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gridAtOrAfter(at(c.t), c.step), at(c.atOrAfter)) << c.t.count() << " / " << c.step.count();
        EXPECT_EQ(gridAfter(at(c.t), c.step), at(c.after)) << c.t.count() << " / " << c.step.count();
    }
    // A nanosecond past the grid is past it.
    EXPECT_EQ(gridAtOrAfter(SteadyTime(seconds(3) + nanoseconds(1)), seconds(1)), SteadyTime(seconds(4)));
}

}  // namespace
}  // namespace kestrove
