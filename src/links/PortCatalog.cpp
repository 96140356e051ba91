#include "links/PortCatalog.h"

#include <QSerialPortInfo>

namespace kaspen {

namespace ports {

QString label(const PortDescription &p)
{
    QString what = p.description.trimmed();
    const QString maker = p.manufacturer.trimmed();
    if (!maker.isEmpty() && !what.contains(maker, Qt::CaseInsensitive))
        what = what.isEmpty() ? maker : what + QStringLiteral(", ") + maker;
    const QString serial = p.serialNumber.trimmed();
    if (!serial.isEmpty())
        what = what.isEmpty() ? QStringLiteral("(%1)").arg(serial) : what + QStringLiteral(" (%1)").arg(serial);
    if (what.isEmpty())
        return p.path;
    return p.path + QString::fromUtf16(Separator) + what;
}

QString pathOf(const QString &listText)
{
    const int at = listText.indexOf(QString::fromUtf16(Separator));
    return (at < 0 ? listText : listText.left(at)).trimmed();
}

QString whatItWas(const PortDescription &p)
{
    const QString l = label(p);
    const int at = l.indexOf(QString::fromUtf16(Separator));
    return at < 0 ? p.path : l.mid(at + int(std::char_traits<char16_t>::length(Separator))) + QStringLiteral(" on ") + p.path;
}

QList<PortDescription> systemPorts()
{
    QList<PortDescription> out;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString path = info.portName();
#else
        const QString path = info.systemLocation();
#endif
        out.append({path, info.description(), info.manufacturer(), info.serialNumber()});
    }
    return out;
}

} // namespace ports

PortWatcher::PortWatcher(Source source, QObject *parent) : QObject(parent), m_source(std::move(source))
{
    connect(&m_timer, &QTimer::timeout, this, &PortWatcher::poll);
}

void PortWatcher::start(int intervalMs)
{
    m_timer.start(intervalMs);
    poll();
}

void PortWatcher::poll()
{
    const QList<PortDescription> now = m_source ? m_source() : QList<PortDescription>{};
    if (now == m_ports)
        return;
    const QList<PortDescription> before = m_ports;
    m_ports = now;
    for (const PortDescription &p : before)
        if (byPath(p.path).path.isEmpty())
            emit vanished(p);
    for (const PortDescription &p : now) {
        bool known = false;
        for (const PortDescription &b : before)
            known = known || b.path == p.path;
        if (!known)
            emit appeared(p);
    }
    emit changed();
}

PortDescription PortWatcher::byPath(const QString &path) const
{
    for (const PortDescription &p : m_ports)
        if (p.path == path)
            return p;
    return {};
}

QString PortWatcher::pathOfSerial(const QString &serialNumber) const
{
    if (serialNumber.isEmpty())
        return {};
    for (const PortDescription &p : m_ports)
        if (p.serialNumber == serialNumber)
            return p.path;
    return {};
}

} // namespace kaspen
