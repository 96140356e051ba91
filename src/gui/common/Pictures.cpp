#include "gui/common/Pictures.h"

#include "pages/batch/BatchList.h"

#include <QLinearGradient>
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

// The program's icon, the same drawing as resources/icons/kaspen-setup.svg
// (which the desktop's menu shows): a logger with its display showing a
// logged curve and the antenna of its GSM modem, on a 128 x 128 grid.
QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 128.0, size / 128.0);
        const QColor outline(0x37, 0x47, 0x4f);

        // signal arcs
        p.setPen(QPen(QColor(0xf0, 0x8c, 0x00), 5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const qreal r = 14, dx = 9.798; // radius; centre to chord
        p.drawArc(QRectF(80 + dx - r, 26 - r, 2 * r, 2 * r), int(134.4 * 16), int(91.2 * 16));
        p.drawArc(QRectF(108 - dx - r, 26 - r, 2 * r, 2 * r), int(-45.6 * 16), int(91.2 * 16));
        // antenna
        p.setPen(QPen(outline, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(94, 40), QPointF(94, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(outline);
        p.drawEllipse(QPointF(94, 18), 5, 5);
        // logger body
        QLinearGradient body(0, 38, 0, 118);
        body.setColorAt(0, QColor(0xf4, 0xf7, 0xf9));
        body.setColorAt(1, QColor(0xc3, 0xce, 0xd6));
        p.setPen(QPen(outline, 5));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(12, 38, 104, 80), 13, 13);
        // display with a logged curve
        QLinearGradient screen(0, 50, 0, 90);
        screen.setColorAt(0, QColor(0x17, 0x41, 0x4f));
        screen.setColorAt(1, QColor(0x0d, 0x28, 0x31));
        p.setPen(Qt::NoPen);
        p.setBrush(screen);
        p.drawRoundedRect(QRectF(24, 50, 80, 40), 5, 5);
        p.setPen(QPen(QColor(0x4d, 0xd8, 0xe8), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(31, 80), QPointF(43, 69), QPointF(53, 74), QPointF(65, 59), QPointF(77, 65),
                                  QPointF(89, 55), QPointF(97, 58)}));
        // status light and keys
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2e, 0x9e, 0x44));
        p.drawEllipse(QPointF(31, 104), 5, 5);
        p.setBrush(QColor(0x60, 0x7d, 0x8b));
        p.drawRoundedRect(QRectF(62, 99, 16, 10), 3, 3);
        p.drawRoundedRect(QRectF(84, 99, 16, 10), 3, 3);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QColor rowShade(int row)
{
    return QColor(QRgb(batchRowBackground(row)));
}

} // namespace kaspen::ui
