#pragma once
// The serial ports the system offers, with what they are: the port list shows
// "/dev/ttyUSB0 — FT232R USB UART (A50285BI)" where the system knows the
// adapter's description, manufacturer and serial number, and the list follows
// USB adapters that come and go through a light poll (a timer, no busy loop).
// A logger's cable is found again by its serial number after a replug under
// another name.

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace kaspen {

struct PortDescription {
    QString path;         // what opens the port ("/dev/ttyUSB0", "COM3")
    QString description;  // "FT232R USB UART"
    QString manufacturer; // "FTDI"
    QString serialNumber; // "A50285BI"
    bool operator==(const PortDescription &o) const
    {
        return path == o.path && description == o.description && manufacturer == o.manufacturer
            && serialNumber == o.serialNumber;
    }
};

namespace ports {

// The separator between a port's path and what it is.
inline constexpr const char16_t *Separator = u" \u2014 ";

// "path — description, manufacturer (serial)", leaving out what is unknown;
// the path alone when nothing is known. The manufacturer is left out when the
// description already names it.
QString label(const PortDescription &p);
// The path in a list text: the part before the separator (a typed path is
// returned as it is, trimmed).
QString pathOf(const QString &listText);
// What a vanished port was, for the message: its description and serial
// number where known, else its path.
QString whatItWas(const PortDescription &p);

// The ports the system has now (QSerialPortInfo).
QList<PortDescription> systemPorts();

} // namespace ports

// Keeps the list of ports in step with the system by polling a source.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    using Source = std::function<QList<PortDescription>()>;
    explicit PortWatcher(Source source = ports::systemPorts, QObject *parent = nullptr);

    void setSource(Source source) { m_source = std::move(source); }
    void start(int intervalMs = 2000);
    void stop() { m_timer.stop(); }
    bool active() const { return m_timer.isActive(); }

    // Reads the source now; emits changed() when the list differs.
    void poll();
    const QList<PortDescription> &ports() const { return m_ports; }
    // The port known by path, or one with path empty.
    PortDescription byPath(const QString &path) const;
    // The path of the port with this serial number now, empty when absent.
    QString pathOfSerial(const QString &serialNumber) const;

signals:
    void changed();
    void appeared(const PortDescription &port);
    void vanished(const PortDescription &port);

private:
    Source m_source;
    QTimer m_timer;
    QList<PortDescription> m_ports;
};

} // namespace kaspen
