#pragma once
// A read button: an icon without caption, beside a set button. `what` names
// what it reads; it becomes the accessible name "Read " + what.

#include <QIcon>
#include <QPushButton>

namespace kaspen {

class ReadButtonWidget : public QPushButton {
    Q_OBJECT
public:
    explicit ReadButtonWidget(const QString &what, QWidget *parent = nullptr);
    static QIcon icon();
};

} // namespace kaspen
