#pragma once
// The main window: connection panel, device choice, Read Parameters buttons,
// status area, log panes and the tabs that hold the pages. Its logic lives in
// MainModel; this class shows it.

#include "session/MainModel.h"
#include "session/PageMessages.h"
#include "session/PageRouter.h"

#include <QDialog>
#include <QMap>
#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabBar;
class QTabWidget;
class QGroupBox;

namespace kaspen {
class AlarmMessagePage;
class AnalogChannelPage;
class BatchSetupPage;
class DigitalChannelPage;
class PortWatcher;
class DeviceSetupPage;
class EthernetSettingPage;
class PhoneBookPage;
class RelayOutputPage;
class DataRecordPage;
namespace ui {
class ConnectionList;
class PlaceholderPage;
class StatusLine;
class StatusText;
class UnsentEdits;
} // namespace ui

class MainWindow : public QDialog {
    Q_OBJECT
public:
    explicit MainWindow(int modelCode, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainModel &model() { return m_model; }
    Session &session() { return m_model.session(); }

    // Shows the container of top-level tab n (0 phone book, 3 Ethernet
    // Setting, any other value the settings sheet) and hides the others.
    void ShowTab(int n);
    void selectTopTab(int index);
    void selectLinkRadio(int link);

    // Delivers a message to its target pages, synchronously, in target order.
    void deliver(const PageMessage &m);
    // Replaces the receiver of a target (pages built later register here).
    void setPageReceiver(PageTarget target, std::function<void(const PageMessage &)> receiver);

    // Window sizing by screen size.
    void applyScreenSize(const QSize &screen);

    // Controls, for tests and accessibility checks.
    QRadioButton *rs232Radio() const { return m_rs232; }
    QRadioButton *gsmRadio() const { return m_gsm; }
    QRadioButton *ethernetRadio() const { return m_ethernet; }
    QComboBox *portList() const { return m_portList; }
    PortWatcher &portWatcher() { return *m_portWatcher; }
    // "Save Log...": both panes' entries in time order into one file; false
    // (and the user told why) when it could not be written.
    bool saveLog(const QString &path);
    QLabel *smsStateLabel() const { return m_smsState; }
    QPushButton *connectButton() const { return m_connect; }
    QLabel *serialStatePicture() const { return m_serialState; }
    QComboBox *connectionList() const;
    QTabBar *topTabs() const { return m_topTabs; }
    QTabWidget *settingsSheet() const { return m_sheet; }
    QTabWidget *phoneBookContainer() const { return m_phoneBookTabs; }
    QTabWidget *ethernetContainer() const { return m_ethernetTabs; }
    EthernetSettingPage *ethernetSettingPage() const { return m_ethernetPage; }
    QComboBox *ethernetConnectionList() const { return m_ethConnectionList; }
    // What Save & Exit does once it has sent (ends the program by default).
    void setExitAction(std::function<void()> exit) { m_exit = std::move(exit); }
    QWidget *logView() const { return m_logView; }
    QPushButton *button(const QString &objectName) const;
    QLabel *statusText() const;
    ui::StatusLine *statusLine() const { return m_statusLine; }
    ui::UnsentEdits *unsentEdits() const { return m_unsent; }
    // The widget of a page target (sheet pages and Ethernet Setting).
    QWidget *pageWidget(unsigned target) const;
    // Something is open or running that closing the window would drop.
    bool busy();
    QProgressBar *progressBar() const { return m_progress; }
    QPushButton *stopButton() const { return m_stop; }
    QPlainTextEdit *dataLogsPane() const { return m_dataLogs; }
    QPlainTextEdit *sendLogsPane() const { return m_sendLogs; }
    QScrollArea *scrollArea() const { return m_scroll; }
    ui::PlaceholderPage *placeholder(PageTarget target) const { return m_placeholders.value(target); }
    PhoneBookPage *phoneBookPage() const { return m_phoneBookPage; }
    DeviceSetupPage *deviceSetupPage() const { return m_deviceSetupPage; }
    RelayOutputPage *relayOutputPage() const { return m_relayOutputPage; }
    AlarmMessagePage *adAlarmMessagePage() const { return m_adAlarmPage; }
    AlarmMessagePage *inAlarmMessagePage() const { return m_inAlarmPage; }
    AnalogChannelPage *analogChannelPage() const { return m_analogChannelPage; }
    DigitalChannelPage *digitalChannelPage() const { return m_digitalChannelPage; }
    BatchSetupPage *batchSetupPage() const { return m_batchSetupPage; }
    DataRecordPage *dataRecordPage() const { return m_dataRecordPage; }

public slots:
    // Closing the window (Esc, the close button, File > Exit) asks first
    // while a link is open or a command or run is going.
    void reject() override;

signals:
    // A message reached one of its target pages.
    void pageMessageDelivered(unsigned target, const kaspen::PageMessage &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildConnectionGroup(QWidget *parent);
    void buildReadGroup(QWidget *parent);
    void buildTabs(QWidget *parent);
    void applyModel();
    void onTopTabChanged(int index);
    void onLinkRadio(int link);
    void showLink(int link);
    // "#1", "#2", "#3": asks first when the read would replace changes not set yet.
    void readBlock(int n);
    void watchUnsentEdits();
    void connectRunProgress();
    // The last link and port, as remembered.
    void restoreChoices();
    void onConnectClicked();
    void onSerialStateChanged(bool open);
    void refillConnectionList();
    void refreshStatus();
    void refreshPanes();
    void showSheetPage(int index);
    void showAbout();
    void fillPortList();

    MainModel m_model;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    QRadioButton *m_rs232 = nullptr;
    QRadioButton *m_gsm = nullptr;
    QRadioButton *m_ethernet = nullptr;
    QButtonGroup *m_linkGroup = nullptr;
    bool m_linkToggled = false; // a link radio has just been checked (its click follows)
    QLabel *m_portLabel = nullptr;
    QComboBox *m_portList = nullptr;
    QPushButton *m_connect = nullptr;
    QLabel *m_serialState = nullptr;
    QLabel *m_connectionLabel = nullptr;
    ui::ConnectionList *m_connectionList = nullptr;
    QPushButton *m_autoScan = nullptr;
    QLabel *m_ethConnectionLabel = nullptr;
    QComboBox *m_ethConnectionList = nullptr;
    QPushButton *m_ethConnect = nullptr;
    QLabel *m_ethState = nullptr;

    QMap<QString, QPushButton *> m_buttons;
    QPushButton *m_batch = nullptr;
    QPushButton *m_init = nullptr;
    QPushButton *m_modemVersion = nullptr;

    QProgressBar *m_progress = nullptr;
    QPushButton *m_stop = nullptr;
    ui::StatusText *m_statusText = nullptr;
    ui::StatusLine *m_statusLine = nullptr;
    ui::UnsentEdits *m_unsent = nullptr;
    QLabel *m_resultPicture = nullptr;
    QPushButton *m_saveExit = nullptr;

    QTabBar *m_topTabs = nullptr;
    QTabWidget *m_phoneBookTabs = nullptr;
    QTabWidget *m_sheet = nullptr;
    QTabWidget *m_ethernetTabs = nullptr;
    QWidget *m_logView = nullptr;
    QLabel *m_dataLogsHeader = nullptr;
    QLabel *m_sendLogsHeader = nullptr;
    QPlainTextEdit *m_dataLogs = nullptr;
    QPlainTextEdit *m_sendLogs = nullptr;
    QPushButton *m_bufferClear = nullptr;
    QPushButton *m_saveLog = nullptr;
    QLabel *m_smsState = nullptr;
    PortWatcher *m_portWatcher = nullptr;
    QString m_lastCableSerial; // serial number of the adapter last connected

    PageRouter m_router;
    QMap<PageTarget, ui::PlaceholderPage *> m_placeholders;
    PhoneBookPage *m_phoneBookPage = nullptr;
    DeviceSetupPage *m_deviceSetupPage = nullptr;
    RelayOutputPage *m_relayOutputPage = nullptr;
    AlarmMessagePage *m_adAlarmPage = nullptr;
    AlarmMessagePage *m_inAlarmPage = nullptr;
    AnalogChannelPage *m_analogChannelPage = nullptr;
    DigitalChannelPage *m_digitalChannelPage = nullptr;
    BatchSetupPage *m_batchSetupPage = nullptr;
    DataRecordPage *m_dataRecordPage = nullptr;

    // Ethernet (MainWindowEthernet.cpp): Auto Scan, the Connection ID list,
    // Connect / Disconnect, Save & Exit and the module-operation progress.
    void wireEthernet();
    void refreshModuleStatus();
    EthernetSettingPage *m_ethernetPage = nullptr;
    std::function<void()> m_exit;
};

} // namespace kaspen
