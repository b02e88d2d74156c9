#include "app/platform/direct/time_limited_tree.hpp"

namespace kestrove {

TimeLimitedTree::TimeLimitedTree(std::unique_ptr<AccessibilityTree> tree, Clock::time_point deadline)
    : tree_(std::move(tree)), deadline_(deadline) {
    tree_->endCallsBy(deadline_);
}

std::unique_ptr<AccessibilityTree> TimeLimitedTree::release() {
    tree_->endCallsBy(std::nullopt);
    return std::move(tree_);
}

bool TimeLimitedTree::over() {
    if (Clock::now() >= deadline_) reached_ = true;
    return reached_;
}

template <typename T, typename Call>
AccessResult<T> TimeLimitedTree::limited(Call call) {
    if (over()) return AccessError::timedOut;
    AccessResult<T> answer = call();
    // A call the deadline cut short answers timedOut like any slow call; it
    // still counts as the deadline's doing.
    if (answer.failedWith(AccessError::timedOut)) over();
    return answer;
}

// A call answering for `count` elements at once: one answer each, all
// timedOut once the deadline has passed.
template <typename T, typename Call>
std::vector<AccessResult<T>> TimeLimitedTree::limitedEach(std::size_t count, Call call) {
    if (over()) return std::vector(count, AccessResult<T>(AccessError::timedOut));
    std::vector<AccessResult<T>> answers = call();
    for (const AccessResult<T>& a : answers)
        if (a.failedWith(AccessError::timedOut)) over();
    return answers;
}

AccessResult<AccessElement> TimeLimitedTree::application(std::int32_t pid) {
    return limited<AccessElement>([&] { return tree_->application(pid); });
}

AccessResult<std::vector<AccessElement>> TimeLimitedTree::windows(const AccessElement& app) {
    return limited<std::vector<AccessElement>>([&] { return tree_->windows(app); });
}

AccessResult<Rect> TimeLimitedTree::frame(const AccessElement& element) {
    return limited<Rect>([&] { return tree_->frame(element); });
}

std::vector<AccessResult<Rect>> TimeLimitedTree::frames(const std::vector<AccessElement>& elements) {
    return limitedEach<Rect>(elements.size(), [&] { return tree_->frames(elements); });
}

std::vector<AccessResult<Shown>> TimeLimitedTree::shown(const std::vector<AccessElement>& elements) {
    return limitedEach<Shown>(elements.size(), [&] { return tree_->shown(elements); });
}

AccessResult<AccessNode> TimeLimitedTree::node(const AccessElement& element) {
    return limited<AccessNode>([&] { return tree_->node(element); });
}

AccessResult<std::string> TimeLimitedTree::text(const AccessElement& element) {
    return limited<std::string>([&] { return tree_->text(element); });
}

AccessResult<int> TimeLimitedTree::offsetAtPoint(const AccessElement& element, Point p) {
    return limited<int>([&] { return tree_->offsetAtPoint(element, p); });
}

AccessResult<std::string> TimeLimitedTree::textRange(const AccessElement& element, int start, int end) {
    return limited<std::string>([&] { return tree_->textRange(element, start, end); });
}

AccessResult<TextSpan> TimeLimitedTree::lineAt(const AccessElement& element, int offset) {
    return limited<TextSpan>([&] { return tree_->lineAt(element, offset); });
}

AccessResult<Rect> TimeLimitedTree::rangeExtents(const AccessElement& element, int start, int end, Coordinates space) {
    return limited<Rect>([&] { return tree_->rangeExtents(element, start, end, space); });
}

AccessResult<Rect> TimeLimitedTree::characterExtents(const AccessElement& element, int offset, Coordinates space) {
    return limited<Rect>([&] { return tree_->characterExtents(element, offset, space); });
}

std::optional<std::string> TimeLimitedTree::address(const AccessElement& element) {
    if (over()) return std::nullopt;
    std::optional<std::string> found = tree_->address(element);
    if (!found) over();
    return found;
}

ReadDeadline::ReadDeadline(std::unique_ptr<AccessibilityTree>& slot, std::chrono::milliseconds limit) : slot_(slot) {
    auto limited = std::make_unique<TimeLimitedTree>(std::move(slot_), AccessibilityTree::Clock::now() + limit);
    limited_ = limited.get();
    slot_ = std::move(limited);
}

ReadDeadline::~ReadDeadline() { slot_ = limited_->release(); }

}  // namespace kestrove
