#pragma once
// Lays its children left to right in rows, each at its own preferred size,
// starting a new row when the next child would pass the right edge. A child
// wider than the width stands alone on its row and is not shrunk.

#include <QLayout>
#include <QList>
#include <QPointF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace kestrove {

class FlowLayout : public QLayout {
public:
    FlowLayout(double spacing, double lineSpacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    // Children of these sizes within `limit` (none: one row): where each
    // goes, from the top-left corner, and the size they take.
    struct Fit {
        std::vector<QPointF> origins;
        QSizeF size;
    };
    static Fit fit(const std::vector<QSizeF>& sizes, std::optional<double> limit, double spacing, double lineSpacing);

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    std::vector<QLayoutItem*> shown() const;
    static std::vector<QSizeF> sizes(const std::vector<QLayoutItem*>& items);

    double spacing_;
    double lineSpacing_;
    QList<QLayoutItem*> items_;
};

}  // namespace kestrove
