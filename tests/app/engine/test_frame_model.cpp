#include <gtest/gtest.h>

#include "app/engine/frame.hpp"

namespace kestrove {
namespace {

TEST(FrameModel, TagToneTakesTheFirstConditionThatHolds) {
    using S = WatchStatus;
    struct Case {
        S status;
        bool flashing, troubled;
        TagTone tone;
    } cases[] = {
        {S::lostSight, true, false, TagTone::signal}, {S::watching, true, true, TagTone::signal},
        {S::lostSight, false, false, TagTone::muted}, {S::lostSight, false, true, TagTone::muted},
        {S::paused, false, true, TagTone::signal},    {S::finished, false, false, TagTone::signal},
        {S::watching, false, true, TagTone::muted},   {S::watching, false, false, TagTone::signal},
    };
    FrameModel m;
    for (const auto& c : cases) {
        m.status = c.status, m.flashing = c.flashing;
        m.trouble.reset();
        if (c.troubled) m.trouble = WatchTrouble::cantReachServer();
        EXPECT_EQ(m.tagTone(), c.tone) << m.tagText();
    }
    m = FrameModel{};
    m.directOnly = true;
    EXPECT_EQ(m.tagText(), "WATCHING · READING DIRECTLY") << "the flash's text: the controller's test";
}

}  // namespace
}  // namespace kestrove
