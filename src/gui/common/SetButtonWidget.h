#pragma once
// Small pieces the device pages share: the icon-only set button, the lamp
// images and the image that marks an active cell.

#include <QIcon>
#include <QPixmap>
#include <QPushButton>

namespace kaspen {

// A set button: an icon without caption. `what` names the setting it sends
// ("Station ID"); it becomes the accessible name "Set Station ID".
class SetButtonWidget : public QPushButton {
    Q_OBJECT
public:
    explicit SetButtonWidget(const QString &what, QWidget *parent = nullptr);
    static QIcon icon();
};

// The image of the set buttons (an arrow down into a tray) and, with up, of
// the read buttons (an arrow up out of it).
QIcon trayArrowIcon(bool up);
// Makes b an icon-only button whose accessible name and tooltip are name.
void makeIconButton(QPushButton *b, const QIcon &icon, const QString &name);

// A 15x15 lamp: green when on, grey when off.
QPixmap lampPixmap(bool on);
// The image of an active cell ("On", "H", "L"), 18x18.
QIcon activeCellIcon();

} // namespace kaspen
