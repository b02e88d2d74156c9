#include <gtest/gtest.h>

#include "app/engine/frame.hpp"

namespace kestrove {
namespace {

FrameModel model(WatchStatus status, bool flashing = false, std::optional<WatchTrouble> trouble = std::nullopt) {
    FrameModel m;
    m.status = status;
    m.flashing = flashing;
    m.trouble = std::move(trouble);
    m.barkTime = "10:42";
    return m;
}

TEST(FrameModel, TagToneTakesTheFirstConditionThatHolds) {
    const auto cut = WatchTrouble::cantReachServer();
    struct Case {
        FrameModel m;
        TagTone tone;
    } cases[] = {
        {model(WatchStatus::lostSight, /*flashing=*/true), TagTone::signal},
        {model(WatchStatus::watching, /*flashing=*/true, cut), TagTone::signal},
        {model(WatchStatus::lostSight), TagTone::muted},
        {model(WatchStatus::lostSight, false, cut), TagTone::muted},
        {model(WatchStatus::paused), TagTone::signal},
        {model(WatchStatus::paused, false, cut), TagTone::signal},
        {model(WatchStatus::finished), TagTone::signal},
        {model(WatchStatus::watching, false, cut), TagTone::muted},
        {model(WatchStatus::watching), TagTone::signal},
    };
    for (const auto& c : cases) EXPECT_EQ(c.m.tagTone(), c.tone) << c.m.tagText();
}

TEST(FrameModel, TagTextFollowsEveryField) {
    FrameModel m = model(WatchStatus::watching);
    m.interval = 30;
    EXPECT_EQ(m.tagText(), "WATCHING · EVERY 30 S");
    m.directOnly = true;
    EXPECT_EQ(m.tagText(), "WATCHING · READING DIRECTLY");
    m.trouble = WatchTrouble::localOnly();
    EXPECT_EQ(m.tagText(), "LOCAL ONLY IS ON");
    m.flashing = true;
    EXPECT_EQ(m.tagText(), "BARKED 10:42");
    m.barkTime.reset();
    EXPECT_EQ(m.tagText(), "BARKED");
    m.flashing = false;
    m.status = WatchStatus::lostSight;
    EXPECT_EQ(m.tagText(), "CAN'T SEE IT");
    m.status = WatchStatus::paused;
    EXPECT_EQ(m.tagText(), "PAUSED");
}

}  // namespace
}  // namespace kestrove
