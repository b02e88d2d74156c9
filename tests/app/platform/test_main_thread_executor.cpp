#include "app/platform/main_thread_executor.hpp"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>
#include <string>
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

TEST(MainThreadExecutor, PostedWorkWaitsForTheLoopAndDiesWithItsContext) {
    offscreen::app();
    std::vector<std::string> ran;
    auto kept = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    postTo(kept.get(), [&] { ran.push_back("kept"); });
    postTo(gone.get(), [&] { ran.push_back("gone"); });
    // Posted from the loop's own thread: put off, never run inside the call.
    postTo(kept.get(), [&] {
        postTo(kept.get(), [&] { ran.push_back("later"); });
        ran.push_back("first turn");
    });
    postTo(nullptr, [&] { ran.push_back("nobody"); });
    EXPECT_TRUE(ran.empty());
    gone.reset();

    QElapsedTimer timer;
    timer.start();
    while (ran.size() < 3 && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, (std::vector<std::string>{"kept", "first turn", "later"}));
}
