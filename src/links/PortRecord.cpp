#include "links/PortRecord.h"

#include <QMetaObject>

#include <QSerialPort>

namespace kaspen {

int normalizedBaudRate(int requested)
{
    switch (requested) {
    case 1200:
    case 2400:
    case 4800:
        return requested;
    default:
        return 9600;
    }
}

int comPortNumber(const QString &text)
{
    const QString digits = text.size() == 4 ? text.right(1) : text.right(2);
    return digits.toInt();
}

PortRecord::PortRecord(QObject *parent) : SerialLine(parent) {}

PortRecord::~PortRecord()
{
    release();
}

int PortRecord::prepare(const QString &portName, int baud)
{
    m_portName = portName;
    m_baud = normalizedBaudRate(baud);
    m_prepared = true;
    return 1;
}

int PortRecord::open()
{
    if (!m_prepared)
        return 0;
    if (isOpen())
        return 1;
    delete m_port;
    m_port = new QSerialPort(this);
    m_port->setPortName(m_portName);
    if (!m_port->open(QIODevice::ReadWrite)) {
        delete m_port;
        m_port = nullptr;
        return 0;
    }
    const bool configured = m_port->setBaudRate(m_baud) && m_port->setDataBits(QSerialPort::Data8)
        && m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop)
        && m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_port->close();
        delete m_port;
        m_port = nullptr;
        return 0;
    }
    m_port->clear(QSerialPort::AllDirections);
    // Raising DTR fails on a pseudo-terminal ("Inappropriate ioctl"); harmless.
    m_port->setDataTerminalReady(true);
    m_port->clearError();
    discardCollected();
    connect(m_port, &QSerialPort::readyRead, this, &PortRecord::readAvailable);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    return 1;
}

bool PortRecord::isOpen() const
{
    return m_port && m_port->isOpen();
}

void PortRecord::readAvailable()
{
    if (!isOpen())
        return;
    QByteArray read;
    for (;;) {
        const QByteArray chunk = m_port->read(ReadChunk);
        if (chunk.isEmpty())
            break;
        read += chunk;
    }
    collect(read); // delivered once the line has been quiet for 200 ms
}

void PortRecord::onError(int error)
{
    const auto e = QSerialPort::SerialPortError(error);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError)
        return;
    // A hung-up line keeps reporting errors while it stays open: close it at once.
    const QString reason = m_port ? m_port->errorString() : QString();
    close();
    if (m_writing) {
        // Whoever reacts to the loss may delete this line: not while its
        // write() is still running.
        QMetaObject::invokeMethod(this, [this, reason] { emit lost(reason); }, Qt::QueuedConnection);
        return;
    }
    emit lost(reason);
}

int PortRecord::close()
{
    QByteArray rest;
    if (m_port) {
        QSerialPort *port = m_port;
        m_port = nullptr;
        // No more signals from here on: lowering DTR on a hung-up line reports
        // errors of its own.
        port->disconnect(this);
        if (port->isOpen()) {
            // Bytes still waiting in the driver belong to the reply being read.
            rest = port->readAll();
            port->setDataTerminalReady(false);
            port->clear(QSerialPort::AllDirections);
            port->close();
        }
        port->deleteLater();
    }
    if (!rest.isEmpty())
        collect(rest);
    flush();
    return 1;
}

int PortRecord::release()
{
    if (!m_prepared)
        return 0;
    close();
    m_prepared = false;
    return 1;
}

int PortRecord::write(const QByteArray &bytes)
{
    if (!isOpen())
        return 0;
    // A hung-up line may report its loss from any of these calls, and the
    // port is closed then: look again after each one.
    m_writing = true;
    // The purge: bytes received but not yet read are discarded.
    m_port->clear(QSerialPort::AllDirections);
    if (isOpen())
        m_port->readAll();
    const qint64 n = isOpen() ? m_port->write(bytes) : -1;
    if (isOpen() && n != bytes.size())
        m_port->clearError();
    m_writing = false;
    return n == bytes.size() ? 1 : 0;
}

} // namespace kaspen
