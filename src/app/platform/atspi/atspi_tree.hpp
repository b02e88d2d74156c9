#pragma once
// The accessibility tree over the AT-SPI D-Bus protocol, spoken directly
// through QtDBus on a private connection to the accessibility bus: no cache
// (every answer is fresh), one-second time-outs per call, and no libatspi
// (which aborts the process when there is no accessibility bus). Create and
// use it on one thread only; trees on several threads may share one
// connection (and what programs announce on it).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/platform/accessibility_tree.hpp"

namespace kestrove {

class AtspiBus;

class AtspiTree final : public AccessibilityTree {
public:
    static constexpr int timeoutMs = 1000;

    // `scale`: device pixels per point. `bus`: the connection shared with
    // other trees; a connection of its own when none.
    explicit AtspiTree(double scale = 1, std::shared_ptr<AtspiBus> bus = nullptr);
    ~AtspiTree() override;

    void endCallsBy(std::optional<Clock::time_point> deadline) override { deadline_ = deadline; }
    bool available() override;
    bool stillAvailable() override;
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
    ChangesSince changes(const std::string& bus, const std::optional<ChangeMark>& since) override;

private:
    QDBusMessage call(const AccessElement& e, const char* interface, const char* method, const QVariantList& args = {});
    // A call's time-out: its own, or less when the deadline comes sooner.
    int waitMs() const;
    // The line at `offset` through the older text question.
    AccessResult<TextSpan> lineStartingAt(const AccessElement& element, int offset);

    double scale_;
    std::shared_ptr<AtspiBus> shared_;
    std::optional<QDBusConnection> bus_;  // the shared connection as the latest look found it
    std::optional<Clock::time_point> deadline_;
    // Programs (by bus name) that answer lines only through the older question.
    std::set<std::string> withoutStringAtOffset_;
};

// How the reader treats an AT-SPI role (its number on the bus).
DirectRole directRole(unsigned atspiRole);

}  // namespace kestrove
