#pragma once
// The new-watch dialogue as the drawing developer modes run it: settings of
// their own with no server address (so nothing reaches the network), and a
// model question that answers what the caller put in its slot.

#include <memory>

#include "app/creation/new_watch_model.hpp"
#include "core/foundation/defaults_store.hpp"

namespace kestrove::OfflineDialogue {

using AnswerSlot = std::shared_ptr<WatchSetup::Answer>;

// Unreachable until the caller puts another answer in.
AnswerSlot unreachable();

// Times of day come out as "01:00", the back-at time the pictures show.
NewWatchServices services(bool localOnly, const AnswerSlot& answer);

// The sentence as the server's model would judge it, over `reading`, and
// its any-change fallback.
std::pair<WatchSpec, WatchSpec> judged(const NewWatchModel& model, const BaselineReading& reading);

}  // namespace kestrove::OfflineDialogue
