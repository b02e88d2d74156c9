#include <gtest/gtest.h>

#include <QWidget>

#include "app/look/flow_layout.hpp"
#include "support/app/offscreen_app.hpp"

namespace kestrove {
namespace {

using Sizes = std::vector<QSizeF>;
using Points = std::vector<QPointF>;

TEST(FlowLayout, FitsChildrenIntoRows) {
    struct Case {
        const char* what;
        Sizes sizes;
        std::optional<double> limit;
        Points origins;
        QSizeF size;
    } cases[] = {
        {"no children", {}, 100, {}, {0, 0}},
        {"no children, no limit", {}, std::nullopt, {}, {0, 0}},
        {"unlimited: one row", {{60, 20}, {80, 24}, {70, 20}}, std::nullopt, {{0, 0}, {66, 0}, {152, 0}}, {222, 24}},
        {"wraps before the child that passes the edge", {{60, 20}, {30, 24}, {30, 20}}, 100,
         {{0, 0}, {66, 0}, {0, 30}}, {96, 50}},
        {"exactly at the edge stays", {{47, 20}, {47, 20}}, 100, {{0, 0}, {53, 0}}, {100, 20}},
        {"a first child wider than the limit stays first and whole", {{150, 20}, {20, 20}}, 100,
         {{0, 0}, {0, 26}}, {100, 46}},
        {"a wide child later stands alone", {{20, 20}, {150, 30}, {20, 20}}, 100,
         {{0, 0}, {0, 26}, {0, 62}}, {100, 82}},
    };
    for (const auto& c : cases) {
        const auto fit = FlowLayout::fit(c.sizes, c.limit, 6, 6);
        EXPECT_EQ(fit.origins, c.origins) << c.what;
        EXPECT_EQ(fit.size, c.size) << c.what;
    }
}

TEST(FlowLayout, PlacesWidgetsAndAnswersHeightForWidth) {
    offscreen::app();
    QWidget parent;
    auto* flow = new FlowLayout(6, 4, &parent);
    std::vector<QWidget*> chips;
    for (int w : {60, 30, 30, 40}) {
        auto* chip = new QWidget;
        chip->setFixedSize(w, 20);
        flow->addWidget(chip);
        chips.push_back(chip);
    }
    chips[2]->hide();  // hidden children take no room
    EXPECT_TRUE(flow->hasHeightForWidth());
    EXPECT_EQ(flow->sizeHint(), QSize(142, 20));
    EXPECT_EQ(flow->heightForWidth(100), 44);
    EXPECT_EQ(flow->heightForWidth(142), 20);
    flow->setGeometry(QRect(10, 5, 100, 44));
    EXPECT_EQ(chips[0]->geometry(), QRect(10, 5, 60, 20));
    EXPECT_EQ(chips[1]->geometry(), QRect(76, 5, 30, 20));
    EXPECT_EQ(chips[3]->geometry(), QRect(10, 29, 40, 20));
    EXPECT_EQ(flow->minimumSize(), QSize(0, 0)) << "children are never shrunk, so it asks no width";
}

}  // namespace
}  // namespace kestrove
