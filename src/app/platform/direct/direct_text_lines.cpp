#include "app/platform/direct/direct_text_lines.hpp"

#include <algorithm>
#include <cmath>

#include "core/foundation/text.hpp"

namespace kestrove {

namespace {

// Characters as AT-SPI counts them: Unicode scalar values.
int characterCount(std::string_view s) {
    return static_cast<int>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The characters [from, to) of a line's text that begins at character 0.
std::string characters(std::string_view s, int from, int to) {
    std::size_t begin = s.size(), end = s.size();
    int index = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
        if (index == from) begin = i;
        if (index == to) {
            end = i;
            break;
        }
        ++index;
    }
    return begin < end ? std::string(s.substr(begin, end - begin)) : std::string();
}

bool halfInside(const Rect& r, const Rect& box) {
    const auto overlap = r.intersection(box);
    return overlap && overlap->width * overlap->height >= r.width * r.height / 2;
}

// At least half of the line's height lies between the box's top and bottom.
bool halfTall(const Rect& r, const Rect& box) {
    return std::min(r.maxY(), box.maxY()) - std::max(r.minY(), box.minY()) >= r.height / 2;
}

bool endsInNewline(const std::string& s) { return !s.empty() && (s.back() == '\n' || s.back() == '\r'); }

}  // namespace

std::string withoutObjectMarks(std::string_view text) { return text::replaceAll(text, objectMark, ""); }

std::optional<TextSpan> DirectTextLines::line(const AccessElement& element, int offset) {
    AccessResult<TextSpan> got = tree_.lineAt(element, offset);
    if (got.failedWith(AccessError::timedOut)) timedOut_ = true;
    return std::move(got).asOptional();
}

std::optional<Rect> DirectTextLines::place(const AccessElement& element, const TextSpan& span) {
    int end = span.end;
    // The newline that ends a line is drawn nowhere useful.
    if (endsInNewline(span.text) && end - 1 > span.start) --end;
    if (!noRanges_) {
        AccessResult<Rect> r = tree_.rangeExtents(element, span.start, end, space_);
        if (r.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
        if (r) return r.value();
        if (r.error() != AccessError::unsupported) return std::nullopt;
        noRanges_ = true;
    }
    // A line from its first and last characters (enough for a line that is not wrapped).
    AccessResult<Rect> first = tree_.characterExtents(element, span.start, space_);
    if (first.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
    if (!first) return std::nullopt;
    if (end - 1 == span.start) return first.value();
    AccessResult<Rect> last = tree_.characterExtents(element, end - 1, space_);
    if (last.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
    if (!last) return first.value();
    const Rect& a = first.value();
    const Rect& b = last.value();
    return Rect::fromEdges(std::min(a.minX(), b.minX()), std::min(a.minY(), b.minY()), std::max(a.maxX(), b.maxX()),
                           std::max(a.maxY(), b.maxY()));
}

std::optional<int> DirectTextLines::firstLineAtBox(const AccessElement& element, int count) {
    // Lines run down the text in order, so halving the offsets finds the first
    // that reaches the box in a few questions however long the text is.
    int low = 0, high = count;
    std::optional<std::pair<TextSpan, Rect>> probe;  // the line looked at last
    while (low < high) {
        const int middle = low + (high - low) / 2;
        std::optional<TextSpan> span = line(element, middle);
        // GTK 4 gives a line break an empty line of its own: look just past it.
        for (int next = middle + 1; span && span->end <= span->start && next < count && next <= middle + 4; ++next)
            span = line(element, next);
        if (!span || span->end <= span->start) return std::nullopt;
        const std::optional<Rect> where = place(element, *span);
        if (!where || stacks(element, probe, *span, *where)) return std::nullopt;
        probe = {*span, *where};
        if (where->maxY() <= box_.minY()) low = std::max(span->end, middle + 1);
        else high = std::min(span->start, middle);
    }
    return low;
}

DirectTextLines::Cut DirectTextLines::narrowToBox(const AccessElement& element, TextSpan& span, Rect& where) {
    // What of the line can show: the part between the box's sides, and inside
    // its object, which clips a line drawn past it (a scrolled field).
    double left = box_.minX(), right = box_.maxX();
    if (shownIn_) left = std::max(left, shownIn_->minX()), right = std::min(right, shownIn_->maxX());
    if (where.minX() >= left - 1 && where.maxX() <= right + 1) return Cut::shown;
    if (!(right > left)) return Cut::blank;  // drawn outside its object
    // Which characters those are only a toolkit that tells them by point can say.
    if (space_ != Coordinates::screen) return Cut::unknown;
    const double y = (where.minY() + where.maxY()) / 2;
    auto at = [&](double x) -> std::optional<int> {
        AccessResult<int> o = tree_.offsetAtPoint(element, {x, y});
        if (o.failedWith(AccessError::timedOut)) timedOut_ = true;
        if (!o || o.value() < span.start || o.value() >= span.end) return std::nullopt;
        return o.value();
    };
    int from = where.minX() < left ? at(left + 1).value_or(span.start) : span.start;
    if (timedOut_) return Cut::unknown;
    int to = where.maxX() > right ? at(right - 1).value_or(span.end - 1) + 1 : span.end;
    if (timedOut_) return Cut::unknown;
    // Spaces at the cut take no part in the text nor in its place.
    auto blank = [&](int i) {
        const int at = i - span.start;
        return text::isWhitespaceOrNewline(text::firstScalar(characters(span.text, at, at + 1)));
    };
    while (from < to && blank(from)) ++from;
    while (to > from && blank(to - 1)) --to;
    if (to <= from) return Cut::blank;
    TextSpan part{characters(span.text, from - span.start, to - span.start), from, to};
    const std::optional<Rect> narrowed = place(element, part);
    // The characters found at the edges must be drawn there: Qt places a
    // scrolled field's characters as if it had not scrolled.
    const double slack = where.height + 1;
    if (!narrowed || narrowed->minX() < left - slack || narrowed->maxX() > right + slack) return Cut::unknown;
    span = std::move(part);
    where = *narrowed;
    return Cut::shown;
}

bool DirectTextLines::stacks(const AccessElement& element, const std::optional<std::pair<TextSpan, Rect>>& earlier,
                             const TextSpan& span, const Rect& where) {
    if (stacked_) return true;
    if (!earlier || moving_) return false;
    const auto& [other, drawn] = *earlier;
    const bool after = span.start >= other.end;
    if (!after && span.end > other.start) return false;  // the same line
    // Of two lines, the one later in the text is drawn lower.
    const Rect& upper = after ? drawn : where;
    const Rect& lower = after ? where : drawn;
    if (lower.minY() >= upper.minY() + upper.height / 2) return false;
    // Unless the view moved between the two questions (a scroll under way):
    // then the earlier line stands elsewhere now.
    if (place(element, other) != drawn) {
        moving_ = true;
        return false;
    }
    return stacked_ = true;
}

std::optional<std::vector<PlacedLine>> DirectTextLines::inBox(const AccessElement& element, const std::string& text,
                                                              bool longText, const View& view) {
    const int count = characterCount(text);
    std::optional<int> offset = longText ? firstLineAtBox(element, count) : 0;
    if (stacked_) return stackedInBox(element, text, view);
    if (!offset) return std::nullopt;
    std::vector<PlacedLine> found;
    std::optional<std::pair<TextSpan, Rect>> previous;  // the line placed last
    for (int looked = 0; *offset < count && looked < maxLines; ++looked) {
        std::optional<TextSpan> span = line(element, *offset);
        if (!span) return std::nullopt;
        if (span->start < 0 || span->end < *offset) break;  // past the last line
        if (span->end == *offset) {  // a line break on its own (GTK 4): the next line follows it
            ++*offset;
            continue;
        }
        *offset = span->end;
        const std::string shown = text::trimWhitespaceAndNewlines(withoutObjectMarks(span->text));
        if (shown.empty()) continue;  // a blank line says nothing
        std::optional<Rect> where = place(element, *span);
        if (!where) return std::nullopt;
        if (stacks(element, previous, *span, *where)) return stackedInBox(element, text, view);
        previous = {*span, *where};
        if (!firstPlaced_) firstPlaced_ = {*span, *where};
        if (where->minY() >= box_.maxY()) break;  // the lines below lie past the box
        if (!where->intersects(box_)) continue;
        const Cut cut = narrowToBox(element, *span, *where);
        if (timedOut_) return std::nullopt;
        // Part of the line shows in the box, and which part cannot be told.
        if (cut == Cut::unknown && halfTall(*where, box_)) return unreadable_ = true, std::nullopt;
        if (cut != Cut::shown || !halfInside(*where, box_)) continue;
        std::string part = text::trimWhitespaceAndNewlines(withoutObjectMarks(span->text));
        if (!part.empty()) found.push_back({std::move(part), *where->intersection(box_), std::move(*span)});
    }
    // Every line lay above the box: the last one tells where the text stands.
    if (!firstPlaced_ && count > 0) {
        std::optional<TextSpan> last = line(element, count - 1);
        if (last && last->end > last->start)
            if (const std::optional<Rect> where = place(element, *last)) firstPlaced_ = {*last, *where};
        if (timedOut_) return std::nullopt;
    }
    return found;
}

std::optional<double> DirectTextLines::cellWidth(const AccessElement& element, const TextSpan& span) {
    // A monospaced font draws every character of a line as wide; a few
    // different ones tell (a proportional font draws "i", "m" and " " apart).
    std::string seen;
    std::optional<double> least, most;
    for (std::size_t i = 0; i < span.text.size() && seen.size() < 12; ++i) {
        const char c = span.text[i];
        if ((static_cast<unsigned char>(c) & 0x80) != 0) return std::nullopt;  // offsets no longer count bytes
        if (c == '\t' || c == '\n' || c == '\r' || seen.find(c) != std::string::npos) continue;
        seen += c;
        AccessResult<Rect> drawn = tree_.characterExtents(element, span.start + static_cast<int>(i), space_);
        if (drawn.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
        if (!drawn) return std::nullopt;
        least = std::min(least.value_or(drawn.value().width), drawn.value().width);
        most = std::max(most.value_or(drawn.value().width), drawn.value().width);
    }
    if (seen.size() < 4 || *most - *least > 0.5 || !(*most > 0)) return std::nullopt;
    return *most;
}

std::optional<std::vector<PlacedLine>> DirectTextLines::stackedInBox(const AccessElement& element,
                                                                     const std::string& text, const View& viewOf) {
    const std::optional<Rect> view = viewOf ? viewOf() : std::nullopt;
    if (timedOut_) return std::nullopt;
    // From here on a failure leaves the lines in the box unknown: judging the
    // object whole would read every paragraph in it.
    auto unknown = [&]() -> std::optional<std::vector<PlacedLine>> {
        unreadable_ = !timedOut_;
        return std::nullopt;
    };
    if (!view) return unknown();
    // Where each paragraph ends (its newline or the text's end), in
    // characters, and what it holds that sets how wide it is drawn.
    struct Held {
        int narrow = 0;  // ASCII
        int wide = 0;    // anything else, up to two cells
        int tabs = 0;
    };
    std::vector<int> ends;
    std::vector<Held> held(1);
    int index = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80) continue;
        if (c == '\n') {
            ends.push_back(index);
            held.emplace_back();
        } else {
            ++(c == '\t' ? held.back().tabs : c < 0x80 ? held.back().narrow : held.back().wide);
        }
        ++index;
    }
    const int count = index;
    ends.push_back(count);
    auto paragraphOf = [&](int offset) {
        return static_cast<int>(std::lower_bound(ends.begin(), ends.end(), offset) - ends.begin());
    };
    auto startOf = [&](int paragraph) { return paragraph == 0 ? 0 : ends[paragraph - 1] + 1; };
    // Qt ends a line before its newline, and asked there gives the same line again.
    auto after = [&](const TextSpan& span) {
        return !endsInNewline(span.text) && std::binary_search(ends.begin(), ends.end() - 1, span.end) ? span.end + 1
                                                                                                      : span.end;
    };

    // The next line with text from `offset`, and where it is drawn, each
    // line asked counted in `looked`; none at the end, when out of
    // questions, or when a line cannot be asked or placed (`lost`).
    bool lost = false;
    auto nextShown = [&](int& offset, int& looked) -> std::optional<std::pair<TextSpan, Rect>> {
        for (; offset < count && looked < maxLines; ++looked) {
            std::optional<TextSpan> span = line(element, offset);
            if (!span) return lost = true, std::nullopt;
            if (span->start < 0 || span->end < offset) break;
            if (span->end == offset) {
                ++offset;
                continue;
            }
            offset = after(*span);
            if (text::trimWhitespaceAndNewlines(withoutObjectMarks(span->text)).empty()) continue;
            const std::optional<Rect> drawn = place(element, *span);
            if (!drawn) return lost = true, std::nullopt;
            ++looked;
            return std::pair{std::move(*span), *drawn};
        }
        return std::nullopt;
    };

    // The first line with text begins its paragraph, where every paragraph is
    // said to begin: how far above the view that is tells how many lines
    // were scrolled away.
    int offset = 0, looked = 0;
    const std::optional<std::pair<TextSpan, Rect>> first = nextShown(offset, looked);
    if (lost) return unknown();
    if (!first) {
        if (timedOut_ || offset < count) return unknown();
        return std::vector<PlacedLine>{};  // blank
    }
    firstPlaced_ = first;
    const double paragraphTop = first->second.minY(), lineHeight = first->second.height;
    if (!(lineHeight > 0)) return unknown();
    const int scrolled = std::max(0, static_cast<int>(std::lround(view->minY() - paragraphTop)));
    auto rowIn = [&](const Rect& drawn) {
        return std::max(0, static_cast<int>(std::lround((drawn.minY() - paragraphTop) / lineHeight)));
    };

    // The paragraph at the view's top: the lines scrolled away counted from
    // the first. A paragraph that may be wider than the view may wrap, and
    // where its last character is drawn tells into how many lines; Qt counts
    // one for a paragraph it never laid out, and places none of its characters.
    const double cell = cellWidth(element, first->first).value_or(lineHeight);
    if (timedOut_) return std::nullopt;
    auto mayWrap = [&](const Held& h) {
        return (h.narrow + 2 * h.wide) * cell + h.tabs * std::max(80.0, 8 * cell) > view->width - 2 * lineHeight;
    };
    const int paragraphs = static_cast<int>(held.size());
    int top = 0, above = 0, asked = 0;
    for (; top < paragraphs; ++top) {
        int lines = 1;
        if (ends[top] > startOf(top) && mayWrap(held[top])) {
            if (++asked > maxLines) return unknown();
            const AccessResult<Rect> last = tree_.characterExtents(element, ends[top] - 1, space_);
            if (last.failedWith(AccessError::timedOut)) return timedOut_ = true, std::nullopt;
            if (last) lines = rowIn(last.value()) + 1;
        }
        if (above + lines > scrolled) break;
        above += lines;
    }

    int continued = above - top;  // lines so far that go on a paragraph begun above them
    std::vector<PlacedLine> found;
    bool past = false;  // a line below the box was met
    offset = top < paragraphs ? startOf(top) : count;
    looked = 0;
    while (!past) {
        std::optional<std::pair<TextSpan, Rect>> shown = nextShown(offset, looked);
        if (lost) return unknown();
        if (!shown) break;
        auto& [span, drawn] = *shown;
        if (rowIn(drawn) > 0) ++continued;
        const int row = paragraphOf(span.start) + continued - scrolled;  // from the view's top
        if (row < 0) continue;
        const Rect where{drawn.minX(), view->minY() + row * lineHeight, drawn.width, drawn.height};
        if (where.minY() >= box_.maxY()) past = true;
        else if (halfInside(where, box_)) {
            std::string part = text::trimWhitespaceAndNewlines(withoutObjectMarks(span.text));
            found.push_back({std::move(part), *where.intersection(box_), std::move(span)});
        }
    }
    if (timedOut_) return std::nullopt;
    // Out of questions before the box's last line.
    if (!past && offset < count) return unknown();
    return found;
}

}  // namespace kestrove
