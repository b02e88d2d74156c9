#include <gtest/gtest.h>

#include <QPalette>

#include "app/look/appearance.hpp"
#include "app/menu/window_style.hpp"

namespace kestrove {
namespace {

TEST(WindowStyle, LinksStayReadableOnADarkAppearance) {
    struct Case {
        const char* what;
        QColor window, link;
        bool keptAsIs;
    } cases[] = {
        {"light, Qt's default blue", QColor(239, 239, 239), QColor(0, 0, 255), true},
        {"dark, Qt's default blue", QColor(40, 40, 42), QColor(0, 0, 255), false},
        {"dark, the theme's own light blue", QColor(40, 40, 42), QColor(100, 170, 255), true},
    };
    for (const Case& c : cases) {
        QPalette p;
        p.setColor(QPalette::Window, c.window);
        p.setColor(QPalette::Link, c.link);
        const QColor link = WindowStyle::link(p);
        EXPECT_EQ(link == c.link, c.keptAsIs) << c.what;
        if (Appearance::isDark(p)) {
            EXPECT_GE(qGray(link.rgb()), 100) << c.what;
        }
    }
}

}  // namespace
}  // namespace kestrove
