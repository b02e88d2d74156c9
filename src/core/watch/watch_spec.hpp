#pragma once
// The watch model: a user's sentence compiled into a rule about one box.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/geometry.hpp"
#include "core/foundation/json_io.hpp"
#include "core/foundation/raw_value.hpp"

namespace kestrove {

enum class WatchType { anyChange, textAppears, textGone, numberCompare, newLine, stateReached, newItem };
enum class WatchMode { once, everyTime };
enum class WatchStatus { watching, lostSight, paused, finished };
enum class Comparison { lt, lte, gt, gte, eq, none };
enum class ValueUnit { percent, eur, usd, gbp, seconds, minutes, hours };

template <> struct RawValues<WatchType> {
    static constexpr std::array<std::pair<WatchType, std::string_view>, 7> table{{
        {WatchType::anyChange, "any_change"},     {WatchType::textAppears, "text_appears"},
        {WatchType::textGone, "text_gone"},       {WatchType::numberCompare, "number_compare"},
        {WatchType::newLine, "new_line"},         {WatchType::stateReached, "state_reached"},
        {WatchType::newItem, "new_item"},
    }};
};
template <> struct RawValues<WatchMode> {
    static constexpr std::array<std::pair<WatchMode, std::string_view>, 2> table{{
        {WatchMode::once, "once"}, {WatchMode::everyTime, "every_time"},
    }};
};
template <> struct RawValues<WatchStatus> {
    static constexpr std::array<std::pair<WatchStatus, std::string_view>, 4> table{{
        {WatchStatus::watching, "watching"}, {WatchStatus::lostSight, "lost_sight"},
        {WatchStatus::paused, "paused"},     {WatchStatus::finished, "finished"},
    }};
};
template <> struct RawValues<Comparison> {
    static constexpr std::array<std::pair<Comparison, std::string_view>, 6> table{{
        {Comparison::lt, "lt"}, {Comparison::lte, "lte"}, {Comparison::gt, "gt"},
        {Comparison::gte, "gte"}, {Comparison::eq, "eq"}, {Comparison::none, "none"},
    }};
};
template <> struct RawValues<ValueUnit> {
    static constexpr std::array<std::pair<ValueUnit, std::string_view>, 7> table{{
        {ValueUnit::percent, "%"},        {ValueUnit::eur, "EUR"},         {ValueUnit::usd, "USD"},
        {ValueUnit::gbp, "GBP"},          {ValueUnit::seconds, "seconds"}, {ValueUnit::minutes, "minutes"},
        {ValueUnit::hours, "hours"},
    }};
};

// Kinds judged on recognised text.
bool needsOCR(WatchType t);
// Kinds the server's model judges.
bool needsCloud(WatchType t);
// Whether checks read the box with language correction. Numbers are read
// without it, and so are new lines: their baseline was read without it when
// the watch was made, and a line the correction reads otherwise (a line the
// box cuts, a name) would be a new line at every change of the picture.
bool readWithLanguageCorrection(WatchType t);
// Whether the kind's rule compares what the box shows with an earlier reading
// of it (new lines, new items, any change): such a watch resumed or restored
// takes that reading afresh, so what came while it was not watched does not bark.
bool comparesWithEarlierReading(WatchType t);

// read <op> target; eq is within 0.0001; NaN on either side is never true.
bool holds(Comparison c, double read, double target);

bool isCurrency(ValueUnit u);
bool isTime(ValueUnit u);
// A unit that is present and a time.
inline bool isTime(std::optional<ValueUnit> u) { return u && isTime(*u); }
double secondsFactor(ValueUnit u);
std::optional<std::string> currencySymbol(ValueUnit u);

// Why a watch cannot be judged right now. Never stored.
struct WatchTrouble {
    enum class Kind { modelChecksUsedUp, cantReachServer, localOnly, serverNotSetUp };
    Kind kind;
    std::optional<std::string> backAt;  // only for modelChecksUsedUp

