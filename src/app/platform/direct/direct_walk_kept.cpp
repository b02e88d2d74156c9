// A walk that goes on from what an earlier walk of the same box found:
// where that stands now, and reading again what announced a change.
#include "app/platform/direct/direct_walk.hpp"

#include <algorithm>

#include "app/platform/direct/direct_text_lines.hpp"

namespace kestrove {

bool DirectWalk::markHolds(const AccessElement& element, const TextMark& mark) {
    if (mark.line) {
        DirectTextLines lines(tree_, box_, space_);
        const std::optional<Rect> drawn = lines.place(element, *mark.line);
        if (lines.timedOut()) timedOut_ = true;
        return drawn == mark.drawn;
    }
    AccessResult<int> at = tree_.offsetAtPoint(element, mark.point);
    if (at.failedWith(AccessError::timedOut)) timedOut_ = true;
    return at && at.value() == mark.offset;
}

bool DirectWalk::innermostTexts(const AccessElement& element, std::vector<AccessElement>& into) const {
    auto it = found_.seen.find(element);
    if (it == found_.seen.end() || !it->second.entered) return false;
    bool below = false;
    for (const AccessElement& child : it->second.children) below = innermostTexts(child, into) || below;
    if (it->second.pieces.empty()) return below;
    if (!below) into.push_back(element);
    return true;
}

std::vector<AccessElement> DirectWalk::neighbours() const {
    std::optional<std::pair<AccessElement, double>> above, below;
    for (const auto& [element, seen] : found_.seen) {
        if (seen.entered || !seen.frame || !(seen.frame->width > 0 && seen.frame->height > 0)) continue;
        if (seen.frame->maxY() <= box_.minY() && (!above || seen.frame->maxY() > above->second))
            above = {element, seen.frame->maxY()};
        if (seen.frame->minY() >= box_.maxY() && (!below || seen.frame->minY() < below->second))
            below = {element, seen.frame->minY()};
    }
    std::vector<AccessElement> out;
    if (above) out.push_back(above->first);
    if (below) out.push_back(below->first);
    return out;
}

DirectWalk::Standing DirectWalk::standing() {
    Standing now;
    if (!found_.root || !found_.seen.count(*found_.root)) return now;
    // The innermost objects that gave text (an object moves with what holds
    // it): where their lines are drawn, else their frames; and the nearest
    // objects above and below the box, which a scroll moves when the box
    // holds nothing that could.
    std::vector<AccessElement> texts, marked;
    innermostTexts(*found_.root, texts);
    for (const AccessElement& e : texts) (found_.seen.at(e).mark ? marked : now.placed).push_back(e);
    // A text none of whose lines lay in the box tells by its lines whether
    // it scrolled some into it: its frame stays where it was.
    for (const auto& [element, seen] : found_.seen)
        if (seen.entered && seen.pieces.empty() && seen.mark) marked.push_back(element);
    // Texts whose lines are placed show a scroll themselves.
    if (now.placed.empty() && !marked.empty()) found_.neighbours.emplace();
    if (!found_.neighbours) found_.neighbours = neighbours();
    now.placed.insert(now.placed.end(), found_.neighbours->begin(), found_.neighbours->end());
    // The program is asked something in any case: its answer brings what it announced before.
    if (now.placed.empty() && marked.empty()) now.placed.push_back(*found_.root);
    now.frames = tree_.frames(now.placed);
    nodeCount_ += static_cast<int>(now.placed.size() + marked.size());
    for (const AccessResult<Rect>& f : now.frames)
        if (f.failedWith(AccessError::timedOut)) return timedOut_ = true, now;
    // Whether a page's texts still show and what it hid over the box still
    // hides: a page does not announce what its layout shows or hides (a
    // pop-up folded to nothing and unfolded again changes only its own
    // size). Other toolkits announce their objects shown and hidden.
    for (const AccessElement& e : texts)
        if (found_.seen.at(e).pageIn) now.stated.push_back(e);
    for (const auto& [element, seen] : found_.seen)
        if (seen.hidden && seen.pageIn && seen.frame && seen.frame->intersects(box_)) now.stated.push_back(element);
    nodeCount_ += static_cast<int>(now.stated.size());
    if (!now.stated.empty()) now.shown = tree_.shown(now.stated);
    for (const AccessResult<Shown>& s : now.shown)
        if (s.failedWith(AccessError::timedOut)) return timedOut_ = true, now;
    for (const AccessElement& e : marked) {
        if (!markHolds(e, *found_.seen.at(e).mark)) now.marksMoved.push_back(e);
        if (timedOut_) return now;
    }
    now.asked = true;
    return now;
}

bool DirectWalk::unmoved(const Standing& now) const {
    if (!now.asked) return false;
    // What was read again stands where it was read; what went with it is gone.
    auto judged = [this](const AccessElement& e) { return !readAgain_.count(e) && found_.seen.count(e); };
    for (std::size_t i = 0; i < now.placed.size() && i < now.frames.size(); ++i)
        if (judged(now.placed[i]) && now.frames[i].asOptional() != found_.seen.at(now.placed[i]).frame) return false;
    for (std::size_t i = 0; i < now.stated.size() && i < now.shown.size(); ++i) {
        if (!judged(now.stated[i])) continue;
        const Seen& seen = found_.seen.at(now.stated[i]);
        if (!now.shown[i] || hides(now.shown[i].value(), seen.showingAround) != seen.hidden) return false;
    }
    return std::none_of(now.marksMoved.begin(), now.marksMoved.end(), judged);
}

void DirectWalk::forget(const AccessElement& element) {
    auto it = found_.seen.find(element);
    if (it == found_.seen.end()) return;
    found_.neighbours.reset();
    const std::vector<AccessElement> children = std::move(it->second.children);
    found_.seen.erase(it);
    for (const AccessElement& child : children) forget(child);
}

void DirectWalk::revisit(const AccessElement& element) {
    auto it = found_.seen.find(element);
    if (it == found_.seen.end()) return;
    const Seen before = std::move(it->second);
    found_.seen.erase(it);
    found_.neighbours.reset();
    const Kept had(before.children.begin(), before.children.end());
    enter(element, before.depth, before.pageIn, before.showingAround, std::nullopt, had);
    auto now = found_.seen.find(element);
    const Kept has = now == found_.seen.end() ? Kept{} : Kept(now->second.children.begin(), now->second.children.end());
    // Children it no longer has go, with what lay under them.
    for (const AccessElement& child : before.children)
        if (!has.count(child)) forget(child);
    // It and its new children were read afresh, with what lies under them.
    std::vector<AccessElement> fresh{element};
    while (!fresh.empty()) {
        const AccessElement e = std::move(fresh.back());
        fresh.pop_back();
        if (!readAgain_.insert(e).second) continue;
        if (auto at = found_.seen.find(e); at != found_.seen.end())
            for (const AccessElement& child : at->second.children)
                if (e != element || !had.count(child)) fresh.push_back(child);
    }
}

}  // namespace kestrove
