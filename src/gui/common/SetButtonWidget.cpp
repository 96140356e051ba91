#include "gui/common/SetButtonWidget.h"

#include <QPainter>
#include <QPainterPath>

namespace kaspen {

namespace {
QPixmap drawSetIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A down-pointing arrow into a tray: "write this to the logger".
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 200));
    QPainterPath arrow;
    arrow.moveTo(s * 0.38, s * 0.08);
    arrow.lineTo(s * 0.62, s * 0.08);
    arrow.lineTo(s * 0.62, s * 0.42);
    arrow.lineTo(s * 0.82, s * 0.42);
    arrow.lineTo(s * 0.50, s * 0.72);
    arrow.lineTo(s * 0.18, s * 0.42);
    arrow.lineTo(s * 0.38, s * 0.42);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(s * 0.12, s * 0.80, s * 0.76, s * 0.12));
    return pm;
}
} // namespace

SetButtonWidget::SetButtonWidget(const QString &what, QWidget *parent) : QPushButton(parent)
{
    setIcon(icon());
    setIconSize(QSize(16, 16));
    setFixedSize(28, 24);
    setAccessibleName(QStringLiteral("Set %1").arg(what));
    setToolTip(accessibleName());
    setFocusPolicy(Qt::StrongFocus);
}

QIcon SetButtonWidget::icon()
{
    static const QIcon i = [] {
        QIcon icon;
        icon.addPixmap(drawSetIcon(16));
        icon.addPixmap(drawSetIcon(32));
        return icon;
    }();
    return i;
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
