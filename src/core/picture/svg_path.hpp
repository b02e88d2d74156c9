#pragma once
// SVG path data to a plain path of moves, lines, Bézier curves and closes,
// so a mark stored as text can be drawn sharply at any size. Arcs become
// cubic curves. Bad data never fails: the parse stops where the data go
// wrong and keeps what was built before.

#include <array>
#include <string_view>
#include <vector>

#include "core/foundation/geometry.hpp"

namespace kestrove {

struct PathElement {
    enum class Kind { move, line, quad, cubic, close };
    Kind kind = Kind::move;
    // move and line: {end}; quad: {control, end}; cubic: {control 1,
    // control 2, end}; close: none. Unused points stay (0, 0).
    std::array<Point, 3> points{};

    Point end() const;
    bool operator==(const PathElement&) const = default;
};

struct VectorPath {
    std::vector<PathElement> elements;
    bool operator==(const VectorPath&) const = default;
};

namespace SVGPath {

// Every command letter of SVG 1.1 in absolute and relative form, implicit
// repeats, compact numbers (".5.5", "1e-3") and flags without separators.
VectorPath path(std::string_view data);

}  // namespace SVGPath

}  // namespace kestrove
