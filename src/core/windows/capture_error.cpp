#include "core/windows/capture_error.hpp"

namespace kestrove {

std::string CaptureError::description() const {
    switch (kind) {
        case Kind::failed: return text;
        case Kind::displayGone: return "That display is no longer connected.";
        case Kind::notAllowed: return "Kestrove isn't allowed to record the screen.";
        case Kind::windowGone: return "That window was closed.";
        case Kind::boxOutsideWindow: return "That window was resized and the box is no longer inside it.";
        case Kind::unpainted: return "That part of the screen hasn't been drawn yet.";
        case Kind::coveredForNow: return "Kestrove's panel covers that part of the screen.";
    }
    return text;
}

}  // namespace kestrove
