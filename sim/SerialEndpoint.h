#pragma once
// kaspen-sim's end of a serial line: a QSerialPort on a device path (a real
// port or one end of a pseudo-terminal pair) between the line and a
// Frontend.

#include <QObject>
#include <QString>

class QSerialPort;

namespace kaspen::sim {

class Frontend;

class SerialEndpoint : public QObject {
    Q_OBJECT
public:
    SerialEndpoint(Frontend &frontend, QObject *parent = nullptr);
    ~SerialEndpoint() override;

    // Opens the port, 8N1 at the baud rate (a pseudo-terminal ignores it).
    bool open(const QString &path, int baud, QString *error);
    void close();
    bool isOpen() const;

signals:
    // The line is gone: closed by the "close" fault or lost (peer hung up).
    void closed(const QString &reason);

private:
    void onReadyRead();

    Frontend &m_frontend;
    QSerialPort *m_port = nullptr;
};

} // namespace kaspen::sim
