#include "app/platform/atspi/atspi_tree.hpp"

#include "app/platform/atspi/atspi_bus.hpp"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>

#include <algorithm>
#include <cmath>

namespace kestrove {

namespace {

const QString accessibleIface = QStringLiteral("org.a11y.atspi.Accessible");

// Why a call failed; none when it was answered.
std::optional<AccessError> errorOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ReplyMessage) return std::nullopt;
    const QString name = reply.errorName();
    if (name == u"org.freedesktop.DBus.Error.NoReply" || name == u"org.freedesktop.DBus.Error.Timeout" ||
        name == u"org.freedesktop.DBus.Error.TimedOut")
        return AccessError::timedOut;
    if (name == u"org.freedesktop.DBus.Error.ServiceUnknown" || name == u"org.freedesktop.DBus.Error.NameHasNoOwner" ||
        name == u"org.freedesktop.DBus.Error.UnknownObject")
        return AccessError::invalid;
    if (name == u"org.freedesktop.DBus.Error.UnknownMethod" || name == u"org.freedesktop.DBus.Error.UnknownInterface" ||
        name == u"org.freedesktop.DBus.Error.UnknownProperty" || name == u"org.freedesktop.DBus.Error.NotSupported")
        return AccessError::unsupported;
    return AccessError::failed;
}

AccessError badAnswer(const QDBusMessage& reply) {
    return errorOf(reply).value_or(AccessError::failed);
}

bool answered(const QDBusMessage& reply, const char* signature) {
    return reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String(signature) &&
           !reply.arguments().isEmpty();
}

QDBusMessage methodCall(const AccessElement& e, const QString& interface, const char* method,
                        const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(QString::fromStdString(e.bus), QString::fromStdString(e.path),
                                                    interface, QLatin1String(method));
    m.setArguments(args);
    return m;
}

std::optional<std::vector<AccessElement>> elements(const QDBusMessage& reply) {
    if (!answered(reply, "a(so)")) return std::nullopt;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    std::vector<AccessElement> out;
    arg.beginArray();
    while (!arg.atEnd()) {
        QString bus;
        QDBusObjectPath path;
        arg.beginStructure();
        arg >> bus >> path;
        arg.endStructure();
        out.push_back({bus.toStdString(), path.path().toStdString()});
    }
    arg.endArray();
    return out;
}

std::optional<Rect> extents(const QDBusMessage& reply, double scale) {
    if (!answered(reply, "(iiii)")) return std::nullopt;
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    int x = 0, y = 0, w = 0, h = 0;
    arg.beginStructure();
    arg >> x >> y >> w >> h;
    arg.endStructure();
    if (w < 0 || h < 0) return std::nullopt;
    return Rect{x / scale, y / scale, w / scale, h / scale};
}

std::optional<std::string> textOf(const QDBusMessage& reply) {
    if (!answered(reply, "s")) return std::nullopt;
    return reply.arguments().constFirst().toString().toStdString();
}

// A rectangle answer ("(iiii)" of extents, or the four integers of the
// text interface), in points; none when it is empty or off every screen
// (GTK 3 places unshown objects at the smallest integer).
std::optional<Rect> placed(int x, int y, int w, int h, double scale) {
    if (w <= 0 || h <= 0 || x <= -(1 << 30) || y <= -(1 << 30)) return std::nullopt;
    return Rect{x / scale, y / scale, w / scale, h / scale};
}

// AT-SPI's coordinate types: 0 the screen, 1 the window.
unsigned coordType(Coordinates space) { return space == Coordinates::screen ? 0u : 1u; }

// Showing (25) and visible (30) in a state set ("au": bit n of word n / 32);
// both when the object gives none.
Shown shownIn(const QDBusMessage& reply) {
    if (!answered(reply, "au")) return {};
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    quint32 first = 0;
    arg.beginArray();
    if (!arg.atEnd()) arg >> first;
    while (!arg.atEnd()) {
        quint32 more = 0;
        arg >> more;
    }
    arg.endArray();
    return {(first & (1u << 30)) != 0, (first & (1u << 25)) != 0};
}

// A piece of text and where it begins and ends ("sii").
std::optional<TextSpan> spanOf(const QDBusMessage& reply) {
    if (!answered(reply, "sii") || reply.arguments().size() < 3) return std::nullopt;
    const QVariantList a = reply.arguments();
    return TextSpan{a[0].toString().toStdString(), a[1].toInt(), a[2].toInt()};
}

