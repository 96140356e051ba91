#include "session/EthernetModules.h"

#include "base/MessageSink.h"
#include "links/DemoModule.h"
#include "session/Session.h"

#include <memory>

namespace kaspen {

const std::array<const char *, ModuleConfigRow::KeyCount> &ModuleConfigRow::keys()
{
    static const std::array<const char *, KeyCount> k = {"IP",         "C1_PORT",    "MARK",       "GATEWAY",   "DNS",
                                                        "C1_CLI_IP1", "C1_CLI_PP1", "C1_CLI_IP2", "C1_CLI_PP2",
                                                        "C1_CLI_IP3", "C1_CLI_PP3", "C1_CLI_IP4", "C1_CLI_PP4"};
    return k;
}

const std::array<const char *, ModuleConfigRow::KeyCount> &ModuleConfigRow::readOrder()
{
    static const std::array<const char *, KeyCount> k = {"C1_PORT",    "IP",         "C1_CLI_PP1", "C1_CLI_IP1",
                                                        "C1_CLI_PP2", "C1_CLI_IP2", "C1_CLI_PP3", "C1_CLI_IP3",
                                                        "C1_CLI_PP4", "C1_CLI_IP4", "MARK",       "GATEWAY",
                                                        "DNS"};
    return k;
}

bool ModuleConfigRow::isAddressKey(const QByteArray &key)
{
    return key.startsWith("C1_CLI_IP") || key == "MARK" || key == "GATEWAY" || key == "DNS";
}

QByteArray ModuleConfigRow::value(const QByteArray &key) const
{
    for (int i = 0; i < KeyCount; ++i) {
        if (key == keys()[i])
            return values[i];
    }
    return {};
}

void ModuleConfigRow::setValue(const QByteArray &key, const QByteArray &v)
{
    for (int i = 0; i < KeyCount; ++i) {
        if (key == keys()[i])
            values[i] = v;
    }
}

QString moduleOutcomeText(int outcome)
{
    switch (outcome) {
    case OutcomeFail: return QStringLiteral("Command Fail");
    case OutcomeConnectError: return QStringLiteral("Ethernet Connect Error");
    case OutcomeUnknown: return QStringLiteral("Unknown Error");
    default: return QStringLiteral("Command Success");
    }
}

EthernetModules::EthernetModules(Session &session, QObject *parent)
    : QObject(parent), m_session(session)
{
    m_demo = new DemoModuleTransport(new UdpModuleTransport);
    m_client = new ModuleClient(m_demo, this);
    m_scanTimer.setInterval(ScanRoundMs);
    connect(&m_scanTimer, &QTimer::timeout, this, &EthernetModules::scanRound);
    m_progressTimer.setInterval(ProgressTickMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &EthernetModules::progressTick);
}

void EthernetModules::progressTick()
{
    ++m_tick;
    emit progressChanged();
}

EthernetModules::~EthernetModules() = default;

void EthernetModules::setDemoModule(bool on)
{
    m_demo->setEnabled(on);
}

bool EthernetModules::isDemoModule(const QByteArray &ip) const
{
    return m_demo->enabled() && ip == demoModuleIp();
}

const DiscoveredModule *EthernetModules::discoveredByNumber(int number) const
{
    for (const DiscoveredModule &d : m_discovered) {
        if (d.number == number)
            return &d;
    }
    return nullptr;
}

DiscoveredModule *EthernetModules::discoveredByNumber(int number)
{
    for (DiscoveredModule &d : m_discovered) {
        if (d.number == number)
            return &d;
    }
    return nullptr;
}

const DiscoveredModule *EthernetModules::discoveredByMac(const QByteArray &mac) const
{
    for (const DiscoveredModule &d : m_discovered) {
        if (d.mac == mac)
            return &d;
    }
    return nullptr;
}

const ModuleConfigRow *EthernetModules::config(int number) const
{
    const auto it = m_configs.find(number);
    return it == m_configs.end() ? nullptr : &it->second;
}

ModuleConfigRow *EthernetModules::config(int number)
{
    const auto it = m_configs.find(number);
    return it == m_configs.end() ? nullptr : &it->second;
}

QByteArray EthernetModules::pcIp() const
{
    const DiscoveredModule *d = discoveredByNumber(m_chosen);
    return pcAddressFor(d ? d->ip : destinationHost);
}

bool EthernetModules::beginOperation()
{
    if (m_running || m_session.ethernetRecord().inProgress) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    m_running = true;
    m_session.ethernetRecord().inProgress = true;
    m_tick = 0;
    m_progressShown = true;
    m_status = QStringLiteral("Command in Progress");
    m_picture = 140;
    m_progressTimer.start();
    emit operationStarted(); // WM_USER+36
    emit progressChanged();
    return true;
}

void EthernetModules::endOperation(int outcome)
{
    m_running = false;
    m_session.ethernetRecord().inProgress = false;
    m_progressTimer.stop();
    m_progressShown = false;
    m_status = moduleOutcomeText(outcome);
    m_picture = outcome == OutcomeSuccess ? 141 : 140;
    emit operationFinished(outcome); // WM_USER+37
    emit progressChanged();
}

bool EthernetModules::autoScan(std::function<void(int)> done)
{
    if (m_session.ethernetConnected()) {
        showMessage(QStringLiteral("Before Select Auto Scan,Please Disconnect First!"));
        return false;
    }
    if (!beginOperation())
        return false;
    m_discovered.clear();
    m_scanDone = std::move(done);
    m_client->searchAll();
    m_scanRound = 0;
    m_scanTimer.start();
    return true;
}

void EthernetModules::scanRound()
{
    FoundModule f;
    while (m_client->getSearchDev(&f)) {
        DiscoveredModule d;
        d.number = int(m_discovered.size()) + 1;
        d.searchByte = f.searchByte;
        d.searchNumber = f.searchNumber;
        d.ip = f.ip;
        d.secondText = f.name;
        d.mac = f.mac;
        m_discovered.append(d);
    }
    if (++m_scanRound < ScanRounds)
        return;
    m_scanTimer.stop();
    const int found = int(m_discovered.size());
    if (found == 0) {
        endOperation(OutcomeConnectError);
        showMessage(QStringLiteral("No search to the Nodal equipment\r\nPlease check the Ethernet network!"));
    } else {
        endOperation(OutcomeSuccess);
        QList<DiscoveredDevice> devices;
        for (const DiscoveredModule &d : std::as_const(m_discovered))
            devices.append({d.number, d.ip, d.mac});
        m_session.phoneBook().MergeDiscoveredDevices(devices);
        m_session.phoneBook().LoadEthernetTable();
        emit ethernetBookChanged(); // WM_USER+16, wParam 1
    }
    emit scanFinished(found);
    if (auto done = std::exchange(m_scanDone, {}))
        done(found);
}

bool EthernetModules::chooseConnectionId(const QByteArray &connectId, std::function<void(bool)> done)
{
    if (m_session.ethernetConnected()) {
        showMessage(QStringLiteral("Before Select Connection,Please Disconnect First!"));
        return false;
    }
    m_session.setVerified(false);
    if (connectId.isEmpty())
        return false;
    PhoneBook &book = m_session.phoneBook();
    book.SelectEthernetEntry(connectId);
    m_session.ethernetRecord().deviceId = connectId;
    QByteArray mac;
    for (const EthernetEntry &e : book.ethernetTable()) {
        if (e.connectId == connectId) {
            mac = e.deviceMac;
            break;
        }
    }
    if (mac.isEmpty())
        return false;
    const DiscoveredModule *d = discoveredByMac(mac);
    if (!d) {
        showMessage(QStringLiteral("Invalid Connectino ID,Please Check Device Network!"));
        return false;
    }
    if (m_running || m_session.ethernetRecord().inProgress) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    const DiscoveredModule module = *d;
    m_chosen = module.number;
    assignClient(module, [this, module, done = std::move(done)](bool reachable) {
        moduleReachable = reachable;
        if (reachable) {
            if (const ModuleConfigRow *row = config(module.number)) {
                destinationHost = row->value("IP");
                destinationPort = row->value("C1_PORT").toInt();
                localIpSetting = row->value("C1_CLI_IP4");
                localPortSetting = row->value("C1_CLI_PP4");
            }
            emit showModule(module.number); // WM_USER+31
        }
        if (done)
            done(reachable);
    });
    return true;
}

void EthernetModules::assignClient(const DiscoveredModule &m, std::function<void(bool)> done)
{
    // The assignment runs while the user waits for the Connection ID: it is
    // guarded like a module operation, but shows no progress of its own.
    m_running = true;
    struct Run {
        DiscoveredModule module;
        ModuleConfigRow row;
        int next = 0;
        std::function<void(bool)> done;
        std::function<void()> step;
    };
    auto run = std::make_shared<Run>();
    run->module = m;
    run->done = std::move(done);
    // A key that cannot be read keeps what this module's row held before
    // (never another module's value).
    if (const ModuleConfigRow *old = config(m.number))
        run->row = *old;
    run->row.number = m.number;
    auto finish = [this, run](bool reachable) {
        m_running = false;
        run->step = nullptr; // breaks the cycle
        if (reachable)
            m_configs[run->module.number] = run->row;
        if (run->done)
            run->done(reachable);
    };
    run->step = [this, run, finish]() {
        if (run->next < ModuleConfigRow::KeyCount) {
            const QByteArray key = ModuleConfigRow::readOrder()[run->next++];
            m_client->getDevConfig(key, [run, key](const ModuleResult &r) {
                if (r.ok()) {
                    QByteArray v = r.value;
                    if (ModuleConfigRow::isAddressKey(key) && v == "invalid")
                        v = "0.0.0.0";
                    run->row.setValue(key, v);
                }
                if (run->step)
                    run->step();
            });
            return;
        }
        // Make the PC the module's fourth client.
        const QByteArray pc = pcAddressFor(run->module.ip);
        m_client->resetModifyConfig();
        m_client->setModifyConfig("C1_OP", "3");
        m_client->setModifyConfig("C1_BAUD", "9600");
        m_client->setModifyConfig("C1_SER_LEN", "1024");
        m_client->setModifyConfig("C1_CLI_IP4", pc);
        m_client->modifyDevice(run->module.mac, run->module.ip, Password, run->module.searchByte,
                               [run, pc, finish](const ModuleResult &r) {
                                   if (r.ok())
                                       run->row.setValue("C1_CLI_IP4", pc);
                                   finish(true);
                               });
    };
    m_client->selectDevice(m.mac, m.ip, m.searchByte, [run, finish](const ModuleResult &r) {
        if (!r.ok()) {
            finish(false);
            return;
        }
        run->step();
    });
}

} // namespace kaspen
