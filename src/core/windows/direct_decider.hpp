#pragma once
// The judge of one watch read directly: turns a stream of direct answers
// into counted checks and decisions to bark, through the same gates as the
// picture path.

#include <optional>
#include <string>
#include <vector>

#include "core/windows/direct_reading.hpp"
#include "core/rules/evaluation.hpp"
#include "core/reading/reading.hpp"
#include "core/watch/runtime.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

class DirectDecider {
public:
    struct Step {
        bool counted = false;  // the read produced lines and was judged
        bool fired = false;
        std::optional<Evaluation> evaluation;  // absent when not counted
        bool operator==(const Step&) const = default;
    };

    // `baseline`: the lines that count as already seen by a new-line rule.
    DirectDecider(WatchSpec spec, const std::vector<OCRLine>& baseline, bool armed);

    Step take(const DirectAnswer& answer);
    // The watch fired through its picture reading: start from the same state.
    void markFired();
    // Whether a met read may fire now (it has not fired for this period yet).
    bool armed() const;

    // Whether the read that just fired must be confirmed by a picture of the
    // box before the watch barks. So it must when the firing rests on text
    // being absent: a text_gone watch, or a rule met on a reading that lacks
    // what the rule looks at (an empty one among them). A direct reading can
    // lose text that is still on screen (a widened window moved it past the
    // half of its object, a toolkit stopped placing it); the picture cannot.
    bool needsPicture() const { return awaitingPicture_; }
    // The picture's lines of the box read for that check, or none when the
    // box could not be captured. True: bark. False: no bark, and the gates
    // are armed again, so that the next met read fires and asks again.
    // Without a pending check, true.
    bool confirm(const std::optional<std::vector<OCRLine>>& picture);

    const WatchSpec& spec() const { return spec_; }
    const std::optional<Evaluation>& lastEvaluation() const { return lastEvaluation_; }

    bool operator==(const DirectDecider&) const = default;

private:
    bool reportsEachNewLine() const;

    WatchSpec spec_;
    TriggerGate gate_;
    SettledGate settled_;
    std::vector<std::string> baselineLines_;
    std::vector<std::string> currentLines_;
    std::optional<std::vector<std::string>> lastText_;
    std::optional<Evaluation> lastEvaluation_;
    bool awaitingPicture_ = false;
};

}  // namespace kestrove
