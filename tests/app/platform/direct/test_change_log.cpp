// What programs announced, as the direct reader's sessions ask for it: the
// objects changed since a mark, and when nothing can be told.

#include <gtest/gtest.h>

#include "app/platform/direct/change_log.hpp"

namespace kestrove {
namespace {

using Paths = std::unordered_set<std::string>;

TEST(ChangeLog, TellsTheObjectsOfOneProgramChangedSinceAMark) {
    ChangeLog log;
    log.record(":1.5", "/early");  // not followed yet: passed over
    const ChangesSince start = (log.follow(":1.5"), log.since(":1.5", std::nullopt));
    EXPECT_TRUE(start.unknown) << "without a mark nothing read before can be trusted";
    ASSERT_TRUE(start.now);

    log.record(":1.5", "/a");
    log.record(":1.9", "/other-program");
    log.record(":1.5", "/b");
    log.record(":1.5", "/a");
    const ChangesSince later = log.since(":1.5", start.now);
    EXPECT_FALSE(later.unknown);
    EXPECT_EQ(later.paths, (Paths{"/a", "/b"}));
    // From the new mark on, nothing yet.
    EXPECT_EQ(log.since(":1.5", later.now).paths, Paths{});
    EXPECT_FALSE(log.since(":1.5", later.now).unknown);
}

TEST(ChangeLog, MarksThatCannotBeToldAreUnknown) {
    struct Case {
        const char* what;
        std::function<void(ChangeLog&)> then;
        std::function<std::optional<ChangeMark>(ChangeLog&, ChangeMark)> mark;
    };
    const auto same = [](ChangeLog&, ChangeMark m) { return std::optional(m); };
    const std::vector<Case> cases{
        {"too many changes to keep", [](ChangeLog& l) { for (int i = 0; i < 5; ++i) l.record(":1.5", "/x"); }, same},
        {"announcements lost", [](ChangeLog& l) { l.lost(); }, same},
        {"another log's mark", [](ChangeLog&) {},
         [](ChangeLog&, ChangeMark m) { return std::optional(ChangeMark{&m, m.stamp}); }},
        {"no mark", [](ChangeLog&) {}, [](ChangeLog&, ChangeMark) { return std::optional<ChangeMark>(); }},
        {"a page loaded", [](ChangeLog& l) { l.record(":1.5", "/page", true); }, same},
    };
    for (const Case& c : cases) {
        ChangeLog log(4);
        log.follow(":1.5");
        const ChangeMark mark = *log.since(":1.5", std::nullopt).now;
        c.then(log);
        EXPECT_TRUE(log.since(":1.5", c.mark(log, mark)).unknown) << c.what;
    }
    // Four changes still fit.
    ChangeLog log(4);
    log.follow(":1.5");
    const ChangeMark mark = *log.since(":1.5", std::nullopt).now;
    for (int i = 0; i < 4; ++i) log.record(":1.5", "/x");
    EXPECT_FALSE(log.since(":1.5", mark).unknown);
}

}  // namespace
}  // namespace kestrove
