#pragma once
// Where the new-watch dialogue stands: the input stage, or one of its cards.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/cloud/watch_setup.hpp"
#include "core/rules/local_compiler.hpp"
#include "core/watch/watch_spec.hpp"

namespace kestrove {

// A question about the server's model: the watch the model would
// judge, `fallback` the any-change watch offered in its place.
struct JudgeQuestion {
    // The set-up's own steps where the model is needed, asked as they are.
    using Consent = WatchSetup::Step::Consent;
    using LocalOnly = WatchSetup::Step::LocalOnly;
    using NotSetUp = WatchSetup::Step::NotSetUp;
    struct Unreachable {
        WatchSpec spec;
        WatchSpec fallback;
        bool operator==(const Unreachable&) const = default;
    };
    struct UsedUp {
        WatchSpec fallback;
        std::optional<std::string> backAt;  // the local time the checks return
        bool operator==(const UsedUp&) const = default;
    };
    struct TwoReadings {
        WatchSpec spec;
        std::vector<WatchType> kinds;
        bool operator==(const TwoReadings&) const = default;
    };
    struct NotVisible {
        WatchSpec spec;
        bool operator==(const NotVisible&) const = default;
    };
    struct AlreadyTrue {
        WatchSpec spec;
        WatchSpec fallback;
        bool operator==(const AlreadyTrue&) const = default;
    };

    enum class Kind { consent, localOnly, notSetUp, unreachable, usedUp, twoReadings, notVisible, alreadyTrue };
    // Alternatives in the order of Kind.
    using Value = std::variant<Consent, LocalOnly, NotSetUp, Unreachable, UsedUp, TwoReadings, NotVisible, AlreadyTrue>;
    Value value;

    Kind kind() const { return static_cast<Kind>(value.index()); }
    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }
    bool operator==(const JudgeQuestion&) const = default;
};

struct NewWatchStage {
    // The sentence field; `message` is shown under it.
    struct Input {
        std::optional<std::string> message;
        bool operator==(const Input&) const = default;
    };
    struct Confirm {
        WatchSpec spec;
        bool operator==(const Confirm&) const = default;
    };
    // A question about a local compiler outcome.
    struct Clarify {
        CompileOutcome outcome;
        bool operator==(const Clarify&) const = default;
    };
    struct Judge {
        JudgeQuestion question;
        bool operator==(const Judge&) const = default;
    };

    enum class Kind { input, confirm, clarify, judge };
    using Value = std::variant<Input, Confirm, Clarify, Judge>;
    Value value = Input{};

    Kind kind() const { return static_cast<Kind>(value.index()); }
    template <class Case> const Case* as() const { return std::get_if<Case>(&value); }
    bool operator==(const NewWatchStage&) const = default;
};

}  // namespace kestrove