std::optional<std::string> stringOf(const QDBusMessage& reply) {
    if (answered(reply, "s")) return reply.arguments().constFirst().toString().toStdString();
    if (answered(reply, "v")) {
        const QVariant v = reply.arguments().constFirst().value<QDBusVariant>().variant();
        if (v.typeId() == QMetaType::QString) return v.toString().toStdString();
    }
    return std::nullopt;
}

}  // namespace

DirectRole directRole(unsigned role) {
    // AT-SPI role numbers (atspi-constants.h). The reader knows six kinds:
    //   container: application 75, frame 23, window 69, dialog 16, alert 2,
    //     internal frame 28, root/layered/glass pane 46/30/24, viewport 68,
    //     scroll pane 49, scroll bar 48, split pane 53, separator 50,
    //     tool bar 63, page tab list 38, menu bar 34, slider 51
    //   webArea: document web 95, document frame 82
    //   group (speaks only without children, or with text of its own besides
    //     their marks): panel 39, filler 20, section 85,
    //     form 87, grouping 99, list 31, list box 98, table 55, tree 65,
    //     tree table 66, table row 90, status bar 54
    //   titled (the name is the text): push button 43, toggle button 62,
    //     push button menu 129, link 88, label 29, static 116, heading 83,
    //     menu item 35, check/radio menu item 8/45, menu 33, combo box 11,
    //     check box 7, radio button 44, table cell 56, list item 32,
    //     tree item 91, page tab 37, column/row headers 10/47/57/58
    //   secret: password text 40
    //   meter: progress bar 42
    //   plain (text content only): text 61, entry 79, paragraph 73,
    //     terminal 60, document text 94 and every other role
    switch (role) {
    case 75: case 23: case 69: case 16: case 2: case 28: case 46: case 30: case 24: case 68:
    case 49: case 48: case 53: case 50: case 63: case 38: case 34: case 51:
        return DirectRole::container;
    case 95: case 82:
        return DirectRole::webArea;
    case 39: case 20: case 85: case 87: case 99: case 31: case 98: case 55: case 65: case 66: case 90: case 54:
        return DirectRole::group;
    case 43: case 62: case 129: case 88: case 29: case 116: case 83: case 35: case 8: case 45: case 33:
    case 11: case 7: case 44: case 56: case 32: case 91: case 37: case 10: case 47: case 57: case 58:
        return DirectRole::titled;
    case 40:
        return DirectRole::secret;
    case 42:
        return DirectRole::meter;
    default:
        return DirectRole::plain;
    }
}

AtspiTree::AtspiTree(double scale, std::shared_ptr<AtspiBus> bus)
    : scale_(scale > 0 ? scale : 1), shared_(bus ? std::move(bus) : std::make_shared<AtspiBus>()) {}

AtspiTree::~AtspiTree() = default;

bool AtspiTree::available() {
    // Reading is allowed only while IsEnabled is on: programs that do not
    // see it on never join the bus, and asking the user's leave turns it on.
    if (!shared_->enabled(true)) return false;
    bus_ = shared_->connect(waitMs());
    return bus_.has_value();
}

bool AtspiTree::stillAvailable() {
    if (!shared_->enabled(false)) return false;
    bus_ = shared_->connect(waitMs());
    return bus_.has_value();
}

int AtspiTree::waitMs() const {
    if (!deadline_) return timeoutMs;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 1, timeoutMs));
}

QDBusMessage AtspiTree::call(const AccessElement& e, const char* interface, const char* method,
                             const QVariantList& args) {
    if (!bus_) return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Disconnected"), {});
    return bus_->call(methodCall(e, QLatin1String(interface), method, args), QDBus::Block, waitMs());
}

AccessResult<AccessElement> AtspiTree::application(std::int32_t pid) {
    if (!bus_) return AccessError::failed;
    const QDBusMessage reply = call({"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"},
                                    "org.a11y.atspi.Accessible", "GetChildren");
    const std::optional<std::vector<AccessElement>> apps = elements(reply);
    if (!apps) return badAnswer(reply);
    // Ask for every application's process at once, then wait for the answers.
    std::vector<QDBusPendingCall> asks;
    for (const AccessElement& app : *apps) {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                        QStringLiteral("/org/freedesktop/DBus"),
                                                        QStringLiteral("org.freedesktop.DBus"),
                                                        QStringLiteral("GetConnectionUnixProcessID"));
        m.setArguments({QString::fromStdString(app.bus)});
        asks.push_back(bus_->asyncCall(m, waitMs()));
    }
    for (std::size_t i = 0; i < asks.size(); ++i) {
        asks[i].waitForFinished();
        const QDBusMessage answer = asks[i].reply();
        if (answered(answer, "u") && answer.arguments().constFirst().toUInt() == static_cast<unsigned>(pid))
            return (*apps)[i];
    }
    return AccessError::invalid;
}

