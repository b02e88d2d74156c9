#include "app/platform/direct/direct_walk.hpp"

#include <algorithm>
#include <cmath>

#include "app/platform/direct/direct_text_lines.hpp"
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

// A piece, unless one with the same text lies where it does.
void keep(const DirectWalk::Piece& piece, std::vector<DirectWalk::Piece>& into) {
    const bool duplicate = std::any_of(into.begin(), into.end(), [&](const DirectWalk::Piece& kept) {
        return kept.normalized == piece.normalized && kept.rect.intersects(piece.rect);
    });
    if (!duplicate) into.push_back(piece);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A group's line with each mark replaced by the texts drawn where it stands
// (in reading order), set off by single spaces.
DirectWalk::Piece spliced(const DirectWalk::Piece& line, const std::vector<DirectWalk::Piece>& under) {
    if (line.inlines.empty()) return line;
    std::string out;
    std::size_t from = 0;
    for (const std::optional<Rect>& drawn : line.inlines) {
        const std::size_t at = line.marked.find(objectMark, from);
        if (at == std::string::npos) break;
        out.append(line.marked, from, at - from);
        from = at + objectMark.size();
        std::vector<const DirectWalk::Piece*> there;
        if (drawn)
            for (const DirectWalk::Piece& piece : under) {
                const double middle = (piece.rect.minX() + piece.rect.maxX()) / 2;
                if (middle >= drawn->minX() && middle <= drawn->maxX() && piece.rect.minY() < drawn->maxY() &&
                    drawn->minY() < piece.rect.maxY())
                    there.push_back(&piece);
            }
        std::stable_sort(there.begin(), there.end(),
                         [](const auto* a, const auto* b) { return a->rect.minX() < b->rect.minX(); });
        while (!out.empty() && isBlank(out.back())) out.pop_back();
        out += ' ';
        for (const DirectWalk::Piece* piece : there) out += piece->text + ' ';
        while (from < line.marked.size() && isBlank(line.marked[from])) ++from;
    }
    out.append(line.marked, std::min(from, line.marked.size()));
    DirectWalk::Piece made = line;
    made.text = text::trimWhitespaceAndNewlines(withoutObjectMarks(out));
    made.normalized = TextMatch::normalize(made.text);
    return made;
}

// Rectangle i of n equal bands from the top of r.
Rect band(const Rect& r, std::size_t i, std::size_t n) {
    const double h = r.height / static_cast<double>(n);
    return {r.minX(), r.minY() + static_cast<double>(i) * h, r.width, h};
}

}  // namespace

void DirectWalk::visit(const AccessElement& element, int depth, const std::optional<AccessElement>& page) {
    if (!found_.root) found_.root = element;
    enter(element, depth, page, false, std::nullopt);
}

