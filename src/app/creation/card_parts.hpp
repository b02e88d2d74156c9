#pragma once
// The pieces the new-watch panel's stages are made of: the stage view with
// its Return action, the crop thumbnail, the card body beside it, headline,
// plain and styled texts, the read line and the buttons.

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <vector>

#include "core/copy/copy_card.hpp"

class QBoxLayout;

namespace kestrove {

// One stage of the panel. Return runs its default action, when it has one.
class StageView : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> defaultAction;
};

// The crop, scaled to fit `maxSide` by its longer side, never smaller than
// 28 by 20, in a rounded outline.
class CropThumbnail : public QWidget {
public:
    CropThumbnail(QImage image, double maxSide, QWidget* parent = nullptr);
    // The frame for a picture of `image` points: whole points, at least 28 by 20.
    static QSize frameSize(QSizeF image, double maxSide);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

namespace CardParts {

QLabel* headline(const QString& text);
QLabel* plain(const QString& text);
// Small secondary text: notes under a card's texts and under the field.
QLabel* note(const QString& text, int pixelSize = 12);
// The runs of a card sentence, bold ones semibold.
QLabel* styled(const std::vector<TextRun>& runs, int pixelSize);
// "Right now I read" and the value on a red chip.
QWidget* readLine(const QString& label, const QString& value);
// A hairline across the card.
QWidget* divider();
QPushButton* button(const QString& title, std::function<void()> action, bool isDefault = false);

// One text of a card body, with room above it beyond the usual spacing.
struct BodyText {
    QWidget* widget;
    int above = 0;
};
// The thumbnail (96 points at most) beside a column of `content`.
QWidget* body(const QImage& thumbnail, const std::vector<BodyText>& content);
// The common frame of a card: 14 points of padding, 12 between its parts.
QBoxLayout* cardLayout(QWidget* card);
// A row that pushes its buttons to the right.
QBoxLayout* buttonRow(const std::vector<QWidget*>& buttons);

}  // namespace CardParts
}  // namespace kestrove
