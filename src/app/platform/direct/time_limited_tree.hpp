#pragma once
// One direct read's time limit. Each accessibility call may wait up to its
// own time-out, so a program that answers every call just inside it would
// hold the reader for minutes over a large tree; a read therefore ends by a
// deadline. For the length of the read the platform's tree is a
// TimeLimitedTree over the real one: a call made after the deadline answers
// timedOut without asking, and the tree below is told the deadline, so a
// call under way gives up at it.

#include <chrono>
#include <memory>

#include "app/platform/accessibility_tree.hpp"

namespace kestrove {

class TimeLimitedTree final : public AccessibilityTree {
public:
    TimeLimitedTree(std::unique_ptr<AccessibilityTree> tree, Clock::time_point deadline);
    // The tree below, free of the deadline again.
    std::unique_ptr<AccessibilityTree> release();

    // Whether the deadline cut a call short or refused one.
    bool reached() const { return reached_; }

    // Not refused: it comes first, and says whether there is a bus at all.
    bool available() override { return tree_->available(); }
    bool stillAvailable() override { return tree_->stillAvailable(); }
    AccessResult<AccessElement> application(std::int32_t pid) override;
    AccessResult<std::vector<AccessElement>> windows(const AccessElement& app) override;
    AccessResult<Rect> frame(const AccessElement& element) override;
    std::vector<AccessResult<Rect>> frames(const std::vector<AccessElement>& elements) override;
    std::vector<AccessResult<Shown>> shown(const std::vector<AccessElement>& elements) override;
    AccessResult<AccessNode> node(const AccessElement& element) override;
    AccessResult<std::string> text(const AccessElement& element) override;
    AccessResult<int> offsetAtPoint(const AccessElement& element, Point p) override;
    AccessResult<std::string> textRange(const AccessElement& element, int start, int end) override;
    AccessResult<TextSpan> lineAt(const AccessElement& element, int offset) override;
    AccessResult<Rect> rangeExtents(const AccessElement& element, int start, int end, Coordinates space) override;
    AccessResult<Rect> characterExtents(const AccessElement& element, int offset, Coordinates space) override;
    std::optional<std::string> address(const AccessElement& element) override;
    // Not refused: it asks no program.
    ChangesSince changes(const std::string& bus, const std::optional<ChangeMark>& since) override {
        return tree_->changes(bus, since);
    }

private:
    template <typename T, typename Call>
    AccessResult<T> limited(Call call);
    template <typename T, typename Call>
    std::vector<AccessResult<T>> limitedEach(std::size_t count, Call call);
    bool over();

    std::unique_ptr<AccessibilityTree> tree_;
    Clock::time_point deadline_;
    bool reached_ = false;
};

// Puts a TimeLimitedTree in `slot` for its own lifetime, then gives the slot
// its tree back.
class ReadDeadline {
public:
    ReadDeadline(std::unique_ptr<AccessibilityTree>& slot, std::chrono::milliseconds limit);
    ~ReadDeadline();
    ReadDeadline(const ReadDeadline&) = delete;
    ReadDeadline& operator=(const ReadDeadline&) = delete;

    bool reached() const { return limited_->reached(); }

private:
    std::unique_ptr<AccessibilityTree>& slot_;
    TimeLimitedTree* limited_;
};

}  // namespace kestrove
