#pragma once
// A simulated Ethernet serial-server module: it answers discovery and the
// configuration protocol (docs/module-protocol.md, version 1) and bridges
// data between UDP and a logger's serial line.
//
//   ModuleState     its configuration keys, MAC, name, password
//   Module          the protocol, without I/O: datagram in, answer out
//   ModuleEndpoint  the module on UDP: the configuration port and the data
//                   port C1_PORT on its IP, datagrams to and from a logger
//
// The codec here is written from the document, not taken from the program:
// the simulator is the program's independent peer.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>

class QUdpSocket;
class QSerialPort;

namespace kaspen::sim {

class Logger;

struct ModuleState {
    QByteArray mac = "00-4B-53-00-00-01";
    QByteArray name = "KASPEN-SS1";
    int kind = 1;          // serial server
    int number = 1;        // serial number
    QByteArray password = "57721";
    // Every key the module has, in the order of a full dump.
    std::map<QByteArray, QByteArray> keys;

    // A module at ip with the factory settings.
    static ModuleState defaults(const QByteArray &ip);
    static QList<QByteArray> keyOrder();
    QByteArray ip() const { return keys.at("IP"); }

    bool load(const QString &path, QString *error);
    bool save(const QString &path, QString *error) const;
};

class Module {
public:
    explicit Module(ModuleState state);

    ModuleState &state() { return m_state; }
    const ModuleState &state() const { return m_state; }

    // The answer to one datagram on the configuration port; empty when the
    // module stays silent (not for it, not the protocol, or muted).
    QByteArray handle(const QByteArray &datagram);

    // A muted module answers nothing at all (a module that went away).
    void setMuted(bool m) { m_muted = m; }
    bool muted() const { return m_muted; }
    // Counts of requests answered (tests).
    int answered() const { return m_answered; }
    // Keys written by the last Write, in order (tests).
    QList<QPair<QByteArray, QByteArray>> lastWrite() const { return m_lastWrite; }
    // True once after a write changed something.
    bool takeChanged();

private:
    QByteArray answer(int type, quint16 seq, const QList<QPair<QByteArray, QByteArray>> &fields) const;
    QByteArray error(quint16 seq, int code, const QByteArray &text) const;

    ModuleState m_state;
    bool m_muted = false;
    bool m_changed = false;
    int m_answered = 0;
    QList<QPair<QByteArray, QByteArray>> m_lastWrite;
};

class ModuleEndpoint : public QObject {
    Q_OBJECT
public:
    ModuleEndpoint(Module &module, QObject *parent = nullptr);
    ~ModuleEndpoint() override;

    void setConfigPort(quint16 port) { m_configPort = port; }
    // Binds the configuration and data ports on the module's IP.
    bool open(QString *error);
    void close();
    Module &module() { return m_module; }

    // Where data from the network goes, and the answer back: an in-process
    // logger (answers after answerDelayMs), or a serial line.
    void bridgeToLogger(Logger *logger, int answerDelayMs = 20);
    bool bridgeToSerial(const QString &path, QString *error);
    // How long the serial line must be quiet before its bytes go out as one
    // datagram (default 500 ms).
    void setPackingGap(int ms) { m_lineGap.setInterval(ms); }

    // The data bytes received from the network, in order (tests).
    QList<QByteArray> dataReceived;

signals:
    void traffic(const QString &direction, const QByteArray &text);
    void stateChanged();

private:
    void onConfig();
    void onData();
    void fromLine(const QByteArray &bytes);
    void flushLine();
    void toClient(const QByteArray &bytes);
    bool bindData(QString *error);

    Module &m_module;
    quint16 m_configPort = 47290;
    QUdpSocket *m_config = nullptr;
    QUdpSocket *m_data = nullptr;
    QByteArray m_boundIp;
    QByteArray m_boundPort;
    Logger *m_logger = nullptr;
    int m_answerDelayMs = 20;
    QSerialPort *m_serial = nullptr;
    QByteArray m_lineOut;
    QTimer m_lineGap;
};

} // namespace kaspen::sim
