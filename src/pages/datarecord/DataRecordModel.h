#pragma once
// The Data Record page without its windows: the query (one REDEEM for up to
// 99 records from a chosen time, shown as a list), the live row of a status
// record during a query, and the download of a date range into a text file,
// one request per reply, with its progress. DataRecordPage and kaspen-cli
// both drive it.

#include "session/PageMessages.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kaspen {

class Session;
class Clock;

class DataRecordModel : public QObject {
    Q_OBJECT
public:
    static constexpr int Code = 15001;
    static constexpr int MaxCount = 99;

    struct Column {
        enum Kind { Base, Analog, Pulse, Digital, Relay };
        QString title;
        QByteArray key; // "A05", "P01", "K00", "O01"; empty for base columns
        int width = 60;
        bool centred = false;
        Kind kind = Base;
    };
    // Base cells are kept by title, channel cells by key.
    struct Row {
        QString count, header, stationId, date, time;
        QDateTime when; // logger wall clock; invalid when the time cannot be read
        QHash<QByteArray, QString> values;
        bool live = false;
    };

    explicit DataRecordModel(Session &session, Clock *clock = nullptr, QObject *parent = nullptr);

    // ---- query group
    // The choices of "Number of Records:" (refilled at every drop-down):
    // 1 ... 99 on RS232 and Ethernet, 1 only on the GSM modem link.
    QStringList countChoices() const;
    void setQueryDate(const QDate &d) { m_queryDate = d; }
    void setHour(int h) { m_hour = h; }     // -1: none chosen
    void setMinute(int m) { m_minute = m; } // -1: none chosen
    void setCount(int n) { m_count = n; }   // -1: none chosen
    QDate queryDate() const { return m_queryDate; }
    int hour() const { return m_hour; }
    int minute() const { return m_minute; }
    int count() const { return m_count; }
    bool query(); // "Query"

    // ---- the result list
    const QList<Column> &columns() const { return m_columns; }
    const QList<Row> &rows() const { return m_rows; }
    QString cell(int row, int column) const;
    // Tab-separated: a header line of the column titles, then one line per row.
    QByteArray table() const;
    // CSV (RFC 4180, UTF-8): the columns as shown, Date and Time in ISO 8601.
    QByteArray csv() const;
    // Writes csv() crash-safe; false with the reason in *error.
    bool exportCsv(const QString &path, QString *error) const;
    void clear(); // WM_USER+15

    // ---- download group
    void setStartDate(const QDate &d) { m_startDate = d; }
    void setEndDate(const QDate &d) { m_endDate = d; }
    QDate startDate() const { return m_startDate; }
    QDate endDate() const { return m_endDate; }
    // "Records per request": 1 ... 99 on RS232 and Ethernet, 1 on the GSM modem.
    int maxPerRequest() const;
    void setPerRequest(int n) { m_perRequest = n; }
    int perRequest() const;

    // "Retrieve", first half: guard, range and its checks. Returns the
    // proposed file name, or an empty text when refused (the message shown).
    QString prepareDownload();
    // The save dialog was cancelled.
    void abandonDownload();
    // "Retrieve", second half: the file was chosen; the first request goes out
    // and the progress window opens. False when the request could not be sent.
    bool startDownload(const QString &path);
    void cancelDownload();   // WM_USER+24: Cancel in the progress window
    void progressClosed();   // WM_USER+23: the progress window is being closed
    // The exchange of a download request ended without its reply (time-out,
    // stop): the download waits for Cancel; kaspen-cli ends there.
    void exchangeFinished(int commandCode, int resultCode);

    enum class Outcome { None, Completed, Cancelled, NoData, UnknownInterval, WriteFailed, NotSent };
    Q_ENUM(Outcome)
    bool downloadActive() const { return m_active; }
    Outcome lastOutcome() const { return m_outcome; }
    QString filePath() const { return m_path; }
    int received() const { return m_received; }
    int total() const { return m_total; }
    int replyCount() const { return m_replies; }
    int recordsSaved() const { return m_saved; }
    QDateTime rangeStart() const { return m_rangeStart; }
    QDateTime rangeEnd() const { return m_rangeEnd; }
    QDateTime cursor() const { return m_cursor; }

    // DataRecords (WM_USER+14, wParam 0 / 1 / 2), StatusReply (WM_USER+10),
    // ClearFields (WM_USER+15).
    void handleMessage(const PageMessage &m);
    void showQueryReply(const QByteArray &reply);
    void showLiveRow(const QByteArray &status);
    void downloadReply(const QByteArray &reply);
    void downloadEndedByStatus();

    bool commandGuard();

signals:
    void listReset();                 // every row and column went
    void columnsChanged();            // columns were added
    void rowsAdded(int first, int count);
    void progressOpened(int total);   // the "File Download Status" window opens
    void progressChanged(int received, int total);
    void progressWindowClosed();           // it is destroyed
    void downloadEnded(kaspen::DataRecordModel::Outcome outcome);
    // A download request's exchange ended without its reply (result code).
    void requestUnanswered(int resultCode);

private:
    QDateTime now() const;
    bool sendRequest(const QDateTime &at, int count);
    void resetList();
    void addChannelColumns(const QByteArray &packet, bool live, int firstRow, int rowsInPacket, bool create);
    int columnOf(const QByteArray &key) const;
    void endDownload(Outcome outcome, const QString &message, bool closeWindow = true);
    bool appendLine(const QByteArray &line, QString *error);

    Session &m_session;
    Clock *m_clock;

    QDate m_queryDate;
    int m_hour = -1, m_minute = -1, m_count = -1;
    QList<Column> m_columns;
    QList<Row> m_rows;
    int m_rowCounter = 0;
    bool m_columnsPending = false;
    int m_liveCounter = 0;
    bool m_liveFirst = true;

    QDate m_startDate, m_endDate;
    int m_perRequest = 1;
    bool m_active = false;
    bool m_awaiting = false; // a request of this download is out and unanswered
    Outcome m_outcome = Outcome::None;
    QDateTime m_rangeStart, m_rangeEnd, m_cursor;
    qint64 m_rangeLength = 0;
    int m_replies = 0;
    int m_received = 0;
    int m_total = 0;
    int m_saved = 0;          // records in lines that are in the file
    qint64 m_fileSize = 0;    // bytes of whole lines in the file
    QString m_path;
};

} // namespace kaspen
