#include "app/creation/panel_ink.hpp"

namespace kestrove::PanelInk {

namespace {

QPalette make(QColor window, QColor text, QColor base, QColor button, QColor highlight) {
    QPalette p;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, base);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Button, button);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::ToolTipBase, base);
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::PlaceholderText, QColor(text.red(), text.green(), text.blue(), 110));
        p.setColor(group, QPalette::Light, button.lighter(130));
        p.setColor(group, QPalette::Midlight, button.lighter(115));
        p.setColor(group, QPalette::Mid, button.darker(130));
        p.setColor(group, QPalette::Dark, button.darker(160));
        p.setColor(group, QPalette::Shadow, Qt::black);
    }
    const QColor faded(text.red(), text.green(), text.blue(), 100);
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Base, base);
    p.setColor(QPalette::Disabled, QPalette::Button, button);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(QPalette::Disabled, role, faded);
    return p;
}

}  // namespace

QPalette lightPalette() {
    return make(QColor(246, 246, 246), QColor(29, 29, 31), Qt::white, QColor(252, 252, 252), QColor(10, 100, 220));
}

QPalette darkPalette() {
    return make(QColor(44, 44, 46), QColor(236, 236, 238), QColor(30, 30, 32), QColor(64, 64, 68), QColor(10, 110, 230));
}

}  // namespace kestrove::PanelInk
