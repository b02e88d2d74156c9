#pragma once
// One walk of a window's accessibility tree: the texts whose objects lie
// mostly inside the watched box, de-duplicated and put in reading order.
// Only what can meet the box is read: an object whose frame misses the box
// is passed over with everything under it, and the many children of a list
// or a page are placed all at once before any is read.
//
// What a walk found can be kept and handed to the next walk of the same box
// in the same window: that walk checks that what was found has not moved,
// reads again only the objects that announced a change, and gives the same
// texts a walk from the window down would give.

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/platform/accessibility_tree.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

class DirectWalk {
public:
    // A walk reads at most this many objects, this many levels deep (the window at level 0).
    static constexpr int maxNodes = 4000;
    static constexpr int maxDepth = 60;
    // Values longer than this are read row by row where they meet the box.
    static constexpr std::size_t longValue = 300;
    // Children at least this many are placed all at once before any is read.
    static constexpr std::size_t manyChildren = 4;

    struct Piece {
        std::string text;
        Rect rect;  // screen points
        std::string normalized;
        // A group's own line: its text with the marks of the objects inside
        // it, and where each mark is drawn (none where the toolkit cannot tell).
        std::string marked;
        std::vector<std::optional<Rect>> inlines;
    };

    // Where a text stood when its lines were read: one of its lines and
    // where it was drawn, or the character found at a point of the box.
    struct TextMark {
        std::optional<TextSpan> line;
        Rect drawn;
        Point point;
        int offset = -1;
        bool operator==(const TextMark&) const = default;
    };

    // One object as the walk found it.
    struct Seen {
        int depth = 0;
        std::optional<AccessElement> pageIn;  // the page around it
        std::optional<Rect> frame;
        bool entered = false;  // its frame meets the box (or it has none): its text and children were read
        bool hidden = false;   // it does not show: nothing under it was read
        // An object between it and the window shows: its toolkit tells
        // showing, so its own not showing counts.
        bool showingAround = false;
        bool webArea = false;
        // A group with text of its own: its lines hold its children's texts.
        bool ownText = false;
        // A progress bar's name: the box may show it, unless a text read there does.
        std::optional<std::string> drawnName;
        std::vector<AccessElement> children;  // those read under it, in order
        std::vector<Piece> pieces;            // its texts, before de-duplication
        std::optional<TextMark> mark;
    };

    // What a walk found, for the next walk of the same box.
    struct Found {
        std::optional<AccessElement> root;
        std::unordered_map<AccessElement, Seen, AccessElementHash> seen;
        // The nearest objects above and below the box, once looked for.
        std::optional<std::vector<AccessElement>> neighbours;
    };

    // `space`: where the tree's objects are placed (the box is given in it too).
    DirectWalk(AccessibilityTree& tree, Rect box, Coordinates space = Coordinates::screen, Found earlier = {})
        : tree_(tree), box_(box), space_(space), found_(std::move(earlier)) {}

    void visit(const AccessElement& element, int depth, const std::optional<AccessElement>& page);

    // Where what the earlier walk found stands now: the innermost objects
    // that gave text (where their lines are drawn, else their frames) and
    // the nearest objects above and below the box (a scrolled page moves
    // them); and whether those texts still show and what was hidden over
    // the box still hides (Chromium announces neither).
    struct Standing {
        std::vector<AccessElement> placed;
        std::vector<AccessResult<Rect>> frames;
        std::vector<AccessElement> marksMoved;
        std::vector<AccessElement> stated;
        std::vector<AccessResult<Shown>> shown;
        bool asked = false;  // every question was answered
    };
    Standing standing();
    // Reads again an object found earlier that announced a change, and the
    // children it did not have (those it still has announce their own
    // changes); objects not found earlier are let be (they lie under an
    // object that misses the box, and a new one is announced by its parent).
    void revisit(const AccessElement& element);
    // Whether everything stood where the earlier walk found it, objects read
    // again since aside.
    bool unmoved(const Standing& now) const;

    // The kept pieces as lines relative to the box, in reading order.
    std::vector<OCRLine> sorted() const;

    const Rect& box() const { return box_; }
    const std::vector<Piece>& pieces() const { return settled().pieces; }
    const std::optional<AccessElement>& page() const { return settled().page; }
    const std::optional<AccessElement>& firstWebArea() const { return settled().firstWebArea; }
    // Objects asked about by this walk.
    int nodeCount() const { return nodeCount_; }
    bool timedOut() const { return timedOut_; }
    bool failed() const { return failed_; }
    // Some text in the box was found whose lines in it cannot be told, or a
    // progress bar in it has a name no text read in the box holds.
    bool unreadable() const { return unreadable_ || settled().unplacedName; }

    Found found() && { return std::move(found_); }

private:
    struct Results {
        std::vector<Piece> pieces;
        std::optional<AccessElement> page;
        std::optional<AccessElement> firstWebArea;
        std::vector<std::string> drawnNames;  // normalized
        bool unplacedName = false;
    };

    // Children found under an object before, kept as they were when it is read again.
    using Kept = std::unordered_set<AccessElement, AccessElementHash>;
    // Whether the object was read (not passed over as seen before or past a limit).
    bool enter(const AccessElement& element, int depth, const std::optional<AccessElement>& page, bool showingAround,
               const std::optional<Rect>& placed, const Kept& kept = {});
    void visitChildren(const std::vector<AccessElement>& children, int depth, const std::optional<AccessElement>& page,
                       bool showingAround, std::vector<AccessElement>& read, const Kept& kept);
    // Whether an object below the window is hidden: not visible, or not
    // showing where its toolkit tells showing.
    static bool hides(const Shown& shown, bool showingAround) {
        return !shown.visible || (showingAround && !shown.showing);
    }
    // `placeable`: the value is the object's own text content, so the toolkit
    // can say where its lines are drawn.
    // `children`: its children, the first of which may be the view its text scrolls in.
    void collect(const AccessElement& element, DirectRole role, const Rect& frame,
                 const std::optional<std::string>& value, bool placeable, const std::optional<std::string>& title,
                 const std::vector<AccessElement>& children, Seen& into);
    // A group with children whose text has more than their marks speaks it
    // as a text of its own, read after its children.
    void speakOwnText(const AccessElement& element, const AccessNode& node);
    // Where the marks of child objects in a group's placed line are drawn.
    void placeInlines(const AccessElement& element, const TextSpan& span, Piece& piece);
    // The rows of a long value that lie in the box; none when the toolkit
    // cannot place characters (the caller then reads the value whole).
    std::optional<std::vector<std::string>> textInBox(const AccessElement& element, std::optional<TextMark>& mark);
    bool markHolds(const AccessElement& element, const TextMark& mark);
    // The nearest objects above and below the box that miss it.
    std::vector<AccessElement> neighbours() const;
    // The objects under `element` that gave text and hold none that did;
    // whether any under it (itself included) gave text.
    bool innermostTexts(const AccessElement& element, std::vector<AccessElement>& into) const;
    void forget(const AccessElement& element);
    const Results& settled() const;
    void settle(const AccessElement& element, Results& into) const;
    // A group with text of its own: its lines, each mark giving way to the
    // texts drawn where it stands, and what under it lies off those lines.
    void settleOwnText(const Seen& seen, Results& into) const;

    AccessibilityTree& tree_;
    Rect box_;
    Coordinates space_;
    Found found_;
    std::unordered_set<AccessElement, AccessElementHash> readAgain_;  // by this walk
    int nodeCount_ = 0;
    bool timedOut_ = false;
    bool failed_ = false;
    bool unreadable_ = false;
    mutable std::optional<Results> results_;
};

}  // namespace kestrove
