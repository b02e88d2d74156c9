#pragma once
// One sentence and the first reading of a box become a watch rule without any
// server, or an outcome that says why not and what to ask the user.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/foundation/json_io.hpp"
#include "core/reading/read_number.hpp"
#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"
#include "core/rules/watch_suggestions.hpp"

namespace kestrove {

struct CompileOutcome {
    // A rule that can start; shown for confirmation.
    struct Confirm {
        WatchSpec spec;
        bool operator==(const Confirm&) const = default;
    };
    // What the user waits for holds already; `read` is what the box shows now,
    // `fallback` watches for any change instead.
    struct AlreadyTrue {
        WatchSpec spec;
        std::optional<std::string> read;
        WatchSpec fallback;
        bool operator==(const AlreadyTrue&) const = default;
    };
    // Several numbers could be meant: the user picks one and the sentence is
    // compiled again with it as `chosen`.
    struct WhichNumber {
        WatchSpec spec;
        std::vector<ReadNumber> candidates;
        bool operator==(const WhichNumber&) const = default;
    };
    // The box shows no number; `target` names what was looked for.
    struct NotVisible {
        WatchSpec spec;
        std::string target;
        bool operator==(const NotVisible&) const = default;
    };
    // The awaited text is on screen already; `alternative` waits for it to go.
    struct AlreadyVisible {
        WatchSpec spec;
        WatchSpec alternative;
        bool operator==(const AlreadyVisible&) const = default;
    };
    // Only a model can judge the sentence; `fallback` watches for any change.
    struct NeedsJudge {
        WatchSpec spec;
        WatchSpec fallback;
        bool operator==(const NeedsJudge&) const = default;
    };
    // The box shows no text whose going could be awaited.
    struct NoText {
        WatchSpec spec;
        WatchSpec fallback;
        bool operator==(const NoText&) const = default;
    };
    // No recogniser took the sentence; example sentences for this box.
    struct TooVague {
        std::vector<std::string> examples;
        bool operator==(const TooVague&) const = default;
    };

    enum class Kind { confirm, alreadyTrue, whichNumber, notVisible, alreadyVisible, needsJudge, noText, tooVague };
    // Alternatives in the order of Kind.
    using Value = std::variant<Confirm, AlreadyTrue, WhichNumber, NotVisible, AlreadyVisible, NeedsJudge, NoText, TooVague>;

    Value value;

    Kind kind() const { return static_cast<Kind>(value.index()); }
    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }
    // The rule of every case but tooVague.
    const WatchSpec* spec() const;

    bool operator==(const CompileOutcome&) const = default;
};

namespace LocalCompiler {

// Where the ids of alternative and fallback rules come from; tests pin them.
using IDSource = std::function<std::string()>;

// `chosen` is absent on the first call; after whichNumber it is the candidate
// the user picked. `id` is the new watch's id.
CompileOutcome compile(std::string_view sentence, const BaselineReading& reading, const WatchRegion& region,
                       const std::optional<ReadNumber>& chosen, const std::string& id, Date now,
                       const IDSource& makeID = WatchSpec::makeID);

// A rule of `kind` for the server's model to judge, described by the sentence.
WatchSpec judgeSpec(std::string_view sentence, WatchType kind, const BaselineReading& reading, const WatchRegion& region,
                    const std::string& id, Date now);

// A rule that barks on any change in place of `from`, under a new id, and
// remembers which kind it stands in for.
WatchSpec anyChangeFallback(const WatchSpec& from, const IDSource& makeID = WatchSpec::makeID);
// The same under `from`'s own id, not marked as a fallback.
WatchSpec anyChangeSpec(const WatchSpec& from);

}  // namespace LocalCompiler

}  // namespace kestrove
