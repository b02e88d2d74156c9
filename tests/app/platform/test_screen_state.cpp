#include <gtest/gtest.h>

#include <vector>

#include "support/app/fake_screen_state.hpp"

namespace kestrove {
namespace {

using N = ScreenNotice;

// Each notice sets the flag to its own value; nothing is counted.
TEST(ScreenState, TheLastNoticeWins) {
    struct Case {
        std::vector<N> notices;
        bool available;
    };
    const Case cases[] = {
        {{}, true},
        {{N::displaysSlept}, false},
        {{N::screenLocked}, false},
        {{N::displaysSlept, N::displaysWoke}, true},
        {{N::screenLocked, N::displaysSlept, N::displaysWoke}, true},  // woke while still locked
        {{N::displaysSlept, N::screenLocked, N::screenUnlocked}, true},
        {{N::screenUnlocked, N::displaysSlept}, false},
        {{N::screenLocked, N::parametersChanged}, false},
        {{N::parametersChanged}, true},
    };
    for (const auto& c : cases) {
        fakes::FakeScreenState state;
        for (N n : c.notices) state.send(n);
        EXPECT_EQ(state.screensAvailable(), c.available) << c.notices.size() << " notices";
    }
}

TEST(ScreenState, TheListenerHearsEveryNoticeAfterTheFlagTookIt) {
    fakes::FakeScreenState state;
    std::vector<std::pair<N, bool>> heard;
    state.setListener([&](N n) { heard.emplace_back(n, state.screensAvailable()); });
    state.send(N::screenLocked);
    state.send(N::screenLocked);
    state.send(N::parametersChanged);
    state.send(N::displaysWoke);
    const std::vector<std::pair<N, bool>> expected{
        {N::screenLocked, false}, {N::screenLocked, false}, {N::parametersChanged, false}, {N::displaysWoke, true}};
    EXPECT_EQ(heard, expected);
}

}  // namespace
}  // namespace kestrove