    static WatchTrouble modelChecksUsedUp(std::optional<std::string> backAt) { return {Kind::modelChecksUsedUp, std::move(backAt)}; }
    static WatchTrouble cantReachServer() { return {Kind::cantReachServer, std::nullopt}; }
    static WatchTrouble localOnly() { return {Kind::localOnly, std::nullopt}; }
    static WatchTrouble serverNotSetUp() { return {Kind::serverNotSetUp, std::nullopt}; }
    bool operator==(const WatchTrouble&) const = default;
};

struct Anchor {
    double x = 0;
    double y = 0;
    bool operator==(const Anchor&) const = default;
};

struct WatchTarget {
    std::optional<std::string> description;
    std::optional<ValueUnit> unit;
    std::optional<std::string> text;
    std::optional<Anchor> anchor;
    bool operator==(const WatchTarget&) const = default;
};

struct WindowAnchor {
    std::uint32_t id = 0;
    std::string app;
    std::optional<std::string> bundleID;
    double x = 0;
    double y = 0;
    double windowW = 0;
    double windowH = 0;
    // The process that owned the window when it was bound; 0 when not known
    // (files saved before it was kept). X11 hands a closed window's id to
    // the next window made, so the owner tells the two apart, also across a
    // restart of ours while the window lives on.
    std::int32_t ownerPID = 0;
    bool operator==(const WindowAnchor&) const = default;
};

struct WatchRegion {
    std::uint32_t displayID = 0;
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    double scale = 1;
    std::optional<WindowAnchor> window;

    Size size() const { return {w, h}; }
    bool operator==(const WatchRegion&) const = default;
};

struct DirectInfo {
    bool onScreenOnly = false;
    bool operator==(const DirectInfo&) const = default;
};

struct Baseline {
    std::optional<double> currentValue;
    bool currentlyMet = false;
    std::optional<std::string> currentDisplay;
    std::optional<std::string> currentText;
    std::optional<std::vector<std::string>> lines;
    bool operator==(const Baseline&) const = default;
};

struct WatchSpec {
    std::string id;
    std::string command;
    WatchType type = WatchType::anyChange;
    WatchTarget target;
    Comparison comparator = Comparison::none;
    std::optional<double> value;
    WatchMode mode = WatchMode::once;
    WatchRegion region;
    int pollSeconds = 5;
    int debounceChecks = 2;
    std::optional<std::map<std::string, double>> confidence;
    Baseline baseline;
    Date createdAt{};
    std::optional<WatchType> fallbackFrom;
    std::optional<WatchType> ruleFrom;
    std::optional<DirectInfo> direct;

    // A local rule waiting for a busy text to go stands in for a model-judged
    // kind: it must also see the box stop changing before it barks.
    bool waitsForStillness() const { return type == WatchType::textGone && ruleFrom.has_value(); }

    // "w_" and 6 characters drawn uniformly from the id alphabet.
    static std::string makeID();
    static constexpr std::string_view idAlphabet = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";

    bool operator==(const WatchSpec&) const = default;
};

struct WatchRecord {
    WatchSpec spec;
    WatchStatus status = WatchStatus::watching;
    std::optional<Date> lastBarkAt;
    std::optional<std::string> lastRead;
    std::optional<double> lastValue;
    // The condition held when the watch last ran and was told (or rightly
    // kept quiet about): a resumed or restarted watch does not bark for it
    // again until it has been seen not to hold. False in files saved before
    // it was kept.
    bool told = false;
    // The file says the watch's crop is not on disk (its write failed), so
    // no picture there is taken for it. Absent from older files: false.
    bool noCrop = false;

    const std::string& id() const { return spec.id; }
    bool isActive() const { return status == WatchStatus::watching || status == WatchStatus::lostSight; }
    bool operator==(const WatchRecord&) const = default;
};

struct WatchFile {
    int version = 1;
    std::vector<WatchRecord> watches;
    bool operator==(const WatchFile&) const = default;
};

}  // namespace kestrove
