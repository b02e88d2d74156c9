#include "app/dev/menu_samples.hpp"

// The tray panel's model arrives with the menu; until then there is nothing
// to fill.
#if __has_include("app/menu/menu_model.hpp")

#include <QFontMetricsF>
#include <QPainter>

#include <functional>
#include <map>
#include <vector>

#include "app/look/brand.hpp"
#include "app/menu/menu_model.hpp"

namespace kestrove::MenuSamples {

namespace {

QFont mono(int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(pixelSize);
    return f;
}

// A picture of `w` × `h` points at 2 pixels a point, drawn top-left.
QImage picture(double w, double h, QColor ground, const std::function<void(QPainter&)>& draw) {
    QImage image(int(2 * w), int(2 * h), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    return image;
}

// `top`: the top of the text's measured box, from the picture's top edge.
// Answers the text's width.
double text(QPainter& p, const QString& s, double x, double top, QFont font, QColor colour, double kern = 0) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, kern);
    const QFontMetricsF m(font);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(x, top + m.ascent()), s);
    return m.horizontalAdvance(s);
}

double width(const QString& s, const QFont& font) { return QFontMetricsF(font).horizontalAdvance(s); }

MenuModel::Monitor monitor(const char* id, WatchStatus status, const char* line, bool muted, const char* sentence,
                           const char* woof, std::optional<std::string> read = std::nullopt) {
    return {id, status, line, line, muted, sentence, woof, std::move(read), 2.0};
}

const std::vector<MenuModel::Monitor>& samples() {
    static const std::vector<MenuModel::Monitor> list = {
        monitor("w_EXPORT", WatchStatus::watching, "WATCHING · EVERY 5 S", false, "the export is done",
                "Woof. The export is done."),
        monitor("w_BUILD1", WatchStatus::lostSight, "CAN'T SEE IT", true, "the build is done",
                "Woof. The build is done."),
        monitor("w_QUEUE1", WatchStatus::paused, "PAUSED", false, "my number is below 50",
                "Woof. My number is below 50."),
        monitor("w_PRICE1", WatchStatus::finished, "BARKED 20:48", false, "the price drops below 200",
                "Woof. The price drops below 200.", "189.00"),
    };
    return list;
}

std::vector<MenuModel::Monitor> monitorsOf(State state) {
    const auto& s = samples();
    switch (state) {
        case State::empty: return {};
        case State::one: return {s[0]};
        case State::main: return {s[0], s[3]};
        case State::all: return s;
        case State::many: {
            std::vector<MenuModel::Monitor> list;
            for (int n = 0; n < 4; ++n)
                for (MenuModel::Monitor m : s) {
                    m.id += '-';
                    m.id += std::to_string(n);
                    list.push_back(std::move(m));
                }
            return list;
        }
    }
    return {};
}

}  // namespace

std::string_view rawValue(State state) {
    switch (state) {
        case State::empty: return "empty";
        case State::one: return "one";
        case State::main: return "main";
        case State::all: return "all";
        case State::many: return "many";
    }
    return "";
}

std::optional<State> state(std::string_view raw) {
    for (State s : allStates)
        if (rawValue(s) == raw) return s;
    return std::nullopt;
}

void fill(MenuModel& model, State state, bool telegram, bool dark) {
    model.setTelegramConnected(telegram);
    model.setKeepAwake(true);
    const std::map<std::string, QImage> drawn = {{"w_EXPORT", exportPicture(dark)},
                                                 {"w_PRICE1", pricePicture()},
                                                 {"w_BUILD1", buildPicture()},
                                                 {"w_QUEUE1", queuePicture()}};
    std::vector<MenuModel::Monitor> monitors = monitorsOf(state);
    std::map<std::string, QImage> pictures;
    bool canPause = false, finished = false;
    for (const auto& m : monitors) {
        // Every sample id begins with its picture's 8-character key.
        if (auto it = drawn.find(m.id.substr(0, 8)); it != drawn.end()) pictures[m.id] = it->second;
        canPause = canPause || m.status == WatchStatus::watching || m.status == WatchStatus::lostSight;
        finished = finished || m.status == WatchStatus::finished;
    }
    model.setMonitors(std::move(monitors), std::move(pictures));
    if (state == State::many) model.setWallLimit(344);
    model.setCanPauseAll(canPause);
    model.setHasFinished(finished);
}

