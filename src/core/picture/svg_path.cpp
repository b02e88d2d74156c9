#include "core/picture/svg_path.hpp"

#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

#include <unicode/utf8.h>

#include "core/foundation/text.hpp"

namespace kestrove {

Point PathElement::end() const {
    switch (kind) {
    case Kind::move:
    case Kind::line: return points[0];
    case Kind::quad: return points[1];
    case Kind::cubic: return points[2];
    case Kind::close: break;
    }
    return {};
}

namespace {

std::vector<char32_t> scalars(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    const auto length = static_cast<std::int32_t>(s.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        out.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    }
    return out;
}

bool isSeparator(char32_t c) { return c == 9 || c == 10 || c == 13 || c == 32 || c == 44; }
bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

class Scanner {
public:
    explicit Scanner(std::string_view data) : input_(scalars(data)) {}

    bool atEnd() const { return index_ >= input_.size(); }
    char32_t peek() const { return input_[index_]; }
    void advance() { ++index_; }

    void skipSeparators() {
        while (!atEnd() && isSeparator(peek())) ++index_;
    }

    std::optional<double> number() {
        skipSeparators();
        std::string text;
        bool dot = false;
        bool exponent = false;
        if (!atEnd() && (peek() == U'+' || peek() == U'-')) {
            text.push_back(static_cast<char>(peek()));
            ++index_;
        }
        while (!atEnd()) {
            const char32_t c = peek();
            if (isDigit(c)) {
                text.push_back(static_cast<char>(c));
            } else if (c == U'.' && !dot && !exponent) {
                dot = true;
                text.push_back('.');
            } else if ((c == U'e' || c == U'E') && !text.empty() && !exponent) {
                exponent = true;
                text.push_back('e');
                if (index_ + 1 < input_.size() && (input_[index_ + 1] == U'+' || input_[index_ + 1] == U'-')) {
                    ++index_;
                    text.push_back(static_cast<char>(peek()));
                }
            } else {
                break;
            }
            ++index_;
        }
        return convert(text);
    }

    std::optional<bool> flag() {
        skipSeparators();
        if (atEnd() || (peek() != U'0' && peek() != U'1')) return std::nullopt;
        const bool on = peek() == U'1';
        ++index_;
        return on;
    }

private:
    // A number too large for a double is no number: it would put points at
    // infinity that no drawing can use.
    static std::optional<double> convert(std::string_view text) {
        if (!text.empty() && text.front() == '+') text.remove_prefix(1);
        if (text.empty()) return std::nullopt;
        double value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
        return value;
    }

    std::vector<char32_t> input_;
    std::size_t index_ = 0;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator*(double k, Point a) { return {k * a.x, k * a.y}; }

struct Builder {
    VectorPath path;
    Point current;
    Point start;
    Point lastControl;
    bool afterCurve = false;

    void add(PathElement::Kind kind, std::array<Point, 3> points) { path.elements.push_back({kind, points}); }
    void move(Point p) {
        add(PathElement::Kind::move, {p});
        current = start = p;
    }
    void line(Point p) {
        add(PathElement::Kind::line, {p});
        current = p;
    }
    void cubic(Point c1, Point c2, Point p) {
        add(PathElement::Kind::cubic, {c1, c2, p});
        current = p;
    }
    void quad(Point c, Point p) {
        add(PathElement::Kind::quad, {c, p});
        current = p;
    }
    void close() {
        add(PathElement::Kind::close, {});
        current = start;
    }
    // The reflection of the last control point when a curve came before.
    Point mirrored() const { return afterCurve ? 2.0 * current - lastControl : current; }

    void arc(double rx, double ry, double phiDegrees, bool large, bool sweep, Point to);
};

// The endpoint-to-centre conversion of SVG 1.1, F.6.5 and F.6.6, then at
// most a quarter turn per cubic segment.
void Builder::arc(double rx, double ry, double phiDegrees, bool large, bool sweep, Point to) {
    const Point from = current;
    if (rx == 0 || std::isnan(rx) || ry == 0 || (to.x == from.x && to.y == from.y)) {
        line(to);
        return;
    }
    const double phi = phiDegrees * std::numbers::pi / 180;
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    const double dx = (from.x - to.x) / 2;
    const double dy = (from.y - to.y) / 2;
    const double x1p = cosPhi * dx + sinPhi * dy;
    const double y1p = -sinPhi * dx + cosPhi * dy;

    const double lambda = x1p * x1p / (rx * rx) + y1p * y1p / (ry * ry);
    const double scale = lambda > 1 ? std::sqrt(lambda) : 1;
    rx = std::fabs(rx) * scale;
    ry = std::fabs(ry) * scale;

    const double rx2 = rx * rx;
    const double ry2 = ry * ry;
    const double denominator = rx2 * y1p * y1p + ry2 * x1p * x1p;
    double q = denominator == 0 ? 0 : (rx2 * ry2 - rx2 * y1p * y1p - ry2 * x1p * x1p) / denominator;
    if (q < 0 || !std::isfinite(q)) q = 0;  // radii so large their squares overflow: the flattest arc
    double root = std::sqrt(q);
    if (large == sweep) root = -root;
    const double cxp = root * rx * y1p / ry;
    const double cyp = -root * ry * x1p / rx;
    const double cx = cosPhi * cxp - sinPhi * cyp + (from.x + to.x) / 2;
    const double cy = sinPhi * cxp + cosPhi * cyp + (from.y + to.y) / 2;
    if (!std::isfinite(cx) || !std::isfinite(cy)) {
        line(to);
        return;
    }

    const Point u{(x1p - cxp) / rx, (y1p - cyp) / ry};
    const Point v{(-x1p - cxp) / rx, (-y1p - cyp) / ry};
    const double theta1 = std::atan2(u.y, u.x);
    double delta = std::atan2(u.x * v.y - u.y * v.x, u.x * v.x + u.y * v.y);
    if (!sweep && delta > 0) delta -= 2 * std::numbers::pi;
    if (sweep && delta < 0) delta += 2 * std::numbers::pi;

    const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (std::numbers::pi / 2) - 1e-9)));
    const double step = delta / n;
    const double handle = 4.0 / 3.0 * std::tan(step / 4);
    auto at = [&](double t) {
        return Point{cx + rx * cosPhi * std::cos(t) - ry * sinPhi * std::sin(t),
                     cy + rx * sinPhi * std::cos(t) + ry * cosPhi * std::sin(t)};
    };
    auto slope = [&](double t) {
        return Point{-rx * cosPhi * std::sin(t) - ry * sinPhi * std::cos(t),
                     -rx * sinPhi * std::sin(t) + ry * cosPhi * std::cos(t)};
    };
    for (int k = 0; k < n; ++k) {
        const double a = theta1 + k * step;
        const double b = a + step;
        const Point end = k == n - 1 ? to : at(b);
        cubic(at(a) + handle * slope(a), at(b) - handle * slope(b), end);
    }
    current = to;
}

