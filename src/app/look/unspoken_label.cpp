#include "app/look/unspoken_label.hpp"

#include <QAccessibleWidget>

namespace kestrove {

namespace {

class UnspokenAccessible : public QAccessibleWidget {
public:
    explicit UnspokenAccessible(QWidget* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text) const override { return {}; }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
};

// Asked with the object's most derived class first, so this answers before
// Qt's own interface for a QLabel.
QAccessibleInterface* unspoken(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType() ||
        className != QLatin1String(UnspokenLabel::staticMetaObject.className()))
        return nullptr;
    return new UnspokenAccessible(static_cast<QWidget*>(object));
}

}  // namespace

UnspokenLabel::UnspokenLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // Installed once: a factory already in place is not added again.
    QAccessible::installFactory(unspoken);
}

}  // namespace kestrove
