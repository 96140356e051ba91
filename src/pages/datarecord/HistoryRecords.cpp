#include "pages/datarecord/HistoryRecords.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"

namespace kaspen::history {

int intervalSeconds(int code)
{
    switch (code) {
    case 1: return 300;
    case 2: return 900;
    case 3: return 1800;
    case 4: return 3600;
    case 5: return 60;
    default: return 0;
    }
}

namespace {
QByteArray two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}
} // namespace

QByteArray redeemParameter(const QDate &date, int hour, int minute, int count)
{
    return two(date.year() % 100) + two(date.month()) + two(date.day()) + two(hour) + two(minute) + two(count);
}

QByteArray redeemParameter(const QDateTime &at, int count)
{
    return redeemParameter(at.date(), at.time().hour(), at.time().minute(), count);
}

QByteArray redeemCommand(const QByteArray &enquiryPassword, const QByteArray &parameter)
{
    return formatTemplate(templates::Redeem, {enquiryPassword, parameter});
}

QString proposedFileName(const QByteArray &stationId, const QDate &start, const QDate &end)
{
    QByteArray name = stationId + '_' + two(start.year() % 100) + two(start.month()) + two(start.day());
    if (end > start)
        name += '_' + two(end.month()) + two(end.day());
    return QString::fromLocal8Bit(name + ".txt");
}

QString analogTitle(int n)
{
    if (n == 0)
        return QStringLiteral("Humidity");
    if (n >= 7 && n <= 12)
        return QStringLiteral("Temperature_%1").arg(n - 4);
    if (n == 13)
        return QStringLiteral("Temperature_1");
    if (n == 14)
        return QStringLiteral("Temperature_2");
    if (n >= 20 && n <= 59) {
        const int m = n / 10 - 1;
        const int r = n % 10;
        if (r <= 2)
            return QStringLiteral("P%1_U%2").arg(m).arg(r + 1);
        if (r <= 5)
            return QStringLiteral("P%1_I%2").arg(m).arg(r - 2);
        if (r <= 8)
            return QStringLiteral("P%1_FP%2").arg(m).arg(r - 5);
        return QStringLiteral("P%1_MDA").arg(m);
    }
    return QString();
}

QString pulseTitle(int n)
{
    if (n >= 21 && n <= 52) {
        const int m = n / 10 - 1;
        if (n % 10 == 1)
            return QStringLiteral("P%1_EA+").arg(m);
        if (n % 10 == 2)
            return QStringLiteral("P%1_ER+").arg(m);
    }
    return QString();
}

QList<QByteArray> splitPackets(const QByteArray &reply, const QByteArray &marker)
{
    QList<QByteArray> pieces;
    int p = reply.indexOf(marker);
    while (p >= 0) {
        const int next = reply.indexOf(marker, p + int(marker.size()));
        pieces.append(reply.mid(p, next < 0 ? -1 : next - p));
        p = next;
    }
    return pieces;
}

QByteArray stationIdOf(const QByteArray &packet, const QByteArray &marker)
{
    const ItemValue v = GetItemValue(packet, marker);
    if (v.position < 0)
        return QByteArray();
    const int comma = v.value.indexOf(',');
    return comma < 0 ? v.value : v.value.left(comma);
}

int numberItem(const QByteArray &packet, const QByteArray &key)
{
    bool ok = false;
    const int n = GetItemValue(packet, key).value.trimmed().toInt(&ok);
    return ok ? n : 0;
}

TimeStamp parseTimeStamp(const QByteArray &tm)
{
    TimeStamp t;
    if (tm.contains('/')) {
        t.form = TimeStamp::Formatted;
        const int comma = tm.indexOf(',');
        t.dateText = QString::fromLocal8Bit(comma < 0 ? tm : tm.left(comma));
        t.timeText = comma < 0 ? QString() : QString::fromLocal8Bit(tm.mid(comma + 1));
        for (const char *df : {"MM/dd/yyyy", "MM/dd/yy", "yyyy/MM/dd"}) {
            QDate d = QDate::fromString(t.dateText.trimmed(), QLatin1String(df));
            if (!d.isValid())
                continue;
            if (d.year() < 1970)
                d = d.addYears(100);
            for (const char *tf : {"HH:mm:ss", "HH:mm", "H:mm:ss", "H:mm"}) {
                const QTime time = QTime::fromString(t.timeText.trimmed(), QLatin1String(tf));
                if (time.isValid()) {
                    t.time = QDateTime(d, time, Qt::UTC);
                    break;
                }
            }
            break;
        }
        return t;
    }
    if (tm.size() != 12 && tm.size() != 10)
        return t;
    for (char c : tm) {
        if (c < '0' || c > '9')
            return t;
    }
    t.form = tm.size() == 12 ? TimeStamp::Seconds : TimeStamp::Minutes;
    const QDate d(2000 + tm.left(2).toInt(), tm.mid(2, 2).toInt(), tm.mid(4, 2).toInt());
    const QTime time(tm.mid(6, 2).toInt(), tm.mid(8, 2).toInt(), tm.size() == 12 ? tm.mid(10, 2).toInt() : 0);
    if (d.isValid() && time.isValid())
        t.time = QDateTime(d, time, Qt::UTC);
    return t;
}

QDateTime wallClock(const QDateTime &local)
{
    const QDateTime l = local.toLocalTime();
    return QDateTime(l.date(), l.time(), Qt::UTC);
}

} // namespace kaspen::history
