// The test window: known texts in known places, driven by commands on
// standard input, one a line. It answers each command with "ok" or
// "error <why>" on standard output; at start it prints "window <X id>".
//
//   status <text> | price <text> | counter <n> | log <text> | clear-log
//   move <x> <y> | resize <w> <h> | minimize | restore | hide | show | raise
//   paint <colour>  the window's ground in that colour (#rrggbb or a name)
//   cover         a second window over the status line ("cover <X id>")
//   uncover
//   extra <kind> <x> <y> <w> <h>   one more window ("extra <X id>"), kind one of
//                 above, dock, desktop, popup (override-redirect), faded (opacity 0.5),
//                 alpha (half-transparent pixels), shaped (an override-redirect ring)
//   editor <x> <y> [rows]   a plain text editor window holding the editor's lines, or
//                 that many rows "Row <i> of the log" ("editor <X id>")
//   grab <x> <y> <w> <h> <file.png>   the window's own rendering of that area
//   where         "at <x> <y> <w> <h>": its client area on screen, as Qt sees it
//   clicks        "clicks <n> <x> <y>": mouse presses it got, the last one's place
//   slow <ms>     from now on it answers each exposure that late (a program
//                 slow to draw what was uncovered)
//                 in client pixels (so a test knows a click went through to it)
//   close         closes the window and exits (end of input does the same)
//
// Options: --x <x> --y <y> (where the window asks to be placed).

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "test_window/extra_windows.hpp"
#include "test_window/layout.hpp"

namespace tw = kestrove::testwindow;

