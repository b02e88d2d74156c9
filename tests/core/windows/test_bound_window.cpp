#include <gtest/gtest.h>

#include "core/windows/bound_window.hpp"

using namespace kestrove;

namespace {

WindowInfo listed(std::uint32_t id, std::int32_t owner, WindowLife life = {}) {
    WindowInfo w;
    w.id = id;
    w.app = "XTerm";
    w.ownerPID = owner;
    w.life = life;
    return w;
}

const WindowAnchor anchor{0x40000c, "XTerm", std::nullopt, 10, 10, 400, 300, 700};

// Each look in order: what it lists and whether that is the bound window.
struct Look {
    WindowInfo entry;
    bool holds;
};

TEST(BoundWindow, AWindowIsItsOwnLifeUnderItsIdAndOnceClosedStaysClosed) {
    const std::uint32_t id = anchor.id;
    struct Case {
        const char* what;
        std::vector<Look> looks;
        bool closed;
    } cases[] = {
        {"the same life in each list", {{listed(id, 700, {1, 5}), true}, {listed(id, 700, {2, 9}), true},
                                        {listed(id, 700, {1, 5}), true}, {listed(id, 700, {2, 9}), true}},
         false},
        {"lists that count no lives", {{listed(id, 700), true}, {listed(id, 700), true}}, false},
        {"other ids say nothing", {{listed(id + 1, 800, {1, 2}), false}, {listed(id, 700, {1, 5}), true}}, false},
        {"destroyed and its id made again by the same program",
         {{listed(id, 700, {1, 5}), true}, {listed(id, 700, {1, 6}), false}, {listed(id, 700, {2, 9}), false},
          {listed(id, 700, {1, 5}), false}},
         true},
        {"its id taken by another run of the program",
         {{listed(id, 700, {1, 5}), true}, {listed(id, 701, {1, 5}), false}, {listed(id, 700), false}}, true},
        {"first seen already in another's hands", {{listed(id, 701), false}, {listed(id, 700), false}}, true},
    };
    for (const Case& c : cases) {
        BoundWindow bound(anchor);
        for (std::size_t i = 0; i < c.looks.size(); ++i)
            EXPECT_EQ(bound.holds(c.looks[i].entry), c.looks[i].holds) << c.what << ", look " << i;
        EXPECT_EQ(bound.closed(), c.closed) << c.what;
    }

    BoundWindow captured(anchor);
    ASSERT_TRUE(captured.holds(listed(id, 700, {1, 5})));
    captured.close();  // its capture found it destroyed
    EXPECT_FALSE(captured.holds(listed(id, 700, {1, 5})));
}

}  // namespace
