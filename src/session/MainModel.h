#pragma once
// The main window's logic without the window: link choice, serial connection,
// device choice, the read and maintenance buttons, the command exchange, the
// reply intake and the two log panes. The main window and kaspen-cli both
// drive one of these.

#include "session/PageMessages.h"
#include "session/Session.h"
#include "session/CommandExchange.h"
#include "session/ReplyDispatcher.h"
#include "session/EthernetConnection.h"
#include "session/EthernetModules.h"
#include "session/LogJournal.h"
#include "session/SmsTracker.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>

namespace kaspen {

class MainModel : public QObject {
    Q_OBJECT
public:
    explicit MainModel(int modelCode, QObject *parent = nullptr);
    ~MainModel() override;

    Session &session() { return m_session; }
    CommandExchange &exchange() { return m_exchange; }
    ReplyDispatcher &dispatcher() { return m_dispatcher; }
    int modelCode() const { return m_session.modelCode(); }

    // Link radios (0 RS232, 1 GSM Modem, 2 Ethernet).
    void selectLink(Link link);
    bool networkTab() const { return m_networkTab; }
    void setNetworkTab(bool on) { m_networkTab = on; }

    // Serial Connect / Disconnect button; true when the port state changed.
    bool toggleSerialConnection(const QString &portText);
    bool serialOpen() const { return m_session.serialOpen(); }

    // Ethernet: the modules (Auto Scan, client assignment) and the connection.
    EthernetModules &ethernetModules() { return m_modules; }
    EthernetConnection &ethernet() { return m_ethernetLink; }
    // The IDs the Ethernet Connection ID list shows (Ethernet book, table order).
    QList<QByteArray> ethernetConnectionIds();

    // Choosing a device on the serial Connection list.
    void chooseSerialDevice(const QByteArray &id);
    // The IDs the serial Connection list shows (GSM book, table order).
    QList<QByteArray> serialConnectionIds();

    // Read Parameters group.
    void readBlock(int n);    // "#1", "#2", "#3"
    void statusQuery();       // "  Status"
    void versionQuery();      // "Ver"
    void clearPages();        // "Clear"
    void batchButton();       // "Batch" / "M test"
    void modemVersion();      // "M ver"
    void init();              // "Init"
    // The question Init asks: the logger, the link and the rows it writes.
    QString initQuestion();
    void resetShortcut();     // Ctrl+I
    void stop() { m_exchange.stop(); }

    // For front-ends without windows: runs send (one of the buttons above),
    // lets the posted exchange start through and runs the event loop until
    // that exchange has finished. Returns its result code, or -1 when send
    // started no exchange (refused, or not written).
    int runToEnd(const std::function<void()> &send);

    // Log panes.
    const QByteArray &dataLogs() const { return m_dataLogs; }
    const QByteArray &sendLogs() const { return m_sendLogs; }
    void clearLogs(); // "Buffer Clear"
    void addSendLogEntry(const QByteArray &text);
    // Names a port by what it is ("FT232R USB UART (A5) on /dev/ttyUSB0") in
    // the message that says it was lost; the path alone without one.
    void setPortDescriber(std::function<QString(const QString &path)> describe) { m_describePort = std::move(describe); }
    // Every text sent and received, for "Save Log...".
    const LogJournal &journal() const { return m_journal; }
    // The state of the command sent over the GSM modem link.
    const SmsTracker &smsTracker() const { return m_sms; }

signals:
    void pageMessage(const kaspen::PageMessage &message);
    void showSheetPage(int index);
    void settingsSheetEnabled(bool enabled);
    void serialStateChanged(bool open);
    void connectionListChanged(int which);
    void connectionListSelectionCleared();
    void panesChanged();
    void statusChanged();
    // A reply (or a modem acknowledgement) was shown in the Data Logs pane.
    void dataLogAdded(const QByteArray &copy);
    void sendLogAdded(const QByteArray &text);
    void deviceVerified();
    void exchangeFinished(int commandCode, int resultCode, const QString &status);
    // A command over the GSM modem reached a new state ("SMS …: message send 12:00:03.120").
    void smsStateChanged(const QString &line);

private:
    // The query buttons' shared sequence; page < 0 shows no page.
    void query(int code, const char *tmpl, int page);
    // The modem's own commands (GSM modem link), unwrapped.
    bool sendModem(const char *modemCommand, bool log);
    // The checks before a modem command.
    bool modemReady();
    void postPage(int message, unsigned targets, int wParam = 0, long long lParam = 0, const QByteArray &text = {});
    void onLineLost(const QString &reason);
    // Connected to the demo logger: offer to add it to the phone book.
    void offerDemoLogger();
    void closeSerial();

    Session m_session;
    CommandExchange m_exchange;
    ReplyDispatcher m_dispatcher;
    EthernetModules m_modules;
    EthernetConnection m_ethernetLink;
    bool m_networkTab = false;
    QByteArray m_dataLogs;
    QByteArray m_sendLogs;
    LogJournal m_journal;
    std::function<QString(const QString &)> m_describePort;
    SmsTracker m_sms;
};

} // namespace kaspen
