#pragma once
// A label a screen reader passes over: its words are already those of the
// control beside it (its accessible name and description), so reading both
// would say them twice. It shows as usual; to assistive technology it is
// an element without text that is not showing.

#include <QLabel>

namespace kestrove {

class UnspokenLabel : public QLabel {
    Q_OBJECT

public:
    explicit UnspokenLabel(const QString& text, QWidget* parent = nullptr);
};

}  // namespace kestrove
