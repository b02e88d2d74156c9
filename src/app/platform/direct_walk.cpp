#include "app/platform/direct_walk.hpp"

#include <algorithm>
#include <cmath>

#include "app/platform/direct_text_lines.hpp"
#include "core/reading/reading_order.hpp"
#include "core/foundation/text.hpp"
#include "core/reading/text_match.hpp"

namespace kestrove {

namespace {

// Half inside: a real frame whose overlap with the box is at least half of it.
bool halfInside(const Rect& frame, const Rect& box) {
    if (!(frame.width > 0 && frame.height > 0)) return false;
    const auto overlap = frame.intersection(box);
    if (!overlap) return false;
    return overlap->width * overlap->height >= frame.width * frame.height / 2;
}

bool isNewline(std::string_view s, std::size_t i, std::size_t& length) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || c == '\r' || c == '\v' || c == '\f') return length = 1, true;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) return length = 2, true;
    if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(s[i + 2]) == 0xA8 || static_cast<unsigned char>(s[i + 2]) == 0xA9))
        return length = 3, true;
    return false;
}

// The lines of a value, each trimmed of spaces and tabs, empty ones dropped.
std::vector<std::string> lines(std::string_view s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    auto take = [&](std::size_t end) {
        std::string part = text::trimWhitespace(s.substr(start, end - start));
        if (!part.empty()) out.push_back(std::move(part));
    };
    for (std::size_t i = 0; i < s.size();) {
        std::size_t length = 0;
        if (isNewline(s, i, length)) {
            take(i);
            i += length;
            start = i;
        } else {
            ++i;
        }
    }
    take(s.size());
    return out;
}

// Rectangle i of n equal bands from the top of r.
Rect band(const Rect& r, std::size_t i, std::size_t n) {
    const double h = r.height / static_cast<double>(n);
    return {r.minX(), r.minY() + static_cast<double>(i) * h, r.width, h};
}

}  // namespace

void DirectWalk::visit(const AccessElement& element, int depth, const std::optional<AccessElement>& page) {
    if (timedOut_ || nodeCount_ >= maxNodes || depth >= maxDepth) return;
    if (!seen_.insert(element).second) return;
    ++nodeCount_;

    AccessResult<AccessNode> read = tree_.node(element);
    if (!read.value) {
        (read.error == AccessError::timedOut ? timedOut_ : failed_) = true;
        return;
    }
    const AccessNode& node = *read.value;
    const std::optional<Rect>& frame = node.frame;
    if (frame && frame->width > 0 && frame->height > 0 && !frame->intersects(box_)) return;

    std::optional<AccessElement> childPage = page;
    if (node.role == DirectRole::webArea) {
        if (!firstWebArea_) firstWebArea_ = element;
        childPage = element;
    }

    const bool speaks = node.role != DirectRole::container && node.role != DirectRole::webArea &&
                        !(node.role == DirectRole::group && !node.children.empty());
    if (speaks && frame && frame->intersects(box_)) {
        std::optional<std::string> value = node.value;
        const bool placeable = !value && node.hasText && node.role != DirectRole::secret;
        if (placeable) {
            AccessResult<std::string> t = tree_.text(element);
            if (t.error == AccessError::timedOut) {
                timedOut_ = true;
                return;
            }
            value = std::move(t.value);
        }
        collect(element, node.role, *frame, value, placeable, node.title, childPage);
    }

    for (const AccessElement& child : node.children) {
        if (timedOut_) return;
        visit(child, depth + 1, childPage);
    }
}

