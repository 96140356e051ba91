#pragma once
// History records ("#STD:") and status records ("#STA:") as the Data Record
// page reads them: the REDEEM parameter, the packets of a reply, their time
// stamps, the channel titles and the proposed download file name.
//
// Times of the logger are wall-clock times without a zone; they are kept as
// Qt::UTC date-times so that no daylight-saving change ever shifts them.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

namespace kaspen::history {

// Seconds of a logging interval code: 1 = 300, 2 = 900, 3 = 1800, 4 = 3600,
// 5 = 60; 0 for 0 and every other code.
int intervalSeconds(int code);

// "%s%02d%02d%02d%02d%02d": two-digit year, month, day, hour, minute, count.
QByteArray redeemParameter(const QDate &date, int hour, int minute, int count);
QByteArray redeemParameter(const QDateTime &at, int count);
// "%s#REDEEM%s#" with the Enquiry password.
QByteArray redeemCommand(const QByteArray &enquiryPassword, const QByteArray &parameter);

// Station ID, "_", start as YYMMDD; when end is a later day "_" and end as
// MMDD; ".txt".
QString proposedFileName(const QByteArray &stationId, const QDate &start, const QDate &end);

// Column titles of analog channel n (0 ... 59) and pulse channel n (1 ... 59);
// empty where a channel has no title of its own.
QString analogTitle(int n);
QString pulseTitle(int n);

// The pieces of a reply, each from one marker ("#STD:") to the next or to
// the end.
QList<QByteArray> splitPackets(const QByteArray &reply, const QByteArray &marker = "#STD:");

// The text after the marker up to the first "," (or to the first ";" when
// there is no ",").
QByteArray stationIdOf(const QByteArray &packet, const QByteArray &marker);

// A decimal item value (";T:", ";D:"); 0 when missing or not a number.
int numberItem(const QByteArray &packet, const QByteArray &key);

// The "TM:" value of a packet, read.
struct TimeStamp {
    enum Form { None, Seconds, Minutes, Formatted };
    Form form = None;
    QDateTime time;   // valid when the text could be read as a time
    QString dateText; // Formatted: the text before the first ","
    QString timeText; // Formatted: the text after it
};
TimeStamp parseTimeStamp(const QByteArray &tm);

// The logger's wall clock of a local time.
QDateTime wallClock(const QDateTime &local);

} // namespace kaspen::history
