#pragma once
// The chat window's content: the messenger's mark and title, what the
// attempt shows now (a spinner, the QR code with its instructions, the
// outcome), and the phase's buttons at the right. Rebuilt on every change
// of the model.

#include <vector>

#include <QWidget>

#include "app/menu/telegram_connect_model.hpp"

class QPushButton;
class QVBoxLayout;

namespace kestrove {

// The QR code as a 160-point tile: scaled without smoothing, rounded, with
// a faint edge; plain white while there is no picture.
class QRTile : public QWidget {
public:
    static constexpr int side = 160;
    explicit QRTile(std::optional<QImage> code, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QImage> code_;
};

class TelegramConnectView : public QWidget {
public:
    static constexpr int width = 480;

    explicit TelegramConnectView(TelegramConnectModel& model, QWidget* parent = nullptr);

    // Shows what the model holds now.
    void refreshFromModel();

    // The phase's buttons, left to right, and the one Return presses.
    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    QPushButton* defaultButton() const { return default_; }
    QPushButton* openHereButton() const { return openHere_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    QWidget* content();
    QWidget* message(const QString& text);
    void addButton(const QString& text, bool isDefault, std::function<void()> action);

    TelegramConnectModel& model_;
    QVBoxLayout* column_;
    QWidget* content_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    std::vector<QPushButton*> buttons_;
    QPushButton* default_ = nullptr;
    QPushButton* openHere_ = nullptr;
};

}  // namespace kestrove
