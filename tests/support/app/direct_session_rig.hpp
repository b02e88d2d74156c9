#pragma once
// A direct reader over a made-up accessibility tree and window list: one
// bound window with a status line in a web page, and helpers that wait for
// the reader's answers.

#include <future>

#include "app/platform/direct/queued_direct_reader.hpp"
#include "support/app/fake_accessibility_tree.hpp"
#include "support/app/fakes.hpp"

namespace kestrove::testing {

using fakes::FakeAccessibilityTree;
using fakes::FakeNode;
using fakes::FakeWindowList;

constexpr std::uint32_t windowID = 77;
constexpr std::int32_t pid = 4242;
const Rect clientArea{100, 50, 400, 300};

// The fakes live with the test; the reader's thread borrows them.
struct Borrowed final : WindowList {
    FakeWindowList* to;
    explicit Borrowed(FakeWindowList* t) : to(t) {}
    std::vector<WindowInfo> list(WindowListOptions o) override { return to->list(o); }
    std::optional<std::string> bundleID(std::uint32_t w) override { return to->bundleID(w); }
};
ChromiumDetection::Verdict notChromium() { return {false, ChromiumDetection::Confidence::sure, "plain"}; }
ChromiumDetection::Verdict aBrowser() { return {true, ChromiumDetection::Confidence::sure, "browser"}; }

// Waits for the answer of a call, given on the reader's thread.
template <typename T, typename Start>
T answerOf(Start start) {
    std::promise<T> got;
    const Pending call = start([&](T answer) { got.set_value(std::move(answer)); });
    return got.get_future().get();
}

// A bound window with a status line in a web page, and a reader over it.
struct Rig {
    FakeAccessibilityTree tree;
    FakeWindowList windows;
    bool alive = true;
    ChromiumDetection::Verdict verdict = notChromium();
    static constexpr auto readLimit = std::chrono::milliseconds(300);
    std::unique_ptr<DirectReader> reader;

    Rig() {
        WindowInfo w = fakes::window(windowID, clientArea);
        w.ownerPID = pid;
        windows.windows = {w};
        tree.apps[pid] = "app";
        tree.nodes = {
            {"app", {DirectRole::container, Rect{0, 0, 0, 0}, {"dialog", "main"}, "Editor", {}, {}, {}, {}}},
            // Another window of the same program, elsewhere: never read.
            {"dialog", {DirectRole::container, Rect{600, 50, 200, 100}, {"d.label"}, {}, {}, {}, {}, {}}},
            {"d.label", {DirectRole::titled, Rect{610, 60, 100, 20}, {}, "Other window", {}, {}, {}, {}}},
            {"main", {DirectRole::container, clientArea, {"web"}, {}, {}, {}, {}, {}}},
            {"web", {DirectRole::webArea, clientArea, {"status"}, {}, {}, "https://a.example/1", {}, {}}},
            {"status", {DirectRole::titled, Rect{120, 70, 200, 20}, {}, "Status: ready", {}, {}, {}, {}}},
        };
        // Answers run on the reader's thread; the helpers below wait for them.
        reader = std::make_unique<QueuedDirectReader>(inlineExecutor(), [this] {
            DirectPlatform p;
            p.tree = std::make_unique<fakes::ForwardingTree>(tree);
            p.windows = std::make_unique<Borrowed>(&windows);
            p.alive = [this](std::int32_t) { return alive; };
            p.chromium = [this](std::int32_t) { return verdict; };
            return p;
        }, readLimit);
        // The reader's first look at the bus is over before a test changes anything.
        answerOf<bool>([&](auto done) { return reader->refreshAllowed(done); });
    }

    // The box (20, 20, 300, 40) inside the bound window.
    WatchRegion region() const {
        return {1, 120, 70, 300, 40, 1, WindowAnchor{windowID, "Editor", std::nullopt, 20, 20, 400, 300}};
    }

    std::shared_ptr<DirectSession> open(const WatchRegion& r) {
        return answerOf<std::shared_ptr<DirectSession>>([&](auto done) { return reader->open(r, done); });
    }
    std::shared_ptr<DirectSession> open() { return open(region()); }
    static DirectAnswer read(DirectSession& s) {
        return answerOf<DirectAnswer>([&](auto done) { return s.read(done); });
    }
    static void adopt(DirectSession& s) {
        answerOf<bool>([&](auto done) { return s.adopt([done] { done(true); }); });
    }
    static std::vector<std::string> texts(const DirectAnswer& a) {
        std::vector<std::string> out;
        if (a.lines())
            for (const auto& l : *a.lines()) out.push_back(l.text);
        return out;
    }
};

}  // namespace kestrove::testing
