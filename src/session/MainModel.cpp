#include "session/MainModel.h"
#include "base/MessageSink.h"
#include "base/Clock.h"
#include "protocol/CommandCodes.h"
#include "session/LogPanes.h"
#include "records/ConfigFile.h"
#include "links/SerialLine.h"

#include <QDir>
#include <QFileInfo>
#include "sim/Demo.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSet>

namespace kaspen {

MainModel::MainModel(int modelCode, QObject *parent)
    : QObject(parent), m_session(modelCode), m_exchange(m_session), m_dispatcher(m_session), m_modules(m_session),
      m_ethernetLink(m_session, m_modules)
{
    m_session.serialRecord().commandCode = codes::None;
    m_session.ethernetRecord().commandCode = codes::None;
    m_session.profile().humidityCalibration = false;

    // WM_USER+2 (posted by the sender)
    connect(&m_session, &Session::commandSent, &m_exchange, &CommandExchange::StartCommandExchange);
    // WM_USER+20
    connect(&m_session, &Session::progressRequested, &m_exchange, &CommandExchange::showProgress);
    // WM_USER+30
    connect(&m_session, &Session::sendLogEntry, this, &MainModel::addSendLogEntry);
    // WM_USER+1 from the serial line
    connect(&m_session, &Session::serialTextReceived, &m_dispatcher, &ReplyDispatcher::intake);
    connect(&m_session, &Session::serialLineLost, this, &MainModel::onLineLost);
    // WM_USER+1 from the Ethernet link
    connect(&m_session, &Session::ethernetTextReceived, &m_dispatcher, &ReplyDispatcher::intake);
    // After the intake: a reply that ended its command ends the exchange now.
    connect(&m_session, &Session::serialTextReceived, &m_exchange, &CommandExchange::replyTaken);
    connect(&m_session, &Session::ethernetTextReceived, &m_exchange, &CommandExchange::replyTaken);

    connect(&m_exchange, &CommandExchange::statusChanged, this, &MainModel::statusChanged);
    // Parts left over from a reply that never completed must not join the
    // next one.
    connect(&m_exchange, &CommandExchange::started, this, [this] { m_dispatcher.accumulator().reset(); });
    connect(&m_exchange, &CommandExchange::finished, this, &MainModel::exchangeFinished);
    connect(&m_exchange, &CommandExchange::batchCommandFinished, this, [this](const QString &status) {
        postPage(msg::BatchNotice, ToBatchSetup, 2, 0, status.toLatin1()); // WM_USER+18
    });

    // The journal of everything on the wire, and the state of each SMS.
    connect(&m_session, &Session::bytesWritten, this, [this](const QByteArray &bytes) {
        const QDateTime now = clock().now();
        m_journal.add(LogJournal::Sent, linkName(m_session.link()), bytes, now);
        if (m_session.link() == LinkGsmModem && bytes.startsWith("AT+BJSD="))
            m_sms.commandWritten(bytes, now);
    });
    connect(&m_session, &Session::ethernetTextReceived, this, [this](const QByteArray &text) {
        m_journal.add(LogJournal::Received, linkName(LinkEthernet), text, clock().now());
    });
    connect(&m_session, &Session::serialTextReceived, this, [this](const QByteArray &text) {
        const QDateTime now = clock().now();
        m_journal.add(LogJournal::Received, linkName(m_session.link()), text, now);
        if (m_session.link() == LinkGsmModem && m_sms.textReceived(text, now)) {
            // A reply after its time-out: shown, not lost.
            const QByteArray copy = "(late reply) " + dataLogsCopy(text);
            m_dataLogs = prependPaneEntry(m_dataLogs, copy, now);
            emit dataLogAdded(copy);
            emit panesChanged();
        }
    });
    connect(&m_exchange, &CommandExchange::finished, this, [this](int, int result, const QString &) {
        if (m_session.link() == LinkGsmModem)
            m_sms.exchangeFinished(result, clock().now());
    });
    connect(&m_sms, &SmsTracker::stepReached, this, [this](const QString &line) {
        m_sendLogs = prependPaneEntry(m_sendLogs, line.toLatin1(), clock().now());
        emit panesChanged();
        emit smsStateChanged(line);
    });

    connect(&m_dispatcher, &ReplyDispatcher::pageMessage, this, &MainModel::pageMessage);
    connect(&m_dispatcher, &ReplyDispatcher::dataLogEntry, this, [this](const QByteArray &copy) {
        m_dataLogs = prependPaneEntry(m_dataLogs, copy, clock().now());
        emit dataLogAdded(copy);
        emit panesChanged();
    });
    connect(&m_dispatcher, &ReplyDispatcher::connectionListChanged, this, &MainModel::connectionListChanged);
    connect(&m_dispatcher, &ReplyDispatcher::showSheetPage, this, &MainModel::showSheetPage);
    connect(&m_dispatcher, &ReplyDispatcher::enableSettingsSheet, this, [this] { emit settingsSheetEnabled(true); });
    connect(&m_dispatcher, &ReplyDispatcher::deviceVerified, this, &MainModel::deviceVerified);

    // Ethernet: what the UDP link ignored goes to the Data Logs; the end of
    // an unverified connect closes it; the page messages of the connection.
    connect(&m_ethernetLink, &EthernetConnection::ignoredDatagram, this, [this](const QByteArray &what) {
        m_dataLogs = prependPaneEntry(m_dataLogs, what, clock().now());
        emit dataLogAdded(what);
        emit panesChanged();
    });
    connect(&m_exchange, &CommandExchange::ethernetConnectTimedOut, &m_ethernetLink, &EthernetConnection::connectTimedOut);
    connect(&m_dispatcher, &ReplyDispatcher::deviceVerified, &m_ethernetLink, &EthernetConnection::verified);
    connect(&m_ethernetLink, &EthernetConnection::pageMessage, this, &MainModel::pageMessage);
    connect(&m_modules, &EthernetModules::ethernetBookChanged, this, [this] {
        postPage(msg::ReloadBook, ToPhoneBook, 1); // WM_USER+16
    });
}

QList<QByteArray> MainModel::ethernetConnectionIds()
{
    PhoneBook &book = m_session.phoneBook();
    book.LoadEthernetTable();
    QList<QByteArray> ids;
    for (const EthernetEntry &e : book.ethernetTable())
        ids << e.connectId;
    return ids;
}

MainModel::~MainModel()
{
    if (auto line = m_session.takeSerialLine())
        line->close();
}

void MainModel::postPage(int message, unsigned targets, int wParam, long long lParam, const QByteArray &text)
{
    emit pageMessage(PageMessage{message, targets, wParam, text, lParam});
}

void MainModel::selectLink(Link link)
{
    m_session.setLink(link);
    switch (link) {
    case LinkRs232:
        m_networkTab = false;
        postPage(msg::BatchNotice, ToBatchSetup, 0, 1); // WM_USER+18
        break;
    case LinkGsmModem:
        m_networkTab = false;
        if (modelCode() == ModelOrvelB)
            postPage(msg::BookView, ToPhoneBook, 0); // WM_USER+38
        postPage(msg::BatchNotice, ToBatchSetup, 0, 0); // WM_USER+18
        break;
    case LinkEthernet:
        m_networkTab = true;
        postPage(msg::BatchNotice, ToBatchSetup, 0, 1); // WM_USER+18
        postPage(msg::BookView, ToPhoneBook, 1);        // WM_USER+38
        break;
    default:
        break;
    }
}

void MainModel::closeSerial()
{
    m_session.profile().humidityCalibration = false;
    if (auto line = m_session.takeSerialLine()) {
        line->close();
        // A lost line tells so from inside its own code: let it return first.
        line.release()->deleteLater();
    }
    if (m_session.verified() && !m_session.onEthernet()) {
        m_session.setVerified(false);
        emit settingsSheetEnabled(false);
    }
    emit serialStateChanged(false);
}

namespace {
// Why a port could not be opened, with its name, as far as the file system
// tells.
QString portProblem(const QString &portText)
{
    const QString shown = QDir::toNativeSeparators(portText);
    if (!QDir::isAbsolutePath(portText))
        return QStringLiteral("%1 could not be opened as a serial port").arg(shown);
    const QFileInfo info(portText);
    if (!info.exists())
        return QStringLiteral("%1: no such file or device").arg(shown);
    if (info.isDir())
        return QStringLiteral("%1 is a directory, not a serial port").arg(shown);
    if (info.isFile())
        return QStringLiteral("%1 is a regular file, not a serial port").arg(shown);
    if (!info.isReadable() || !info.isWritable())
        return QStringLiteral("%1: no permission to read and write it").arg(shown);
    return QStringLiteral("%1 could not be opened as a serial port (in use, or not a terminal)").arg(shown);
}
} // namespace

bool MainModel::toggleSerialConnection(const QString &portText)
{
    if (m_session.serialOpen()) {
        if (m_session.serialRecord().inProgress) {
            showMessage(QStringLiteral("Command is Progress , Don't Disconnect!"));
            return false;
        }
        closeSerial();
        return true;
    }
    if (portText.trimmed().isEmpty()) {
        showMessage(QStringLiteral("Before Connect ,please select COM Port!"));
        return false;
    }
    auto line = createSerialLine(portText, 9600, modelCode());
    if (!line || line->open() != 1) {
        showMessage(QStringLiteral("Connect Error,Port Invalid! (%1)").arg(portProblem(portText)));
        return false;
    }
    const bool demo = portText == demoPortName();
    m_session.setSerialLine(std::move(line));
    m_session.serialRecord().link = m_session.link();
    emit serialStateChanged(true);
    if (demo)
        offerDemoLogger();
    return true;
}

void MainModel::offerDemoLogger()
{
    const sim::DemoIdentity demo = sim::demoIdentity(modelCode());
    PhoneBook &book = m_session.phoneBook();
    if (book.GsmIdExists(demo.id))
        return;
    const QString question =
        QStringLiteral("The demo logger %1 (phone %2, Enquiry password %3, Setup password %4) is not in the phone "
                       "book yet. Add it?")
            .arg(QString::fromLatin1(demo.id), QString::fromLatin1(demo.phone), QString::fromLatin1(demo.enquiry),
                 QString::fromLatin1(demo.setup));
    if (!messages().confirm(QStringLiteral("Demo logger"), question))
        return;
    if (book.AddGsmEntry(demo.id, demo.phone, demo.enquiry, demo.setup))
        postPage(msg::ReloadBook, ToPhoneBook, 0); // WM_USER+16
}

void MainModel::onLineLost(const QString &reason)
{
    QString name = m_session.serialLine() ? m_session.serialLine()->name() : QString();
    if (m_describePort && !name.isEmpty())
        name = m_describePort(name);
    // No reply can come any more: the running exchange ends now, not at
    // its time-out.
    CommandRecord &record = m_session.serialRecord();
    const bool waiting = m_exchange.running() && !m_session.onEthernet() && record.inProgress;
    if (waiting) {
        record.resultCode = ResultLineLost;
        record.inProgress = false;
        m_dispatcher.accumulator().reset();
    }
    closeSerial();
    if (waiting)
        m_exchange.tick();
    QString text = QStringLiteral("The serial port %1 was lost and has been closed.").arg(name);
    if (!reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(reason);
    showMessage(text);
}

QList<QByteArray> MainModel::serialConnectionIds()
{
    PhoneBook &book = m_session.phoneBook();
    book.LoadGsmTable();
    QList<QByteArray> ids;
    for (const GsmEntry &e : book.gsmTable())
        ids << e.id;
    return ids;
}

void MainModel::chooseSerialDevice(const QByteArray &id)
{
    if (id.isEmpty()) {
        showMessage(QStringLiteral("Before Query Command ,please Select Device ID!"));
        return;
    }
    if (m_session.serialRecord().inProgress) {
        showMessage(QStringLiteral("Command is in progress"));
        return;
    }
    if (!m_session.serialOpen()) {
        showMessage(QStringLiteral("First please Select Port to Connect!"));
        return;
    }
    PhoneBook &book = m_session.phoneBook();
    const QByteArray previous = m_session.serialRecord().deviceId;
    book.SelectGsmEntry(id);
    m_session.serialRecord().deviceId = id;
    // Another logger on the same line must answer its own status query.
    if (m_session.verified() && previous != id) {
        m_session.setVerified(false);
        emit settingsSheetEnabled(false);
    }
    if (m_session.verified())
        return;
    if (!m_session.serialCommandGuard())
        return;
    Outgoing status;
    status.code = codes::ConnectStatus;
    status.text = formatTemplate(templates::Status, {book.CurrentGsmEntry().enquiryPassword});
    status.route = Route::Serial;
    status.start = Outgoing::Start::AtOnce;
    m_session.send(status);
}

bool MainModel::sendModem(const char *modemCommand, bool log)
{
    // The modem's own commands go to the modem as they are.
    Outgoing c;
    c.code = codes::Version;
    c.text = modemCommand;
    c.framing = Outgoing::Framing::AsIs;
    c.log = log ? Outgoing::Log::AsGiven : Outgoing::Log::None;
    c.closedMessage = QStringLiteral("First please Select Port to Connect!");
    return m_session.send(c);
}

void MainModel::query(int code, const char *tmpl, int page)
{
    // On Ethernet the connection is checked first; on the serial links the
    // send tells when the port is closed.
    if (!m_session.guard(CommandGuard::mainWindow(Route::Active, true)))
        return;
    if (page >= 0)
        emit showSheetPage(page);
    Outgoing c;
    c.code = code;
    c.text = formatTemplate(tmpl, {m_session.currentEntry().enquiryPassword});
    c.log = Outgoing::Log::AsGiven;
    c.closedMessage = QStringLiteral("First please Select Port to Connect!");
    m_session.send(c);
}

void MainModel::readBlock(int n)
{
    switch (n) {
    case 1: query(codes::ReadBlock1, templates::ReadBlock1, 0); break;
    case 2: query(codes::ReadBlock2, templates::ReadBlock2, 1); break;
    case 3: query(codes::ReadBlock3, templates::ReadBlock3, 3); break;
    default: break;
    }
}

void MainModel::statusQuery()
{
    query(codes::Status, templates::Status, -1);
}

void MainModel::versionQuery()
{
    query(codes::Version, templates::Version, 0);
}

void MainModel::clearPages()
{
    if (!m_session.mainCommandGuard())
        return;
    // WM_USER+15 to every page but Batch Setup and the phone book.
    postPage(msg::ClearFields,
             ToDeviceSetup | ToAnalogChannel | ToDigitalChannel | ToRelayOutput | ToAdAlarmMessage | ToInAlarmMessage
                 | ToDataRecord | ToEthernetSetting);
}

void MainModel::batchButton()
{
    const int link = m_session.link();
    if (link == LinkGsmModem) {
        if (!modemReady())
            return;
        sendModem(ModemTest, true);
        return;
    }
    if (!m_session.guard(CommandGuard::mainWindow(Route::Active, true)))
        return;
    emit showSheetPage(7);
    postPage(msg::BatchNotice, ToBatchSetup, 1, 1); // WM_USER+18
}

bool MainModel::modemReady()
{
    if (!m_session.serialOpen()) {
        showMessage(QStringLiteral("Before Setup Command ,please Connect!"));
        return false;
    }
    if (m_session.serialRecord().inProgress) {
        showMessage(QStringLiteral("Command is in progress..."));
        return false;
    }
    return true;
}

void MainModel::modemVersion()
{
    if (m_session.link() != LinkGsmModem) {
        showMessage(QStringLiteral("Please select GSM Modem first."));
        return;
    }
    if (modemReady())
        sendModem(ModemVersion, false);
}

void MainModel::init()
{
    const int link = m_session.link();
    if (link == LinkGsmModem)
        return;
    if (!m_session.guard(CommandGuard::mainWindow(Route::Active, true)))
        return;
    if (link != LinkEthernet) {
        if (!m_session.serialOpen()) {
            showMessage(QStringLiteral("First please Select Port to Connect!"));
            emit connectionListSelectionCleared();
            return;
        }
    }
    if (!messages().confirm(QStringLiteral("Init"), initQuestion()))
        return;
    postPage(msg::LoadDefaultFile, ToBatchSetup, 0, modelCode()); // WM_USER+19
    postPage(msg::RunInit, ToBatchSetup, 0, 0);                   // WM_USER+22
    emit showSheetPage(0);
    emit showSheetPage(7);
    m_session.profile().humidityCalibration = false;
}

QString MainModel::initQuestion()
{
    // The question names the logger, the link and what will be written.
    const QString name = modelName(modelCode());
    const ConfigOpenResult file =
        readConfigFile(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name + QStringLiteral(".cfg"));
    QSet<int> codes;
    for (const auto &[code, text] : file.entries)
        if (!text.isEmpty())
            codes.insert(code);
    const char *link = m_session.link() == LinkEthernet ? "Ethernet" : m_session.link() == LinkGsmModem ? "GSM Modem" : "RS232";
    return QStringLiteral("Please confirm to initialize the device.\n\nLogger %1 on %2: %3 settings from %4.cfg are written.")
        .arg(QString::fromLocal8Bit(m_session.currentEntry().id), QLatin1String(link))
        .arg(codes.size())
        .arg(name);
}

void MainModel::resetShortcut()
{
    if (!m_session.serialCommandGuard())
        return;
    // The exchange starts at once here (no posted message). It runs on the
    // record of the active link, which is the serial one unless the program
    // is on Ethernet.
    Outgoing reset;
    reset.code = codes::Reset;
    reset.text = formatTemplate(templates::Reset, {m_session.phoneBook().CurrentGsmEntry().setupPassword});
    reset.route = Route::Serial;
    reset.start = Outgoing::Start::AtOnce;
    m_session.send(reset);
    emit showSheetPage(0);
    m_session.profile().humidityCalibration = false;
}

int MainModel::runToEnd(const std::function<void()> &send)
{
    int result = -1;
    bool finished = false;
    QEventLoop loop;
    const auto c = connect(this, &MainModel::exchangeFinished, &loop, [&](int, int code, const QString &) {
        result = code;
        finished = true;
        loop.quit();
    });
    send();
    // The start of a submitted command is posted.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    if (!finished && m_exchange.running())
        loop.exec();
    disconnect(c);
    return result;
}

void MainModel::clearLogs()
{
    m_dataLogs.clear();
    m_sendLogs.clear();
    emit panesChanged();
}

void MainModel::addSendLogEntry(const QByteArray &text)
{
    m_sendLogs = prependPaneEntry(m_sendLogs, text, clock().now());
    emit sendLogAdded(text);
    emit panesChanged();
}

} // namespace kaspen
