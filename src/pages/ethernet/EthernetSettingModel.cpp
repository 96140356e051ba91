#include "pages/ethernet/EthernetSettingModel.h"

#include "base/MessageSink.h"
#include "protocol/ModuleProtocol.h"
#include "session/EthernetModules.h"
#include "session/PageMessages.h"
#include "session/Session.h"

#include <memory>

namespace kaspen {

const QList<EthernetSettingModel::SetOperation> &EthernetSettingModel::setOperations()
{
    static const QList<SetOperation> ops = {
        {SetDeviceIp, DeviceIp, "IP", "Device IP Address", "Ethernet IP value Can not be Null!", nullptr},
        {SetDevicePort, DevicePort, "C1_PORT", "Device Port", "Ethernet Port Can not be Null!",
         "Ethernet Port value Can not Over 65535!"},
        {SetSubnetMask, SubnetMask, "MARK", "Subnet Mask", "Ethernet Subnet Mask value Can not be Null!", nullptr},
        {SetGateway, Gateway, "GATEWAY", "Gateway", "Ethernet Gateway value Can not be Null!", nullptr},
        {SetDns, DnsServer, "DNS", "DNS Server", "Ethernet DNS Server value Can not be Null!", nullptr},
        {SetServer1, Server1Ip, "C1_CLI_IP1", "Server #1 IP/Domain", "The Server 1 IP/Domain Can not be Null!", nullptr},
        {SetServer1Port, Server1Port, "C1_CLI_PP1", "Server #1 Port", "The Server 1 Port Value Can not be Null!",
         "The Server 1 Port Value Can not Over 65535!"},
        {SetServer2Ip, Server2Ip, "C1_CLI_IP2", "Server #2 IP Address", "Nodal IP Can not be Null!", nullptr},
        {SetServer2Port, Server2Port, "C1_CLI_PP2", "Server #2 Port", "The Server 2 Port Value Can not be Null!",
         "The Server 2 Port Value Can not Over 65535!"},
        {SetServer3Ip, Server3Ip, "C1_CLI_IP3", "Server #3 IP Address", "Nodal IP Can not be Null!", nullptr},
        {SetServer3Port, Server3Port, "C1_CLI_PP3", "Server #3 Port", "The Server 3 Port Value Can not be Null!",
         "The Server 3 Port Value Can not Over 65535!"},
        {SetLocalIp, LocalIp, "C1_CLI_IP4", "Local IP Address", "Nodal IP Can not be Null!", nullptr},
        {SetLocalPort, LocalPort, "C1_CLI_PP4", "Local Port Number", "The Local Port Value Can not be Null!",
         "The Local Port Value Can not Over 65535!"},
    };
    return ops;
}

const EthernetSettingModel::SetOperation *EthernetSettingModel::setOperation(int operation)
{
    for (const SetOperation &op : setOperations()) {
        if (op.operation == operation)
            return &op;
    }
    return nullptr;
}

const EthernetSettingModel::SetOperation *EthernetSettingModel::setOperationForKey(const QByteArray &key)
{
    for (const SetOperation &op : setOperations()) {
        if (key == op.key)
            return &op;
    }
    return nullptr;
}

bool EthernetSettingModel::isPortField(Field f)
{
    return f == DevicePort || f == Server1Port || f == Server2Port || f == Server3Port || f == LocalPort;
}

QString EthernetSettingModel::fieldLabel(Field f)
{
    switch (f) {
    case DeviceIp: return QStringLiteral("Device Ethernet Properties Device IP Address");
    case DevicePort: return QStringLiteral("Device Ethernet Properties Device Port");
    case SubnetMask: return QStringLiteral("Device Ethernet Properties Subnet Mask");
    case Gateway: return QStringLiteral("Device Ethernet Properties Gateway");
    case DnsServer: return QStringLiteral("Device Ethernet Properties DNS Sserver");
    case Server1Ip: return QStringLiteral("Server #1 IP Address");
    case Server1Domain: return QStringLiteral("Server #1 Domain Name");
    case Server1Port: return QStringLiteral("Server #1 Port");
    case Server2Ip: return QStringLiteral("Server #2 IP Address");
    case Server2Port: return QStringLiteral("Server #2 Port");
    case Server3Ip: return QStringLiteral("Server #3 IP Address");
    case Server3Port: return QStringLiteral("Server #3 Port");
    case LocalIp: return QStringLiteral("Local PC Network Properties Local IP Address");
    case LocalPort: return QStringLiteral("Local PC Network Properties Local Port Number");
    case FieldCount: break;
    }
    return QString();
}

EthernetSettingModel::EthernetSettingModel(EthernetModules &modules, QObject *parent)
    : QObject(parent), m_modules(modules)
{
    // WM_USER+31, sent when a Connection ID has been chosen
    connect(&modules, &EthernetModules::showModule, this, &EthernetSettingModel::showModule);
}

void EthernetSettingModel::setField(Field f, const QByteArray &text)
{
    m_fields[f] = text;
}

void EthernetSettingModel::setServer1Mode(int mode)
{
    m_mode = mode == 1 ? 1 : 0;
    emit modeChanged(m_mode);
}

QString EthernetSettingModel::server1Label() const
{
    return m_mode == 0 ? QStringLiteral("IP Address :") : QStringLiteral("Domain Name :");
}

QByteArray EthernetSettingModel::recordedPort(int operation) const
{
    const auto it = m_recorded.find(operation);
    return it == m_recorded.end() ? QByteArray() : it->second;
}

void EthernetSettingModel::receive(const PageMessage &m)
{
    switch (m.message) {
    case msg::ShowModule: // WM_USER+31
        showModule(m.wParam);
        break;
    case msg::ClearFields: // WM_USER+15
        clearFields();
        break;
    case msg::LockEthernet: // WM_USER+39
        lock(m.wParam, m.lParam);
        break;
    default:
        break;
    }
}

void EthernetSettingModel::showServer1(const QByteArray &value)
{
    if (module::isDottedIpv4(value)) {
        m_fields[Server1Ip] = value;
        m_mode = 0;
    } else {
        m_fields[Server1Domain] = value;
        m_mode = 1;
    }
    emit modeChanged(m_mode);
}

void EthernetSettingModel::showModule(int number)
{
    if (number == 0)
        return;
    m_recorded.clear();
    if (const ModuleConfigRow *row = m_modules.config(number)) {
        m_fields[DeviceIp] = row->value("IP");
        m_fields[DevicePort] = row->value("C1_PORT");
        m_recorded[SetDevicePort] = m_fields[DevicePort];
        m_fields[SubnetMask] = row->value("MARK");
        m_fields[Gateway] = row->value("GATEWAY");
        m_fields[DnsServer] = row->value("DNS");
        showServer1(row->value("C1_CLI_IP1"));
        m_fields[Server1Port] = row->value("C1_CLI_PP1");
        m_recorded[SetServer1Port] = m_fields[Server1Port];
        m_fields[Server2Ip] = row->value("C1_CLI_IP2");
        m_fields[Server2Port] = row->value("C1_CLI_PP2");
        m_recorded[SetServer2Port] = m_fields[Server2Port];
        m_fields[Server3Ip] = row->value("C1_CLI_IP3");
        m_fields[Server3Port] = row->value("C1_CLI_PP3");
        m_recorded[SetServer3Port] = m_fields[Server3Port];
        m_fields[LocalIp] = row->value("C1_CLI_IP4");
        m_fields[LocalPort] = row->value("C1_CLI_PP4");
        m_recorded[SetLocalPort] = m_fields[LocalPort];
        m_modules.localIpSetting = m_fields[LocalIp];
        m_modules.localPortSetting = m_fields[LocalPort];
    }
    emit fieldsChanged();
    if (const DiscoveredModule *d = m_modules.discoveredByNumber(number)) {
        m_number = number;
        m_searchByte = d->searchByte;
        m_searchNumber = d->searchNumber;
        m_ip = d->ip;
        m_mac = d->mac;
    }
    emit containerEnabled();
}

void EthernetSettingModel::clearFields()
{
    for (Field f : {DeviceIp, DevicePort, Server1Ip, Server1Domain, Server1Port, Server2Ip, Server2Port, Server3Ip,
                    Server3Port, LocalIp, LocalPort, SubnetMask, Gateway})
        m_fields[f].clear();
    emit fieldsChanged();
}

void EthernetSettingModel::lock(int wParam, long long lParam)
{
    if (lParam == 1)
        m_localIpLocked = true;
    else
        m_editable = wParam == 0;
    emit editableChanged();
}

void EthernetSettingModel::applyMode(int mode)
{
    // WM_USER+40: the controls follow the mode (0 hides the domain edit).
    m_mode = mode == 1 ? 1 : 0;
    emit fieldsChanged();
}

void EthernetSettingModel::portTyped(Field f, const QByteArray &text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (isPortField(f) && ok && v > 65535)
        showMessage(QStringLiteral("Port Number can't over 65535!"));
}

bool EthernetSettingModel::checkField(const SetOperation &op, QByteArray *value)
{
    const Field f = op.operation == SetServer1 && m_mode == 1 ? Server1Domain : op.field;
    const QByteArray text = m_fields[f].trimmed();
    if (text.isEmpty()) {
        showError(QString::fromLatin1(op.emptyMessage));
        return false;
    }
    if (isPortField(f)) {
        for (char c : text) {
            if (c < '0' || c > '9') {
                showError(QStringLiteral("%1 takes digits only!").arg(QString::fromLatin1(op.label)));
                return false;
            }
        }
        if (text.size() > PortMaxLength || text.toInt() >= 65536) {
            showError(QString::fromLatin1(op.overMessage));
            return false;
        }
        for (const auto &[other, port] : m_recorded) {
            if (other != op.operation && port == text) {
                showMessage(QStringLiteral("Server Port is in use, please select other port number!"));
                m_fields[f].clear();
                emit fieldsChanged();
                return false;
            }
        }
    } else if (f != Server1Domain && !module::isDottedIpv4(text)) {
        showError(QStringLiteral("%1 \"%2\" is not an IP address (four numbers 0 to 255, such as 192.168.1.20)!")
                      .arg(QString::fromLatin1(op.label), QString::fromLatin1(text)));
        return false;
    }
    *value = text;
    return true;
}

bool EthernetSettingModel::set(int operation)
{
    const SetOperation *op = setOperation(operation);
    if (!op)
        return false;
    QByteArray value;
    if (!checkField(*op, &value))
        return false;
    if (!m_modules.beginOperation()) // WM_USER+36
        return false;
    m_pendingOp = operation;
    m_pendingKey = op->key;
    m_pendingValue = value;
    ModuleClient &c = m_modules.client();
    c.resetModifyConfig();
    c.setModifyConfig(m_pendingKey, m_pendingValue);
    c.modifyDevice(m_mac, m_ip, EthernetModules::Password, m_searchByte, [this](const ModuleResult &r) {
        const int op = m_pendingOp;
        if (!r.ok()) {
            m_modules.endOperation(OutcomeConnectError); // WM_USER+37
            emit operationDone(op, OutcomeConnectError);
            return;
        }
        m_modules.endOperation(OutcomeSuccess);
        afterSet(op, m_pendingKey, m_pendingValue);
        emit operationDone(op, OutcomeSuccess);
    });
    return true;
}

void EthernetSettingModel::afterSet(int operation, const QByteArray &key, const QByteArray &value)
{
    switch (operation) {
    case SetDeviceIp: {
        // The module answers at its new address from now on.
        m_modules.destinationHost = value;
        m_ip = value;
        if (DiscoveredModule *d = m_modules.discoveredByNumber(m_number))
            d->ip = value;
        if (ModuleConfigRow *row = m_modules.config(m_number))
            row->setValue("IP", value);
        PhoneBook &book = m_modules.session().phoneBook();
        const QByteArray id = book.CurrentEthernetEntry().connectId;
        if (!id.isEmpty()) {
            book.UpdateEthernetIp(id, value);
            book.SelectEthernetEntry(id);
        }
        emit m_modules.ethernetBookChanged(); // WM_USER+16, wParam 1
        break;
    }
    case SetDevicePort:
        m_modules.destinationPort = value.toInt();
        m_recorded[operation] = value;
        break;
    case SetServer1Port:
    case SetServer2Port:
    case SetServer3Port:
        m_recorded[operation] = value;
        break;
    case SetLocalIp:
        m_modules.localIpSetting = value;
        break;
    case SetLocalPort:
        m_modules.localPortSetting = value;
        m_recorded[operation] = value;
        break;
    default:
        break;
    }
    if (ModuleConfigRow *row = m_modules.config(m_number))
        row->setValue(key, value);
}

QList<EthernetSettingModel::CheckRead> EthernetSettingModel::checkReads(int operation)
{
    switch (operation) {
    case CheckDevice:
        return {{"IP", DeviceIp}, {"C1_PORT", DevicePort}, {"MARK", SubnetMask}, {"GATEWAY", Gateway}, {"DNS", DnsServer}};
    case CheckLocal:
        return {{"C1_CLI_IP4", LocalIp}, {"C1_CLI_PP4", LocalPort}};
    case CheckServers:
        return {{"C1_CLI_IP1", Server1Ip}, {"C1_CLI_PP1", Server1Port}, {"C1_CLI_IP2", Server2Ip},
                {"C1_CLI_PP2", Server2Port}, {"C1_CLI_IP3", Server3Ip}, {"C1_CLI_PP3", Server3Port}};
    default:
        return {};
    }
}

bool EthernetSettingModel::check(int operation)
{
    using Read = CheckRead;
    const QList<Read> reads = checkReads(operation);
    if (reads.isEmpty())
        return false;
    if (!m_modules.beginOperation()) // WM_USER+36
        return false;
    struct Run {
        QList<Read> reads;
        int next = 0;
        bool lastOk = false;
        std::function<void()> step;
    };
    auto run = std::make_shared<Run>();
    run->reads = reads;
    auto end = [this, run, operation](int outcome) {
        run->step = nullptr;
        m_modules.endOperation(outcome); // WM_USER+37
        emit operationDone(operation, outcome);
    };
    run->step = [this, run, end]() {
        if (run->next >= run->reads.size()) {
            emit fieldsChanged();
            end(run->lastOk ? OutcomeSuccess : OutcomeFail);
            return;
        }
        const Read r = run->reads[run->next++];
        m_modules.client().getDevConfig(r.key, [this, run, r](const ModuleResult &res) {
            run->lastOk = res.ok();
            if (res.ok()) {
                if (r.field == Server1Ip)
                    showServer1(res.value); // and WM_USER+40 with the mode
                else
                    m_fields[r.field] = res.value;
            }
            if (run->step)
                run->step();
        });
    };
    m_modules.client().selectDevice(m_mac, m_ip, m_searchByte, [run, end](const ModuleResult &r) {
        if (!r.ok()) {
            end(OutcomeConnectError);
            return;
        }
        run->step();
    });
    return true;
}

} // namespace kaspen
