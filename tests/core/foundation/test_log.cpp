#include "core/foundation/log.hpp"

#include <gtest/gtest.h>

using namespace kestrove;

TEST(Log, OneCallIsOnePrefixedLineOnStandardError) {
    EXPECT_EQ(logLineText("could not save watches: disk full"), "Kestrove: could not save watches: disk full");
    ::testing::internal::CaptureStderr();
    logLine("two\nlines\r\nmade one");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Kestrove: two lines  made one\n");
}
