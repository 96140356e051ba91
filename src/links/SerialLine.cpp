#include "links/SerialLine.h"
#include "links/PortRecord.h"

namespace kaspen {

QString demoPortName()
{
    return QStringLiteral("Demo logger (simulated)");
}

std::unique_ptr<SerialLine> createSerialLine(const QString &portText, int baud, int modelCode, QObject *parent)
{
    if (portText == demoPortName())
        return createDemoLine(modelCode, parent);
    auto port = std::make_unique<PortRecord>(parent);
    QString name = portText.trimmed();
#ifdef Q_OS_WIN
    if (name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        name = QStringLiteral("COM%1").arg(comPortNumber(name));
#endif
    port->prepare(name, baud);
    return port;
}

} // namespace kaspen
