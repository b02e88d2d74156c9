#pragma once
// Why the picture of a box could not be taken. The description is shown to
// the user as it is.

#include <string>

namespace kestrove {

struct CaptureError {
    enum class Kind { failed, displayGone, notAllowed, windowGone, boxOutsideWindow };

    Kind kind = Kind::failed;
    std::string text;  // only for failed: what went wrong

    static CaptureError failed(std::string text) { return {Kind::failed, std::move(text)}; }
    static CaptureError displayGone() { return {Kind::displayGone, {}}; }
    static CaptureError notAllowed() { return {Kind::notAllowed, {}}; }
    static CaptureError windowGone() { return {Kind::windowGone, {}}; }
    static CaptureError boxOutsideWindow() { return {Kind::boxOutsideWindow, {}}; }

    std::string description() const;
    bool operator==(const CaptureError&) const = default;
};

}  // namespace kestrove
