#include "app/menu/window_style.hpp"

#include <QLabel>

#include "app/look/appearance.hpp"

namespace kestrove::WindowStyle {

namespace {
constexpr const char* secondaryProperty = "kestroveSecondary";
}

QColor secondary(const QPalette& palette) {
    QColor c = palette.color(QPalette::WindowText);
    c.setAlphaF(Appearance::isDark(palette) ? 0.55f : 0.5f);
    return c;
}

QColor link(const QPalette& palette) {
    const QColor c = palette.color(QPalette::Link);
    if (Appearance::isDark(palette) && qGray(c.rgb()) < 90) return QColor(10, 132, 255);
    return c;
}

QColor green(const QPalette& palette) { return Appearance::isDark(palette) ? QColor(48, 209, 88) : QColor(52, 199, 89); }

QLabel* label(const QString& text, const QFont& font, bool secondaryText, bool wrap, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setWordWrap(wrap);
    l->setTextFormat(Qt::PlainText);
    l->setProperty(secondaryProperty, secondaryText);
    if (secondaryText && parent) updateSecondary(parent);
    return l;
}

void updateSecondary(QWidget* root) {
    const QColor colour = secondary(root->palette());
    for (QLabel* l : root->findChildren<QLabel*>()) {
        if (!l->property(secondaryProperty).toBool()) continue;
        QPalette p = l->palette();
        if (p.color(QPalette::WindowText) == colour) continue;
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
    }
}

}  // namespace kestrove::WindowStyle
