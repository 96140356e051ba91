#pragma once
// The audit trail: what was written to which logger, and with what result.
//
// Every batch run, Init and "kaspen-cli apply" appends one record to a
// per-user CSV file (UTF-8, ISO 8601 times): one line per row, then one
// summary line. A record goes to the disk in one write followed by a flush
// to the device, so a kill or a power loss during an append leaves every
// earlier record whole; a record cut short by a kill is closed off by the
// next append, never joined to it.
//
// The rows carry code, description and result only: never a command text, so
// no password reaches the file.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace kaspen {

struct AuditRow {
    int code = 0;
    QByteArray object;     // the row's description ("Station ID")
    QByteArray parameters; // the value as the batch list shows it
    QString result;        // the row's status text at the end of the run
};

struct AuditRun {
    QDateTime started;  // local time of the run's start
    QString kind;       // "batch", "init", "apply"
    QString loggerId;   // the device's ID in the phone book
    QString link;       // "RS232", "GSM Modem", "Ethernet"
    QString endpoint;   // port path or module address
    QString fileName;   // the configuration file, empty when none
    QByteArray fileSha256; // hex, empty when there is no file
    std::vector<AuditRow> rows;
};

namespace audit {

inline constexpr const char *Header =
    "time,kind,logger,link,endpoint,file,sha256,row,code,object,parameters,result";

// The lowercase hexadecimal SHA-256 of a file, empty when it cannot be read.
QByteArray fileSha256(const QString &path);

// A CSV field: quoted when it holds a comma, a quote, CR or LF.
QByteArray csvField(const QString &text);

// "n rows: s succeeded, f failed, u not sent"
QString summaryText(const AuditRun &run);

// The lines of one record (each ending in CR LF): a line per row and the
// summary line, whose row column is "summary".
QByteArray recordText(const AuditRun &run);

// The per-user audit file: audit.csv in the user's data directory; the
// environment variable KASPEN_AUDIT_FILE, or setPath (kaspen-cli --data-dir),
// chooses another.
QString path();
void setPath(const QString &path); // empty restores the default

// Appends one record (and the header line to a new file). False, with the
// reason in *error, when the file cannot be written.
bool append(const AuditRun &run, QString *error = nullptr);

// Writes the record of this run alone, with the header, crash-safe
// (kaspen-cli apply --report).
bool writeReport(const QString &path, const AuditRun &run, QString *error = nullptr);

// True when a row's result counts as success.
bool succeeded(const QString &result);

} // namespace audit
} // namespace kaspen
