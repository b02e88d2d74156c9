#pragma once
// What the direct reader asks of the accessibility layer. The real tree
// speaks AT-SPI over D-Bus (AtspiTree); tests use a fake tree. Every call is
// made on the reader's own thread and may block for up to its time-out.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/foundation/geometry.hpp"
#include "core/foundation/result.hpp"

namespace kestrove {

// One accessible object: its owner's bus name and its object path.
struct AccessElement {
    std::string bus;
    std::string path;
    bool operator==(const AccessElement&) const = default;
};

struct AccessElementHash {
    std::size_t operator()(const AccessElement& e) const {
        return std::hash<std::string>{}(e.bus) * 31 + std::hash<std::string>{}(e.path);
    }
};

// Why a call gave nothing.
enum class AccessError {
    timedOut,     // the application did not answer within the time-out
    invalid,      // the object or its application is gone
    unsupported,  // the object has no such interface or property
    failed,       // anything else (the bus itself went away, a malformed answer)
};

template <typename T> using AccessResult = Result<T, AccessError>;

// Where the changes a program announces stood at one moment, as one tree
// counts them; marks of another tree mean nothing to it.
struct ChangeMark {
    const void* source = nullptr;
    std::uint64_t stamp = 0;
    bool operator==(const ChangeMark&) const = default;
};

// The objects of one program that announced a change (text, name, children,
// shown or hidden) after a mark.
struct ChangesSince {
    // Changes may have gone unheard (no mark, another tree's mark, too many
    // to keep, the bus restarted) or a page loaded: nothing read before the
    // mark holds.
    bool unknown = true;
    std::unordered_set<std::string> paths;
    // Where they stand now; none when the tree cannot follow changes.
    std::optional<ChangeMark> now;
};

// A line of an object's text as the toolkit lays it out: its characters
// from `start` up to (not including) `end`, counted in characters.
struct TextSpan {
    std::string text;
    int start = 0;
    int end = 0;
};

// Where the places of characters are measured: on the screen, or from the
// top-left corner of the object's window (toolkits that cannot tell screen
// positions on X11, GTK 4 among them).
enum class Coordinates { screen, window };

// What the reader makes of an object's role.
enum class DirectRole {
    container,  // windows, scroll and split panes, bars, tab lists: their children speak
    webArea,    // a web document: a container that is also the page
    group,      // panels, sections, lists, tables: speak only without children, or with text of their own
    titled,     // labels, buttons, links, headings, items, cells: their name is their text
    secret,     // password fields: never read
    meter,      // progress bars: may draw their name, which the tree gives as nothing else
    plain,      // anything else: only its text content counts
};

// Whether an object shows, as its toolkit tells: visible (not hidden by
// the program) and showing (nothing around it hidden, not clipped away).
// A hidden object keeps its place and texts in the tree (a folded pop-up,
// a browser's unused views). GTK 4.8 tells no object below a window showing.
struct Shown {
    bool visible = true;
    bool showing = true;
    bool operator==(const Shown&) const = default;
};

// One object as one walk step sees it.
struct AccessNode {
    DirectRole role = DirectRole::plain;
    std::optional<Rect> frame;  // screen points; absent without a component
    std::vector<AccessElement> children;
    std::optional<std::string> title;  // the accessible name
    bool hasText = false;              // the text content can be asked for
    // The text content when the object's kind carries it elsewhere (Qt's
    // labels give their text only as their name); then it is not asked for.
    std::optional<std::string> value;
    Shown shown;  // both true where the toolkit cannot tell
};

class AccessibilityTree {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~AccessibilityTree() = default;

    // Until told otherwise, a call under way gives up at `deadline`
    // (answering timedOut) rather than at its own time-out; none: its own
    // time-out only. Trees whose calls never wait may ignore it.
    virtual void endCallsBy(std::optional<Clock::time_point> deadline) { (void)deadline; }

    // Whether reading is allowed: the accessibility bus answers and lets
    // programs join it (IsEnabled). Never aborts without a bus.
    virtual bool available() = 0;
    // The same, as far as the tree has been told since it last asked (the
    // bus launcher announces every change); after `changes` it knows every
    // change announced before the calls made so far.
    virtual bool stillAvailable() { return available(); }
    // The application registered by this process; invalid when there is none.
    virtual AccessResult<AccessElement> application(std::int32_t pid) = 0;
    // The top-level windows of an application.
    virtual AccessResult<std::vector<AccessElement>> windows(const AccessElement& app) = 0;
    // An object's place on screen.
    virtual AccessResult<Rect> frame(const AccessElement& element) = 0;
    // The places of many objects, asked all at once where the tree can.
    virtual std::vector<AccessResult<Rect>> frames(const std::vector<AccessElement>& elements);
    // Whether many objects show (as `AccessNode::shown`), asked all at once where the tree can.
    virtual std::vector<AccessResult<Shown>> shown(const std::vector<AccessElement>& elements);
    virtual AccessResult<AccessNode> node(const AccessElement& element) = 0;
    // The whole text content of an object that has one, U+FFFC standing
    // where a child object sits (so that offsets count as the toolkit's do).
    virtual AccessResult<std::string> text(const AccessElement& element) = 0;
    // The character offset at a screen point; -1 where the toolkit cannot tell.
    virtual AccessResult<int> offsetAtPoint(const AccessElement& element, Point p) = 0;
    // The characters from `start` up to (not including) `end`.
    virtual AccessResult<std::string> textRange(const AccessElement& element, int start, int end) = 0;
    // The laid-out line that holds the character at `offset`.
    virtual AccessResult<TextSpan> lineAt(const AccessElement& element, int offset) = 0;
    // Where the characters from `start` up to `end` are drawn, and where one is.
    virtual AccessResult<Rect> rangeExtents(const AccessElement& element, int start, int end, Coordinates space) = 0;
    virtual AccessResult<Rect> characterExtents(const AccessElement& element, int offset, Coordinates space) = 0;
    // The address of a web document.
    virtual std::optional<std::string> address(const AccessElement& element) = 0;

    // What the program at `bus` announced as changed since `since`, counting
    // everything it announced before answering the calls made so far. Without
    // a mark it starts following the program (and all is unknown). Trees
    // that cannot follow changes give no mark.
    virtual ChangesSince changes(const std::string& bus, const std::optional<ChangeMark>& since);
};

}  // namespace kestrove
