#include "app/platform/direct/change_log.hpp"

namespace kestrove {

void ChangeLog::follow(const std::string& bus) {
    std::lock_guard lock(mutex_);
    followed_.insert(bus);
}

bool ChangeLog::follows(const std::string& bus) const {
    std::lock_guard lock(mutex_);
    return followed_.count(bus) > 0;
}

void ChangeLog::record(const std::string& bus, const std::string& path, bool whole) {
    std::lock_guard lock(mutex_);
    if (!followed_.count(bus)) return;
    changes_.push_back({stamp_++, bus, path, whole});
    if (changes_.size() <= capacity_) return;
    knownFrom_ = changes_.front().stamp;
    changes_.pop_front();
}

void ChangeLog::lost() {
    std::lock_guard lock(mutex_);
    changes_.clear();
    followed_.clear();
    knownFrom_ = stamp_++;
}

ChangesSince ChangeLog::since(const std::string& bus, const std::optional<ChangeMark>& mark) const {
    std::lock_guard lock(mutex_);
    ChangesSince out;
    // A change recorded later gets a later stamp than this mark.
    out.now = ChangeMark{this, stamp_ - 1};
    if (!followed_.count(bus) || !mark || mark->source != this || mark->stamp < knownFrom_) return out;
    out.unknown = false;
    for (auto it = changes_.rbegin(); it != changes_.rend() && it->stamp > mark->stamp; ++it) {
        if (it->bus != bus) continue;
        if (it->whole) return out.unknown = true, out.paths.clear(), out;
        out.paths.insert(it->path);
    }
    return out;
}

}  // namespace kestrove
