#pragma once
// The changes programs announced, kept for the direct reader's sessions:
// which objects of which program changed after which mark. Filled by
// whoever hears the announcements, read by the reader's threads.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "app/platform/accessibility_tree.hpp"

namespace kestrove {

class ChangeLog {
public:
    // Changes kept at most; older ones are forgotten, and marks from before
    // them then know nothing.
    explicit ChangeLog(std::size_t capacity = 8192) : capacity_(capacity) {}

    // From now on the changes of the program at `bus` are kept.
    void follow(const std::string& bus);
    bool follows(const std::string& bus) const;
    // One object announced a change; programs not followed are passed over.
    // `whole`: a page loaded, which may have put new objects in place of any
    // found before without a word: nothing from before holds.
    void record(const std::string& bus, const std::string& path, bool whole = false);
    // Announcements may have been missed (the bus went away): every mark
    // given so far knows nothing any more, and no program is followed.
    void lost();

    ChangesSince since(const std::string& bus, const std::optional<ChangeMark>& mark) const;

private:
    struct Change {
        std::uint64_t stamp;
        std::string bus, path;
        bool whole;
    };
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::uint64_t stamp_ = 1;
    std::uint64_t knownFrom_ = 0;  // marks before this know nothing
    std::set<std::string> followed_;
    std::deque<Change> changes_;
};

}  // namespace kestrove
