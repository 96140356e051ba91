#include "gui/common/SetButtonWidget.h"

#include <QPainter>
#include <QPainterPath>

namespace kaspen {

namespace {
// The tray and its arrow: down into the tray ("write this to the logger") or
// up out of it ("fetch this from the logger").
QPixmap drawTrayArrow(int size, bool up, const QColor &colour)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath arrow;
    if (up) {
        arrow.moveTo(s * 0.50, s * 0.06);
        arrow.lineTo(s * 0.82, s * 0.36);
        arrow.lineTo(s * 0.62, s * 0.36);
        arrow.lineTo(s * 0.62, s * 0.70);
        arrow.lineTo(s * 0.38, s * 0.70);
        arrow.lineTo(s * 0.38, s * 0.36);
        arrow.lineTo(s * 0.18, s * 0.36);
    } else {
        arrow.moveTo(s * 0.38, s * 0.08);
        arrow.lineTo(s * 0.62, s * 0.08);
        arrow.lineTo(s * 0.62, s * 0.42);
        arrow.lineTo(s * 0.82, s * 0.42);
        arrow.lineTo(s * 0.50, s * 0.72);
        arrow.lineTo(s * 0.18, s * 0.42);
        arrow.lineTo(s * 0.38, s * 0.42);
    }
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(s * 0.12, s * 0.80, s * 0.76, s * 0.12));
    return pm;
}
} // namespace

QIcon trayArrowIcon(bool up)
{
    static const QIcon set = [] {
        QIcon icon;
        icon.addPixmap(drawTrayArrow(16, false, QColor(30, 110, 200)));
        icon.addPixmap(drawTrayArrow(32, false, QColor(30, 110, 200)));
        return icon;
    }();
    static const QIcon read = [] {
        QIcon icon;
        icon.addPixmap(drawTrayArrow(16, true, QColor(30, 150, 70)));
        icon.addPixmap(drawTrayArrow(32, true, QColor(30, 150, 70)));
        return icon;
    }();
    return up ? read : set;
}

void makeIconButton(QPushButton *b, const QIcon &icon, const QString &name)
{
    b->setIcon(icon);
    b->setIconSize(QSize(16, 16));
    b->setFixedSize(28, 24);
    b->setAccessibleName(name);
    b->setToolTip(name);
    b->setFocusPolicy(Qt::StrongFocus);
}

SetButtonWidget::SetButtonWidget(const QString &what, QWidget *parent) : QPushButton(parent)
{
    makeIconButton(this, icon(), QStringLiteral("Set %1").arg(what));
}

QIcon SetButtonWidget::icon()
{
    return trayArrowIcon(false);
}

QPixmap lampPixmap(bool on)
{
    QPixmap pm(15, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(on ? QColor(40, 200, 60) : QColor(170, 170, 170));
    p.drawEllipse(QRectF(1.5, 1.5, 12, 12));
    return pm;
}

QIcon activeCellIcon()
{
    static const QIcon i = [] {
        QPixmap pm(18, 18);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 40, 40));
        p.drawEllipse(QRectF(4, 4, 10, 10));
        return QIcon(pm);
    }();
    return i;
}

} // namespace kaspen
