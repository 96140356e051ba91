#include "pages/batch/BatchSetupModel.h"

#include "base/MessageSink.h"
#include "session/Session.h"
#include "base/Clock.h"
#include "base/InstallPaths.h"
#include "protocol/CommandCodes.h"
#include "protocol/CommandText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <cstdlib>

namespace kaspen {

namespace {
constexpr int ButtonTimerMs = 500;
const QString Ready = QString::fromLatin1(batchstatus::Ready);
const QString Sending = QString::fromLatin1(batchstatus::Sending);
} // namespace

BatchSetupModel::BatchSetupModel(Session &session, QObject *parent)
    : QObject(parent), m_session(session), m_list(this),
      m_runner([this](const BatchRunner::Item &item) { return sendItem(item); }, this)
{
    m_buttonTimer.setInterval(ButtonTimerMs);
    connect(&m_buttonTimer, &QTimer::timeout, this, &BatchSetupModel::onButtonTimer);
    connect(&m_runner, &BatchRunner::ended, this, &BatchSetupModel::onRunnerEnded);
    connect(&m_session, &Session::serialLineLost, this, [this](const QString &) { checkLineDuringRun(); });
}

BatchSetupModel::~BatchSetupModel() = default;

// ---------------------------------------------------------------------------
// Messages from the main window

void BatchSetupModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::BatchNotice: // WM_USER+18
        if (m.wParam == 0) {
            if (m.lParam == 0) {
                // GSM modem link: no batch setup there.
                m_list.clearRows();
                m_linkEnabled = false;
            } else {
                m_linkEnabled = true;
            }
            emit controlsChanged();
        } else if (m.wParam == 1) {
            if (m.lParam == 1)
                m_band = true;
            rebuild(true);
        } else if (m.wParam == 2) {
            onCommandFinished(m.text);
        }
        break;
    case msg::LoadDefaultFile: // WM_USER+19
        loadDefaultFile(int(m.lParam));
        break;
    case msg::RunInit: // WM_USER+22
        startInitRun();
        break;
    default:
        break;
    }
}

void BatchSetupModel::rebuild(bool checked)
{
    m_list.rebuild(m_session.batchTable().entries(), m_session.currentEntry().setupPassword, m_band, checked);
}

// ---------------------------------------------------------------------------
// Configuration files

bool BatchSetupModel::openConfigFile(const QString &path)
{
    const ConfigOpenResult r = readConfigFile(path);
    const QString shown = QDir::toNativeSeparators(path);
    switch (r.status) {
    case ConfigOpenResult::CannotRead:
        showMessage(QStringLiteral("Cannot open configure file %1 !").arg(shown));
        return false;
    case ConfigOpenResult::NotWellFormed:
        showMessage(QStringLiteral("Configure file %1 is damaged!").arg(shown));
        return false;
    case ConfigOpenResult::OtherRoot:
        showMessage(QStringLiteral("%1 is not a configure file!").arg(shown));
        return false;
    case ConfigOpenResult::Ok:
        break;
    }
    // A later element with the same code replaces an earlier one.
    m_session.batchTable().replaceAll(r.entries);
    m_sourceFile = path;
    if (r.recordCount > 0)
        rebuild(false);
    return true;
}

bool BatchSetupModel::canSave() const
{
    return m_list.rowCount() > 0 && !m_session.batchTable().isEmpty();
}

QString BatchSetupModel::withCfgSuffix(const QString &path)
{
    return path.contains(QLatin1String(".cfg")) ? path : path + QStringLiteral(".cfg");
}