AccessResult<std::vector<AccessElement>> AtspiTree::windows(const AccessElement& app) {
    const QDBusMessage reply = call(app, "org.a11y.atspi.Accessible", "GetChildren");
    if (auto list = elements(reply)) return std::move(*list);
    return badAnswer(reply);
}

AccessResult<Rect> AtspiTree::frame(const AccessElement& element) {
    const QDBusMessage reply = call(element, "org.a11y.atspi.Component", "GetExtents", {0u});
    if (auto r = extents(reply, scale_)) return *r;
    return badAnswer(reply);
}

std::vector<AccessResult<Rect>> AtspiTree::frames(const std::vector<AccessElement>& elements) {
    if (!bus_) return std::vector(elements.size(), AccessResult<Rect>(AccessError::failed));
    // All asked at once: the program answers one after another, without a
    // round trip each.
    std::vector<QDBusPendingCall> asked;
    asked.reserve(elements.size());
    for (const AccessElement& e : elements)
        asked.push_back(
            bus_->asyncCall(methodCall(e, QStringLiteral("org.a11y.atspi.Component"), "GetExtents", {0u}), waitMs()));
    std::vector<AccessResult<Rect>> out;
    out.reserve(elements.size());
    for (QDBusPendingCall& call : asked) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        if (auto r = extents(reply, scale_)) out.emplace_back(*r);
        else out.emplace_back(badAnswer(reply));
    }
    return out;
}

std::vector<AccessResult<Shown>> AtspiTree::shown(const std::vector<AccessElement>& elements) {
    if (!bus_) return std::vector(elements.size(), AccessResult<Shown>(AccessError::failed));
    std::vector<QDBusPendingCall> asked;
    asked.reserve(elements.size());
    for (const AccessElement& e : elements)
        asked.push_back(bus_->asyncCall(methodCall(e, accessibleIface, "GetState", {}), waitMs()));
    std::vector<AccessResult<Shown>> out;
    out.reserve(elements.size());
    for (QDBusPendingCall& call : asked) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        // An object without states shows, as in `node`; one that is gone or silent says nothing.
        const std::optional<AccessError> error = errorOf(reply);
        if (error && *error != AccessError::unsupported) out.emplace_back(*error);
        else out.emplace_back(shownIn(reply));
    }
    return out;
}

AccessResult<AccessNode> AtspiTree::node(const AccessElement& element) {
    if (!bus_) return AccessError::failed;
    // One round trip: the six questions go out together.
    auto ask = [&](const QString& interface, const char* method, const QVariantList& args = {}) {
        return bus_->asyncCall(methodCall(element, interface, method, args), waitMs());
    };
    QDBusPendingCall role = ask(accessibleIface, "GetRole");
    QDBusPendingCall interfaces = ask(accessibleIface, "GetInterfaces");
    QDBusPendingCall name =
        ask(QStringLiteral("org.freedesktop.DBus.Properties"), "Get", {accessibleIface, QStringLiteral("Name")});
    QDBusPendingCall children = ask(accessibleIface, "GetChildren");
    QDBusPendingCall where = ask(QStringLiteral("org.a11y.atspi.Component"), "GetExtents", {0u});
    QDBusPendingCall state = ask(accessibleIface, "GetState");
    for (QDBusPendingCall* c : {&role, &interfaces, &name, &children, &where, &state}) c->waitForFinished();

    const QDBusMessage roleReply = role.reply();
    if (!answered(roleReply, "u")) return badAnswer(roleReply);
    const unsigned atspiRole = roleReply.arguments().constFirst().toUInt();
    AccessNode node;
    node.role = directRole(atspiRole);
    node.frame = extents(where.reply(), scale_);
    if (auto list = elements(children.reply())) node.children = std::move(*list);
    node.title = stringOf(name.reply());
    node.shown = shownIn(state.reply());
    const QDBusMessage ifaces = interfaces.reply();
    if (answered(ifaces, "as"))
        node.hasText = ifaces.arguments().constFirst().toStringList().contains(QStringLiteral("org.a11y.atspi.Text"));
    // A label or static text without a text content (Qt's) speaks through its
    // name: read it as the content, so that its lines are split like any text.
    if ((atspiRole == 29 || atspiRole == 116) && !node.hasText && node.title && !node.title->empty())
        node.value = node.title;
    // A child list that timed out means the walk below would too.
    if (errorOf(children.reply()) == AccessError::timedOut) return AccessError::timedOut;
    return node;
}

