#include "pages/datarecord/DataRecordModel.h"
#include "pages/datarecord/HistoryRecords.h"
#include "base/Clock.h"
#include "base/MessageSink.h"
#include "protocol/ReplyItems.h"
#include "session/Session.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace kaspen {

using namespace history;

namespace {
QByteArray two(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

DataRecordModel::Column baseColumn(const char *title, int width, bool centred)
{
    DataRecordModel::Column c;
    c.title = QString::fromLatin1(title);
    c.width = width;
    c.centred = centred;
    c.kind = DataRecordModel::Column::Base;
    return c;
}

QByteArray csvField(const QString &text)
{
    QByteArray b = text.toUtf8();
    if (b.contains(',') || b.contains('"') || b.contains('\n') || b.contains('\r')) {
        b.replace("\"", "\"\"");
        b = '"' + b + '"';
    }
    return b;
}
} // namespace

DataRecordModel::DataRecordModel(Session &session, Clock *clock, QObject *parent)
    : QObject(parent), m_session(session), m_clock(clock)
{
    const QDate today = now().date();
    m_queryDate = today;
    m_startDate = today;
    m_endDate = today;
}

QDateTime DataRecordModel::now() const
{
    return wallClock(m_clock ? m_clock->now() : kaspen::clock().now());
}

// ---- guard ---------------------------------------------------------------

bool DataRecordModel::commandGuard()
{
    CommandGuard g;
    g.notConnectedSerial = QStringLiteral("Before Setup Command ,please Connect!");
    g.notConnectedEthernet = QStringLiteral("Before Setup Command ,please Connect First!");
    return m_session.guard(g);
}

// ---- query ---------------------------------------------------------------

QStringList DataRecordModel::countChoices() const
{
    QStringList c;
    const int n = m_session.link() == LinkGsmModem ? 1 : MaxCount;
    for (int i = 1; i <= n; ++i)
        c << QString::number(i);
    return c;
}

void DataRecordModel::resetList()
{
    m_rows.clear();
    m_columns.clear();
    m_columns << baseColumn("Count", 60, true) << baseColumn("Header", 65, true) << baseColumn("Station ID", 90, false)
              << baseColumn("Date", 100, false) << baseColumn("Time", 90, false);
    emit listReset();
}

bool DataRecordModel::query()
{
    if (!commandGuard())
        return false;
    m_session.dataQueryFlag = true;
    m_session.dataDownloadFlag = false;
    if (m_hour < 0) {
        showMessage(QStringLiteral("Please Select Hour !"));
        return false;
    }
    if (m_minute < 0) {
        showMessage(QStringLiteral("Please Select Minute !"));
        return false;
    }
    if (m_count < 0) {
        showMessage(QStringLiteral("Please Select Number of Records !"));
        return false;
    }
    // The GSM modem carries one SMS per reply: one record.
    const int count = m_session.link() == LinkGsmModem ? 1 : std::clamp(m_count, 1, MaxCount);
    const QByteArray text =
        redeemCommand(m_session.currentEntry().enquiryPassword, redeemParameter(m_queryDate, m_hour, m_minute, count));
    const bool sent = m_session.SubmitCommand(Code, text);
    resetList();
    m_rowCounter = 0;
    m_columnsPending = true;
    m_liveCounter = 0;
    m_liveFirst = true;
    return sent;
}

int DataRecordModel::columnOf(const QByteArray &key) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).key == key)
            return i;
    }
    return -1;
}