QImage exportPicture(bool dark) {
    const QColor primary = dark ? QColor(242, 242, 244) : QColor(29, 29, 31);
    const QColor secondary = dark ? QColor(164, 164, 171) : QColor(99, 99, 104);
    return picture(320, 92, dark ? QColor(41, 41, 43) : QColor(246, 246, 246), [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(14, 12, 22, 27), 3, 3);
        p.setPen(QPen(QColor(201, 201, 206), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(14.5, 12.5, 21, 26), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(94, 92, 230));
        p.drawRoundedRect(QRectF(17.5, 26, 15, 8), 2, 2);
        text(p, QStringLiteral("Launch film v12.mov"), 45, 11, Brand::font(13, QFont::DemiBold), primary);
        text(p, QStringLiteral("4K · ProRes 422 · 3.8 GB"), 45, 28, Brand::font(11), secondary);
        p.setPen(Qt::NoPen);
        p.setBrush(dark ? QColor(72, 72, 74) : QColor(220, 220, 223));
        p.drawRoundedRect(QRectF(14, 51, 292, 6), 3, 3);
        p.setBrush(dark ? QColor(43, 140, 255) : QColor(10, 111, 232));
        p.drawRoundedRect(QRectF(14, 51, 292 * 0.62, 6), 3, 3);
        text(p, QStringLiteral("Exporting… 62 %"), 14, 63, Brand::font(11), secondary);
        const QString left = QStringLiteral("About 4 minutes left");
        text(p, left, 306 - width(left, Brand::font(11)), 63, Brand::font(11), secondary);
    });
}

QImage pricePicture() {
    return picture(320, 84, Qt::white, [](QPainter& p) {
        text(p, QStringLiteral("Field recorder FR-2, graphite"), 14, 11, Brand::font(12), QColor(99, 99, 104));
        text(p, QStringLiteral("€189.00"), 13, 27, Brand::font(38, QFont::Bold), QColor(29, 29, 31), -1.1);
        const QString stock = QStringLiteral("In stock");
        const QFont font = Brand::font(11, QFont::DemiBold);
        const double w = width(stock, font) + 14;
        const QRectF pill(306 - w, 50, w, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(226, 244, 232));
        p.drawRoundedRect(pill, 5, 5);
        text(p, stock, pill.x() + 7, pill.y() + (18 - QFontMetricsF(font).height()) / 2, font, QColor(17, 99, 47));
    });
}

QImage buildPicture() {
    return picture(320, 86, QColor(30, 30, 30), [](QPainter& p) {
        const double prompt = text(p, QStringLiteral("~/app $"), 12, 12, mono(11), QColor(154, 154, 154));
        text(p, QStringLiteral(" make release"), 12 + prompt, 12, mono(11), QColor(230, 230, 230));
        text(p, QStringLiteral("Resolving packages… done"), 12, 30, mono(11), QColor(154, 154, 154));
        text(p, QStringLiteral("Compiling 212 of 340"), 12, 48, mono(11), QColor(230, 230, 230));
    });
}

QImage queuePicture() {
    return picture(320, 86, Qt::white, [](QPainter& p) {
        text(p, QStringLiteral("Ticket queue · Arena tour"), 12, 10, Brand::font(11), QColor(99, 99, 104));
        text(p, QStringLiteral("You are number 87"), 11, 25, Brand::font(28, QFont::Bold), QColor(29, 29, 31), -0.8);
        text(p, QStringLiteral("Keep this tab open"), 12, 61, Brand::font(11), QColor(99, 99, 104));
    });
}

}  // namespace kestrove::MenuSamples

#endif
