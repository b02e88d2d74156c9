#pragma once
// Made-up screen areas with known text, standing for the box a user would
// draw, so the new-watch panel and the watch frame can be shown and
// measured as with a real one: the picture at 2 pixels per point, what a
// text recogniser would read in it, and a fixed unbound region.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"
#include "core/watch/watch_spec.hpp"

class QPainter;

namespace kestrove {

struct Sample {
    QImage picture;  // 2 pixels per point (device pixel ratio 2)
    BaselineReading reading;
    WatchRegion region;  // display 1 at (812, 340), the picture's size in points, scale 2

    struct Line {
        QString text;
        QFont font;
        QColor colour;
        bool strike = false;
    };
    // Runs after the text, in points, with the picture's rectangle.
    using Extra = std::function<void(QPainter&, const QRectF&)>;

    // Lines top to bottom from 18 points down, 6 points apart, at x 18; each
    // becomes a reading line boxed by its measured size (not clamped).
    static Sample make(const std::vector<Line>& lines, QSizeF size, QColor background, const Extra& extra = {});

    Image image() const;
    QSizeF points() const { return {picture.width() / 2.0, picture.height() / 2.0}; }

    static Sample price(bool dark, const QString& text = QStringLiteral("249,00 €"));
    static Sample twoPrices(bool dark);
    static Sample soldOut(bool dark);
    static Sample minutes(bool dark);
    static Sample timer(bool dark);
    static Sample chat(bool dark);
    static Sample exporting(bool dark);  // "Exporting… 45%" over a progress bar
    static Sample build();               // a terminal: one look in both appearances
    static Sample spinner(bool dark);
    static Sample blank(bool dark);
};

}  // namespace kestrove
