#include "app/platform/main_thread_executor.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <thread>
#include <vector>

#include "support/app/offscreen_app.hpp"

using namespace kestrove;

TEST(MainThreadExecutor, RunsWorkFromOtherThreadsOnTheEventLoopInOrder) {
    offscreen::app();
    const auto mainThread = std::this_thread::get_id();

    std::vector<int> ran;
    bool elsewhere = false;
    const Executor post = mainThreadExecutor();
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            post([&, i] {
                elsewhere |= std::this_thread::get_id() != mainThread;
                ran.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(ran.empty()) << "ran before the event loop did";

    QElapsedTimer timer;
    timer.start();
    while (ran.size() < 5 && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(elsewhere);
}