void DataRecordModel::addChannelColumns(const QByteArray &packet, bool live, int firstRow, int rowsInPacket, bool create)
{
    const int columnsBefore = int(m_columns.size());
    auto place = [&](const QByteArray &key, const QString &title, int width, Column::Kind kind, const QList<QByteArray> &parts) {
        if (columnOf(key) < 0) {
            if (!create)
                return;
            Column c;
            c.title = title;
            c.key = key;
            c.width = width;
            c.kind = kind;
            m_columns.append(c);
        }
        for (int i = 0; i < rowsInPacket && i < parts.size(); ++i)
            m_rows[firstRow + i].values.insert(key, QString::fromLocal8Bit(parts.at(i)));
    };
    for (int n = 0; n <= 59; ++n) {
        const QByteArray key = 'A' + two(n);
        const QByteArray v = GetItemValue(packet, key + ':').value;
        if (v.isEmpty())
            continue;
        QString title = analogTitle(n);
        if (title.isEmpty())
            title = QString::fromLatin1(key);
        const bool wide = title.contains(QLatin1String("Humidity")) || title.contains(QLatin1String("Temperature"));
        place(key, title, wide ? 100 : 60, Column::Analog, v.split('|'));
    }
    for (int n = 1; n <= 59; ++n) {
        const QByteArray key = 'P' + two(n);
        const QByteArray v = GetItemValue(packet, key + ':').value;
        if (v.isEmpty())
            continue;
        QString title = pulseTitle(n);
        if (title.isEmpty())
            title = QString::fromLatin1(key);
        place(key, title, 80, Column::Pulse, v.split('|'));
    }
    const char *suffix = live ? ":" : "";
    for (int which = 0; which < 2; ++which) {
        const bool digital = which == 0;
        const ItemValue item = GetItemValue(packet, digital ? "K01:" : "O01:");
        if (item.position < 0 || item.value.isEmpty())
            continue;
        const QList<QByteArray> perRow = item.value.split('|');
        for (int i = 0; i < rowsInPacket && i < perRow.size(); ++i) {
            const QByteArray &states = perRow.at(i);
            for (int j = 0; j < states.size(); ++j) {
                const int number = digital ? j : j + 1;
                const QByteArray key = (digital ? 'K' : 'O') + two(number);
                if (columnOf(key) < 0) {
                    if (!create)
                        continue;
                    Column c;
                    c.title = QString::fromLatin1(key + suffix);
                    c.key = key;
                    c.width = digital ? 40 : 50;
                    c.kind = digital ? Column::Digital : Column::Relay;
                    m_columns.append(c);
                }
                m_rows[firstRow + i].values.insert(key, QString(QLatin1Char(states.at(j))));
            }
        }
    }
    if (m_columns.size() != columnsBefore)
        emit columnsChanged();
}

void DataRecordModel::showQueryReply(const QByteArray &reply)
{
    for (const QByteArray &piece : splitPackets(reply, "#STD:")) {
        const QString station = QString::fromLocal8Bit(stationIdOf(piece, "#STD:"));
        const int step = intervalSeconds(numberItem(piece, ";D:"));
        const int records = std::max(0, numberItem(piece, ";T:"));
        const TimeStamp ts = parseTimeStamp(GetItemValue(piece, "TM:").value);
        const int first = int(m_rows.size());
        for (int k = 0; k < records; ++k) {
            Row r;
            r.count = QString::number(m_rows.size() + 1);
            r.header = QStringLiteral("STD");
            r.stationId = station;
            if (ts.time.isValid())
                r.when = ts.time.addSecs(qint64(k) * step);
            if (ts.form == TimeStamp::Formatted && (k == 0 || !r.when.isValid())) {
                r.date = ts.dateText;
                r.time = ts.timeText;
            } else if (r.when.isValid()) {
                r.date = QString::fromLatin1(formatTime(r.when, "%m/%d/%Y"));
                r.time = QString::fromLatin1(formatTime(r.when, "%X"));
            }
            m_rows.append(r);
            ++m_rowCounter;
        }
        addChannelColumns(piece, false, first, records, m_columnsPending);
        m_columnsPending = false;
        if (records > 0)
            emit rowsAdded(first, records);
    }
}

void DataRecordModel::showLiveRow(const QByteArray &status)
{
    const bool create = m_liveFirst;
    if (m_liveFirst) {
        resetList();
        m_liveFirst = false;
    }
    const TimeStamp ts = parseTimeStamp(GetItemValue(status, "TM:").value);
    Row r;
    r.live = true;
    r.count = QString::number(++m_liveCounter);
    r.header = QStringLiteral("STA");
    r.stationId = QString::fromLocal8Bit(stationIdOf(status, "#STA:"));
    r.when = ts.time;
    switch (ts.form) {
    case TimeStamp::Seconds:
        r.date = QString::fromLatin1(formatTime(ts.time, "%m/%d/%y"));
        r.time = QString::fromLatin1(formatTime(ts.time, "%H:%M:%S"));
        break;
    case TimeStamp::Minutes:
        r.date = QString::fromLatin1(formatTime(ts.time, "%m/%d/%y"));
        r.time = QString::fromLatin1(formatTime(ts.time, "%H:%M"));
        break;
    case TimeStamp::Formatted:
        r.date = ts.dateText;
        r.time = ts.timeText;
        break;
    case TimeStamp::None:
        break;
    }
    const int first = int(m_rows.size());
    m_rows.append(r);
    addChannelColumns(status, true, first, 1, create);
    emit rowsAdded(first, 1);
}

QString DataRecordModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return QString();
    const Row &r = m_rows.at(row);
    const Column &c = m_columns.at(column);
    if (c.kind != Column::Base)
        return r.values.value(c.key);
    switch (column) {
    case 0: return r.count;
    case 1: return r.header;
    case 2: return r.stationId;
    case 3: return r.date;
    case 4: return r.time;
    default: return QString();
    }
}

