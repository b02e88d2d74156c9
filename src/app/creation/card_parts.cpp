#include "app/creation/card_parts.hpp"

#include <QBoxLayout>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocumentFragment>

#include <cmath>

#include "app/creation/panel_ink.hpp"
#include "app/creation/panel_texts.hpp"
#include "app/look/signal_chip.hpp"

namespace kestrove {

CropThumbnail::CropThumbnail(QImage image, double maxSide, QWidget* parent) : QWidget(parent), image_(std::move(image)) {
    setFixedSize(frameSize(image_.deviceIndependentSize(), maxSide));
    setAccessibleName(PanelText::watchedArea);
}

QSize CropThumbnail::frameSize(QSizeF image, double maxSide) {
    const double w = image.width(), h = image.height();
    // A side of one point or less says nothing about the shape.
    double scale = maxSide;
    if (w > 1 && h > 1)
        scale = std::min(maxSide / w, maxSide / h);
    else if (w > 1)
        scale = maxSide / w;
    else if (h > 1)
        scale = maxSide / h;
    const auto side = [](double v, int least) { return std::max(static_cast<int>(std::round(v)), least); };
    return {side(w * scale, 28), side(h * scale, 20)};
}

void CropThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(r, 8, 8);
    // Filled, not stretched: the middle of the picture in the frame's shape.
    const QSizeF source = image_.size();
    const double scale = std::max(width() / source.width(), height() / source.height());
    const QSizeF shown(width() / scale, height() / scale);
    const QRectF part(QPointF((source.width() - shown.width()) / 2, (source.height() - shown.height()) / 2), shown);
    p.save();
    p.setClipPath(shape);
    if (!image_.isNull()) p.drawImage(QRectF(rect()), image_, part);
    p.restore();
    p.setPen(QPen(PanelInk::primary(palette(), 0.12), 1));
    p.drawPath(shape);
}

namespace CardParts {

namespace {

QLabel* wrapped(const QString& text, const QFont& font) {
    auto* label = new QLabel(text);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

QLabel* headline(const QString& text) { return wrapped(text, PanelInk::font(15, QFont::DemiBold)); }

QLabel* plain(const QString& text) { return wrapped(text, PanelInk::font(14)); }

namespace {

// Secondary text: the palette's text colour, fainter, worked out again
// whenever the palette it inherits changes (light or dark).
class NoteLabel : public QLabel {
public:
    explicit NoteLabel(const QString& text) : QLabel(text) {
        setForegroundRole(QPalette::PlaceholderText);
        follow();
    }

protected:
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::PaletteChange) follow();
    }

private:
    void follow() {
        QPalette p = palette();
        const QColor wanted = PanelInk::secondary(p);
        if (p.color(QPalette::Active, QPalette::PlaceholderText) == wanted) return;
        for (auto group : {QPalette::Active, QPalette::Inactive}) p.setColor(group, QPalette::PlaceholderText, wanted);
        setPalette(p);
    }
};

}  // namespace

QLabel* note(const QString& text, int pixelSize) {
    auto* label = new NoteLabel(text);
    label->setFont(PanelInk::font(pixelSize));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* styled(const std::vector<TextRun>& runs, int pixelSize) {
    QString html;
    for (const TextRun& run : runs) {
        QString piece = QString::fromStdString(run.text).toHtmlEscaped();
        html += run.bold ? QStringLiteral("<span style=\"font-weight:600\">") + piece + QStringLiteral("</span>") : piece;
    }
    QLabel* label = wrapped(QString(), PanelInk::font(pixelSize));
    label->setTextFormat(Qt::RichText);
    label->setText(html);
    label->setAccessibleName(QTextDocumentFragment::fromHtml(html).toPlainText());
    return label;
}

QWidget* readLine(const QString& label, const QString& value) {
    auto* line = new QWidget;
    auto* row = new QHBoxLayout(line);
    row->setContentsMargins(0, 1, 0, 0);
    row->setSpacing(6);
    auto* text = new QLabel(label);
    text->setFont(PanelInk::font(14));
    row->addWidget(text, 0, Qt::AlignVCenter);
    row->addWidget(new SignalChip(value, 13), 0, Qt::AlignVCenter);
    row->addStretch(1);
    line->setAccessibleName(label + QLatin1Char(' ') + value);
    return line;
}

namespace {

class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), PanelInk::primary(palette(), 0.12)); }
};

}  // namespace

QWidget* divider() { return new Divider; }

QPushButton* button(const QString& title, std::function<void()> action, bool isDefault) {
    auto* b = new QPushButton(title);
    b->setFont(PanelInk::font(13));
    b->setDefault(isDefault);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [action = std::move(action)] {
        if (action) action();
    });
    return b;
}

QWidget* body(const QImage& thumbnail, const std::vector<BodyText>& content) {
    auto* body = new QWidget;
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(new CropThumbnail(thumbnail, 96), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(5);
    for (const BodyText& text : content) {
        if (text.above > 0) column->addSpacing(text.above);
        column->addWidget(text.widget);
    }
    column->addStretch(1);
    row->addLayout(column, 1);
    return body;
}

QBoxLayout* cardLayout(QWidget* card) {
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(12);
    return layout;
}

QBoxLayout* buttonRow(const std::vector<QWidget*>& buttons) {
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (QWidget* b : buttons) row->addWidget(b);
    return row;
}

}  // namespace CardParts
}  // namespace kestrove
