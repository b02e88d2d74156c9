#include <gtest/gtest.h>

#include "core/windows/capture_error.hpp"

namespace kestrove {
namespace {

TEST(CaptureError, DescriptionsAreTheUsersTextsExactly) {
    struct Case {
        CaptureError error;
        const char* text;
    } cases[] = {
        {CaptureError::failed("The window's picture could not be cropped."), "The window's picture could not be cropped."},
        {CaptureError::displayGone(), "That display is no longer connected."},
        {CaptureError::notAllowed(), "Kestrove isn't allowed to record the screen."},
        {CaptureError::windowGone(), "That window was closed."},
        {CaptureError::boxOutsideWindow(), "That window was resized and the box is no longer inside it."},
    };
    for (const auto& c : cases) EXPECT_EQ(c.error.description(), c.text);
    EXPECT_NE(CaptureError::failed("a"), CaptureError::failed("b"));
}

}  // namespace
}  // namespace kestrove