QByteArray DataRecordModel::table() const
{
    QByteArray out;
    QStringList titles;
    for (const Column &c : m_columns)
        titles << c.title;
    out += titles.join(QLatin1Char('\t')).toLocal8Bit() + '\n';
    for (int r = 0; r < m_rows.size(); ++r) {
        QStringList cells;
        for (int c = 0; c < m_columns.size(); ++c)
            cells << cell(r, c);
        out += cells.join(QLatin1Char('\t')).toLocal8Bit() + '\n';
    }
    return out;
}

QByteArray DataRecordModel::csv() const
{
    QByteArray out;
    QList<QByteArray> fields;
    for (const Column &c : m_columns)
        fields << csvField(c.title);
    out += fields.join(',') + "\r\n";
    for (int r = 0; r < m_rows.size(); ++r) {
        const Row &row = m_rows.at(r);
        fields.clear();
        for (int c = 0; c < m_columns.size(); ++c) {
            QString text = cell(r, c);
            if (row.when.isValid() && m_columns.at(c).kind == Column::Base) {
                if (c == 3)
                    text = row.when.toString(QStringLiteral("yyyy-MM-dd"));
                else if (c == 4)
                    text = row.when.toString(QStringLiteral("HH:mm:ss"));
            }
            fields << csvField(text);
        }
        out += fields.join(',') + "\r\n";
    }
    return out;
}

