// The tray panel's sample content: every watch of each state has its own id
// and picture, the flags that follow from the watches and those asked for,
// and only the export picture changes with the appearance.
#include <gtest/gtest.h>

#include <set>

#include "app/dev/menu_samples.hpp"
#include "app/menu/menu_model.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using MenuSamples::State;

TEST(MenuSamples, EachStateItsWatchesPicturesAndFlags) {
    offscreen::app();
    struct Case {
        State state;
        bool canPauseAll, hasFinished;
    };
    for (const auto& [s, canPauseAll, hasFinished] : {Case{State::empty, false, false}, Case{State::one, true, false},
                                                      Case{State::main, true, true}, Case{State::all, true, true},
                                                      Case{State::many, true, true}}) {
        SCOPED_TRACE(std::string(MenuSamples::rawValue(s)));
        EXPECT_EQ(MenuSamples::state(MenuSamples::rawValue(s)), s);
        for (bool telegram : {false, true}) {
            MenuModel model;
            MenuSamples::fill(model, s, telegram, false);
            std::set<std::string> ids;
            for (const auto& monitor : model.monitors()) {
                EXPECT_TRUE(ids.insert(monitor.id).second) << "one id twice: " << monitor.id;
                EXPECT_TRUE(model.pictures().contains(monitor.id)) << monitor.id;
            }
            EXPECT_EQ(model.pictures().size(), ids.size());
            EXPECT_EQ(ids.empty(), s == State::empty);
            EXPECT_EQ(model.telegramConnected(), telegram);
            EXPECT_TRUE(model.keepAwake());
            EXPECT_EQ(model.canPauseAll(), canPauseAll);
            EXPECT_EQ(model.hasFinished(), hasFinished);
            // The many watches' wall is held low, so that it scrolls.
            EXPECT_EQ(model.wallLimit() == 344, s == State::many);
        }
    }
    EXPECT_FALSE(MenuSamples::state("Empty"));
    EXPECT_FALSE(MenuSamples::state(""));
    EXPECT_NE(MenuSamples::exportPicture(false), MenuSamples::exportPicture(true));
    EXPECT_LT(qGray(MenuSamples::exportPicture(true).pixel(2, 2)), qGray(MenuSamples::exportPicture(false).pixel(2, 2)));
}

}  // namespace
}  // namespace kestrove