AccessResult<std::string> AtspiTree::text(const AccessElement& element) {
    AccessResult<std::string> all = textRange(element, 0, -1);
    if (!all || !all.value().empty()) return all;
    // GTK 4.8 labels answer "up to the end" with nothing: ask by their length.
    const QDBusMessage count = call(element, "org.freedesktop.DBus.Properties", "Get",
                                    {QStringLiteral("org.a11y.atspi.Text"), QStringLiteral("CharacterCount")});
    if (!answered(count, "v")) return all;
    const int n = count.arguments().constFirst().value<QDBusVariant>().variant().toInt();
    return n > 0 ? textRange(element, 0, n) : all;
}

AccessResult<TextSpan> AtspiTree::lineAt(const AccessElement& element, int offset) {
    if (!withoutStringAtOffset_.count(element.bus)) {
        // Granularity 3: the line as laid out (wrapped lines are lines of their own).
        const QDBusMessage reply = call(element, "org.a11y.atspi.Text", "GetStringAtOffset", {offset, 3u});
        if (auto span = spanOf(reply)) return std::move(*span);
        // Qt (5, and 6 up to 6.4 at least) lacks it and answers as if the
        // object were gone; its older question tells the same line.
        const std::optional<AccessError> error = errorOf(reply);
        if (error != AccessError::unsupported && error != AccessError::invalid) return badAnswer(reply);
        AccessResult<TextSpan> older = lineStartingAt(element, offset);
        if (older) withoutStringAtOffset_.insert(element.bus);
        return older;
    }
    return lineStartingAt(element, offset);
}

AccessResult<TextSpan> AtspiTree::lineStartingAt(const AccessElement& element, int offset) {
    // Boundary 5: from the start of the line to the start of the next.
    const QDBusMessage reply = call(element, "org.a11y.atspi.Text", "GetTextAtOffset", {offset, 5u});
    if (auto span = spanOf(reply)) return std::move(*span);
    return badAnswer(reply);
}

AccessResult<Rect> AtspiTree::rangeExtents(const AccessElement& element, int start, int end, Coordinates space) {
    const QDBusMessage reply =
        call(element, "org.a11y.atspi.Text", "GetRangeExtents", {start, end, coordType(space)});
    if (!answered(reply, "iiii") || reply.arguments().size() < 4) return badAnswer(reply);
    const QVariantList a = reply.arguments();
    if (auto r = placed(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt(), scale_))
        return *r;
    return AccessError::unsupported;
}

AccessResult<Rect> AtspiTree::characterExtents(const AccessElement& element, int offset, Coordinates space) {
    const QDBusMessage reply = call(element, "org.a11y.atspi.Text", "GetCharacterExtents", {offset, coordType(space)});
    if (!answered(reply, "iiii") || reply.arguments().size() < 4) return badAnswer(reply);
    const QVariantList a = reply.arguments();
    if (auto r = placed(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt(), scale_))
        return *r;
    return AccessError::unsupported;
}

AccessResult<int> AtspiTree::offsetAtPoint(const AccessElement& element, Point p) {
    const QDBusMessage reply =
        call(element, "org.a11y.atspi.Text", "GetOffsetAtPoint",
             {static_cast<int>(std::lround(p.x * scale_)), static_cast<int>(std::lround(p.y * scale_)), 0u});
    if (answered(reply, "i")) return reply.arguments().constFirst().toInt();
    return badAnswer(reply);
}

AccessResult<std::string> AtspiTree::textRange(const AccessElement& element, int start, int end) {
    const QDBusMessage reply = call(element, "org.a11y.atspi.Text", "GetText", {start, end});
    if (auto s = textOf(reply)) return std::move(*s);
    return badAnswer(reply);
}

ChangesSince AtspiTree::changes(const std::string& bus, const std::optional<ChangeMark>& since) {
    if (!bus_ || !shared_->follow(bus, waitMs())) return {};
    if (since) shared_->catchUp();
    return shared_->log().since(bus, since);
}

std::optional<std::string> AtspiTree::address(const AccessElement& element) {
    // Firefox names it "DocURL", Chromium "URI".
    for (const char* key : {"DocURL", "URI"}) {
        const QDBusMessage reply =
            call(element, "org.a11y.atspi.Document", "GetAttributeValue", {QString::fromLatin1(key)});
        if (auto s = stringOf(reply); s && !s->empty()) return s;
        if (errorOf(reply) == AccessError::timedOut) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kestrove
