#pragma once
// Why the picture of a box could not be taken. The description is shown to
// the user as it is.

#include <string>

namespace kestrove {

struct CaptureError {
    // unpainted: part of the box lies where nothing has painted yet (a window
    // just redirected, or under one of our own windows with nothing known
    // beneath): the picture is not the screen's and must not be judged.
    // coveredForNow: the same, under our windows that show only for a moment
    // (panels, menus, the selection overlay): waited for a little longer.
    enum class Kind { failed, displayGone, notAllowed, windowGone, boxOutsideWindow, unpainted, coveredForNow };

    Kind kind = Kind::failed;
    std::string text;  // only for failed: what went wrong

    static CaptureError failed(std::string text) { return {Kind::failed, std::move(text)}; }
    static CaptureError displayGone() { return {Kind::displayGone, {}}; }
    static CaptureError notAllowed() { return {Kind::notAllowed, {}}; }
    static CaptureError windowGone() { return {Kind::windowGone, {}}; }
    static CaptureError boxOutsideWindow() { return {Kind::boxOutsideWindow, {}}; }
    static CaptureError unpainted() { return {Kind::unpainted, {}}; }
    static CaptureError coveredForNow() { return {Kind::coveredForNow, {}}; }

    std::string description() const;
    bool operator==(const CaptureError&) const = default;
};

}  // namespace kestrove
