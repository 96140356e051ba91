#pragma once
// The Ethernet modules the program knows of, and what the Ethernet link
// takes from them:
//
//  - the discovered-device table, rebuilt by each Auto Scan;
//  - the module configuration table, one row per module whose keys were read
//    (by the client assignment when a Connection ID is chosen);
//  - the link's values: destination host and port, the local IP and port
//    settings, the PC's address, and whether the chosen module answered.
//
// Auto Scan, the client assignment and the Ethernet Setting page's Set and
// Check operations are module operations: one at a time, each shown by the
// module-operation progress (operationStarted = WM_USER+36,
// operationFinished = WM_USER+37 with the outcome).

#include "links/ModuleClient.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <map>

namespace kaspen {

class DemoModuleTransport;
class Session;

struct DiscoveredModule {
    int number = 0;        // 1, 2, ... in the order found: the connection number
    int searchByte = 0;
    int searchNumber = 0;
    QByteArray ip, secondText, mac;
};

struct ModuleConfigRow {
    static constexpr int KeyCount = 13;
    // The keys of a row, in table order.
    static const std::array<const char *, KeyCount> &keys();
    // The order in which the client assignment reads them.
    static const std::array<const char *, KeyCount> &readOrder();
    // Address keys: a value "invalid" is kept as "0.0.0.0".
    static bool isAddressKey(const QByteArray &key);

    int number = 0;
    std::array<QByteArray, KeyCount> values;
    QByteArray value(const QByteArray &key) const;
    void setValue(const QByteArray &key, const QByteArray &v);
};

// Outcomes of a module operation (wParam of WM_USER+37).
enum ModuleOutcome : int {
    OutcomeFail = 0,          // "Command Fail"
    OutcomeSuccess = 1,       // "Command Success"
    OutcomeConnectError = 2,  // "Ethernet Connect Error"
    OutcomeUnknown = 3,       // "Unknown Error"
};
QString moduleOutcomeText(int outcome);

class EthernetModules : public QObject {
    Q_OBJECT
public:
    explicit EthernetModules(Session &session, QObject *parent = nullptr);
    ~EthernetModules() override;

    static constexpr int ScanRounds = 100;
    static constexpr int ScanRoundMs = 10;
    static constexpr const char *Password = "57721";

    ModuleClient &client() { return *m_client; }
    // The program's demo module (found by Auto Scan, answers in process).
    void setDemoModule(bool on);
    bool isDemoModule(const QByteArray &ip) const;
    Session &session() { return m_session; }

    // --- tables ---------------------------------------------------------
    const QList<DiscoveredModule> &discovered() const { return m_discovered; }
    const DiscoveredModule *discoveredByNumber(int number) const;
    const DiscoveredModule *discoveredByMac(const QByteArray &mac) const;
    DiscoveredModule *discoveredByNumber(int number);
    const ModuleConfigRow *config(int number) const;
    ModuleConfigRow *config(int number);

    // --- the link's values ----------------------------------------------
    QByteArray destinationHost;
    int destinationPort = 0;
    QByteArray localIpSetting;   // the module's C1_CLI_IP4
    QByteArray localPortSetting; // the module's C1_CLI_PP4
    bool moduleReachable = false;
    // The PC's address as the chosen module sees it (see pcAddressFor);
    // before any module is chosen, as a LAN module would see it.
    QByteArray pcIp() const;
    // The number of the module chosen last (0 none).
    int chosenNumber() const { return m_chosen; }

    // --- module operations ----------------------------------------------
    bool operationRunning() const { return m_running; }
    // Starts a module operation: refused with "Command is in progress..."
    // while one runs. Marks the Ethernet record in progress.
    bool beginOperation();
    void endOperation(int outcome);

    // Auto Scan: refused while the Ethernet connection is open or another
    // module operation runs; otherwise searches for ScanRounds rounds of
    // ScanRoundMs, then merges what it found into the Ethernet book.
    // `done` (may be empty) gets the number of modules found.
    bool autoScan(std::function<void(int found)> done = {});

    // The module-operation progress in the status area: timer 2 (10 ms)
    // moves it while an operation runs; the Stop button shows the seconds.
    static constexpr int ProgressTickMs = 10;
    bool progressVisible() const { return m_running && m_progressShown; }
    int progressPosition() const { return m_tick * 100 / 400; }
    QString stopText() const { return QStringLiteral("Stop %1").arg(30 - m_tick / 10); }
    QString statusText() const { return m_status; }
    int resultPicture() const { return m_picture; }
    void progressTick(); // timer 2

    // Choosing a Connection ID. Shows the refusals; the client assignment
    // runs asynchronously and `done` gets whether the module answered
    // (not called after a refusal or an unknown MAC).
    bool chooseConnectionId(const QByteArray &connectId, std::function<void(bool reachable)> done = {});

    // The client assignment of one discovered module: reads its thirteen
    // keys, makes the PC its fourth client, stores the row.
    void assignClient(const DiscoveredModule &m, std::function<void(bool reachable)> done);

signals:
    void operationStarted();               // WM_USER+36
    void operationFinished(int outcome);   // WM_USER+37
    void ethernetBookChanged();            // WM_USER+16 (wParam 1) to the phone book page
    void showModule(int number);           // WM_USER+31 to the Ethernet Setting page
    void scanFinished(int found);
    void progressChanged();

private:
    void scanRound();

    Session &m_session;
    ModuleClient *m_client = nullptr;
    DemoModuleTransport *m_demo = nullptr;
    QList<DiscoveredModule> m_discovered;
    std::map<int, ModuleConfigRow> m_configs;
    bool m_running = false;
    int m_chosen = 0;
    QTimer m_scanTimer;
    QTimer m_progressTimer;
    int m_tick = 0;
    bool m_progressShown = false;
    QString m_status;
    int m_picture = 140;
    int m_scanRound = 0;
    std::function<void(int)> m_scanDone;
};

} // namespace kaspen
