#pragma once
// What the menu needs of the update checker: the note it shows, the release
// behind "Open Download Page", "Check for Updates", and word of a change.
// The application hands in the real checker through this interface.

#include <functional>
#include <optional>

#include "core/cloud/updates.hpp"

namespace kestrove {

// The menu's update line.
struct UpdateNote {
    enum class Kind { none, out, checking, upToDate, unknown };
    Kind kind = Kind::none;
    std::optional<Release> release;  // for out only

    static UpdateNote none() { return {}; }
    static UpdateNote out(Release r) { return {Kind::out, std::move(r)}; }
    static UpdateNote checking() { return {Kind::checking, std::nullopt}; }
    static UpdateNote upToDate() { return {Kind::upToDate, std::nullopt}; }
    static UpdateNote unknown() { return {Kind::unknown, std::nullopt}; }
    bool operator==(const UpdateNote&) const = default;
};

class MenuUpdates {
public:
    virtual ~MenuUpdates() = default;
    virtual UpdateNote note() const = 0;
    // The newest release found newer than this build, if any.
    virtual std::optional<Release> found() const = 0;
    virtual void checkNow() = 0;
    // Called after the note changed.
    virtual void setOnChange(std::function<void()> onChange) = 0;
};

}  // namespace kestrove
