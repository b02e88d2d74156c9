#include "app/engine/frame.hpp"

#include "core/copy/copy_status.hpp"

namespace kestrove {

std::string FrameModel::tagText() const {
    return Copy::tag(status, interval, barkTime, flashing, trouble, directOnly);
}

TagTone FrameModel::tagTone() const {
    // A bark always shows in red, even over lost sight; otherwise grey only
    // for lost sight and for a watch held up by a trouble.
    if (flashing) return TagTone::signal;
    switch (status) {
        case WatchStatus::lostSight: return TagTone::muted;
        case WatchStatus::paused:
        case WatchStatus::finished: return TagTone::signal;
        case WatchStatus::watching: break;
    }
    return trouble ? TagTone::muted : TagTone::signal;
}

}  // namespace kestrove
