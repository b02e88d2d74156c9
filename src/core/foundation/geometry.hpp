#pragma once
// Plain rectangles in points (screen space: origin top-left, y down) and in
// pixels. No toolkit types, so the window rules stay testable without a display.

#include <optional>

namespace kestrove {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double w = 0;
    double h = 0;
    bool operator==(const Size&) const = default;
};

// A rectangle given by origin and size. A negative width or height is read as
// extending the other way from the origin, so min/max are always ordered.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    static Rect fromEdges(double minX, double minY, double maxX, double maxY) {
        return {minX, minY, maxX - minX, maxY - minY};
    }

    double minX() const;
    double minY() const;
    double maxX() const;
    double maxY() const;
    Size size() const;

    // No area, or not a number anywhere.
    bool isEmpty() const;

    // The overlap when it has a positive area; touching edges do not overlap.
    std::optional<Rect> intersection(const Rect& other) const;
    bool intersects(const Rect& other) const { return intersection(other).has_value(); }

    // Edges included. An empty rectangle is contained where it lies: a
    // zero-width box on the right edge is inside, one a point beyond is not.
    bool contains(const Rect& other) const;

    // Shrunk by dx on the left and right and dy on the top and bottom; a
    // rectangle too small for that collapses to a line or point at its centre.
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }

    bool operator==(const Rect&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// Pixels of a picture, origin at its top-left corner.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

}  // namespace kestrove