void DirectWalk::collect(const AccessElement& element, DirectRole role, const Rect& frame,
                         const std::optional<std::string>& value, bool placeable,
                         const std::optional<std::string>& title, const std::optional<AccessElement>& page) {
    const bool hasTitle = title && !title->empty();
    if (value && !withoutObjectMarks(*value).empty()) {
        std::vector<Piece> found;
        const bool longText = text::graphemeCount(*value) > longValue;
        if (placeable) {
            // Where the toolkit draws each line decides, not the object's frame.
            DirectTextLines placed(tree_, box_, space_);
            std::optional<std::vector<PlacedLine>> lines = placed.inBox(element, *value, longText);
            if (placed.timedOut()) return void(timedOut_ = true);
            if (lines) {
                for (PlacedLine& line : *lines) found.push_back({std::move(line.text), line.rect, {}});
                return keep(std::move(found), page);
            }
        }
        // Positions by point are screen positions: a toolkit that places its
        // objects in its own window cannot be asked by point.
        if (longText && space_ == Coordinates::screen) {
            std::optional<std::vector<std::string>> rows = textInBox(element);
            if (timedOut_) return;
            if (rows) {
                const Rect r = frame.intersection(box_).value_or(Rect{});
                for (std::size_t i = 0; i < rows->size(); ++i) found.push_back({(*rows)[i], band(r, i, rows->size()), {}});
                return keep(std::move(found), page);
            }
        }
        if (!halfInside(frame, box_)) return;
        const std::vector<std::string> parts = lines(withoutObjectMarks(*value));
        for (std::size_t i = 0; i < parts.size(); ++i) found.push_back({parts[i], band(frame, i, parts.size()), {}});
        return keep(std::move(found), page);
    }
    if (value && value->empty() && !hasTitle) return;
    if (hasTitle && role == DirectRole::titled && halfInside(frame, box_)) {
        std::string name = text::trimWhitespaceAndNewlines(*title);
        if (!name.empty()) keep({{std::move(name), frame, {}}}, page);  // a blank name is no line
    }
}

std::optional<std::vector<std::string>> DirectWalk::textInBox(const AccessElement& element) {
    double y = box_.minY() + 3;
    if (!(y < box_.maxY())) return std::nullopt;
    std::vector<std::string> rows;
    std::optional<int> previousStart;
    bool anyRow = false;
    auto offset = [&](Point p) -> std::optional<int> {
        AccessResult<int> at = tree_.offsetAtPoint(element, p);
        if (at.error == AccessError::timedOut) timedOut_ = true;
        if (!at.value || *at.value < 0) return std::nullopt;
        return at.value;
    };
    for (; y < box_.maxY(); y += 5) {
        const std::optional<int> left = offset({box_.minX() + 2, y});
        if (timedOut_) return std::nullopt;
        if (!left) continue;
        const std::optional<int> right = offset({box_.maxX() - 2, y});
        if (timedOut_) return std::nullopt;
        if (!right) continue;
        if (*left != previousStart) {
            // An offset stands for one character: the row ends after the right one.
            AccessResult<std::string> row = tree_.textRange(element, *left, std::max(*left, *right + 1));
            if (row.error == AccessError::timedOut) return timedOut_ = true, std::nullopt;
            if (row.value) rows.push_back(text::trimWhitespaceAndNewlines(withoutObjectMarks(*row.value)));
            previousStart = *left;
        }
        anyRow = true;
    }
    if (!anyRow) return std::nullopt;
    std::vector<std::string> kept;
    for (std::string& row : rows)
        if (!row.empty()) kept.push_back(std::move(row));
    return kept;
}

void DirectWalk::keep(std::vector<Piece> found, const std::optional<AccessElement>& page) {
    if (found.empty()) return;
    if (!page_) page_ = page;
    for (Piece& piece : found) {
        piece.normalized = TextMatch::normalize(piece.text);
        bool duplicate = false;
        for (const Piece& kept : pieces_)
            if (kept.normalized == piece.normalized && kept.rect.intersects(piece.rect)) {
                duplicate = true;
                break;
            }
        if (!duplicate) pieces_.push_back(std::move(piece));
    }
}

std::vector<OCRLine> DirectWalk::sorted() const {
    // Tops less than 4 points apart are one row, read left to right;
    // otherwise top to bottom.
    std::vector<const Piece*> order;
    for (const Piece& p : pieces_) order.push_back(&p);
    insertionSort(order, [](const Piece* a, const Piece* b) {
        const double dy = a->rect.minY() - b->rect.minY();
        if (std::fabs(dy) < 4) return a->rect.minX() < b->rect.minX();
        return a->rect.minY() < b->rect.minY();
    });
    std::vector<OCRLine> out;
    for (const Piece* p : order) {
        // A line's box says where it lies in the watched box, never beyond it.
        const Rect r = p->rect.intersection(box_).value_or(p->rect);
        out.push_back({p->text,
                       {(r.minX() - box_.minX()) / box_.width, (r.minY() - box_.minY()) / box_.height,
                        r.width / box_.width, r.height / box_.height},
                       1.0});
    }
    return out;
}

}  // namespace kestrove
