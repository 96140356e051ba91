#include "base/Clock.h"

namespace kaspen {

namespace {
SystemClock g_systemClock;
Clock *g_clock = nullptr;

void two(QByteArray &out, int v)
{
    out.append(char('0' + (v / 10) % 10));
    out.append(char('0' + v % 10));
}
} // namespace

Clock &clock()
{
    return g_clock ? *g_clock : g_systemClock;
}

void setClock(Clock *c)
{
    g_clock = c;
}

QByteArray formatTime(const QDateTime &t, const char *format)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    QByteArray out;
    for (const char *p = format; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out.append(*p);
            continue;
        }
        switch (*++p) {
        case 'Y': out.append(QByteArray::number(d.year()).rightJustified(4, '0')); break;
        case 'y': two(out, d.year() % 100); break;
        case 'm': two(out, d.month()); break;
        case 'd': two(out, d.day()); break;
        case 'H': two(out, tm.hour()); break;
        case 'M': two(out, tm.minute()); break;
        case 'S': two(out, tm.second()); break;
        case 'X': two(out, tm.hour()); out.append(':'); two(out, tm.minute()); out.append(':'); two(out, tm.second()); break;
        case 'x': two(out, d.month()); out.append('/'); two(out, d.day()); out.append('/'); two(out, d.year() % 100); break;
        case '%': out.append('%'); break;
        default: out.append('%'); out.append(*p); break;
        }
    }
    return out;
}

} // namespace kaspen