bool DataRecordModel::exportCsv(const QString &path, QString *error) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = f.errorString();
        return false;
    }
    const QByteArray data = csv();
    if (f.write(data) != data.size()) {
        *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

void DataRecordModel::clear()
{
    m_hour = m_minute = m_count = -1;
    m_rows.clear();
    m_rowCounter = 0;
    m_liveCounter = 0;
    m_liveFirst = true;
    emit listReset();
}

// ---- download ------------------------------------------------------------

int DataRecordModel::maxPerRequest() const
{
    return m_session.link() == LinkGsmModem ? 1 : MaxCount;
}

int DataRecordModel::perRequest() const
{
    return std::clamp(m_perRequest, 1, maxPerRequest());
}

QString DataRecordModel::prepareDownload()
{
    if (!commandGuard())
        return QString();
    m_session.dataDownloadFlag = true;
    m_session.dataQueryFlag = false;
    const QDateTime current = now();
    const QDate today = current.date();
    m_rangeStart = QDateTime(m_startDate, QTime(0, 0), Qt::UTC);
    m_rangeEnd = m_endDate == today ? current : QDateTime(m_endDate, QTime(23, 59, 59), Qt::UTC);
    m_rangeLength = m_rangeStart.secsTo(m_rangeEnd);
    if (m_startDate > today) {
        showMessage(QStringLiteral("The \"Start Date\" you selected must before today!"));
        return QString();
    }
    if (m_endDate > today) {
        showMessage(QStringLiteral("The \"End Date\" you selected must before today!"));
        return QString();
    }
    if (m_startDate > m_endDate) {
        showMessage(QStringLiteral("The \"Start Date\" must before the \"End Date\"!"));
        return QString();
    }
    QByteArray station = m_session.activeRecord().stationIdText;
    if (station.isEmpty())
        station = m_session.currentEntry().id;
    return proposedFileName(station, m_startDate, m_endDate);
}

void DataRecordModel::abandonDownload()
{
    m_active = false;
    m_awaiting = false;
}

bool DataRecordModel::sendRequest(const QDateTime &at, int count)
{
    const QByteArray text = redeemCommand(m_session.currentEntry().enquiryPassword, redeemParameter(at, count));
    m_awaiting = m_session.SubmitCommand(Code, text);
    return m_awaiting;
}

bool DataRecordModel::startDownload(const QString &path)
{
    m_path = path;
    m_replies = 0;
    m_received = 0;
    m_total = 0;
    m_saved = 0;
    m_fileSize = 0;
    m_cursor = m_rangeStart;
    m_outcome = Outcome::None;
    m_active = true;
    // The first request asks for one record: its reply tells the interval.
    if (!sendRequest(m_rangeStart, 1)) {
        m_active = false;
        m_outcome = Outcome::NotSent;
        emit downloadEnded(m_outcome);
        return false;
    }
    emit progressOpened(m_total);
    return true;
}

bool DataRecordModel::appendLine(const QByteArray &line, QString *error)
{
    if (m_replies <= 1 || m_fileSize == 0) {
        // The first line creates the file (or replaces what it held).
        QSaveFile f(m_path);
        if (!f.open(QIODevice::WriteOnly) || f.write(line) != line.size()) {
            *error = f.errorString();
            f.cancelWriting();
            return false;
        }
        if (!f.commit()) {
            *error = f.errorString();
            return false;
        }
        m_fileSize = line.size();
        return true;
    }
    QFile f(m_path);
    if (!f.open(QIODevice::ReadWrite)) {
        *error = f.errorString();
        return false;
    }
    // Whatever a failed write left after the last whole line goes.
    if (f.size() != m_fileSize && !f.resize(m_fileSize)) {
        *error = f.errorString();
        return false;
    }
    if (!f.seek(m_fileSize) || f.write(line) != line.size() || !f.flush()) {
        *error = f.errorString();
        f.resize(m_fileSize);
        return false;
    }
    m_fileSize += line.size();
    return true;
}

void DataRecordModel::endDownload(Outcome outcome, const QString &message, bool closeWindow)
{
    m_active = false;
    m_awaiting = false;
    m_outcome = outcome;
    if (closeWindow)
        emit progressWindowClosed();
    emit downloadEnded(outcome);
    if (message.isEmpty())
        return;
    if (outcome == Outcome::WriteFailed)
        showError(message);
    else
        showMessage(message);
}

void DataRecordModel::downloadReply(const QByteArray &reply)
{
    // A reply nobody of this download waits for (it ended, or it came after
    // its request was given up) is neither written nor answered.
    if (!m_awaiting)
        return;
    m_awaiting = false;
    const int code = numberItem(reply, ";D:");
    if (code == 0) {
        endDownload(Outcome::NoData, QStringLiteral("No history package data!"));
        return;
    }
    if (!reply.contains("#STD:"))
        return;
    const int step = intervalSeconds(code);
    if (step == 0) {
        endDownload(Outcome::UnknownInterval,
                    QStringLiteral("The logger sent history data with the unknown logging interval code %1: the "
                                   "download stopped. %2 records are saved in %3.")
                        .arg(code)
                        .arg(m_saved)
                        .arg(m_path));
        return;
    }
    int records = 0;
    for (const QByteArray &piece : splitPackets(reply, "#STD:"))
        records += std::max(0, numberItem(piece, ";T:"));
    m_total = int(m_rangeLength / step + 1);
    ++m_replies;
    m_cursor = m_cursor.addSecs(qint64(std::max(records, 1)) * step);
    const QDateTime limit = m_rangeEnd.addSecs(qint64(records) * step);
    if (m_cursor <= limit && m_active) {
        QString error;
        if (!appendLine(QByteArray::number(m_replies) + ':' + reply + "\r\n", &error)) {
            endDownload(Outcome::WriteFailed,
                        QStringLiteral("Cannot write the download file %1: %2\nThe download stopped; %3 records "
                                       "received before are kept in it.")
                            .arg(m_path, error)
                            .arg(m_saved));
            return;
        }
        m_saved += records;
        m_received += records;
        emit progressChanged(m_received, m_total);
        if (m_cursor >= m_rangeEnd) {
            endDownload(Outcome::Completed, QStringLiteral("Download completed!"));
            return;
        }
    }
    if (m_cursor > limit) {
        endDownload(Outcome::Completed, QStringLiteral("Download completed!"));
        return;
    }
    if (m_active) {
        // As many records as there are left before the range end, at most
        // the records per request.
        const qint64 left = (m_cursor.secsTo(m_rangeEnd) + step - 1) / step;
        const int count = int(std::clamp<qint64>(left, 1, perRequest()));
        sendRequest(m_cursor, count);
    }
}

void DataRecordModel::downloadEndedByStatus()
{
    if (!m_awaiting)
        return;
    endDownload(Outcome::Completed, QStringLiteral("Download completed!"));
}

void DataRecordModel::cancelDownload()
{
    if (!m_active)
        return;
    // The file keeps every whole line received so far and nothing after it.
    QFile f(m_path);
    if (m_fileSize == 0) {
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.close();
    } else if (f.exists() && f.size() != m_fileSize) {
        f.resize(m_fileSize);
    }
    endDownload(Outcome::Cancelled,
                QStringLiteral("DownLoad Cancel Success!\n%1 records saved in %2").arg(m_saved).arg(m_path));
}

void DataRecordModel::progressClosed()
{
    if (!m_active)
        return;
    m_active = false;
    m_awaiting = false;
    m_outcome = Outcome::Cancelled;
    emit downloadEnded(m_outcome);
}

void DataRecordModel::exchangeFinished(int commandCode, int resultCode)
{
    // A reply that comes later still continues the download.
    if (commandCode == Code && m_active && m_awaiting && resultCode != ResultSuccess)
        emit requestUnanswered(resultCode);
}

// ---- messages ------------------------------------------------------------

void DataRecordModel::handleMessage(const PageMessage &m)
{
    switch (m.message) {
    case msg::DataRecords: // WM_USER+14
        if (m.wParam == 0)
            showQueryReply(m.text);
        else if (m.wParam == 1)
            downloadReply(m.text);
        else if (m.wParam == 2)
            downloadEndedByStatus();
        break;
    case msg::StatusReply: // WM_USER+10
        if (m_session.dataQueryFlag)
            showLiveRow(m.text);
        break;
    case msg::ClearFields: // WM_USER+15
        clear();
        break;
    default:
        break;
    }
}

} // namespace kaspen
