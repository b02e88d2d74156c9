// Sessions that go on from what their latest walk found: a quiet window
// costs no object reads, an announced change is read, and a window that
// changed is walked again from its top.

#include <gtest/gtest.h>

#include "support/app/direct_session_rig.hpp"

namespace kestrove {
namespace {

using namespace testing;

struct KeptSession : ::testing::Test, Rig {
    KeptSession() { tree.announcesChanges = true; }
};

TEST_F(KeptSession, AQuietWindowIsToldWithoutReadingItsObjectsAndAnAnnouncedChangeIsRead) {
    auto s = open();
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: ready"}));

    tree.nodeReads = 0;
    EXPECT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: ready"}));
    EXPECT_EQ(tree.nodeReads, 0);

    tree.nodes["status"].title = "Status: done";
    tree.announce("status");
    EXPECT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: done"}));
    EXPECT_EQ(tree.nodeReads, 1);

    // The user's leave taken back is heard by a kept read too.
    tree.isAvailable = false;
    EXPECT_EQ(read(*s).silence(), DirectSilence::notPermitted);
    tree.isAvailable = true;

    // A program that cannot tell its changes is read from its window every time.
    tree.announcesChanges = false;
    tree.nodes["status"].title = "Status: quiet change";
    EXPECT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: quiet change"}));
    EXPECT_EQ(tree.nodeReads, 4);
}

TEST_F(KeptSession, AWindowThatChangedIsWalkedAgainFromItsTop) {
    // Each change comes with a change of the status that nobody announced:
    // only a walk from the window finds it.
    struct Case {
        const char* what;
        std::function<void(Rig&)> arrange;  // before the first read
        std::function<void(Rig&)> change;
    };
    auto shift = [](Rig& t, double dx, double dy) {
        for (const char* path : {"main", "web", "status"}) {
            t.tree.nodes[path].frame->x += dx;
            t.tree.nodes[path].frame->y += dy;
        }
        t.windows.windows[0].frame.x += dx;
        t.windows.windows[0].frame.y += dy;
    };
    const std::vector<Case> cases{
        {"moved", {}, [&](Rig& t) { shift(t, 50, 10); }},
        {"resized", {},
         [](Rig& t) { t.tree.nodes["main"].frame->width = t.windows.windows[0].frame.width = 420; }},
        // Its objects say where they are from the window's corner: only the window list tells.
        {"placed from its own corner, moved on screen",
         [](Rig& t) {
             t.tree.nodes["main"].frame = t.tree.nodes["web"].frame = Rect{0, 0, 400, 300};
             t.tree.nodes["status"].frame = Rect{20, 20, 200, 20};
         },
         [](Rig& t) { t.windows.windows[0].frame.x += 30; }},
        // The old object still answers where it was; the program said its windows changed.
        {"its object replaced", {},
         [](Rig& t) {
             t.tree.nodes["main2"] = t.tree.nodes["main"];
             t.tree.nodes["main2"].children = {"web2"};
             t.tree.nodes["web2"] = t.tree.nodes["web"];
             t.tree.nodes["web2"].children = {"status2"};
             t.tree.nodes["status2"] = t.tree.nodes["status"];
             t.tree.nodes["app"].children = {"dialog", "main2"};
             t.tree.announce("app");
         }},
        {"its announcements may have gone unheard", {}, [](Rig& t) { t.tree.announced.lost(); }},
        // A browser puts a new page in place of the old one without telling
        // the page's parent; the old one still answers where it was.
        {"a page loaded in place of its page", {},
         [](Rig& t) {
             t.tree.nodes["web2"] = t.tree.nodes["web"];
             t.tree.nodes["web2"].children = {"status2"};
             t.tree.nodes["status2"] = t.tree.nodes["status"];
             t.tree.nodes["main"].children = {"web2"};
             t.tree.announce("web2", true);
         }},
    };
    for (const Case& c : cases) {
        Rig t;
        t.tree.announcesChanges = true;
        if (c.arrange) c.arrange(t);
        auto s = t.open();
        ASSERT_NE(s, nullptr) << c.what;
        ASSERT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: ready"})) << c.what;
        ASSERT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: ready"})) << c.what;
        c.change(t);
        t.tree.nodes["status"].title = "Status: changed";
        t.tree.nodes["status2"].title = "Status: changed";
        EXPECT_EQ(texts(read(*s)), (std::vector<std::string>{"Status: changed"})) << c.what;
    }
}

}  // namespace
}  // namespace kestrove