bool BatchSetupModel::saveConfigFile(const QString &chosenPath)
{
    if (!canSave())
        return false;
    const QString path = withCfgSuffix(chosenPath);
    std::vector<ConfigRow> rows;
    rows.reserve(size_t(m_list.rowCount()));
    for (int i = 0; i < m_list.rowCount(); ++i) {
        const BatchRow &r = m_list.row(i);
        rows.push_back({r.number, r.text, r.code, r.checked});
    }
    QString error;
    if (writeConfigFile(path, rows, clock().now(), &error))
        return true;
    showMessage(QStringLiteral("Cannot save configure file %1 !\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

QString BatchSetupModel::defaultFilePath(int modelCode)
{
    const QString name = modelName(modelCode);
    if (name.isEmpty() || modelCode == ModelOrvelC)
        return QString();
    // Next to the executable (a build tree), else the install's shared files;
    // when neither has it, the path next to the executable names what is missing.
    const QString file = name + QStringLiteral(".cfg");
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString found = findShippedFile(file, exeDir);
    return found.isEmpty() ? exeDir + QLatin1Char('/') + file : found;
}

bool BatchSetupModel::loadDefaultFile(int modelCode)
{
    m_defaultLoaded = false;
    const QString path = defaultFilePath(modelCode);
    if (path.isEmpty()) {
        showMessage(QStringLiteral("No default configure file for this model!"));
        return false;
    }
    if (!openConfigFile(path))
        return false;
    rebuild(true);
    m_defaultLoaded = m_list.rowCount() > 0;
    return m_defaultLoaded;
}

// ---------------------------------------------------------------------------
// List buttons

void BatchSetupModel::selectAll() { m_list.setAllChecked(true); }
void BatchSetupModel::deselectAll() { m_list.setAllChecked(false); }
void BatchSetupModel::bufferClear() { m_list.clearRows(); }

bool BatchSetupModel::deleteRows(const QList<int> &rows)
{
    if (m_running)
        return false;
    m_list.removeRowList(rows);
    return true;
}

// ---------------------------------------------------------------------------
// Runs

QByteArray BatchSetupModel::nextStationId(const QByteArray &currentId, bool increment)
{
    long long id = std::strtoll(currentId.constData(), nullptr, 10);
    if (id >= 999999)
        id = 0;
    else if (increment)
        id += 1;
    return formatTemplate("%.6lld", {id});
}

void BatchSetupModel::applyStationId(int r, bool increment)
{
    const BatchRow &row = m_list.row(r);
    const qsizetype at = row.text.indexOf("ST:");
    if (at < 0 || row.text.size() < at + 4)
        return;
    const QByteArray id = row.text.mid(at + 3, row.text.size() - 1 - (at + 3));
    const QByteArray next = nextStationId(id, increment);
    const QByteArray text = formatTemplate("%sST:%s", {row.text.left(at), next}) + "#";
    m_list.setTextAndParameters(r, text, next);
}

bool BatchSetupModel::startBatchRun(const QString &kind)
{
    CommandGuard g;
    g.notConnectedSerial = g.notConnectedEthernet = QStringLiteral("Before Batch Setup,please Connect!");
    g.checkEntry = false;
    if (!m_session.guard(g))
        return false;
    beginRecord(kind);
    queueCheckedRows(true);
    maybeRecordRun();
    return true;
}

void BatchSetupModel::startInitRun()
{
    // Only what the default file has just listed is run; when it could not
    // be read, Init must not replay whatever the list held before.
    if (!m_defaultLoaded)
        return;
    m_defaultLoaded = false;
    beginRecord(QStringLiteral("init"));
    queueCheckedRows(false);
    maybeRecordRun();
}

bool BatchSetupModel::rerunFailedRows()
{
    if (m_running || m_lastRun.rows.empty())
        return false;
    std::vector<int> failed;
    for (size_t i = 0; i < m_lastRun.rows.size() && i < m_lastRunRowIds.size(); ++i)
        if (!audit::succeeded(m_lastRun.rows[i].result))
            failed.push_back(m_lastRunRowIds[i]);
    bool any = false;
    for (int r = 0; r < m_list.rowCount(); ++r) {
        const bool again = std::find(failed.begin(), failed.end(), m_list.row(r).id) != failed.end();
        m_list.setChecked(r, again);
        any = any || again;
    }
    if (!any)
        return false;
    return startBatchRun(m_lastRun.kind == QLatin1String("init") ? QStringLiteral("batch") : m_lastRun.kind);
}

int BatchSetupModel::showComparison(const std::vector<CompareRow> &rows)
{
    int checked = 0;
    for (int r = 0; r < m_list.rowCount(); ++r) {
        const BatchRow &row = m_list.row(r);
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const CompareRow &c) { return c.code == row.code; });
        if (it == rows.end()) {
            m_list.setChecked(r, false);
            m_list.setStatus(r, QString());
            continue;
        }
        QString status = QString::fromLatin1(compare::outcomeText(it->outcome));
        if (it->outcome == CompareRow::Different)
            status += QStringLiteral(": ") + QString::fromLatin1(it->loggerValue);
        const bool differs = it->outcome != CompareRow::Same;
        m_list.setStatus(r, status);
        m_list.setChecked(r, differs);
        checked += differs;
    }
    return checked;
}

void BatchSetupModel::beginRecord(const QString &kind)
{
    m_recording = true;
    m_recordRowIds.clear();
    for (int r = 0; r < m_list.rowCount(); ++r)
        if (m_list.row(r).checked)
            m_recordRowIds.push_back(m_list.row(r).id);
    AuditRun run;
    run.started = clock().now();
    run.kind = kind;
    const CurrentEntry entry = m_session.currentEntry();
    run.loggerId = QString::fromLatin1(entry.id);
    run.link = linkName(m_session.link());
    run.endpoint = m_session.endpointName();
    if (!m_sourceFile.isEmpty()) {
        run.fileName = QFileInfo(m_sourceFile).fileName();
        run.fileSha256 = audit::fileSha256(m_sourceFile);
    }
    m_record = run;
}

// The run is over once the runner has ended and no row waits for its result.
void BatchSetupModel::maybeRecordRun()
{
    if (!m_recording || m_running || m_runner.busy() || m_sendingRowId)
        return;
    m_recording = false;
    AuditRun run = m_record;
    for (const int id : m_recordRowIds) {
        const int r = m_list.rowOfId(id);
        if (r < 0)
            continue;
        const BatchRow &row = m_list.row(r);
        run.rows.push_back({row.code, row.object, row.parameters, row.status});
    }
    m_lastRun = run;
    m_lastRunRowIds.clear();
    for (const int id : m_recordRowIds)
        if (m_list.rowOfId(id) >= 0)
            m_lastRunRowIds.push_back(id);
    if (run.rows.empty())
        return;
    QString error;
    if (!audit::append(run, &error))
        showError(QStringLiteral("Cannot write the audit trail %1 !\n%2").arg(QDir::toNativeSeparators(audit::path()), error));
    emit runRecorded();
}

void BatchSetupModel::queueCheckedRows(bool increment)
{
    for (int r = 0; r < m_list.rowCount(); ++r) {
        if (!m_list.row(r).checked)
            continue;
        if (m_autoStationId && m_list.row(r).code == codes::StationId)
            applyStationId(r, increment);
        const BatchRow &row = m_list.row(r);
        m_list.setStatus(r, Ready);
        m_runner.enqueue({row.text, row.id});
        m_running = true;
    }
    if (m_running && !m_buttonTimer.isActive())
        m_buttonTimer.start();
}

// Runs on the UI thread for each command the runner takes.
bool BatchSetupModel::sendItem(const BatchRunner::Item &item)
{
    const QByteArray &text = item.text;
    const int r = m_list.rowOfId(item.rowId);
    if (r >= 0)
        m_list.setStatus(r, Sending);
    m_sendingRowId = item.rowId;

    const QByteArray head = text.mid(6, 3);
    const QByteArray head4 = text.mid(6, 4);
    if (head == "#IP")
        m_session.setIpCommandSent(true);

    // Claimed under the batch code; "#PS:" runs under the password code.
    // Batch texts go out as they are (no batch on the GSM modem).
    Outgoing c;
    c.code = head4 == "#PS:" ? codes::Passwords : codes::Batch;
    c.text = text;
    c.framing = Outgoing::Framing::AsIs;
    // In the Send Command logs like every other command sent.
    c.log = Outgoing::Log::AsSent;
    if (head == "#ST")
        m_session.activeRecord().stationIdText = text.mid(10, 6);
    if (head4 == "#AGR") {
        // The hexadecimal form, with the Setup password's bytes in front.
        const qsizetype from = text.indexOf("#AGR:");
        const qsizetype to = text.indexOf("###", from + 5);
        const QByteArray args = text.mid(from + 5, to < 0 ? -1 : to - from - 5);
        const QByteArray pwHex = bytesToHexPairs(m_session.currentEntry().setupPassword.left(6));
        c.hexForm = formatTemplate(templates::AgrHex, {pwHex, args});
    }
    if (!m_session.send(c)) {
        failRun(QString::fromLatin1(batchstatus::SendFail));
        return false;
    }
    if (head4 == "#PS:") {
        // The phone book follows at once; the logger's confirmation stores
        // the same passwords again.
        const QByteArray enquiry = text.mid(10, 6);
        const QByteArray setup = text.mid(17, 6);
        PhoneBook &book = m_session.phoneBook();
        if (m_session.onEthernet()) {
            const EthernetEntry e = book.CurrentEthernetEntry();
            if (!e.connectId.isEmpty() && book.EditEthernetEntry(e.connectId, e.phone, enquiry, setup))
                book.SelectEthernetEntry(e.connectId);
        } else {
            const GsmEntry e = book.CurrentGsmEntry();
            if (!e.id.isEmpty() && book.EditGsmEntry(e.id, e.phone, enquiry, setup))
                book.SelectGsmEntry(e.id);
        }
    }
    return true;
}

void BatchSetupModel::onCommandFinished(const QByteArray &statusText)
{
    const QString status = QString::fromLatin1(statusText);
    if (m_resultDelayMs <= 0) {
        writeResult(status);
        return;
    }
    QTimer::singleShot(m_resultDelayMs, this, [this, status] { writeResult(status); });
}

void BatchSetupModel::writeResult(const QString &status)
{
    int r = m_sendingRowId ? m_list.rowOfId(m_sendingRowId) : -1;
    if (r >= 0 && m_list.row(r).status != Sending)
        r = -1;
    m_sendingRowId = 0;
    if (r >= 0) {
        m_list.setStatus(r, status);
        emit rowFinished(r, status);
    }
    m_runner.wake();
    maybeRecordRun();
}

void BatchSetupModel::failRun(const QString &sendingStatus)
{
    if (m_sendingRowId) {
        const int r = m_list.rowOfId(m_sendingRowId);
        m_sendingRowId = 0;
        if (r >= 0) {
            m_list.setStatus(r, sendingStatus);
            emit rowFinished(r, sendingStatus);
        }
    }
    m_runner.abort();
    clearReadyRows();
    maybeRecordRun();
}

void BatchSetupModel::clearReadyRows()
{
    for (int r = 0; r < m_list.rowCount(); ++r)
        if (m_list.row(r).status == Ready)
            m_list.setStatus(r, QString());
}

void BatchSetupModel::onRunnerEnded(BatchRunner::EndReason reason)
{
    if (reason != BatchRunner::EndReason::Done)
        clearReadyRows();
    if (m_runner.busy())
        return; // a new run has started meanwhile
    m_running = false;
    emit runEnded();
    maybeRecordRun();
}

void BatchSetupModel::checkLineDuringRun()
{
    if (m_session.onEthernet())
        return;
    if ((m_running || m_sendingRowId) && !m_session.serialOpen())
        failRun(QString::fromLatin1(batchstatus::LineLost));
}

// Timer 1, every 500 ms while it runs.
void BatchSetupModel::onButtonTimer()
{
    checkLineDuringRun();
    if (m_running) {
        setRunLock(true);
    } else {
        setRunLock(false);
        m_buttonTimer.stop();
    }
}

void BatchSetupModel::setRunLock(bool lock)
{
    if (m_runLock == lock)
        return;
    m_runLock = lock;
    emit controlsChanged();
}

} // namespace kaspen
