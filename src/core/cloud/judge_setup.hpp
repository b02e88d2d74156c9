#pragma once
// The decision on the model's answer for a new watch: fold the answer's
// kind, mode and scores into the new watch, then confirm it, ask which of two
// kinds was meant, say the thing is not visible or already true, or say the
// sentence is too vague. Pure.

#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/cloud/cloud_types.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

struct JudgeSetup {
    struct Confirm {
        WatchSpec spec;
        bool operator==(const Confirm&) const = default;
    };
    struct TwoReadings {
        WatchSpec spec;
        std::vector<WatchType> kinds;  // exactly two
        bool operator==(const TwoReadings&) const = default;
    };
    struct NotVisible {
        WatchSpec spec;
        bool operator==(const NotVisible&) const = default;
    };
    struct AlreadyTrue {
        WatchSpec spec;
        WatchSpec fallback;  // bark when the box changes instead
        bool operator==(const AlreadyTrue&) const = default;
    };
    struct TooVague {
        bool operator==(const TooVague&) const = default;
    };
    enum class Kind { confirm, twoReadings, notVisible, alreadyTrue, tooVague };
    // Alternatives in the order of Kind.
    using Value = std::variant<Confirm, TwoReadings, NotVisible, AlreadyTrue, TooVague>;

    Value value;

    // Every comparison with these is strict.
    static constexpr double tooVagueOver = 0.6;
    static constexpr double typeConfidenceUnder = 0.7;
    static constexpr double referentVisibleUnder = 0.5;
    static constexpr double currentlyMetOver = 0.8;

    template <typename T>
        requires std::is_constructible_v<Value, T>
    JudgeSetup(T v) : value(std::move(v)) {}

    static JudgeSetup decide(const CompileResponse& response, const WatchSpec& spec);
    // The model-judged watch re-cast to a chosen kind: the any-change form
    // keeps the id and is no fallback; state_reached and new_item change the
    // kind only; the text kinds are absent (a model answer cannot give them).
    static std::optional<WatchSpec> spec(WatchType kind, const WatchSpec& from);

    Kind kind() const { return static_cast<Kind>(value.index()); }
    template <typename T>
    const T* as() const { return std::get_if<T>(&value); }

    bool operator==(const JudgeSetup&) const = default;
};

}  // namespace kestrove
