#pragma once
// One walk of a window's accessibility tree: the texts whose objects lie
// mostly inside the watched box, de-duplicated and put in reading order.

#include <optional>
#include <string>
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

    struct Piece {
        std::string text;
        Rect rect;  // screen points
        std::string normalized;
    };

    // `space`: where the tree's objects are placed (the box is given in it too).
    DirectWalk(AccessibilityTree& tree, Rect box, Coordinates space = Coordinates::screen)
        : tree_(tree), box_(box), space_(space) {}

    void visit(const AccessElement& element, int depth, const std::optional<AccessElement>& page);

    // The kept pieces as lines relative to the box, in reading order.
    std::vector<OCRLine> sorted() const;

    const Rect& box() const { return box_; }
    const std::vector<Piece>& pieces() const { return pieces_; }
    const std::optional<AccessElement>& page() const { return page_; }
    const std::optional<AccessElement>& firstWebArea() const { return firstWebArea_; }
    int nodeCount() const { return nodeCount_; }
    bool timedOut() const { return timedOut_; }
    bool failed() const { return failed_; }

private:
    // `placeable`: the value is the object's own text content, so the toolkit
    // can say where its lines are drawn.
    void collect(const AccessElement& element, DirectRole role, const Rect& frame,
                 const std::optional<std::string>& value, bool placeable, const std::optional<std::string>& title,
                 const std::optional<AccessElement>& page);
    // The rows of a long value that lie in the box; none when the toolkit
    // cannot place characters (the caller then reads the value whole).
    std::optional<std::vector<std::string>> textInBox(const AccessElement& element);
    void keep(std::vector<Piece> found, const std::optional<AccessElement>& page);

    AccessibilityTree& tree_;
    Rect box_;
    Coordinates space_;
    std::vector<Piece> pieces_;
    std::optional<AccessElement> page_;
    std::optional<AccessElement> firstWebArea_;
    int nodeCount_ = 0;
    bool timedOut_ = false;
    bool failed_ = false;
    std::unordered_set<AccessElement, AccessElementHash> seen_;
};

}  // namespace kestrove
