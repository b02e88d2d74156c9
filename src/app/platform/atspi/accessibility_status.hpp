#pragma once
// Whether the session lets programs be read through accessibility: the
// accessibility bus answers and its org.a11y.Status.IsEnabled is true.
// Toolkits and browsers join the bus only while IsEnabled is true, so asking
// the user's leave to read windows sets it. Asked over the session bus, never
// through libatspi (which aborts the process when there is no such bus).

namespace kestrove::AccessibilityStatus {

// A call to the bus launcher waits this long at most.
inline constexpr int timeoutMs = 1000;

bool enabled();
// Turns it on (or off); true when the bus launcher took the new value.
bool setEnabled(bool on);

}  // namespace kestrove::AccessibilityStatus
