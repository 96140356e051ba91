#include "gui/common/ReadButtonWidget.h"

#include <QPainter>
#include <QPainterPath>

namespace kaspen {

namespace {
QPixmap drawReadIcon(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // An up-pointing arrow out of a tray: "fetch this from the logger",
    // the mirror of the set button's arrow.
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 150, 70));
    QPainterPath arrow;
    arrow.moveTo(s * 0.50, s * 0.06);
    arrow.lineTo(s * 0.82, s * 0.36);
    arrow.lineTo(s * 0.62, s * 0.36);
    arrow.lineTo(s * 0.62, s * 0.70);
    arrow.lineTo(s * 0.38, s * 0.70);
    arrow.lineTo(s * 0.38, s * 0.36);
    arrow.lineTo(s * 0.18, s * 0.36);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(s * 0.12, s * 0.80, s * 0.76, s * 0.12));
    return pm;
}
} // namespace

ReadButtonWidget::ReadButtonWidget(const QString &what, QWidget *parent) : QPushButton(parent)
{
    setIcon(icon());
    setIconSize(QSize(16, 16));
    setFixedSize(28, 24);
    setAccessibleName(QStringLiteral("Read %1").arg(what));
    setToolTip(accessibleName());
    setFocusPolicy(Qt::StrongFocus);
}

QIcon ReadButtonWidget::icon()
{
    static const QIcon i = [] {
        QIcon icon;
        icon.addPixmap(drawReadIcon(16));
        icon.addPixmap(drawReadIcon(32));
        return icon;
    }();
    return i;
}

} // namespace kaspen
