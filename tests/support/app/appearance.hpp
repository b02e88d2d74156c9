#pragma once
// Light and dark appearance for drawing tests: whole palettes, so buttons,
// fields and secondary text all follow. Dark means the window colour is
// darker than mid-grey.

#include <QApplication>
#include <QPalette>

namespace kestrove::offscreen {

struct Appearance {
    const char* name;
    bool dark;
};
inline constexpr Appearance appearances[] = {{"light", false}, {"dark", true}};

inline QPalette palette(bool dark) {
    QPalette p = dark ? QPalette(QColor(64, 64, 68), QColor(40, 40, 42)) : QPalette(QColor(246, 246, 246), QColor(236, 236, 236));
    p.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
    p.setColor(QPalette::ButtonText, dark ? Qt::white : Qt::black);
    p.setColor(QPalette::Text, dark ? Qt::white : Qt::black);
    p.setColor(QPalette::Base, dark ? QColor(30, 30, 32) : Qt::white);
    p.setColor(QPalette::Link, dark ? QColor(10, 132, 255) : QColor(0, 122, 255));
    return p;
}

// Sets the whole application's appearance.
inline void useAppearance(bool dark) { QApplication::setPalette(palette(dark)); }

}  // namespace kestrove::offscreen
