// Which display pictures stand for the screen: a drawing told of while an
// area was read leaves that read's picture out. Every area keeps its last
// picture.

#include <gtest/gtest.h>

#include "core/picture/kept_displays.hpp"

namespace kestrove {
namespace {

const PixelRect box{100, 100, 50, 20};

Image picture(std::uint8_t shade) {
    Image i(2, 2);
    std::fill(i.rgba.begin(), i.rgba.end(), shade);
    return i;
}

TEST(KeptDisplays, APictureStandsForItsAreaUntilADrawingThere) {
    struct Case {
        const char* what;
        std::optional<PixelRect> drawnDuringRead;
        std::optional<PixelRect> drawnAfter;
        bool kept;
    };
    const Case cases[] = {
        {"nothing drawn", {}, {}, true},
        {"drawn elsewhere while read", PixelRect{0, 0, 100, 100}, {}, true},
        {"drawn there while read: the pixels may be older", PixelRect{140, 110, 30, 30}, {}, false},
        {"drawn there afterwards", {}, PixelRect{149, 119, 1, 1}, false},
        {"drawn beside it afterwards", {}, PixelRect{150, 100, 10, 20}, true},
    };
    for (const Case& c : cases) {
        KeptDisplays kept;
        kept.reading(box);
        if (c.drawnDuringRead) kept.drawn(*c.drawnDuringRead);
        kept.keep(box, picture(7));
        if (c.drawnAfter) kept.drawn(*c.drawnAfter);
        const Image* found = kept.find(box);
        EXPECT_EQ(found != nullptr, c.kept) << c.what;
        if (found) {
            EXPECT_EQ(*found, picture(7)) << c.what;
        }
        // Answering or not, it is the area's last picture.
        ASSERT_NE(kept.last(box), nullptr) << c.what;
        EXPECT_EQ(*kept.last(box), picture(7)) << c.what;
    }
}

// A picture composed under our windows never answers for the screen, but is
// the last one its area's hidden parts are taken from, until the next.
TEST(KeptDisplays, AComposedPictureIsTheAreasLastButNeverAnswers) {
    KeptDisplays kept;
    kept.reading(box);
    kept.keep(box, picture(1));
    kept.reading(box);
    kept.keep(box, picture(2), /*answers=*/false);
    EXPECT_EQ(kept.find(box), nullptr) << "the plain one before it is replaced";
    ASSERT_NE(kept.last(box), nullptr);
    EXPECT_EQ(*kept.last(box), picture(2));
    EXPECT_EQ(kept.last({100, 100, 50, 21}), nullptr) << "only the exact area";
    kept.clear();
    EXPECT_EQ(kept.last(box), nullptr) << "the screens changed";
}

TEST(KeptDisplays, OnlyTheExactAreaAnswersAndANewReadReplacesTheOld) {
    KeptDisplays kept;
    kept.reading(box);
    kept.keep(box, picture(1));
    EXPECT_EQ(kept.find({100, 100, 50, 21}), nullptr);
    // Read again, a drawing comes meanwhile: the older picture does not come back.
    kept.reading(box);
    kept.drawn({110, 105, 5, 5});
    kept.keep(box, picture(2));
    EXPECT_EQ(kept.find(box), nullptr);
    kept.reading(box);
    kept.keep(box, picture(3));
    ASSERT_NE(kept.find(box), nullptr);
    EXPECT_EQ(*kept.find(box), picture(3));
    kept.clear();
    EXPECT_EQ(kept.find(box), nullptr);
}

TEST(KeptDisplays, TheOldestAreaGivesWayPastTheLimit) {
    KeptDisplays kept;
    for (int i = 0; i <= int(KeptDisplays::most); ++i) {
        const PixelRect area{i * 10, 0, 10, 10};
        kept.reading(area);
        kept.keep(area, picture(std::uint8_t(i)));
    }
    EXPECT_EQ(kept.find({0, 0, 10, 10}), nullptr);
    EXPECT_NE(kept.find({10, 0, 10, 10}), nullptr);
    EXPECT_NE(kept.find({int(KeptDisplays::most) * 10, 0, 10, 10}), nullptr);
}

}  // namespace
}  // namespace kestrove
