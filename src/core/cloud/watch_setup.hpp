#pragma once
// What a new watch's sentence becomes, for one drawn box: the local compiler
// settles what it can; what needs a model becomes a question for the user
// (send the box to the server's model, or bark on any change instead), worded
// by whether the server may be used at all. Only askTheModel ever sends
// anything, and only once the user agreed.

#include <functional>
#include <optional>
#include <string_view>
#include <variant>

#include "core/cloud/cloud_client.hpp"
#include "core/cloud/cloud_settings.hpp"
#include "core/cloud/judge_setup.hpp"
#include "core/rules/local_compiler.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

struct WatchSetup {
    struct Step {
        // The local compiler's outcome, shown as it is.
        struct Decided {
            CompileOutcome outcome;
            bool operator==(const Decided&) const = default;
        };
        // Needs the model, but Local Only is on.
        struct LocalOnly {
            WatchSpec fallback;
            bool operator==(const LocalOnly&) const = default;
        };
        // Needs the model, but there is no usable server address.
        struct NotSetUp {
            WatchSpec fallback;
            bool operator==(const NotSetUp&) const = default;
        };
        // Needs the model and the server may be used: ask to send the box.
        struct Consent {
            WatchSpec spec;
            WatchSpec fallback;
            bool operator==(const Consent&) const = default;
        };
        enum class Kind { decided, localOnly, notSetUp, consent };
        using Value = std::variant<Decided, LocalOnly, NotSetUp, Consent>;
        Value value;

        Kind kind() const { return static_cast<Kind>(value.index()); }
        template <typename T>
        const T* as() const { return std::get_if<T>(&value); }
        bool operator==(const Step&) const = default;
    };

    struct Answer {
        struct Setup {
            JudgeSetup judged;
            bool operator==(const Setup&) const = default;
        };
        // Model checks are used up; `back` is when they return, if known.
        struct UsedUp {
            std::optional<Date> back;
            bool operator==(const UsedUp&) const = default;
        };
        struct Unreachable {
            bool operator==(const Unreachable&) const = default;
        };
        enum class Kind { setup, usedUp, unreachable };
        using Value = std::variant<Setup, UsedUp, Unreachable>;
        Value value;

        Kind kind() const { return static_cast<Kind>(value.index()); }
        template <typename T>
        const T* as() const { return std::get_if<T>(&value); }
        bool operator==(const Answer&) const = default;
    };

    WatchRegion region;
    // Both asked afresh at every decision and request, so switching Local
    // Only or the address while the panel is open counts at once.
    std::function<CloudSettings::Availability()> availability;
    std::function<std::optional<CloudClient>()> client;
    CloudSettings settings;  // for the model-check pause

    // `session` is the application's server session (never null).
    WatchSetup(WatchRegion region, CloudSettings settings, std::shared_ptr<CloudSession> session);

    // Synchronous; never touches the network. A new watch is made at `now`
    // (the caller's clock). `chosen` is the number the user picked after a
    // whichNumber outcome.
    Step compile(std::string_view sentence, const BaselineReading& reading, Date now,
                 const std::optional<ReadNumber>& chosen = std::nullopt) const;

    // Sends the crop and the sentence to the model, after consent, unless
    // there is no client or no crop (unreachable) or a model pause is in
    // force at `now` (usedUp, nothing sent). Every failure is an Answer.
    // `done` runs through `executor`, never inside this call, while the
    // returned handle is held.
    CloudCall askTheModel(const WatchSpec& spec, std::optional<CloudImage> crop, Date now, Executor executor,
                          std::function<void(Answer)> done) const;

private:
    Step forModel(WatchSpec spec, WatchSpec fallback) const;
};

}  // namespace kestrove
