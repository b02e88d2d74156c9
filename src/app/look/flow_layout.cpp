#include "app/look/flow_layout.hpp"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kestrove {

FlowLayout::FlowLayout(double spacing, double lineSpacing, QWidget* parent)
    : QLayout(parent), spacing_(spacing), lineSpacing_(lineSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

FlowLayout::Fit FlowLayout::fit(const std::vector<QSizeF>& sizes, std::optional<double> limit, double spacing,
                                double lineSpacing) {
    Fit out;
    double x = 0, y = 0, rowHeight = 0, widest = 0;
    for (const QSizeF& s : sizes) {
        // Never before the first child of a row, so a wide child stands alone.
        if (x > 0 && limit && x + s.width() > *limit) {
            y += rowHeight + lineSpacing;
            x = 0;
            rowHeight = 0;
        }
        out.origins.emplace_back(x, y);
        x += s.width() + spacing;
        widest = std::max(widest, x - spacing);
        rowHeight = std::max(rowHeight, s.height());
    }
    out.size = {limit ? std::min(*limit, widest) : widest, y + rowHeight};
    return out;
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
    invalidate();
}

QLayoutItem* FlowLayout::itemAt(int index) const { return index >= 0 && index < items_.size() ? items_[index] : nullptr; }

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

std::vector<QLayoutItem*> FlowLayout::shown() const {
    std::vector<QLayoutItem*> out;
    for (QLayoutItem* item : items_)
        if (!item->isEmpty()) out.push_back(item);
    return out;
}

std::vector<QSizeF> FlowLayout::sizes(const std::vector<QLayoutItem*>& items) {
    std::vector<QSizeF> out;
    out.reserve(items.size());
    for (QLayoutItem* item : items) out.emplace_back(item->sizeHint());
    return out;
}

int FlowLayout::heightForWidth(int width) const {
    const QMargins m = contentsMargins();
    const Fit f = fit(sizes(shown()), width - m.left() - m.right(), spacing_, lineSpacing_);
    return static_cast<int>(std::ceil(f.size.height())) + m.top() + m.bottom();
}

QSize FlowLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    const QSizeF s = fit(sizes(shown()), std::nullopt, spacing_, lineSpacing_).size;
    return QSize(static_cast<int>(std::ceil(s.width())), static_cast<int>(std::ceil(s.height()))) +
           QSize(m.left() + m.right(), m.top() + m.bottom());
}

// Children are never shrunk, so the layout asks for no width of its own: a
// narrow parent only makes more rows (a child wider than it overhangs).
QSize FlowLayout::minimumSize() const {
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = contentsRect();
    const auto items = shown();
    const auto s = sizes(items);
    const Fit f = fit(s, area.width(), spacing_, lineSpacing_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QPointF at = f.origins[i] + QPointF(area.topLeft());
        items[i]->setGeometry(QRect(QPoint(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y()))),
                                    s[i].toSize()));
    }
}

}  // namespace kestrove
