#pragma once
// The application's icon in the desktop's tray. Trays show no text beside
// an icon, so the number of active watches is drawn into the picture and
// given as the tooltip, which trays read out as the icon's name.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

#include "app/platform/tray_look.hpp"

namespace kestrove {

// What the icon shows.
struct StatusLook {
    double dotScale = 1;       // the dot's size (the bark animation grows it)
    int count = 0;             // active watches; none drawn below 1
    bool highlighted = false;  // while the panel is open
    bool operator==(const StatusLook&) const = default;
};

class StatusItem {
public:
    virtual ~StatusItem() = default;

    virtual void setLook(const StatusLook& look) = 0;
    virtual void setName(const QString& name) = 0;
    // The icon's rectangle in global points, when the tray tells it.
    virtual std::optional<QRect> geometry() const = 0;

    // A press of the left or right button on the icon.
    std::function<void()> onPress;
};

namespace StatusIcon {

// How light (0-1) the tray's ground is around the mark: the middle
// luminance of the pixels of `shown` (what the screen shows in the icon's
// window) that `drawn` (the icon as painted into that window, the same
// size) leaves bare. None when too few are bare to tell.
std::optional<double> ground(const Image& shown, const QImage& drawn);

// The mark is a template picture: drawn in the tray's text colour. Where the
// `ground` around the icon is known it decides: the colour the tray
// publishes when that stands out from it (0.4 in luminance), else black or
// white, whichever does. Elsewhere the desktop's appearance setting tells
// (light on dark, dark on light), else the colour the tray publishes, else
// the palette's text colour.
QColor ink(const TrayLook& look, const QPalette& palette, std::optional<double> ground);

// The icon's picture, `side` points square: the mark, the count in a red
// badge at the bottom right, a soft ground while highlighted.
QImage render(const StatusLook& look, int side, qreal devicePixelRatio, const QColor& ink);

}  // namespace StatusIcon

}  // namespace kestrove