namespace {

void reply(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QLabel* label(QWidget* parent, const tw::Box& box, const QString& text, int pixelSize) {
    auto* l = new QLabel(text, parent);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    l->setFont(font);
    l->setGeometry(box.x, box.y, box.w, box.h);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

void paintWhite(QWidget* w, const QColor& colour = Qt::white) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

class TestWindow : public QObject {
public:
    TestWindow(int x, int y) {
        qApp->installEventFilter(this);
        paintWhite(&window_);
        window_.setWindowTitle(QStringLiteral("Kestrove test window"));
        status_ = label(&window_, tw::status, QString::fromUtf8(tw::initialStatus), 20);
        price_ = label(&window_, tw::price, QString::fromUtf8(tw::initialPrice), 20);
        counter_ = label(&window_, tw::counter, QString::fromUtf8(tw::initialCounter), 20);
        for (int i = 0; i < tw::logLines; ++i) {
            tw::Box b = tw::logLine0;
            b.y += i * tw::logStep;
            logs_.push_back(label(&window_, b, QString(), 16));
        }
        for (const char* line : tw::initialLog) lines_.push_back(QString::fromUtf8(line));
        showLog();
        window_.resize(tw::width, tw::height);
        window_.move(x, y);
        window_.show();
    }

    WId id() { return window_.winId(); }
    bool exposed() const { return window_.windowHandle() && window_.windowHandle()->isExposed(); }

    void run(const QString& line) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        const QStringList args = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        auto number = [&](int i, bool* ok) { return i < args.size() ? args[i].toInt(ok) : (*ok = false, 0); };
        bool ok1 = true, ok2 = true;
        if (verb == u"status") {
            status_->setText(rest);
        } else if (verb == u"price") {
            price_->setText(rest);
        } else if (verb == u"counter") {
            counter_->setText(QStringLiteral("Counter: ") + rest);
        } else if (verb == u"log") {
            lines_.push_back(rest);
            while (lines_.size() > static_cast<std::size_t>(tw::logLines)) lines_.pop_front();
            showLog();
        } else if (verb == u"clear-log") {
            lines_.clear();
            for (auto* l : logs_) l->clear();
        } else if (verb == u"move" || verb == u"resize") {
            const int a = number(0, &ok1), b = number(1, &ok2);
            if (!ok1 || !ok2) return reply(QStringLiteral("error two numbers expected"));
            if (verb == u"move") window_.move(a, b); else window_.resize(a, b);
        } else if (verb == u"minimize") {
            window_.showMinimized();
        } else if (verb == u"restore") {
            window_.showNormal();
        } else if (verb == u"hide") {
            window_.hide();
        } else if (verb == u"show") {
            window_.show();
        } else if (verb == u"paint") {
            const QColor colour(rest);
            if (!colour.isValid()) return reply(QStringLiteral("error not a colour"));
            paintWhite(&window_, colour);
        } else if (verb == u"raise") {
            window_.raise();
            window_.activateWindow();
        } else if (verb == u"cover") {
            cover();
        } else if (verb == u"extra") {
            int v[4];
            for (int i = 0; i < 4; ++i) {
                v[i] = number(i + 1, &ok1);
                if (!ok1) return reply(QStringLiteral("error extra kind x y w h"));
            }
            if (!extra(args.value(0), QRect(v[0], v[1], v[2], v[3])))
                return reply(QStringLiteral("error unknown kind ") + args.value(0));
        } else if (verb == u"editor") {
            const int a = number(0, &ok1), b = number(1, &ok2);
            if (!ok1 || !ok2) return reply(QStringLiteral("error editor x y [rows]"));
            editor(a, b, args.size() > 2 ? number(2, &ok1) : 0);
        } else if (verb == u"uncover") {
            cover_.reset();
        } else if (verb == u"grab") {
            int v[4];
            for (int i = 0; i < 4; ++i) {
                v[i] = number(i, &ok1);
                if (!ok1) return reply(QStringLiteral("error grab x y w h file"));
            }
            const QString file = rest.section(QLatin1Char(' '), 4);
            if (file.isEmpty() || !window_.grab(QRect(v[0], v[1], v[2], v[3])).toImage().save(file, "PNG"))
                return reply(QStringLiteral("error could not write ") + file);
        } else if (verb == u"slow") {
            slowExposures_ = number(0, &ok1);
            if (!ok1) return reply(QStringLiteral("error slow ms"));
        } else if (verb == u"clicks") {
            reply(QStringLiteral("clicks %1 %2 %3").arg(clicks_).arg(lastClick_.x()).arg(lastClick_.y()));
        } else if (verb == u"where") {
            const QPoint at = window_.mapToGlobal(QPoint(0, 0));
            reply(QStringLiteral("at %1 %2 %3 %4").arg(at.x()).arg(at.y()).arg(window_.width()).arg(window_.height()));
        } else if (verb == u"close") {
            window_.close();
            reply(QStringLiteral("ok"));
            QApplication::exit(0);
            return;
        } else {
            return reply(QStringLiteral("error unknown command ") + verb);
        }
        QApplication::processEvents();
        reply(QStringLiteral("ok"));
    }

protected:
    // A press a label does not take goes on to its parent: count it once.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && slowExposures_ > 0 && watched == window_.windowHandle())
            ::usleep(static_cast<useconds_t>(slowExposures_) * 1000);
        if (event->type() != QEvent::MouseButtonPress) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* press = static_cast<QMouseEvent*>(event);
        if (!widget || widget->window() != &window_ || press->timestamp() == lastPressTime_) return false;
        lastPressTime_ = press->timestamp();
        ++clicks_;
        lastClick_ = window_.mapFromGlobal(press->globalPosition().toPoint());
        return false;
    }

private:
    void showLog() {
        for (std::size_t i = 0; i < logs_.size(); ++i) logs_[i]->setText(i < lines_.size() ? lines_[i] : QString());
    }

    void editor(int x, int y, int rows) {
        QString text = QString::fromUtf8(tw::editorText);
        if (rows > 0) text.clear();
        for (int i = 0; i < rows; ++i) text += QStringLiteral("Row %1 of the log\n").arg(i);
        editor_ = std::make_unique<QPlainTextEdit>(text);
        editor_->setWindowTitle(QStringLiteral("Kestrove test editor"));
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(16);
        editor_->setFont(font);
        editor_->setGeometry(x, y, 360, 200);
        editor_->show();
        reply(QStringLiteral("editor %1").arg(editor_->winId()));
    }

    void cover() {
        cover_ = std::make_unique<QWidget>();
        paintWhite(cover_.get(), QColor(200, 30, 30));
        cover_->setWindowTitle(QStringLiteral("Kestrove test cover"));
        auto* l = label(cover_.get(), {10, 0, tw::status.w, tw::status.h}, QStringLiteral("COVER"), 20);
        l->setStyleSheet(QStringLiteral("color: white"));
        const QPoint at = window_.mapToGlobal(QPoint(tw::status.x, tw::status.y));
        cover_->setGeometry(at.x(), at.y(), tw::status.w, tw::status.h);
        cover_->show();
        cover_->raise();
        reply(QStringLiteral("cover %1").arg(cover_->winId()));
    }

    // Raw X windows, so each kind is exactly what the window list must read.
    bool extra(const QString& kind, const QRect& at) {
        const std::uint32_t id = extraWindows_.make(kind.toStdString(), at.x(), at.y(), at.width(), at.height());
        if (!id) return false;
        reply(QStringLiteral("extra %1").arg(id));
        return true;
    }

    QWidget window_;
    ExtraWindows extraWindows_;
    QLabel* status_;
    QLabel* price_;
    QLabel* counter_;
    std::vector<QLabel*> logs_;
    std::deque<QString> lines_;
    std::unique_ptr<QWidget> cover_;
    std::unique_ptr<QPlainTextEdit> editor_;
    int clicks_ = 0;
    int slowExposures_ = 0;  // ms
    QPoint lastClick_;
    quint64 lastPressTime_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestroveTestWindow"));
    QApplication::setQuitOnLastWindowClosed(false);
    int x = tw::defaultX, y = tw::defaultY;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == u"--x") x = args[i + 1].toInt();
        if (args[i] == u"--y") y = args[i + 1].toInt();
    }
    TestWindow window(x, y);

    // Announce the window once it can be seen, so a test never reads it early.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!window.exposed()) return;
        ready.stop();
        reply(QStringLiteral("window %1").arg(window.id()));
    });
    ready.start(10);

    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input.setEnabled(false);
            QApplication::exit(0);
            return;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            const QString line = QString::fromUtf8(pending.data(), static_cast<qsizetype>(nl)).trimmed();
            pending.erase(0, nl + 1);
            if (!line.isEmpty()) window.run(line);
        }
    });
    return app.exec();
}
