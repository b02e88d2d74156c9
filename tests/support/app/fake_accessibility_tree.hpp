#pragma once
// An accessibility tree made of plain nodes, for tests of the direct reader
// without a desktop. Objects are named by path; all share one bus name.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/platform/accessibility_tree.hpp"
#include "app/platform/direct/change_log.hpp"

namespace kestrove::fakes {

struct FakeNode {
    DirectRole role = DirectRole::plain;
    std::optional<Rect> frame;
    std::vector<std::string> children;  // paths
    std::optional<std::string> title;
    std::optional<std::string> text;  // the text content, when it has one
    std::optional<std::string> address;
    // Character offsets by screen point; -1 everywhere when absent (as Qt 6.4 answers).
    std::function<int(Point)> offsetAt;
    Shown shown;
};

// How a toolkit lays out an object's text; objects without one cannot say
// where their lines are drawn.
struct FakeLayout {
    // Where characters [start, end) are drawn.
    std::function<std::optional<Rect>(int, int)> placeOf;
    // Only single characters can be placed (GTK 4.8 has no range extents).
    bool charactersOnly = false;
    // Offsets where a laid-out line begins besides those after a newline (wrapping).
    std::vector<int> wraps = {};
    // Lines end before their newline, which is an empty line of its own (GTK 4).
    bool bareNewlines = false;
};

class FakeAccessibilityTree final : public AccessibilityTree {
public:
    static constexpr const char* bus = ":1.7";

    bool isAvailable = true;
    std::map<std::int32_t, std::string> apps;  // pid → application path
    std::map<std::string, FakeNode> nodes;
    std::map<std::string, AccessError> broken;  // paths whose every call fails so
    std::map<std::string, std::string> values;  // text content that comes with the object
    std::map<std::string, FakeLayout> layouts;  // paths whose text the toolkit lays out
    int nodeReads = 0;
    int frameReads = 0;
    int offsetAsks = 0;
    int lineAsks = 0;
    int shownAsks = 0;
    int textAsks = 0;
    // Run before each look at the bus (on the reader's thread: lets a test hold it).
    std::function<void()> beforeLook;
    std::atomic<int> nodeDelayMs = 0;  // how long each object takes to answer

    // Whether the program announces its changes (as real toolkits do once asked).
    bool announcesChanges = false;
    ChangeLog announced;

    static AccessElement at(const std::string& path) { return {bus, path}; }

    // The object at `path` announces a change (its text, name, children, being
    // shown), or, `loaded`, that it is a page that has loaded.
    void announce(const std::string& path, bool loaded = false) { announced.record(bus, path, loaded); }

    bool available() override {
        if (beforeLook) beforeLook();
        return isAvailable;
    }

    AccessResult<AccessElement> application(std::int32_t pid) override {
        auto it = apps.find(pid);
        if (it == apps.end()) return AccessError::invalid;
        if (auto e = failure(it->second)) return *e;
        return at(it->second);
    }

    AccessResult<std::vector<AccessElement>> windows(const AccessElement& app) override {
        const FakeNode* n = find(app.path);
        if (auto e = failure(app.path)) return *e;
        if (!n) return AccessError::invalid;
        return elements(*n);
    }

    AccessResult<Rect> frame(const AccessElement& element) override {
        ++frameReads;
        if (auto e = failure(element.path)) return *e;
        const FakeNode* n = find(element.path);
        if (!n) return AccessError::invalid;
        if (!n->frame) return AccessError::unsupported;
        return *n->frame;
    }

