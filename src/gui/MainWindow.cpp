#include "gui/MainWindow.h"
#include "gui/pages/EthernetSettingPage.h"
#include "base/MessageSink.h"
#include "links/PortCatalog.h"
#include "links/SerialLine.h"
#include "gui/pages/DeviceSetupPage.h"
#include "gui/pages/AnalogChannelPage.h"
#include "gui/pages/DigitalChannelPage.h"
#include "pages/batch/CompareRun.h"
#include "pages/channels/AnalogChannelModel.h"
#include "gui/pages/RelayOutputPage.h"
#include "gui/pages/AlarmMessagePage.h"
#include "gui/pages/BatchSetupPage.h"
#include "gui/pages/PhoneBookPage.h"
#include "gui/pages/DataRecordPage.h"
#include "pages/datarecord/DataRecordModel.h"
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "gui/common/ConnectionList.h"
#include "gui/common/Pictures.h"
#include "gui/common/PlaceholderPage.h"
#include "gui/common/Accessibility.h"
#include "gui/common/Preferences.h"
#include "gui/common/StatusLine.h"
#include "gui/common/UnsentEdits.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QFileDialog>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QSignalBlocker>
#include <QTimer>

#include <utility>

namespace kaspen {

namespace {

// The settings sheet's pages in tab order.
struct SheetPageInfo {
    const char *tabText;
    PageTarget target;
};
const SheetPageInfo kSheetPages[] = {
    {"    Device Setup   ", ToDeviceSetup},
    {"  Analog Channel   ", ToAnalogChannel},
    {" Digital/Pulse Channel ", ToDigitalChannel},
    {"  Relay Output  ", ToRelayOutput},
    {" AD Alarm Message ", ToAdAlarmMessage},
    {" IN Alarm Message ", ToInAlarmMessage},
    {"  Data Record  ", ToDataRecord},
    {"  Batch Setup  ", ToBatchSetup},
};

QPushButton *makeButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    QString accessible = text;
    accessible.replace(QLatin1String("&&"), QLatin1String("&"));
    b->setAccessibleName(accessible.trimmed());
    b->setAutoDefault(false);
    return b;
}

QLabel *makeLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    return l;
}

QString paneText(const QByteArray &bytes)
{
    QString s = QString::fromLocal8Bit(bytes);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

} // namespace