bool DirectWalk::enter(const AccessElement& element, int depth, const std::optional<AccessElement>& page,
                       bool showingAround, const std::optional<Rect>& placed, const Kept& kept) {
    if (timedOut_ || nodeCount_ >= maxNodes || depth >= maxDepth) return false;
    if (found_.seen.count(element)) return false;
    results_.reset();
    found_.neighbours.reset();
    ++nodeCount_;
    Seen seen;
    seen.depth = depth;
    seen.pageIn = page;
    seen.showingAround = showingAround;
    auto missesBox = [this](const std::optional<Rect>& f) {
        return f && f->width > 0 && f->height > 0 && !f->intersects(box_);
    };
    // Placed with its siblings: one that misses the box is not read at all.
    if (missesBox(placed)) {
        seen.frame = placed;
        found_.seen.emplace(element, std::move(seen));
        return true;
    }

    AccessResult<AccessNode> read = tree_.node(element);
    if (!read) {
        (read.failedWith(AccessError::timedOut) ? timedOut_ : failed_) = true;
        found_.seen.emplace(element, std::move(seen));
        return true;
    }
    const AccessNode& node = read.value();
    seen.frame = node.frame;
    // What does not show gives nothing, nor does anything under it. The
    // window's own state is left to the window list: a minimised window's
    // objects still read.
    seen.hidden = depth > 0 && hides(node.shown, showingAround);
    if (missesBox(node.frame) || seen.hidden) {
        found_.seen.emplace(element, std::move(seen));
        return true;
    }
    seen.entered = true;

    std::optional<AccessElement> childPage = page;
    if (node.role == DirectRole::webArea) {
        seen.webArea = true;
        childPage = element;
    }

    // A group with children speaks through them (but see speakOwnText).
    const bool group = node.role == DirectRole::group && !node.children.empty();
    const bool speaks = node.role != DirectRole::container && node.role != DirectRole::webArea && !group;
    if (speaks && node.frame && node.frame->intersects(box_)) {
        std::optional<std::string> value = node.value;
        const bool placeable = !value && node.hasText && node.role != DirectRole::secret;
        if (placeable) {
            AccessResult<std::string> t = tree_.text(element);
            if (t.failedWith(AccessError::timedOut)) {
                timedOut_ = true;
                found_.seen.emplace(element, std::move(seen));
                return true;
            }
            value = std::move(t).asOptional();
        }
        collect(element, node.role, *node.frame, value, placeable, node.title, node.children, seen);
        for (Piece& piece : seen.pieces) piece.normalized = TextMatch::normalize(piece.text);
    }
    found_.seen.emplace(element, std::move(seen));

    std::vector<AccessElement> children;
    visitChildren(node.children, depth + 1, childPage, showingAround || (depth > 0 && node.shown.showing), children,
                  kept);
    found_.seen.at(element).children = std::move(children);
    if (group && node.hasText && !node.value && node.frame && node.frame->intersects(box_) && !timedOut_)
        speakOwnText(element, node);
    return true;
}

void DirectWalk::speakOwnText(const AccessElement& element, const AccessNode& node) {
    // Only where what lies under it leaves room for a text of its own: it
    // gives nothing in the box, or pieces side by side on one row (the
    // pieces of a line around an inline bar, picture or link). A group of
    // rows one under another is never asked.
    Results under;
    for (const AccessElement& child : found_.seen.at(element).children) settle(child, under);
    bool sideBySide = under.pieces.empty();
    for (std::size_t i = 0; i < under.pieces.size() && !sideBySide; ++i)
        for (std::size_t j = i + 1; j < under.pieces.size() && !sideBySide; ++j)
            sideBySide = std::fabs(under.pieces[i].rect.minY() - under.pieces[j].rect.minY()) < 4;
    if (!sideBySide) return;
    AccessResult<std::string> text = tree_.text(element);
    if (text.failedWith(AccessError::timedOut)) return void(timedOut_ = true);
    // Its children's marks alone are no text of its own.
    if (!text || text::trimWhitespaceAndNewlines(withoutObjectMarks(text.value())).empty()) return;
    Seen& seen = found_.seen.at(element);
    seen.ownText = true;
    collect(element, node.role, *node.frame, text.value(), true, std::nullopt, node.children, seen);
    for (Piece& piece : seen.pieces) piece.normalized = TextMatch::normalize(piece.text);
}

void DirectWalk::visitChildren(const std::vector<AccessElement>& children, int depth,
                               const std::optional<AccessElement>& page, bool showingAround,
                               std::vector<AccessElement>& read, const Kept& kept) {
    auto isKept = [&](const AccessElement& c) { return kept.count(c) && found_.seen.count(c); };
    std::vector<AccessElement> fresh;
    for (const AccessElement& c : children)
        if (!isKept(c)) fresh.push_back(c);
    std::vector<AccessResult<Rect>> placed;
    if (fresh.size() >= manyChildren && !timedOut_ && depth < maxDepth) placed = tree_.frames(fresh);
    std::size_t next = 0;  // in `fresh`
    for (std::size_t i = 0; i < children.size() && !timedOut_; ++i) {
        if (isKept(children[i])) {
            read.push_back(children[i]);
            continue;
        }
        std::optional<Rect> frame;
        if (next < placed.size()) {
            if (placed[next].failedWith(AccessError::timedOut)) return void(timedOut_ = true);
            frame = placed[next].asOptional();
        }
        ++next;
        if (enter(children[i], depth, page, showingAround, frame)) read.push_back(children[i]);
    }
}

