#include "gui/common/Pictures.h"

#include <QPainter>
#include <QRadialGradient>

namespace kaspen::ui {

namespace {
QPixmap disc(const QColor &c, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.35, size * 0.35, size * 0.7);
    g.setColorAt(0, c.lighter(170));
    g.setColorAt(1, c.darker(115));
    p.setBrush(g);
    p.setPen(QPen(c.darker(160), 1));
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    return pm;
}
} // namespace

QPixmap stateBitmap(int id, int size)
{
    return disc(id == 141 ? QColor(40, 170, 60) : QColor(200, 50, 40), size);
}

QPixmap lamp(bool on, int size)
{
    return disc(on ? QColor(40, 190, 60) : QColor(160, 160, 160), size);
}

QIcon tabIcon(bool selected)
{
    return QIcon(disc(selected ? QColor(40, 120, 220) : QColor(170, 170, 170), 15));
}

QIcon applicationIcon()
{
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(20, 90, 160));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(10, 42), QPointF(22, 30), QPointF(32, 38), QPointF(44, 20), QPointF(54, 26)}));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRectF(0, 44, 64, 18), Qt::AlignCenter, QStringLiteral("KS"));
    return QIcon(pm);
}

} // namespace kaspen::ui
