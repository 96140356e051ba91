#pragma once
// The Ethernet Setting page without its windows: the network configuration
// of the selected module, key by key. Each field has a Set operation that
// checks the field and writes its one key; three Check operations read
// groups of keys back. EthernetSettingPage and kaspen-cli both drive it.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <map>

namespace kaspen {

class EthernetModules;
struct PageMessage;

class EthernetSettingModel : public QObject {
    Q_OBJECT
public:
    enum Field {
        DeviceIp,
        DevicePort,
        SubnetMask,
        Gateway,
        DnsServer,
        Server1Ip,
        Server1Domain,
        Server1Port,
        Server2Ip,
        Server2Port,
        Server3Ip,
        Server3Port,
        LocalIp,
        LocalPort,
        FieldCount
    };

    // Operation codes
    enum Operation {
        SetDeviceIp = 5000,
        SetDevicePort = 5001,
        SetSubnetMask = 5002,
        SetGateway = 5003,
        SetServer1 = 5004,
        SetServer1Port = 5005,
        SetServer2Ip = 5006,
        SetServer2Port = 5007,
        SetServer3Ip = 5008,
        SetServer3Port = 5009,
        SetLocalIp = 5010,
        SetLocalPort = 5011,
        CheckDevice = 5012,
        CheckLocal = 5013,
        CheckServers = 5014,
        SetDns = 5015,
    };

    struct SetOperation {
        int operation;
        Field field;          // Server #1: the IP field; the domain field by mode
        const char *key;
        const char *label;    // the field's accessible name
        const char *emptyMessage;
        const char *overMessage; // ports only
    };
    // The thirteen Set operations, in the page's order.
    static const QList<SetOperation> &setOperations();
    static const SetOperation *setOperation(int operation);
    static const SetOperation *setOperationForKey(const QByteArray &key);
    static bool isPortField(Field f);
    static QString fieldLabel(Field f); // "Device Ethernet Properties Device IP Address", ...

    static constexpr int PortMaxLength = 5;

    explicit EthernetSettingModel(EthernetModules &modules, QObject *parent = nullptr);

    QByteArray field(Field f) const { return m_fields[f]; }
    void setField(Field f, const QByteArray &text);

    // Server #1 mode: 0 fixed IP (IP control, "IP Address :"), 1 domain name.
    int server1Mode() const { return m_mode; }
    void setServer1Mode(int mode);
    QString server1Label() const;

    // Whether the device, server and local port fields take input
    // (WM_USER+39), and whether the Local IP field does (locked for good
    // once WM_USER+39 with lParam 1 came).
    bool fieldsEditable() const { return m_editable; }
    bool localIpEditable() const { return m_editable && !m_localIpLocked; }

    // The selected module (from the discovered-device table).
    int selectedNumber() const { return m_number; }
    QByteArray selectedIp() const { return m_ip; }
    QByteArray selectedMac() const { return m_mac; }
    int selectedSearchByte() const { return m_searchByte; }
    // The port text recorded for an operation, empty when none.
    QByteArray recordedPort(int operation) const;

    // Main window messages.
    void receive(const PageMessage &m);
    void showModule(int number);      // WM_USER+31
    void clearFields();               // WM_USER+15
    void lock(int wParam, long long lParam); // WM_USER+39
    void applyMode(int mode);         // WM_USER+40

    // Port fields while typing: a value above 65535 shows "Port Number can't
    // over 65535!" (the text stays as typed).
    void portTyped(Field f, const QByteArray &text);

    // A Set operation: checks the field, then writes its key. False when a
    // check or the guard refused (the message is shown); true when the
    // write was started.
    bool set(int operation);
    // A Check operation (5012, 5013, 5014): reads its keys in order into
    // the fields.
    bool check(int operation);
    struct CheckRead {
        const char *key;
        Field field; // Server #1: the IP field; the domain field by mode
    };
    // The keys a Check operation reads, in order; empty for another code.
    static QList<CheckRead> checkReads(int operation);

signals:
    void fieldsChanged();      // transfer data to the controls
    void modeChanged(int mode);
    void editableChanged();
    void operationDone(int operation, int outcome);
    void containerEnabled();   // the Ethernet Setting container becomes usable

private:
    bool checkField(const SetOperation &op, QByteArray *value);
    void afterSet(int operation, const QByteArray &key, const QByteArray &value);
    void showServer1(const QByteArray &value);

    EthernetModules &m_modules;
    QByteArray m_fields[FieldCount];
    int m_mode = 0;
    bool m_editable = true;
    bool m_localIpLocked = false;
    int m_number = 0;
    int m_searchByte = 0;
    int m_searchNumber = 0;
    QByteArray m_ip, m_mac;
    std::map<int, QByteArray> m_recorded;
    // The pending operation
    int m_pendingOp = 0;
    QByteArray m_pendingKey, m_pendingValue;
};

} // namespace kaspen