void DirectWalk::collect(const AccessElement& element, DirectRole role, const Rect& frame,
                         const std::optional<std::string>& value, bool placeable,
                         const std::optional<std::string>& title, const std::vector<AccessElement>& children,
                         Seen& into) {
    const bool hasTitle = title && !title->empty();
    std::vector<Piece>& found = into.pieces;
    if (value && !withoutObjectMarks(*value).empty()) {
        const bool longText = text::graphemeCount(*value) > longValue;
        if (placeable) {
            // The view a text scrolls in: Qt's is the editor's first child.
            auto view = [&]() -> std::optional<Rect> {
                if (children.empty()) return frame;
                AccessResult<Rect> view = tree_.frame(children.front());
                if (view.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
                if (view && view.value().minY() >= frame.minY() && view.value().maxY() <= frame.maxY())
                    return view.value();
                return frame;
            };
            // Where the toolkit draws each line decides, not the object's frame.
            DirectTextLines placed(tree_, box_, space_, frame);
            std::optional<std::vector<PlacedLine>> lines = placed.inBox(element, *value, longText, view);
            if (placed.timedOut() || timedOut_) return void(timedOut_ = true);
            if (placed.unreadable()) return void(unreadable_ = true);
            if (lines) {
                if (const auto& first = placed.firstPlaced()) into.mark = TextMark{first->first, first->second, {}, -1};
                for (PlacedLine& line : *lines) {
                    found.push_back({std::move(line.text), line.rect, {}, {}, {}});
                    if (into.ownText) placeInlines(element, line.span, found.back());
                    if (timedOut_) return;
                }
                return;
            }
        }
        // Positions by point are screen positions: a toolkit that places its
        // objects in its own window cannot be asked by point.
        if (longText && space_ == Coordinates::screen) {
            std::optional<std::vector<std::string>> rows = textInBox(element, into.mark);
            if (timedOut_) return;
            if (rows) {
                const Rect r = frame.intersection(box_).value_or(Rect{});
                for (std::size_t i = 0; i < rows->size(); ++i)
                    found.push_back({(*rows)[i], band(r, i, rows->size()), {}, {}, {}});
                return;
            }
        }
        if (!halfInside(frame, box_)) return;
        const std::vector<std::string> parts = lines(withoutObjectMarks(*value));
        for (std::size_t i = 0; i < parts.size(); ++i)
            found.push_back({parts[i], band(frame, i, parts.size()), {}, {}, {}});
        return;
    }
    if (value && value->empty() && !hasTitle) return;
    if (hasTitle && role == DirectRole::meter && halfInside(frame, box_)) {
        const std::string name = TextMatch::normalize(*title);
        if (!name.empty()) into.drawnName = name;
        return;
    }
    if (hasTitle && role == DirectRole::titled && halfInside(frame, box_)) {
        std::string name = text::trimWhitespaceAndNewlines(*title);
        if (!name.empty()) found.push_back({std::move(name), frame, {}, {}, {}});  // a blank name is no line
    }
}

void DirectWalk::placeInlines(const AccessElement& element, const TextSpan& span, Piece& piece) {
    int index = span.start;
    for (std::size_t i = 0; i < span.text.size(); ++i) {
        if ((static_cast<unsigned char>(span.text[i]) & 0xC0) == 0x80) continue;
        if (span.text.compare(i, objectMark.size(), objectMark) == 0) {
            AccessResult<Rect> drawn = tree_.characterExtents(element, index, space_);
            if (drawn.failedWith(AccessError::timedOut)) return void(timedOut_ = true);
            piece.inlines.push_back(drawn.asOptional());
        }
        ++index;
    }
    if (!piece.inlines.empty()) piece.marked = span.text;
}

std::optional<std::vector<std::string>> DirectWalk::textInBox(const AccessElement& element,
                                                              std::optional<TextMark>& mark) {
    double y = box_.minY() + 3;
    if (!(y < box_.maxY())) return std::nullopt;
    std::vector<std::string> rows;
    std::optional<int> previousStart;
    bool anyRow = false;
    auto offset = [&](Point p) -> std::optional<int> {
        AccessResult<int> at = tree_.offsetAtPoint(element, p);
        if (at.failedWith(AccessError::timedOut)) timedOut_ = true;
        if (!at || at.value() < 0) return std::nullopt;
        return at.value();
    };
    for (; y < box_.maxY(); y += 5) {
        const Point leftPoint{box_.minX() + 2, y};
        const std::optional<int> left = offset(leftPoint);
        if (timedOut_) return std::nullopt;
        if (!left) continue;
        if (!mark) mark = TextMark{std::nullopt, {}, leftPoint, *left};
        const std::optional<int> right = offset({box_.maxX() - 2, y});
        if (timedOut_) return std::nullopt;
        if (!right) continue;
        if (*left != previousStart) {
            // An offset stands for one character: the row ends after the right one.
            AccessResult<std::string> row = tree_.textRange(element, *left, std::max(*left, *right + 1));
            if (row.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
            if (row) rows.push_back(text::trimWhitespaceAndNewlines(withoutObjectMarks(row.value())));
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

const DirectWalk::Results& DirectWalk::settled() const {
    if (!results_) {
        results_.emplace();
        if (found_.root) settle(*found_.root, *results_);
        std::string read;
        for (const Piece& piece : results_->pieces) read += piece.normalized + ' ';
        for (const std::string& name : results_->drawnNames)
            if (read.find(name) == std::string::npos) results_->unplacedName = true;
    }
    return *results_;
}

void DirectWalk::settle(const AccessElement& element, Results& into) const {
    auto it = found_.seen.find(element);
    if (it == found_.seen.end() || !it->second.entered) return;
    const Seen& seen = it->second;
    if (seen.webArea && !into.firstWebArea) into.firstWebArea = element;
    if (seen.drawnName) into.drawnNames.push_back(*seen.drawnName);
    if (seen.ownText && !seen.pieces.empty()) return settleOwnText(seen, into);
    if (!seen.pieces.empty()) {
        // A page's own text counts for that page.
        if (!into.page) into.page = seen.webArea ? std::optional(element) : seen.pageIn;
        for (const Piece& piece : seen.pieces) keep(piece, into.pieces);
    }
    for (const AccessElement& child : seen.children) settle(child, into);
}

void DirectWalk::settleOwnText(const Seen& seen, Results& into) const {
    Results under;
    for (const AccessElement& child : seen.children) settle(child, under);
    if (!into.page) into.page = seen.pageIn;
    if (!into.firstWebArea) into.firstWebArea = under.firstWebArea;
    into.drawnNames.insert(into.drawnNames.end(), under.drawnNames.begin(), under.drawnNames.end());
    std::vector<Rect> lines;  // where each line of its own lies, when every mark on it was placed
    for (const Piece& piece : seen.pieces) {
        keep(spliced(piece, under.pieces), into.pieces);
        if (std::all_of(piece.inlines.begin(), piece.inlines.end(), [](const auto& r) { return r.has_value(); }))
            lines.push_back(piece.rect);
    }
    if (!into.page) into.page = under.page;
    for (const Piece& piece : under.pieces)
        if (std::none_of(lines.begin(), lines.end(), [&](const Rect& line) { return halfInside(piece.rect, line); }))
            keep(piece, into.pieces);
}

std::vector<OCRLine> DirectWalk::sorted() const {
    // One row, read left to right: tops less than 4 points apart, or one
    // standing within the other's height (a small label beside a large
    // price, on one baseline). Otherwise top to bottom.
    auto within = [](const Rect& a, const Rect& b) { return a.minY() >= b.minY() - 1 && a.maxY() <= b.maxY() + 1; };
    std::vector<const Piece*> order;
    for (const Piece& p : pieces()) order.push_back(&p);
    insertionSort(order, [&](const Piece* a, const Piece* b) {
        const double dy = a->rect.minY() - b->rect.minY();
        if (std::fabs(dy) < 4 || within(a->rect, b->rect) || within(b->rect, a->rect))
            return a->rect.minX() < b->rect.minX();
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
