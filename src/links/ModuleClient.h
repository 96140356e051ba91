#pragma once
// Our module library: finds Ethernet serial-server modules, reads their
// configuration keys and writes changed keys (protocol/ModuleProtocol.h,
// docs/module-protocol.md). Its operations are those the program calls:
//
//   searchAll()                  start a search on every scan address
//   getSearchDev(&found)         take the next module found (true = one taken)
//   selectDevice(mac, ip, byte)  select a module for the following reads
//   getDevConfig(key)            read one key of the selected module
//   resetModifyConfig()          empty the list of keys to write
//   setModifyConfig(key, value)  add a key to the list
//   modifyDevice(mac, ip, password, byte)  write the listed keys
//
// Everything that talks to a module is asynchronous: the call returns at
// once and the answer comes through the callback, on the thread of the
// client, from the event loop. Only one request is in flight at a time; a
// request made while another one waits fails at once with Busy.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QUdpSocket;

namespace kaspen {

// One module that answered a search.
struct FoundModule {
    QByteArray ip;
    QByteArray name;         // the module's own name (kept, not used)
    QByteArray mac;          // "00-1A-2B-3C-4D-5E"
    int searchByte = 0;      // the module's kind
    int secondByte = 0;      // protocol version it speaks
    int searchNumber = 0;    // its serial number
    bool operator==(const FoundModule &) const = default;
};

enum class ModuleFailure {
    None,
    NoAnswer,       // the module did not answer (after the retries)
    WrongPassword,  // the configuration password was refused
    UnknownKey,     // the module has no such key
    BadValue,       // the module did not take the value
    Refused,        // any other refusal, or an answer that makes no sense
    NotSelected,    // getDevConfig without a selected module
    Busy,           // another request is still waiting for its answer
    SocketError,    // the local socket could not be opened or sent nothing
};
// A short text for a failure ("the module did not answer", ...).
QString moduleFailureText(ModuleFailure f);

struct ModuleResult {
    ModuleFailure failure = ModuleFailure::None;
    QByteArray value;   // getDevConfig: the value text
    QString detail;     // the module's own words on a refusal
    bool ok() const { return failure == ModuleFailure::None; }
};

// Carries datagrams of the module protocol: UDP, or the demo module inside
// the program.
class ModuleTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // False when nothing could be sent.
    virtual bool send(const QByteArray &datagram, const QHostAddress &to, quint16 port) = 0;
    // False with a reason when the transport cannot work (bind failed).
    virtual bool ready(QString *why) = 0;
    // Addresses a search asks besides the scan list (the demo module).
    virtual QList<QHostAddress> extraSearchAddresses() const { return {}; }
signals:
    void received(const QByteArray &datagram, const QHostAddress &from, quint16 port);
};

// Over a UDP socket bound to an ephemeral port of the PC.
class UdpModuleTransport : public ModuleTransport {
    Q_OBJECT
public:
    explicit UdpModuleTransport(QObject *parent = nullptr);
    ~UdpModuleTransport() override;
    bool send(const QByteArray &datagram, const QHostAddress &to, quint16 port) override;
    bool ready(QString *why) override;
    quint16 localPort() const;

private:
    void readPending();
    QUdpSocket *m_socket = nullptr;
    bool m_bound = false;
    QString m_bindError;
};

// Where a search looks: the environment variable KASPEN_SCAN_ADDRESSES
// (comma-separated addresses and ranges "127.0.0.1-8") when it is set,
// otherwise the broadcast address of every IPv4 interface that is up.
QList<QHostAddress> moduleScanAddresses();
// Parses a list in the form of KASPEN_SCAN_ADDRESSES; false on a bad item.
bool parseScanAddresses(const QString &text, QList<QHostAddress> *out, QString *error = nullptr);
// The module configuration port: KASPEN_MODULE_PORT when set, else the
// protocol's port.
quint16 moduleConfigPort();

struct ModuleAnswerView;

class ModuleClient : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const ModuleResult &)>;

    // Takes a UDP transport unless given one (kept as a child).
    explicit ModuleClient(QObject *parent = nullptr);
    ModuleClient(ModuleTransport *transport, QObject *parent);
    ~ModuleClient() override;

    ModuleTransport *transport() const { return m_transport; }

    void setScanAddresses(const QList<QHostAddress> &addresses) { m_scan = addresses; }
    QList<QHostAddress> scanAddresses() const { return m_scan; }
    void setConfigPort(quint16 port) { m_port = port; }
    quint16 configPort() const { return m_port; }
    // How long one try waits for its answer, and how many tries a request gets.
    void setAnswerTimeout(int ms, int tries)
    {
        m_timeoutMs = ms;
        m_tries = tries;
    }
    // Called for every datagram the client takes or drops (trace views).
    void setTrace(std::function<void(const QString &)> trace) { m_trace = std::move(trace); }

    // --- search ---------------------------------------------------------
    // Forgets earlier results and asks every scan address; answers are
    // collected as they arrive (each module once). False when nothing could
    // be sent at all.
    bool searchAll();
    // Takes the next module found: true and fills `out`, or false when none
    // is waiting.
    bool getSearchDev(FoundModule *out);
    int pendingFound() const { return int(m_found.size()); }

    // --- configuration --------------------------------------------------
    bool busy() const { return m_pending != nullptr; }
    // Asks the module with this MAC at this IP whether it is there; on
    // success it becomes the selected module for getDevConfig.
    void selectDevice(const QByteArray &mac, const QByteArray &ip, int searchByte, Callback done);
    void getDevConfig(const QByteArray &key, Callback done);
    void resetModifyConfig() { m_toWrite.clear(); }
    void setModifyConfig(const QByteArray &key, const QByteArray &value);
    QList<QPair<QByteArray, QByteArray>> modifyList() const { return m_toWrite; }
    void modifyDevice(const QByteArray &mac, const QByteArray &ip, const QByteArray &password, int searchByte,
                      Callback done);

    // The selected module (empty before a successful select).
    QByteArray selectedMac() const { return m_selectedMac; }
    QByteArray selectedIp() const { return m_selectedIp; }

private:
    struct Pending;
    void request(int type, const QByteArray &ip, QList<QPair<QByteArray, QByteArray>> fields, Callback done,
                 std::function<void(Pending &, const ModuleAnswerView &)> onAnswer = {});
    void sendPending();
    void onTimeout();
    void onDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 port);
    void finish(const ModuleResult &r);
    void trace(const QString &text);

    ModuleTransport *m_transport = nullptr;
    QList<QHostAddress> m_scan;
    quint16 m_port = 0;
    int m_timeoutMs = 400;
    int m_tries = 3;
    quint16 m_sequence = 0;
    quint16 m_searchSequence = 0;
    bool m_searching = false;
    QList<FoundModule> m_found;
    QList<QByteArray> m_foundMacs; // every MAC of this search
    QList<QPair<QByteArray, QByteArray>> m_toWrite;
    QByteArray m_selectedMac, m_selectedIp;
    std::unique_ptr<Pending> m_pending;
    QTimer m_timer;
    std::function<void(const QString &)> m_trace;
};

} // namespace kaspen

namespace kaspen {

// The PC's IPv4 address as a module at moduleIp sees it: the address of the
// local interface on the module's subnet (loopback for a module on
// 127.0.0.0/8), else the first IPv4 address of an interface that is up and
// not loopback, else "127.0.0.1".
QByteArray pcAddressFor(const QByteArray &moduleIp);

} // namespace kaspen
