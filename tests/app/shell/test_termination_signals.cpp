#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>

#include "app/shell/termination_signals.hpp"

namespace kestrove {
namespace {

TEST(TerminationSignals, EachEndsTheSessionOnTheMainThread) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::vector<int> seen;
        {
            TerminationSignals catcher([&seen](int s) { seen.push_back(s); });
            ASSERT_TRUE(catcher.ok());
            std::raise(signal);
            EXPECT_TRUE(seen.empty()) << "never inside the handler";
            QElapsedTimer waited;
            waited.start();
            while (seen.empty() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
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
