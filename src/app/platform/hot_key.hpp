#pragma once
// The system-wide key combination that starts a new watch, whichever
// application is in front. Registered from construction until destruction;
// a press runs the action later on the main thread, never inside the
// handler that saw it.

#include <functional>
#include <memory>

namespace kestrove {

class HotKey {
public:
    virtual ~HotKey() = default;
};

// Registers Alt+Shift+B for `action`; none when it cannot be registered (the
// reason is logged) and the application goes on without it.
using HotKeyMaker = std::function<std::unique_ptr<HotKey>(std::function<void()> action)>;

}  // namespace kestrove
