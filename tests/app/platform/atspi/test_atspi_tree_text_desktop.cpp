// The text questions as the tree asks them on the desktop's accessibility
// bus, of an editor object served by the test: one that answers the newer
// line question, and one that, as Qt does, answers it as if the object were
// gone while answering the older one.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <map>
#include <mutex>

#include "app/platform/atspi/atspi_tree.hpp"
#include "app/platform/direct/direct_text_lines.hpp"
#include "support/app/desktop_fixture.hpp"

namespace kestrove {
namespace {

const QString path = QStringLiteral("/org/a11y/atspi/accessible/editor");

// Three lines, each drawn 20 points below the last from (100, 200), characters 10 points wide.
class EditorObject final : public QDBusVirtualObject {
public:
    EditorObject(QDBusConnection bus, bool newerLines) : bus_(std::move(bus)), newerLines_(newerLines) {
        bus_.registerVirtualObject(path, this, QDBusConnection::SingleNode);
    }
    ~EditorObject() override { bus_.unregisterObject(path); }

    QString text = QStringLiteral("Orders waiting: 12\nShipped today: 340\nReturns: 7\n");

    int asked(const QString& member) const {
        std::lock_guard lock(mutex_);
        auto it = asked_.find(member);
        return it == asked_.end() ? 0 : it->second;
    }
    std::string bus() const { return bus_.baseService().toStdString(); }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        {
            std::lock_guard lock(mutex_);
            ++asked_[m.member()];
        }
        const QVariantList a = m.arguments();
        if (m.member() == u"GetStringAtOffset" && newerLines_ && a.size() == 2 && a[1].toUInt() == 3u) {
            const auto [start, end] = lineAround(a[0].toInt());
            return send(connection, m.createReply({text.mid(start, end - start + 1), start, end + 1}));
        }
        if (m.member() == u"GetTextAtOffset" && a.size() == 2 && a[1].toUInt() == 5u) {
            const auto [start, end] = lineAround(a[0].toInt());  // Qt leaves the newline out
            return send(connection, m.createReply({text.mid(start, end - start), start, end}));
        }
        if (m.member() == u"GetRangeExtents" && a.size() == 3)
            return send(connection, m.createReply(place(a[0].toInt(), a[1].toInt())));
        if (m.member() == u"GetCharacterExtents" && a.size() == 2)
            return send(connection, m.createReply(place(a[0].toInt(), a[0].toInt() + 1)));
        // What Qt's bus adaptor says of any question it does not know.
        return send(connection, m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                                                   QStringLiteral("No such object path '%1'").arg(path)));
    }

private:
    static bool send(const QDBusConnection& connection, const QDBusMessage& reply) { return connection.send(reply); }
    // The line holding `offset`: its first character and its newline.
    std::pair<int, int> lineAround(int offset) const {
        const int start = static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), std::max(0, offset - 1))) + 1;
        const int end = static_cast<int>(text.indexOf(QLatin1Char('\n'), offset));
        return {start, end < 0 ? static_cast<int>(text.size()) : end};
    }
    QVariantList place(int start, int end) const {
        const int row = static_cast<int>(text.left(start).count(QLatin1Char('\n')));
        const int column = start - (static_cast<int>(text.lastIndexOf(QLatin1Char('\n'), std::max(0, start - 1))) + 1);
        return {100 + column * 10, 200 + row * 20, (end - start) * 10, 18};
    }

    QDBusConnection bus_;
    bool newerLines_;
    mutable std::mutex mutex_;
    std::map<QString, int> asked_;
};

// The desktop's accessibility bus, on a connection of the test's own.
QDBusConnection accessibilityBus() {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")));
    return QDBusConnection::connectToBus(reply.arguments().value(0).toString(), QStringLiteral("test-editor"));
}

TEST(AtspiTree, LinesAreReadThroughTheQuestionTheProgramAnswers) {
    ASSERT_TRUE(desktop::allowReadingWindows());
    QDBusConnection bus = accessibilityBus();
    ASSERT_TRUE(bus.isConnected());
    struct Case {
        const char* program;
        bool newerLines;
        int newerAsked, olderAsked;
    };
    // Qt answers the older question at a line's newline with that line: the
    // reader asks there too before it goes on to the next.
    for (const Case& c : {Case{"answers the newer question", true, 3, 0}, Case{"as Qt", false, 1, 6}}) {
        SCOPED_TRACE(c.program);
        EditorObject editor(bus, c.newerLines);
        const AccessElement element{editor.bus(), path.toStdString()};
        // Around the second line, drawn at 100…280 by 220…238.
        const std::optional<std::vector<PlacedLine>> lines = desktop::offMain(
            [&] {
                AtspiTree tree;
                if (!tree.available()) return std::optional<std::vector<PlacedLine>>{};
                DirectTextLines inBox(tree, {95, 217, 200, 24}, Coordinates::screen);
                return inBox.inBox(element, editor.text.toStdString(), false);
            },
            10000);
        ASSERT_TRUE(lines);
        ASSERT_EQ(lines->size(), 1u);
        EXPECT_EQ((*lines)[0].text, "Shipped today: 340");
        EXPECT_EQ((*lines)[0].rect, (Rect{100, 220, 180, 18}));
        // The question the program lacks is asked once.
        EXPECT_EQ(editor.asked(QStringLiteral("GetStringAtOffset")), c.newerAsked);
        EXPECT_EQ(editor.asked(QStringLiteral("GetTextAtOffset")), c.olderAsked);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("test-editor"));
}

}  // namespace
}  // namespace kestrove