MainWindow::MainWindow(int modelCode, QWidget *parent) : QDialog(parent), m_model(modelCode)
{
    ui::installAccessibility();
    setWindowIcon(ui::applicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // There is no system menu to extend on every platform: "About" lives in a
    // Help menu as well.
    auto *menuBar = new QMenuBar(this);
    QMenu *file = menuBar->addMenu(QStringLiteral("&File"));
    QAction *exit = file->addAction(QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QDialog::reject);
    QMenu *help = menuBar->addMenu(QStringLiteral("&Help"));
    QAction *about = help->addAction(QStringLiteral("About KASPEN_Setup..."));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    outer->setMenuBar(menuBar);

    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // One line is 10 pixels, one page 50.
    m_scroll->verticalScrollBar()->setSingleStep(10);
    m_scroll->verticalScrollBar()->setPageStep(50);
    m_scroll->horizontalScrollBar()->setSingleStep(10);
    m_scroll->horizontalScrollBar()->setPageStep(50);
    outer->addWidget(m_scroll);

    m_content = new QWidget(m_scroll);
    m_content->setMinimumSize(960, 600);
    m_scroll->setWidget(m_content);
    auto *layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(7, 6, 7, 6);
    layout->setSpacing(4);

    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    layout->addLayout(top);

    auto *connectionGroup = new QGroupBox(QStringLiteral("Connection Setup:"), m_content);
    buildConnectionGroup(connectionGroup);
    top->addWidget(connectionGroup, 3);

    auto *readGroup = new QGroupBox(QStringLiteral("Read Parameters"), m_content);
    buildReadGroup(readGroup);
    top->addWidget(readGroup, 3);

    // The status area and the program's name.
    auto *statusColumn = new QVBoxLayout;
    auto *nameRow = new QHBoxLayout;
    auto *title = makeLabel(QStringLiteral("KASPEN_Setup"), m_content);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    nameRow->addWidget(title);
    nameRow->addWidget(makeLabel(QStringLiteral("Version 1.0.4"), m_content));
    nameRow->addStretch();
    m_saveExit = makeButton(QStringLiteral("Save && Exit"), QStringLiteral("saveExit"), m_content);
    m_saveExit->setToolTip(QStringLiteral("Tells the logger to save its settings, then ends the program"));
    nameRow->addWidget(m_saveExit);
    statusColumn->addLayout(nameRow);

    auto *statusRow = new QHBoxLayout;
    m_resultPicture = new QLabel(m_content);
    m_resultPicture->setAccessibleName(QStringLiteral("Result"));
    m_resultPicture->setPixmap(ui::stateBitmap(BitmapIdle));
    statusRow->addWidget(m_resultPicture);
    m_statusText = new ui::StatusText(QStringLiteral("Status"), m_content);
    m_statusText->setMinimumWidth(160);
    QFont statusFont = m_statusText->font();
    statusFont.setBold(true);
    m_statusText->setFont(statusFont);
    statusRow->addWidget(m_statusText, 1);
    statusColumn->addLayout(statusRow);
    // Where the last command over the GSM modem has got to.
    m_smsState = new QLabel(m_content);
    m_smsState->setAccessibleName(QStringLiteral("SMS state"));
    m_smsState->hide();
    statusColumn->addWidget(m_smsState);
    connect(&m_model, &MainModel::smsStateChanged, this, [this](const QString &line) {
        m_smsState->setText(line);
        m_smsState->setVisible(m_model.session().link() == LinkGsmModem);
    });

    auto *progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(m_content);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Command progress"));
    m_progress->hide();
    progressRow->addWidget(m_progress, 1);
    m_stop = makeButton(QStringLiteral("Stop"), QStringLiteral("stop"), m_content);
    m_stop->hide();
    progressRow->addWidget(m_stop);
    statusColumn->addLayout(progressRow);
    statusColumn->addStretch();
    top->addLayout(statusColumn, 2);

    buildTabs(m_content);
    layout->addWidget(m_topTabs);
    layout->addWidget(m_phoneBookTabs, 1);
    layout->addWidget(m_sheet, 1);
    layout->addWidget(m_ethernetTabs, 1);
    layout->addWidget(m_logView, 1);

    m_statusLine = new ui::StatusLine(m_model, this);
    outer->addWidget(m_statusLine);

    // Model wiring
    connect(&m_model, &MainModel::pageMessage, this, &MainWindow::deliver);
    connect(&m_model, &MainModel::showSheetPage, this, &MainWindow::showSheetPage);
    connect(&m_model, &MainModel::settingsSheetEnabled, m_sheet, &QWidget::setEnabled);
    connect(&m_model, &MainModel::serialStateChanged, this, &MainWindow::onSerialStateChanged);
    connect(&m_model, &MainModel::connectionListChanged, this, [this](int which) {
        if (which == 0) {
            refillConnectionList();
            m_connectionList->setCurrentIndex(m_connectionList->count() > 0 ? 0 : -1);
        }
    });
    connect(&m_model, &MainModel::connectionListSelectionCleared, this, [this] { m_connectionList->setCurrentIndex(-1); });
    connect(&m_model, &MainModel::statusChanged, this, &MainWindow::refreshStatus);
    connect(&m_model, &MainModel::panesChanged, this, &MainWindow::refreshPanes);
    connect(m_stop, &QPushButton::clicked, &m_model, &MainModel::stop);
    wireEthernet();

    applyModel();
    watchUnsentEdits();
    connectRunProgress();
    m_phoneBookPage->setSession(&m_model.session());
    restoreChoices();
    applyScreenSize(QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize());
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::buildConnectionGroup(QWidget *group)
{
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(6);

    m_rs232 = new QRadioButton(QStringLiteral("RS232"), group);
    m_gsm = new QRadioButton(QStringLiteral("GSM Modem"), group);
    m_ethernet = new QRadioButton(QStringLiteral("Ethernet"), group);
    for (QRadioButton *r : {m_rs232, m_gsm, m_ethernet})
        r->setAccessibleName(r->text());
    m_linkGroup = new QButtonGroup(this);
    m_linkGroup->addButton(m_rs232, LinkRs232);
    m_linkGroup->addButton(m_gsm, LinkGsmModem);
    m_linkGroup->addButton(m_ethernet, LinkEthernet);
    // A radio acts on its checked state, however it came (mouse, keyboard, a
    // screen reader's toggle action, setChecked). A click on the radio that
    // is already checked chooses its link again, as a click always did.
    connect(m_linkGroup, &QButtonGroup::idToggled, this, [this](int link, bool checked) {
        if (!checked)
            return;
        m_linkToggled = true;
        QTimer::singleShot(0, this, [this] { m_linkToggled = false; });
        onLinkRadio(link);
    });
    connect(m_linkGroup, &QButtonGroup::idClicked, this, [this](int link) {
        if (std::exchange(m_linkToggled, false))
            return; // this click has just checked it
        onLinkRadio(link);
    });
    // The Ethernet radio takes the RS232 radio's place; one of them is hidden.
    grid->addWidget(m_rs232, 0, 0, 1, 2);
    grid->addWidget(m_ethernet, 0, 0, 1, 2);
    grid->addWidget(m_gsm, 0, 2, 1, 2);

    m_portLabel = makeLabel(QStringLiteral("Port:"), group);
    // The list is read again whenever it opens, besides the light poll.
    class PortCombo : public QComboBox {
    public:
        using QComboBox::QComboBox;
        std::function<void()> beforePopup;
        void showPopup() override
        {
            if (beforePopup)
                beforePopup();
            QComboBox::showPopup();
        }
    };
    auto *portCombo = new PortCombo(group);
    m_portList = portCombo;
    m_portWatcher = new PortWatcher(ports::systemPorts, this);
    portCombo->beforePopup = [this] { m_portWatcher->poll(); };
    connect(m_portWatcher, &PortWatcher::changed, this, &MainWindow::fillPortList);
    connect(m_portWatcher, &PortWatcher::appeared, this, [this](const PortDescription &p) {
        // The logger's cable, plugged in again under another name.
        if (!m_model.serialOpen() && !m_lastCableSerial.isEmpty() && p.serialNumber == m_lastCableSerial) {
            const int i = m_portList->findText(ports::label(p));
            if (i >= 0)
                m_portList->setCurrentIndex(i);
        }
    });
    m_model.setPortDescriber([this](const QString &path) {
        const PortDescription p = m_portWatcher->byPath(path);
        return p.path.isEmpty() ? path : ports::whatItWas(p);
    });
    m_portList->setEditable(true);
    m_portList->setMinimumWidth(200);
    m_portList->setInsertPolicy(QComboBox::NoInsert);
    m_portLabel->setBuddy(m_portList);
    m_portList->setAccessibleName(QStringLiteral("Port:"));
    m_connect = makeButton(QStringLiteral("Connect"), QStringLiteral("connect"), group);
    m_serialState = new QLabel(group);
    m_serialState->setAccessibleName(QStringLiteral("Serial connection state"));
    grid->addWidget(m_portLabel, 1, 0);
    grid->addWidget(m_portList, 1, 1);
    grid->addWidget(m_connect, 1, 2);
    grid->addWidget(m_serialState, 1, 3);

    m_connectionLabel = makeLabel(QStringLiteral("Connection"), group);
    m_connectionList = new ui::ConnectionList(group);
    m_connectionList->setAccessibleName(QStringLiteral("Connection"));
    m_connectionLabel->setBuddy(m_connectionList);
    grid->addWidget(m_connectionLabel, 2, 0);
    grid->addWidget(m_connectionList, 2, 1);

    // Ethernet layout (same places)
    m_ethConnectionLabel = makeLabel(QStringLiteral("Connection"), group);
    m_ethConnectionList = new ui::ConnectionList(group);
    m_ethConnectionList->setAccessibleName(QStringLiteral("Connection ID"));
    m_ethConnectionLabel->setBuddy(m_ethConnectionList);
    m_ethConnect = makeButton(QStringLiteral("Connect"), QStringLiteral("ethernetConnect"), group);
    m_ethConnect->setAccessibleName(QStringLiteral("Ethernet Connect"));
    m_ethState = new QLabel(group);
    m_ethState->setAccessibleName(QStringLiteral("Ethernet connection state"));
    m_autoScan = makeButton(QStringLiteral("Auto Scan"), QStringLiteral("autoScan"), group);
    grid->addWidget(m_ethConnectionLabel, 1, 0);
    grid->addWidget(m_ethConnectionList, 1, 1);
    grid->addWidget(m_ethConnect, 1, 2);
    grid->addWidget(m_ethState, 1, 3);
    grid->addWidget(m_autoScan, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_connect, &QPushButton::clicked, this, &MainWindow::onConnectClicked);
    connect(m_connectionList, &ui::ConnectionList::aboutToOpen, this, &MainWindow::refillConnectionList);
    connect(m_connectionList, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { m_model.chooseSerialDevice(m_connectionList->itemText(index).toLocal8Bit()); });
}

void MainWindow::buildReadGroup(QWidget *group)
{
    auto *grid = new QGridLayout(group);
    auto add = [&](const QString &text, const QString &name, int row, int col) {
        QPushButton *b = makeButton(text, name, group);
        b->setMinimumWidth(64);
        grid->addWidget(b, row, col);
        m_buttons.insert(name, b);
        return b;
    };
    QPushButton *read1 = add(QStringLiteral("#1"), QStringLiteral("read1"), 0, 0);
    read1->setDefault(true); // Enter triggers "#1"
    read1->setAutoDefault(true);
    read1->setAccessibleName(QStringLiteral("#1"));
    QPushButton *read2 = add(QStringLiteral("#2"), QStringLiteral("read2"), 0, 1);
    QPushButton *read3 = add(QStringLiteral("#3"), QStringLiteral("read3"), 0, 2);
    QPushButton *status = add(QStringLiteral("  Status"), QStringLiteral("status"), 0, 3);
    QPushButton *clear = add(QStringLiteral("Clear"), QStringLiteral("clear"), 1, 0);
    QPushButton *ver = add(QStringLiteral("Ver"), QStringLiteral("ver"), 1, 1);
    m_batch = add(QStringLiteral(" Batch"), QStringLiteral("batch"), 1, 2);
    m_init = add(QStringLiteral("Init"), QStringLiteral("init"), 1, 3);
    m_modemVersion = add(QStringLiteral("M ver"), QStringLiteral("modemVersion"), 1, 3);
    m_modemVersion->hide();

    connect(read1, &QPushButton::clicked, this, [this] { readBlock(1); });
    connect(read2, &QPushButton::clicked, this, [this] { readBlock(2); });
    connect(read3, &QPushButton::clicked, this, [this] { readBlock(3); });
    connect(status, &QPushButton::clicked, &m_model, &MainModel::statusQuery);
    connect(clear, &QPushButton::clicked, &m_model, &MainModel::clearPages);
    connect(ver, &QPushButton::clicked, &m_model, &MainModel::versionQuery);
    connect(m_batch, &QPushButton::clicked, &m_model, &MainModel::batchButton);
    connect(m_init, &QPushButton::clicked, &m_model, &MainModel::init);
    connect(m_modemVersion, &QPushButton::clicked, &m_model, &MainModel::modemVersion);
}

void MainWindow::buildTabs(QWidget *parent)
{
    m_topTabs = new QTabBar(parent);
    m_topTabs->setAccessibleName(QStringLiteral("Views"));
    m_topTabs->setExpanding(false);
    m_topTabs->setDrawBase(true);
    m_topTabs->addTab(ui::tabIcon(false), QStringLiteral("Phone Book  "));
    m_topTabs->addTab(ui::tabIcon(false), modelName(m_model.modelCode()) + QStringLiteral("  "));
    m_topTabs->addTab(ui::tabIcon(false), QStringLiteral("Data Logs "));

    // Phone book container
    m_phoneBookTabs = new QTabWidget(parent);
    m_phoneBookTabs->setAccessibleName(QStringLiteral("Phone Book"));
    m_phoneBookPage = new PhoneBookPage(m_model.modelCode(), m_phoneBookTabs);
    m_phoneBookTabs->addTab(m_phoneBookPage, QStringLiteral("  Phone Number  "));

    // Settings sheet
    m_sheet = new QTabWidget(parent);
    m_sheet->setAccessibleName(QStringLiteral("Settings"));
    m_sheet->setUsesScrollButtons(true);
    {
        // Eight tabs must fit on a 1024 pixel wide window.
        QFont f = m_sheet->tabBar()->font();
        f.setPointSizeF(f.pointSizeF() * 0.9);
        m_sheet->tabBar()->setFont(f);
        m_sheet->tabBar()->setElideMode(Qt::ElideNone);
    }
    for (const SheetPageInfo &info : kSheetPages) {
        QWidget *page = nullptr;
        if (info.target == ToDeviceSetup) {
            page = m_deviceSetupPage = new DeviceSetupPage(m_model.session(), m_sheet);
        } else if (info.target == ToAnalogChannel) {
            page = m_analogChannelPage = new AnalogChannelPage(m_model.session(), m_sheet);
        } else if (info.target == ToDigitalChannel) {
            page = m_digitalChannelPage = new DigitalChannelPage(m_model.session(), m_sheet);
        } else if (info.target == ToRelayOutput) {
            page = m_relayOutputPage = new RelayOutputPage(m_model.session(), m_sheet);
        } else if (info.target == ToAdAlarmMessage) {
            page = m_adAlarmPage = new AlarmMessagePage(m_model.session(), AlarmPage::Ad, m_sheet);
        } else if (info.target == ToInAlarmMessage) {
            page = m_inAlarmPage = new AlarmMessagePage(m_model.session(), AlarmPage::In, m_sheet);
        } else if (info.target == ToDataRecord) {
            page = m_dataRecordPage = new DataRecordPage(m_model.session(), m_sheet);
        } else if (info.target == ToBatchSetup) {
            page = m_batchSetupPage = new BatchSetupPage(m_model.session(), m_sheet);
            m_batchSetupPage->setMainModel(m_model);
        } else {
            auto *placeholder = new ui::PlaceholderPage(QString::fromLatin1(info.tabText), m_sheet);
            m_placeholders.insert(info.target, placeholder);
            page = placeholder;
        }
        m_sheet->addTab(page, QString::fromLatin1(info.tabText));
    }
    m_sheet->hide();

    // Ethernet Setting container
    m_ethernetTabs = new QTabWidget(parent);
    m_ethernetTabs->setAccessibleName(QStringLiteral("Ethernet Setting"));
    m_ethernetPage = new EthernetSettingPage(m_model.ethernetModules(), m_ethernetTabs);
    m_ethernetTabs->addTab(m_ethernetPage, QStringLiteral("   Ethernet Setting   "));
    m_ethernetTabs->hide();

    m_router.addPage(ToPhoneBook, m_phoneBookPage);
    m_router.addPage(ToDeviceSetup, m_deviceSetupPage);
    m_router.addPage(ToAnalogChannel, m_analogChannelPage);
    m_router.addPage(ToDigitalChannel, m_digitalChannelPage);
    // Compare with Logger reads the alarm delays too, as a backup does.
    m_batchSetupPage->compareRun()->addRead(
        [p = &m_analogChannelPage->model()](MainModel &) { p->checkSensorSerialNumbers(); },
        [p = &m_analogChannelPage->model()](MainModel &) { p->recordAlarmDelays(); });
    // A calibration step that got no answer ends the calibration.
    connect(&m_model, &MainModel::exchangeFinished, &m_analogChannelPage->model(),
            [p = &m_analogChannelPage->model()](int code, int result) { p->exchangeFinished(code, result); });
    m_router.addPage(ToRelayOutput, m_relayOutputPage);
    m_router.addPage(ToAdAlarmMessage, m_adAlarmPage);
    m_router.addPage(ToInAlarmMessage, m_inAlarmPage);
    m_router.addPage(ToBatchSetup, m_batchSetupPage);
    m_router.addPage(ToDataRecord, m_dataRecordPage);
    m_router.addPage(ToEthernetSetting, m_ethernetPage);
    for (auto it = m_placeholders.begin(); it != m_placeholders.end(); ++it)
        m_router.addPage(it.key(), it.value());
    m_router.setObserver([this](unsigned target, const PageMessage &m) { emit pageMessageDelivered(target, m); });
    // A download request that went unanswered leaves the download waiting for Cancel.
    connect(&m_model, &MainModel::exchangeFinished, this, [this](int code, int result, const QString &) {
        m_dataRecordPage->model().exchangeFinished(code, result);
    });

    // Log view
    m_logView = new QWidget(parent);
    auto *logs = new QVBoxLayout(m_logView);
    logs->setContentsMargins(0, 0, 0, 0);
    const QDateTime now = clock().now();
    m_dataLogsHeader = makeLabel(QString::fromLatin1(formatTime(now, DataLogsHeader)), m_logView);
    m_dataLogs = new QPlainTextEdit(m_logView);
    m_dataLogs->setReadOnly(true);
    m_dataLogs->setAccessibleName(QStringLiteral("Data logs"));
    m_dataLogsHeader->setBuddy(m_dataLogs);
    m_sendLogsHeader = makeLabel(QString::fromLatin1(formatTime(now, SendLogsHeader)), m_logView);
    m_sendLogs = new QPlainTextEdit(m_logView);
    m_sendLogs->setReadOnly(true);
    m_sendLogs->setAccessibleName(QStringLiteral("Send Command logs"));
    m_sendLogsHeader->setBuddy(m_sendLogs);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_dataLogs->setFont(mono);
    m_sendLogs->setFont(mono);
    m_bufferClear = makeButton(QStringLiteral("Buffer Clear"), QStringLiteral("bufferClear"), m_logView);
    logs->addWidget(m_dataLogsHeader);
    logs->addWidget(m_dataLogs, 3);
    logs->addWidget(m_sendLogsHeader);
    logs->addWidget(m_sendLogs, 2);
    m_saveLog = makeButton(QStringLiteral("Save Log..."), QStringLiteral("saveLog"), m_logView);
    m_saveLog->setToolTip(QStringLiteral("Save every sent and received text of this session to a file (Ctrl+S)"));
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch();
    clearRow->addWidget(m_saveLog);
    clearRow->addWidget(m_bufferClear);
    logs->addLayout(clearRow);
    m_logView->hide();
    connect(m_bufferClear, &QPushButton::clicked, &m_model, &MainModel::clearLogs);
    auto chooseAndSave = [this] {
        const QString stamp = clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Log"),
                                                          QStringLiteral("kaspen-log-%1.txt").arg(stamp),
                                                          QStringLiteral("Text files (*.txt)"));
        if (!path.isEmpty())
            saveLog(path);
    };
    connect(m_saveLog, &QPushButton::clicked, this, chooseAndSave);
    auto *saveShortcut = new QShortcut(QKeySequence::Save, m_logView);
    saveShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(saveShortcut, &QShortcut::activated, this, chooseAndSave);

    connect(m_topTabs, &QTabBar::currentChanged, this, &MainWindow::onTopTabChanged);
}

void MainWindow::applyModel()
{
    const int model = m_model.modelCode();
    // The start-up radio is the model's layout, not a choice of the user.
    const QSignalBlocker quiet(m_linkGroup);
    // Model specific layout
    if (model == ModelOrvelA) {
        for (QWidget *w : {static_cast<QWidget *>(m_ethernet), static_cast<QWidget *>(m_autoScan),
                           static_cast<QWidget *>(m_ethConnect), static_cast<QWidget *>(m_ethConnectionList),
                           static_cast<QWidget *>(m_ethConnectionLabel), static_cast<QWidget *>(m_ethState),
                           static_cast<QWidget *>(m_saveExit)})
            w->hide();
        m_model.session().setLink(LinkRs232);
        m_rs232->setChecked(true);
        m_model.session().serialRecord().commandCode = codes::None;
    } else {
        m_rs232->hide();
        m_model.session().setLink(LinkEthernet);
        m_ethernet->setChecked(true);
        m_model.session().serialRecord().commandCode = codes::None;
        m_model.session().ethernetRecord().commandCode = codes::None;
        m_portLabel->setText(QStringLiteral(" IP: "));
        for (QWidget *w : {static_cast<QWidget *>(m_portLabel), static_cast<QWidget *>(m_portList),
                           static_cast<QWidget *>(m_connect), static_cast<QWidget *>(m_connectionLabel),
                           static_cast<QWidget *>(m_serialState), static_cast<QWidget *>(m_connectionList)})
            w->hide();
    }
    m_serialState->setPixmap(ui::stateBitmap(BitmapIdle));
    m_ethState->setPixmap(ui::stateBitmap(BitmapIdle));
    m_resultPicture->setPixmap(ui::stateBitmap(BitmapIdle));

    // Adapters that come and go show up within two seconds.
    m_portWatcher->start(2000);
    fillPortList();

    // Tabs: ORVEL-B gets the Network tab and starts on it, then tab 1 is chosen.
    if (model == ModelOrvelB) {
        m_topTabs->insertTab(3, ui::tabIcon(false), QStringLiteral("  Network    "));
        m_model.setNetworkTab(true);
        selectTopTab(3);
    }
    m_topTabs->setTabIcon(0, ui::tabIcon(true));
    PageMessage view;
    view.message = msg::BookView; // WM_USER+38
    view.targets = ToPhoneBook;
    view.wParam = model == ModelOrvelB ? 1 : 0;
    deliver(view);
    if (model == ModelOrvelB) {
        PageMessage lock;
        lock.message = msg::LockEthernet; // WM_USER+39
        lock.targets = ToEthernetSetting;
        lock.wParam = 1;
        lock.lParam = 1;
        deliver(lock);
    }

    selectTopTab(1);
    setWindowTitle(QStringLiteral("KASPEN Setup -  ") + modelName(model));

    PageMessage start;
    start.message = msg::BatchNotice; // WM_USER+18: start notice
    start.targets = ToBatchSetup;
    start.wParam = 1;
    start.lParam = 0;
    deliver(start);

    m_sheet->setEnabled(false);
    m_ethernetTabs->setEnabled(false);
    refreshStatus();
}

void MainWindow::fillPortList()
{
    // A path the user typed (or the port chosen) stays chosen.
    const QString keep = m_portList->count() ? ports::pathOf(m_portList->currentText()) : QString();
    m_portList->clear();
    m_portList->addItem(demoPortName());
#ifdef Q_OS_WIN
    for (int i = 1; i <= 16; ++i) {
        const QString name = QStringLiteral("COM%1").arg(i);
        const PortDescription known = m_portWatcher->byPath(name);
        m_portList->addItem(known.path.isEmpty() ? name : ports::label(known));
    }
#else
    for (const PortDescription &p : m_portWatcher->ports())
        m_portList->addItem(ports::label(p));
#endif
    int index = 0;
    for (int i = 0; !keep.isEmpty() && i < m_portList->count(); ++i)
        if (ports::pathOf(m_portList->itemText(i)) == keep)
            index = i;
    m_portList->setCurrentIndex(index);
    if (!keep.isEmpty() && ports::pathOf(m_portList->currentText()) != keep)
        m_portList->setEditText(keep);
}

bool MainWindow::saveLog(const QString &path)
{
    QString error;
    if (m_model.journal().save(path, &error))
        return true;
    showError(QStringLiteral("Cannot save the log %1 !\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

QLabel *MainWindow::statusText() const
{
    return m_statusText;
}

QComboBox *MainWindow::connectionList() const
{
    return m_connectionList;
}

QPushButton *MainWindow::button(const QString &objectName) const
{
    if (QPushButton *b = m_buttons.value(objectName))
        return b;
    return findChild<QPushButton *>(objectName);
}

void MainWindow::ShowTab(int n)
{
    for (QWidget *w : {static_cast<QWidget *>(m_phoneBookTabs), static_cast<QWidget *>(m_sheet),
                       static_cast<QWidget *>(m_ethernetTabs), m_logView})
        w->hide();
    if (n == 0)
        m_phoneBookTabs->show();
    else if (n == 3)
        m_ethernetTabs->show();
    else
        m_sheet->show();
}

void MainWindow::selectTopTab(int index)
{
    if (m_topTabs->currentIndex() == index)
        onTopTabChanged(index);
    else
        m_topTabs->setCurrentIndex(index);
}

void MainWindow::onTopTabChanged(int index)
{
    switch (index) {
    case 0: ShowTab(0); break;
    case 1: ShowTab(1 + m_model.modelCode()); break;
    case 2:
        for (QWidget *w : {static_cast<QWidget *>(m_phoneBookTabs), static_cast<QWidget *>(m_sheet),
                           static_cast<QWidget *>(m_ethernetTabs)})
            w->hide();
        m_logView->show();
        break;
    case 3: ShowTab(3); break;
    default: break;
    }
    for (int i = 0; i < m_topTabs->count(); ++i)
        m_topTabs->setTabIcon(i, ui::tabIcon(i == index));
}

void MainWindow::selectLinkRadio(int link)
{
    QRadioButton *radio = link == LinkRs232 ? m_rs232 : link == LinkGsmModem ? m_gsm : m_ethernet;
    if (!radio->isEnabled())
        return;
    if (radio->isChecked())
        onLinkRadio(link);
    else
        radio->setChecked(true); // the toggle chooses the link
}

void MainWindow::onLinkRadio(int link)
{
    showLink(link);
    // The serial links are remembered once a port has opened on them.
    if (m_model.session().link() == LinkEthernet)
        ui::prefs::setLastLink(m_model.modelCode(), LinkEthernet);
    m_statusLine->refresh();
}

void MainWindow::showLink(int link)
{
    const bool orvelB = m_model.modelCode() == ModelOrvelB;
    auto removeNetworkTab = [this] {
        if (m_topTabs->count() > 3)
            m_topTabs->removeTab(3);
    };
    switch (link) {
    case LinkRs232:
        m_init->show();
        m_batch->show();
        m_batch->setText(QStringLiteral("Batch"));
        m_modemVersion->hide();
        m_ethernetTabs->hide();
        removeNetworkTab();
        m_model.selectLink(LinkRs232);
        selectTopTab(1);
        break;
    case LinkGsmModem:
        m_init->hide();
        m_batch->show();
        m_batch->setText(QStringLiteral("M test"));
        m_modemVersion->show();
        removeNetworkTab();
        selectTopTab(1);
        if (orvelB) {
            m_portLabel->setText(QStringLiteral(" Port: "));
            for (QWidget *w : {static_cast<QWidget *>(m_portLabel), static_cast<QWidget *>(m_portList),
                               static_cast<QWidget *>(m_connect), static_cast<QWidget *>(m_connectionLabel),
                               static_cast<QWidget *>(m_serialState), static_cast<QWidget *>(m_connectionList)})
                w->show();
            for (QWidget *w : {static_cast<QWidget *>(m_saveExit), static_cast<QWidget *>(m_autoScan),
                               static_cast<QWidget *>(m_ethConnectionList), static_cast<QWidget *>(m_ethConnect),
                               static_cast<QWidget *>(m_ethConnectionLabel), static_cast<QWidget *>(m_ethState)})
                w->hide();
        }
        m_model.selectLink(LinkGsmModem);
        break;
    case LinkEthernet: {
        if (!orvelB)
            return;
        m_init->show();
        m_batch->setText(QStringLiteral("Batch"));
        m_modemVersion->hide();
        const bool addTab = !m_model.networkTab();
        m_model.selectLink(LinkEthernet);
        if (addTab) {
            m_topTabs->insertTab(3, ui::tabIcon(false), QStringLiteral("   Network    "));
            selectTopTab(3);
        }
        m_portLabel->setText(QStringLiteral(" IP: "));
        for (QWidget *w : {static_cast<QWidget *>(m_portLabel), static_cast<QWidget *>(m_portList),
                           static_cast<QWidget *>(m_connect), static_cast<QWidget *>(m_connectionLabel),
                           static_cast<QWidget *>(m_serialState), static_cast<QWidget *>(m_connectionList)})
            w->hide();
        for (QWidget *w : {static_cast<QWidget *>(m_autoScan), static_cast<QWidget *>(m_ethConnectionList),
                           static_cast<QWidget *>(m_ethConnect), static_cast<QWidget *>(m_ethConnectionLabel),
                           static_cast<QWidget *>(m_ethState), static_cast<QWidget *>(m_saveExit)})
            w->show();
        break;
    }
    default:
        break;
    }
}

void MainWindow::onConnectClicked()
{
    const QString path = ports::pathOf(m_portList->currentText());
    const bool opening = !m_model.serialOpen();
    if (m_model.toggleSerialConnection(path) && opening) {
        m_lastCableSerial = m_portWatcher->byPath(path).serialNumber;
        ui::prefs::setLastLink(m_model.modelCode(), m_model.session().link());
        ui::prefs::setLastPort(m_model.modelCode(), path, 9600);
    }
}

void MainWindow::onSerialStateChanged(bool open)
{
    m_connect->setText(open ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    m_connect->setAccessibleName(m_connect->text());
    m_serialState->setPixmap(ui::stateBitmap(open ? BitmapSuccess : BitmapIdle));
    m_rs232->setEnabled(!open);
    m_gsm->setEnabled(!open);
    m_portList->setEnabled(!open);
}

void MainWindow::refillConnectionList()
{
    const QString current = m_connectionList->currentText();
    m_connectionList->clear();
    for (const QByteArray &id : m_model.serialConnectionIds())
        m_connectionList->addItem(QString::fromLocal8Bit(id));
    m_connectionList->setCurrentIndex(m_connectionList->findText(current));
}

void MainWindow::refreshStatus()
{
    const CommandExchange &x = m_model.exchange();
    m_statusText->showText(x.statusText());
    m_resultPicture->setPixmap(ui::stateBitmap(x.resultPicture()));
    m_progress->setVisible(x.progressVisible());
    m_progress->setValue(qBound(0, x.progressPosition(), 100));
    m_stop->setVisible(x.progressVisible());
    if (!x.stopButtonText().isEmpty())
        m_stop->setText(x.stopButtonText());
}

void MainWindow::refreshPanes()
{
    m_dataLogs->setPlainText(paneText(m_model.dataLogs()));
    m_sendLogs->setPlainText(paneText(m_model.sendLogs()));
}

void MainWindow::showSheetPage(int index)
{
    if (index >= 0 && index < m_sheet->count())
        m_sheet->setCurrentIndex(index);
}

void MainWindow::deliver(const PageMessage &m)
{
    m_router.deliver(m);
}

void MainWindow::setPageReceiver(PageTarget target, std::function<void(const PageMessage &)> receiver)
{
    m_router.setReceiver(target, std::move(receiver));
}

void MainWindow::applyScreenSize(const QSize &screen)
{
    const int h = screen.height();
    const int w = screen.width();
    if (h > 720 && w >= 1024) {
        // Room to spare: most of the screen, never less than 1024 x 768.
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        resize(qMax(1024, w * 85 / 100), qMax(768, h * 85 / 100));
    } else if (h == 720) {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        resize(1024, 720);
    } else if (h == 600 && w == 800) {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        resize(800, 600);
    } else if (h == 600 && w == 1280) {
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        resize(1024, 600);
    } else if (screen.isValid()) {
        // Any other screen (a small one, or a large one at a high scale):
        // the whole of it, scrolled where the content does not fit.
        m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        resize(screen);
    }
}

void MainWindow::showAbout()
{
    QDialog box(this);
    box.setWindowTitle(QStringLiteral("About KASPEN_Setup"));
    auto *layout = new QHBoxLayout(&box);
    auto *icon = new QLabel(&box);
    icon->setPixmap(ui::applicationIcon().pixmap(48, 48));
    layout->addWidget(icon);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("KASPEN_Setup Version 1.0.4"), &box));
    auto *ok = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(ok, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    right->addWidget(ok);
    layout->addLayout(right);
    box.exec();
}

QWidget *MainWindow::pageWidget(unsigned target) const
{
    if (target == ToEthernetSetting)
        return m_ethernetTabs->widget(0);
    for (int i = 0; i < int(std::size(kSheetPages)); ++i)
        if (kSheetPages[i].target == target)
            return m_sheet->widget(i);
    return nullptr;
}

void MainWindow::watchUnsentEdits()
{
    m_unsent = new ui::UnsentEdits(this);
    for (int i = 0; i < m_sheet->count(); ++i)
        if (m_sheet->widget(i) != m_batchSetupPage)
            m_unsent->watch(m_sheet->widget(i));
    m_unsent->watch(m_ethernetTabs);
    connect(&m_model.exchange(), &CommandExchange::started, m_unsent, &ui::UnsentEdits::commandStarted);
    connect(&m_model, &MainModel::exchangeFinished, m_unsent,
            [this](int, int result, const QString &) { m_unsent->commandFinished(result == ResultSuccess); });
    // A read reply or Clear puts the logger's values (or none) into the page.
    connect(this, &MainWindow::pageMessageDelivered, m_unsent, [this](unsigned target, const PageMessage &m) {
        switch (m.message) {
        case msg::Block1:
        case msg::Block2:
        case msg::Block3:
        case msg::Block4:
        case msg::ClearFields:
        case msg::AlarmText:
            if (target != ToBatchSetup)
                if (QWidget *page = pageWidget(target))
                    m_unsent->clear(page);
            break;
        default:
            break;
        }
    });
}

void MainWindow::readBlock(int n)
{
    const unsigned targets = n == 1 ? ToDeviceSetup | ToRelayOutput
        : n == 2                    ? ToAnalogChannel | ToDigitalChannel
                                    : ToRelayOutput;
    QStringList names;
    for (const SheetPageInfo &info : kSheetPages)
        if (info.target & targets)
            if (QWidget *page = pageWidget(info.target))
                names << m_unsent->marked(page);
    if (!names.isEmpty()) {
        const QString question = QStringLiteral("These changes are not set yet:\n%1\n\n#%2 reads the logger's values "
                                                "and replaces them. Read anyway?")
                                     .arg(names.join(QStringLiteral(", ")))
                                     .arg(n);
        if (!messages().confirm(QStringLiteral("#%1").arg(n), question))
            return;
    }
    m_model.readBlock(n);
}

void MainWindow::connectRunProgress()
{
    BatchSetupModel &batch = m_batchSetupPage->model();
    connect(&batch, &BatchSetupModel::runProgress, m_statusLine, &ui::StatusLine::showRun);
}

void MainWindow::restoreChoices()
{
    const int model = m_model.modelCode();
    const int link = ui::prefs::lastLink(model);
    const bool allowed = model == ModelOrvelA ? (link == LinkRs232 || link == LinkGsmModem)
                                              : (link == LinkGsmModem || link == LinkEthernet);
    if (allowed && link != m_model.session().link())
        selectLinkRadio(link);
    const QString port = ui::prefs::lastPort(model);
    if (!port.isEmpty()) {
        int i = -1;
        for (int n = 0; n < m_portList->count() && i < 0; ++n)
            if (ports::pathOf(m_portList->itemText(n)) == ports::pathOf(port))
                i = n;
        if (i >= 0)
            m_portList->setCurrentIndex(i);
        else
            m_portList->setEditText(port);
    }
}

bool MainWindow::busy()
{
    Session &s = m_model.session();
    return s.serialOpen() || s.ethernetConnected() || m_model.exchange().running() || s.serialRecord().inProgress
        || s.ethernetRecord().inProgress || m_batchSetupPage->model().running();
}

void MainWindow::reject()
{
    // Esc, the window's close button and File > Exit all end here.
    if (busy() && !messages().confirm(QStringLiteral("KASPEN Setup"), QStringLiteral("Disconnect and close KASPEN Setup?")))
        return;
    QDialog::reject();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Ctrl+I sends the reset command; the key is then processed normally.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_I && (key->modifiers() & Qt::ControlModifier) && !key->isAutoRepeat()) {
            // The filter sees the key once per widget it travels through:
            // act on its first receiver only.
            QWidget *focus = QApplication::focusWidget();
            QWidget *target = focus ? focus : this;
            if (watched == target && (target == this || isAncestorOf(target)))
                m_model.resetShortcut();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kaspen
