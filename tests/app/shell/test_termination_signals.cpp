#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>

#include <csignal>

#include "app/shell/termination_signals.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

TEST(TerminationSignals, EachEndsTheSessionOnTheMainThread) {
    offscreen::app();
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::vector<int> seen;
        {
            TerminationSignals catcher([&seen](int s) { seen.push_back(s); });
            ASSERT_TRUE(catcher.ok());
            std::raise(signal);
            EXPECT_TRUE(seen.empty()) << "never inside the handler";
            EXPECT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 5000));
            EXPECT_EQ(seen, std::vector<int>{signal});
        }
        // Afterwards the default effect is back.
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL);
    }
}

}  // namespace
}  // namespace kestrove