bool isCommandLetter(char32_t c) { return c != U'e' && c != U'E' && text::isLetter(c); }

// `count` coordinate pairs, each from `origin`; none when one is missing.
std::optional<std::array<Point, 3>> points(Scanner& scan, int count, Point origin) {
    std::array<Point, 3> out{};
    for (int i = 0; i < count; ++i) {
        const auto x = scan.number();
        if (!x) return std::nullopt;
        const auto y = scan.number();
        if (!y) return std::nullopt;
        out[static_cast<std::size_t>(i)] = Point{*x, *y} + origin;
    }
    return out;
}

bool arcSegment(Scanner& scan, Builder& b, Point origin) {
    const auto rx = scan.number();
    const auto ry = rx ? scan.number() : std::nullopt;
    const auto phi = ry ? scan.number() : std::nullopt;
    const auto large = phi ? scan.flag() : std::nullopt;
    const auto sweep = large ? scan.flag() : std::nullopt;
    const auto to = sweep ? points(scan, 1, origin) : std::nullopt;
    if (!to) return false;
    b.arc(*rx, *ry, *phi, *large, *sweep, (*to)[0]);
    return true;
}

// How many coordinate pairs a command reads before anything else.
int pairCount(char32_t upper) {
    switch (upper) {
    case U'M':
    case U'L':
    case U'T': return 1;
    case U'S':
    case U'Q': return 2;
    case U'C': return 3;
    default: return 0;
    }
}

// One segment of the command `letter`; false when its numbers are missing
// or bad (the parse stops there).
bool segment(char32_t letter, Scanner& scan, Builder& b) {
    const bool relative = letter >= U'a' && letter <= U'z';
    const Point origin = relative ? b.current : Point{};
    const char32_t upper = relative ? letter - U'a' + U'A' : letter;
    const int pairs = pairCount(upper);
    std::array<Point, 3> p{};
    if (pairs > 0) {
        const auto read = points(scan, pairs, origin);
        if (!read) return false;
        p = *read;
    }
    bool curve = false;
    switch (upper) {
    case U'M': b.move(p[0]); break;
    case U'L': b.line(p[0]); break;
    case U'H':
    case U'V': {
        const auto v = scan.number();
        if (!v) return false;
        b.line(upper == U'H' ? Point{*v + origin.x, b.current.y} : Point{b.current.x, *v + origin.y});
        break;
    }
    case U'C':
        b.cubic(p[0], p[1], p[2]);
        b.lastControl = p[1];
        curve = true;
        break;
    case U'S':
        b.cubic(b.mirrored(), p[0], p[1]);
        b.lastControl = p[0];
        curve = true;
        break;
    case U'Q':
        b.quad(p[0], p[1]);
        b.lastControl = p[0];
        curve = true;
        break;
    case U'T': {
        const Point c = b.mirrored();
        b.quad(c, p[0]);
        b.lastControl = c;
        curve = true;
        break;
    }
    case U'A':
        if (!arcSegment(scan, b, origin)) return false;
        break;
    case U'Z': b.close(); break;
    default: return false;
    }
    b.afterCurve = curve;
    if (!curve) b.lastControl = {};
    return true;
}

}  // namespace

namespace SVGPath {

VectorPath path(std::string_view data) {
    Scanner scan(data);
    Builder b;
    std::optional<char32_t> command;
    for (;;) {
        scan.skipSeparators();
        if (scan.atEnd()) return std::move(b.path);
        if (isCommandLetter(scan.peek())) {
            command = scan.peek();
            scan.advance();
        } else if (!command) {
            return std::move(b.path);
        }
        if (!segment(*command, scan, b)) return std::move(b.path);
        // Pairs after a move are lines; after a close a new command must come.
        if (*command == U'M' || *command == U'm') command = *command == U'm' ? U'l' : U'L';
        else if (*command == U'Z' || *command == U'z') command.reset();
    }
}

}  // namespace SVGPath

}  // namespace kestrove
