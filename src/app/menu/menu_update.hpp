#pragma once
// What the menu needs of the update checker: the note it shows, the release
// behind "Open Download Page", "Check for Updates", and word of a change.
// `CheckerUpdates` hands the real checker through it.

#include <functional>
#include <optional>

#include "app/menu/update_checker.hpp"

namespace kestrove {

using UpdateNote = UpdateChecker::Note;

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

class CheckerUpdates final : public MenuUpdates {
public:
    explicit CheckerUpdates(UpdateChecker& checker) : checker_(checker) {}
    UpdateNote note() const override { return checker_.note(); }
    std::optional<Release> found() const override { return checker_.found(); }
    void checkNow() override { checker_.checkNow(); }
    void setOnChange(std::function<void()> onChange) override { checker_.setOnChange(std::move(onChange)); }

private:
    UpdateChecker& checker_;
};

}  // namespace kestrove
