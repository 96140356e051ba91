#pragma once
// A real serial port (RS232 cable or GSM modem), 8N1, on QSerialPort.
// Everything runs on the thread that owns the object; nothing blocks.

#include "links/SerialLine.h"

class QSerialPort;

namespace kaspen {

class PortRecord : public SerialLine {
    Q_OBJECT
public:
    explicit PortRecord(QObject *parent = nullptr);
    ~PortRecord() override;

    // Fills the settings: port name (device path or "COMn") and baud rate
    // (1200, 2400, 4800 as requested, anything else 9600). 1 on success.
    int prepare(const QString &portName, int baud);
    int open() override;
    int close() override;
    // Closes if open and forgets the settings; 0 if nothing was prepared.
    int release();
    bool isOpen() const override;
    int write(const QByteArray &bytes) override;
    QString name() const override { return m_portName; }

    int baudRate() const { return m_baud; }
    static constexpr int ReadChunk = 1024;

private:
    void readAvailable();
    void onError(int error);

    QSerialPort *m_port = nullptr;
    QString m_portName;
    int m_baud = 9600;
    bool m_prepared = false;
    bool m_writing = false; // inside write(): a line lost there is reported after it returns
};

} // namespace kaspen
