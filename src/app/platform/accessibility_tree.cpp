#include "app/platform/accessibility_tree.hpp"

namespace kestrove {

std::vector<AccessResult<Rect>> AccessibilityTree::frames(const std::vector<AccessElement>& elements) {
    std::vector<AccessResult<Rect>> out;
    out.reserve(elements.size());
    for (const AccessElement& e : elements) {
        out.push_back(frame(e));
        // The program stopped answering: the rest would wait as long each.
        if (out.back().failedWith(AccessError::timedOut)) break;
    }
    while (out.size() < elements.size()) out.emplace_back(AccessError::timedOut);
    return out;
}

std::vector<AccessResult<Shown>> AccessibilityTree::shown(const std::vector<AccessElement>& elements) {
    std::vector<AccessResult<Shown>> out;
    out.reserve(elements.size());
    for (const AccessElement& e : elements) {
        AccessResult<AccessNode> n = node(e);
        if (!n) out.emplace_back(n.error());
        else out.emplace_back(n.value().shown);
        if (out.back().failedWith(AccessError::timedOut)) break;
    }
    while (out.size() < elements.size()) out.emplace_back(AccessError::timedOut);
    return out;
}

ChangesSince AccessibilityTree::changes(const std::string&, const std::optional<ChangeMark>&) { return {}; }

}  // namespace kestrove
