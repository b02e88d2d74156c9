#pragma once
// Which lines of an object's text lie in the watched box, decided by where
// the toolkit draws each line rather than by the object's own frame: a label
// stretched across its dialog or an editor's text view is much larger than
// the text it shows. Each line found keeps the place of its own characters.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/accessibility_tree.hpp"

namespace kestrove {

struct PlacedLine {
    std::string text;  // trimmed, without the marks of child objects
    Rect rect;         // where the text is drawn, cut to the box
    TextSpan span;     // the characters read, marks and spaces kept
};

class DirectTextLines {
public:
    // Lines looked at per object, from the first that reaches the box (and
    // paragraphs asked about above a view whose lines are stacked).
    static constexpr int maxLines = 200;

    // Where the view the text scrolls in stands; asked only of a toolkit
    // that stacks its lines.
    using View = std::function<std::optional<Rect>()>;

    // `shownIn`: the object's frame, which clips what is drawn past it.
    DirectTextLines(AccessibilityTree& tree, const Rect& box, Coordinates space,
                    std::optional<Rect> shownIn = std::nullopt)
        : tree_(tree), box_(box), space_(space), shownIn_(shownIn) {}

    // The lines of `text` (the object's whole text content) that lie at
    // least half inside the box, top to bottom; none when the toolkit cannot
    // lay out or place its lines (the caller then judges the object whole).
    // `longText`: find the first line at the box by halving, not one by one.
    //
    // Qt's plain text editors place every paragraph's lines as if the
    // paragraph began at the top of the view, moved up a point for every
    // line scrolled away. Such stacked lines are placed again from `view`,
    // from the paragraph at its top, found by counting lines scrolled away;
    // where that cannot be told, none and `unreadable`.
    std::optional<std::vector<PlacedLine>> inBox(const AccessElement& element, const std::string& text, bool longText,
                                                 const View& view = {});

    // The first line `inBox` placed (the last line when all lay above the
    // box), where it was drawn: where that line is drawn now tells whether
    // the text has moved since.
    const std::optional<std::pair<TextSpan, Rect>>& firstPlaced() const { return firstPlaced_; }
    // Where the toolkit draws a line (its newline left out); none when it cannot tell.
    std::optional<Rect> place(const AccessElement& element, const TextSpan& span);

    bool timedOut() const { return timedOut_; }
    // The object says nothing for sure, not even that it is empty: the
    // toolkit stacks its lines and which of them the view shows cannot be
    // told, or part of a line shows in the box and which part cannot be told
    // (no lookups by point, or characters not drawn where the toolkit places
    // them).
    bool unreadable() const { return unreadable_; }

private:
    std::optional<TextSpan> line(const AccessElement& element, int offset);
    // The first character of the first line that ends below the box's top.
    std::optional<int> firstLineAtBox(const AccessElement& element, int count);
    // Whether the toolkit stacks its lines, judged from a line placed and
    // one placed before it.
    bool stacks(const AccessElement& element, const std::optional<std::pair<TextSpan, Rect>>& earlier,
                const TextSpan& span, const Rect& where);
    std::optional<std::vector<PlacedLine>> stackedInBox(const AccessElement& element, const std::string& text,
                                                        const View& view);
    // How wide each character of the font `span` is drawn in, when it is
    // monospaced; none for a proportional one.
    std::optional<double> cellWidth(const AccessElement& element, const TextSpan& span);
    // The part of a line that shows between the box's sides: `shown` (the
    // line cut to it, or left whole), `blank` when only spaces show there,
    // `unknown` when which part shows cannot be told.
    enum class Cut { shown, blank, unknown };
    Cut narrowToBox(const AccessElement& element, TextSpan& span, Rect& where);

    AccessibilityTree& tree_;
    Rect box_;
    Coordinates space_;
    std::optional<Rect> shownIn_;
    bool timedOut_ = false;
    bool unreadable_ = false;
    bool noRanges_ = false;  // the toolkit places only single characters
    bool stacked_ = false;   // the toolkit places every paragraph at the view's top
    bool moving_ = false;    // the view moved between two questions
    std::optional<std::pair<TextSpan, Rect>> firstPlaced_;
};

// U+FFFC marks where a child object (a link, an image) sits in its parent's
// text; the child speaks for itself.
inline constexpr std::string_view objectMark = "\xEF\xBF\xBC";
std::string withoutObjectMarks(std::string_view text);

}  // namespace kestrove
