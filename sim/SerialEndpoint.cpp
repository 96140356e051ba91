#include "sim/SerialEndpoint.h"
#include "sim/Frontend.h"

#include <QSerialPort>

namespace kaspen::sim {

SerialEndpoint::SerialEndpoint(Frontend &frontend, QObject *parent) : QObject(parent), m_frontend(frontend)
{
    connect(&m_frontend, &Frontend::output, this, [this](const QByteArray &chunk) {
        if (isOpen())
            m_port->write(chunk);
    });
    connect(&m_frontend, &Frontend::closeRequested, this, [this] {
        close();
        emit closed(QStringLiteral("line closed halfway through an answer (close fault)"));
    });
}

SerialEndpoint::~SerialEndpoint()
{
    close();
}

bool SerialEndpoint::open(const QString &path, int baud, QString *error)
{
    close();
    m_port = new QSerialPort(this);
    m_port->setPortName(path);
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (error)
            *error = m_port->errorString();
        delete m_port;
        m_port = nullptr;
        return false;
    }
    // Line settings fail on some pseudo-terminals; the pacing gives the speed.
    m_port->setBaudRate(baud);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->clearError();
    connect(m_port, &QSerialPort::readyRead, this, &SerialEndpoint::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError && e != QSerialPort::WriteError)
            return;
        const QString reason = m_port ? m_port->errorString() : QString();
        QMetaObject::invokeMethod(this, [this, reason] {
            if (!isOpen())
                return;
            close();
            emit closed(reason);
        }, Qt::QueuedConnection);
    });
    return true;
}

void SerialEndpoint::close()
{
    m_frontend.reset();
    if (!m_port)
        return;
    m_port->disconnect(this);
    if (m_port->isOpen()) {
        m_port->flush();
        m_port->close();
    }
    m_port->deleteLater();
    m_port = nullptr;
}

bool SerialEndpoint::isOpen() const
{
    return m_port && m_port->isOpen();
}

void SerialEndpoint::onReadyRead()
{
    if (!isOpen())
        return;
    m_frontend.receive(m_port->readAll());
}

} // namespace kaspen::sim
