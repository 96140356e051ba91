#pragma once
// Batch configuration files (".cfg"): an XML document with the root
// "DATALOG_SETUP", declared "ISO-8859-1" so that the command bytes are kept
// as they are, CR LF line ends, one element a line:
//
//   <?xml version="1.0" encoding="ISO-8859-1"?>
//   <DATALOG_SETUP>
//   <DateTime DateTime="12/10/2024 10:44:55" />
//   <Records No.="03" Command="000000#SA:1#" COM="11005" />
//   <Records />                                  (an unchecked row)
//   <Records No.="01" Command="000000#ST:000041#" COM="11002" />
//   </DATALOG_SETUP>
//
// The rows are written last row first; the date is always month/day/year and
// the 24-hour time, whatever the user's locale.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <utility>
#include <vector>

namespace kaspen {

struct ConfigRow {
    QByteArray number; // "No."
    QByteArray text;   // "Command"
    int code = 0;      // "COM"
    bool checked = true;
};

struct ConfigOpenResult {
    enum Status { Ok, CannotRead, NotWellFormed, OtherRoot } status = CannotRead;
    // Every "Records" element in file order as (code, text); an element
    // without attributes gives (0, "").
    std::vector<std::pair<int, QByteArray>> entries;
    int recordCount = 0; // "Records" elements read
    QString detail;      // the XML layer's status text, for diagnostics
};

// The document text of a configuration file for these rows (list order),
// saved at the given local time.
QByteArray configFileText(const std::vector<ConfigRow> &rows, const QDateTime &savedAt);

// Writes the file crash-safe. False (and the reason in *error) when it could
// not be written.
bool writeConfigFile(const QString &path, const std::vector<ConfigRow> &rows, const QDateTime &savedAt,
                     QString *error = nullptr);

// Reads a configuration file: the attributes of each "Records" element by
// position (1 the command text, 2 the code in decimal, missing = 0).
ConfigOpenResult readConfigFile(const QString &path);

// The date of a configuration file, "%m/%d/%Y %X" in the C locale.
QByteArray configDateTime(const QDateTime &t);

} // namespace kaspen
