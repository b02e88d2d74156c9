#include "app/platform/direct/direct_text_lines.hpp"

#include <algorithm>

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

bool endsInNewline(const std::string& s) { return !s.empty() && (s.back() == '\n' || s.back() == '\r'); }

}  // namespace

std::string withoutObjectMarks(std::string_view text) { return text::replaceAll(text, "\xEF\xBF\xBC", ""); }

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
    while (low < high) {
        const int middle = low + (high - low) / 2;
        std::optional<TextSpan> span = line(element, middle);
        // GTK 4 gives a line break an empty line of its own: look just past it.
        for (int next = middle + 1; span && span->end <= span->start && next < count && next <= middle + 4; ++next)
            span = line(element, next);
        if (!span || span->end <= span->start) return std::nullopt;
        const std::optional<Rect> where = place(element, *span);
        if (!where) return std::nullopt;
        if (where->maxY() <= box_.minY()) low = std::max(span->end, middle + 1);
        else high = std::min(span->start, middle);
    }
    return low;
}

void DirectTextLines::narrowToBox(const AccessElement& element, TextSpan& span, Rect& where) {
    if (space_ != Coordinates::screen) return;  // no character lookups by point there
    if (where.minX() >= box_.minX() - 1 && where.maxX() <= box_.maxX() + 1) return;
    const double y = (where.minY() + where.maxY()) / 2;
    auto at = [&](double x) -> std::optional<int> {
        AccessResult<int> o = tree_.offsetAtPoint(element, {x, y});
        if (o.failedWith(AccessError::timedOut)) timedOut_ = true;
        if (!o || o.value() < span.start || o.value() >= span.end) return std::nullopt;
        return o.value();
    };
    int left = where.minX() < box_.minX() ? at(box_.minX() + 1).value_or(span.start) : span.start;
    if (timedOut_) return;
    int right = where.maxX() > box_.maxX() ? at(box_.maxX() - 1).value_or(span.end - 1) + 1 : span.end;
    if (timedOut_) return;
    // Spaces at the cut take no part in the text nor in its place.
    auto blank = [&](int i) {
        const int at = i - span.start;
        return text::isWhitespaceOrNewline(text::firstScalar(characters(span.text, at, at + 1)));
    };
    while (left < right && blank(left)) ++left;
    while (right > left && blank(right - 1)) --right;
    if ((left == span.start && right == span.end) || right <= left) return;
    TextSpan part{characters(span.text, left - span.start, right - span.start), left, right};
    if (const std::optional<Rect> narrowed = place(element, part)) {
        span = std::move(part);
        where = *narrowed;
    }
}

std::optional<std::vector<PlacedLine>> DirectTextLines::inBox(const AccessElement& element, const std::string& text,
                                                              bool longText) {
    const int count = characterCount(text);
    std::optional<int> offset = longText ? firstLineAtBox(element, count) : 0;
    if (!offset) return std::nullopt;
    std::vector<PlacedLine> found;
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
        if (!firstPlaced_) firstPlaced_ = {*span, *where};
        if (where->minY() >= box_.maxY()) break;  // the lines below lie past the box
        if (!where->intersects(box_)) continue;
        narrowToBox(element, *span, *where);
        if (timedOut_) return std::nullopt;
        if (!halfInside(*where, box_)) continue;
        std::string part = text::trimWhitespaceAndNewlines(withoutObjectMarks(span->text));
        if (!part.empty()) found.push_back({std::move(part), *where->intersection(box_)});
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

}  // namespace kestrove