    AccessResult<AccessNode> node(const AccessElement& element) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(nodeDelayMs.load()));
        ++nodeReads;
        if (auto e = failure(element.path)) return *e;
        const FakeNode* n = find(element.path);
        if (!n) return AccessError::invalid;
        std::optional<std::string> value;
        if (auto v = values.find(element.path); v != values.end()) value = v->second;
        return AccessNode{n->role, n->frame, elements(*n), n->title, n->text.has_value(), value, n->shown};
    }

    std::vector<AccessResult<Shown>> shown(const std::vector<AccessElement>& elements) override {
        std::vector<AccessResult<Shown>> out;
        for (const AccessElement& e : elements) {
            ++shownAsks;
            const FakeNode* n = find(e.path);
            if (auto error = failure(e.path)) out.emplace_back(*error);
            else if (!n) out.emplace_back(AccessError::invalid);
            else out.emplace_back(n->shown);
        }
        return out;
    }

    AccessResult<std::string> text(const AccessElement& element) override {
        ++textAsks;
        const FakeNode* n = find(element.path);
        if (!n || !n->text) return AccessError::unsupported;
        return *n->text;
    }

    AccessResult<int> offsetAtPoint(const AccessElement& element, Point p) override {
        ++offsetAsks;
        const FakeNode* n = find(element.path);
        if (!n || !n->text) return AccessError::unsupported;
        return n->offsetAt ? n->offsetAt(p) : -1;
    }

    AccessResult<std::string> textRange(const AccessElement& element, int start, int end) override {
        const FakeNode* n = find(element.path);
        if (!n || !n->text || start < 0 || end < start || static_cast<std::size_t>(end) > n->text->size())
            return AccessError::failed;
        return n->text->substr(start, end - start);
    }

    AccessResult<TextSpan> lineAt(const AccessElement& element, int offset) override {
        ++lineAsks;
        const FakeNode* n = find(element.path);
        const FakeLayout* l = layout(element.path);
        if (!n || !n->text || !l) return AccessError::unsupported;
        const std::vector<std::size_t> at = characterStarts(*n->text);
        const int count = static_cast<int>(at.size()) - 1;
        if (offset < 0 || offset >= count) return TextSpan{"", -1, -1};  // as Chromium answers
        int start = offset, end = offset;
        auto breakBefore = [&](int i) {
            return i > 0 && ((*n->text)[at[i - 1]] == '\n' ||
                             std::find(l->wraps.begin(), l->wraps.end(), i) != l->wraps.end());
        };
        auto newlineAt = [&](int i) { return (*n->text)[at[i]] == '\n'; };
        if (l->bareNewlines && newlineAt(offset)) return TextSpan{"", offset, offset};
        while (start > 0 && !breakBefore(start)) --start;
        do ++end; while (end < count && !breakBefore(end));
        if (l->bareNewlines && newlineAt(end - 1)) --end;
        return TextSpan{n->text->substr(at[start], at[end] - at[start]), start, end};
    }

    AccessResult<Rect> rangeExtents(const AccessElement& element, int start, int end, Coordinates) override {
        const FakeLayout* l = layout(element.path);
        if (!l || l->charactersOnly) return AccessError::unsupported;
        if (auto r = l->placeOf(start, end)) return *r;
        return AccessError::unsupported;
    }

    AccessResult<Rect> characterExtents(const AccessElement& element, int offset, Coordinates) override {
        const FakeLayout* l = layout(element.path);
        if (!l) return AccessError::unsupported;
        if (auto r = l->placeOf(offset, offset + 1)) return *r;
        return AccessError::unsupported;
    }

    std::optional<std::string> address(const AccessElement& element) override {
        const FakeNode* n = find(element.path);
        return n ? n->address : std::nullopt;
    }

    ChangesSince changes(const std::string& bus, const std::optional<ChangeMark>& since) override {
        if (!announcesChanges) return {};
        if (!since) announced.follow(bus);
        return announced.since(bus, since);
    }

private:
    // Byte offsets where each character of a UTF-8 text begins, and its end.
    static std::vector<std::size_t> characterStarts(const std::string& s) {
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < s.size(); ++i)
            if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) at.push_back(i);
        at.push_back(s.size());
        return at;
    }
    const FakeLayout* layout(const std::string& path) const {
        auto it = layouts.find(path);
        return it == layouts.end() ? nullptr : &it->second;
    }
    const FakeNode* find(const std::string& path) const {
        auto it = nodes.find(path);
        return it == nodes.end() ? nullptr : &it->second;
    }
    std::optional<AccessError> failure(const std::string& path) const {
        auto it = broken.find(path);
        if (it == broken.end()) return std::nullopt;
        return it->second;
    }
    static std::vector<AccessElement> elements(const FakeNode& n) {
        std::vector<AccessElement> out;
        for (const auto& c : n.children) out.push_back(at(c));
        return out;
    }
};

// Hands every call to another tree: what the reader owns when the test keeps
// the tree, and the base of trees that change a few answers.
struct ForwardingTree : AccessibilityTree {
    AccessibilityTree& to;
    explicit ForwardingTree(AccessibilityTree& t) : to(t) {}
    void endCallsBy(std::optional<Clock::time_point> deadline) override { to.endCallsBy(deadline); }
    bool available() override { return to.available(); }
    bool stillAvailable() override { return to.stillAvailable(); }
    AccessResult<AccessElement> application(std::int32_t p) override { return to.application(p); }
    AccessResult<std::vector<AccessElement>> windows(const AccessElement& a) override { return to.windows(a); }
    AccessResult<Rect> frame(const AccessElement& e) override { return to.frame(e); }
    std::vector<AccessResult<Rect>> frames(const std::vector<AccessElement>& e) override { return to.frames(e); }
    std::vector<AccessResult<Shown>> shown(const std::vector<AccessElement>& e) override { return to.shown(e); }
    AccessResult<AccessNode> node(const AccessElement& e) override { return to.node(e); }
    AccessResult<std::string> text(const AccessElement& e) override { return to.text(e); }
    AccessResult<int> offsetAtPoint(const AccessElement& e, Point p) override { return to.offsetAtPoint(e, p); }
    AccessResult<std::string> textRange(const AccessElement& e, int s, int n) override { return to.textRange(e, s, n); }
    AccessResult<TextSpan> lineAt(const AccessElement& e, int o) override { return to.lineAt(e, o); }
    AccessResult<Rect> rangeExtents(const AccessElement& e, int s, int n, Coordinates c) override {
        return to.rangeExtents(e, s, n, c);
    }
    AccessResult<Rect> characterExtents(const AccessElement& e, int o, Coordinates c) override {
        return to.characterExtents(e, o, c);
    }
    std::optional<std::string> address(const AccessElement& e) override { return to.address(e); }
    ChangesSince changes(const std::string& bus, const std::optional<ChangeMark>& since) override {
        return to.changes(bus, since);
    }
};

}  // namespace kestrove::fakes
