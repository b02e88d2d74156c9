#pragma once
// Whether a newer build has been published, and the short note the menu
// shows about it. The feed is fetched once a day on its own (first 20 s
// after start, then at the first half-hour tick a day after the last look)
// and at once when the user asks. A passing note ("You're up to date",
// "Can't check right now", or that a build without a feed has no server to
// ask) fades after 20 s; a found release stays.
//
// Main thread only. A build without a number or without a feed address
// never looks and never claims to be up to date.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/engine/clock.hpp"
#include "core/cloud/cloud_session.hpp"
#include "core/cloud/updates.hpp"

namespace kestrove {

class UpdateChecker {
public:
    // What the menu says about updates.
    struct Note {
        enum class Kind { none, out, checking, upToDate, unknown, notSetUp };
        Kind kind = Kind::none;
        std::optional<Release> release;  // for out only

        static Note none() { return {}; }
        static Note out(Release r) { return {Kind::out, std::move(r)}; }
        static Note checking() { return {Kind::checking, std::nullopt}; }
        static Note upToDate() { return {Kind::upToDate, std::nullopt}; }
        static Note unknown() { return {Kind::unknown, std::nullopt}; }
        static Note notSetUp() { return {Kind::notSetUp, std::nullopt}; }
        bool operator==(const Note&) const = default;
    };

    static constexpr std::chrono::seconds tick{1800};
    static constexpr std::chrono::seconds fadeAfter{20};
    static constexpr std::chrono::seconds timeout{15};

    // `main` is where answers come back (the main thread). The feed and this
    // build's number default to the build options.
    UpdateChecker(EngineClock& clock, std::shared_ptr<CloudSession> session, Executor main,
                  std::optional<Url> feed = UpdateCheck::address(),
                  std::optional<std::int64_t> ownBuild = UpdateCheck::ownBuild());
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // A session for the feed: 15-second time-outs, small answers.
    static std::shared_ptr<CloudSession> feedSession();
    // The request's header lines.
    static std::vector<std::string> requestHeaders();

    // Begins the automatic looks; only the first call counts.
    void start();
    // The menu's "Check for Updates"; nothing while one runs.
    void checkNow();

    const Note& note() const { return note_; }
    // The newest release found newer than this build, kept for the process:
    // what "Open Download Page" opens when the note is not `out`.
    const std::optional<Release>& found() const { return found_; }
    // When the last request was started (wall clock).
    std::optional<Date> lastLook() const { return lastLook_; }
    // Called after the note changed to a different value.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
    bool canLook() const { return feed_ && ownBuild_; }
    void scheduleTick();
    void lookIfDue();
    Pending look(std::function<void(UpdateCheck::Outcome)> done);
    void show(Release release);
    void say(Note note);
    void setNote(Note note);

    EngineClock& clock_;
    std::shared_ptr<CloudSession> session_;
    Executor main_;
    std::optional<Url> feed_;
    std::optional<std::int64_t> ownBuild_;

    Note note_;
    std::function<void()> onChange_;
    std::optional<Release> found_;
    std::optional<Date> lastLook_;
    bool started_ = false;
    Pending launch_;      // the first look, 20 s after start
    Pending tick_;        // the next half-hour tick
    Pending fading_;      // a passing note's fade
    Pending automatic_;   // an automatic look in flight
    Pending manual_;      // a manual look in flight
};

}  // namespace kestrove
