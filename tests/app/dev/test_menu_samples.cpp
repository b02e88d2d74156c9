// The tray panel's sample content: the watches of each state, their
// pictures and the chat and keep-awake flags.
#include <gtest/gtest.h>

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
        std::vector<std::string> firstIds;
        std::size_t count;
    };
    const Case cases[] = {
        {State::empty, {}, 0},
        {State::one, {"w_EXPORT"}, 1},
        {State::main, {"w_EXPORT", "w_PRICE1"}, 2},
        {State::all, {"w_EXPORT", "w_BUILD1", "w_QUEUE1", "w_PRICE1"}, 4},
        {State::many, {"w_EXPORT-0", "w_BUILD1-0", "w_QUEUE1-0", "w_PRICE1-0", "w_EXPORT-1"}, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(MenuSamples::rawValue(c.state)));
        for (bool telegram : {false, true}) {
            MenuModel model;
            MenuSamples::fill(model, c.state, telegram, false);
            ASSERT_EQ(model.monitors().size(), c.count);
            for (std::size_t i = 0; i < c.firstIds.size(); ++i) EXPECT_EQ(model.monitors()[i].id, c.firstIds[i]);
            EXPECT_EQ(model.pictures().size(), c.count) << "every watch has its picture";
            EXPECT_EQ(model.telegramConnected(), telegram);
            EXPECT_TRUE(model.keepAwake());
            EXPECT_EQ(model.wallLimit() == 344, c.state == State::many);
        }
    }
    MenuModel many;
    MenuSamples::fill(many, State::many, true, false);
    EXPECT_EQ(many.monitors().back().id, "w_PRICE1-3");
    EXPECT_EQ(many.monitors().back().read, "189.00");
    EXPECT_EQ(many.pictures().at("w_QUEUE1-2"), MenuSamples::queuePicture());
}

TEST(MenuSamples, RawValuesAndTheDarkExportPicture) {
    offscreen::app();
    for (State s : MenuSamples::allStates) EXPECT_EQ(MenuSamples::state(MenuSamples::rawValue(s)), s);
    EXPECT_FALSE(MenuSamples::state("Empty"));
    EXPECT_FALSE(MenuSamples::state(""));
    EXPECT_NE(MenuSamples::exportPicture(false), MenuSamples::exportPicture(true));
    EXPECT_LT(qGray(MenuSamples::exportPicture(true).pixel(2, 2)), qGray(MenuSamples::exportPicture(false).pixel(2, 2)));
}

}  // namespace
}  // namespace kestrove
