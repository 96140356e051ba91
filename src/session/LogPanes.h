#pragma once
// The two log panes (Data Logs, Send Command logs), newest entry on top, and
// the setup log file in the temporary directory.

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kaspen {

inline constexpr const char *PaneEntryHeader =
    "->[%m/%d/%y %X]--------------------------------------------------------------------------------------";
inline constexpr const char *DataLogsHeader =
    "->[%m/%d/%y]----------------Data logs-----------------------------------------------------------------------";
inline constexpr const char *SendLogsHeader =
    "->[%m/%d/%y]------------------Send Command logs------------------------------------------------------------";

// "%s\r\n%s\r\n\r\n %s": the dated header, the text, then the previous content.
QByteArray prependPaneEntry(const QByteArray &previous, const QByteArray &text, const QDateTime &when);

// The Data Logs display copy of a reply: long first values of status records
// shortened to six characters, "initialize succesed!" shown as
// "Initialization Completed!".
QByteArray dataLogsCopy(const QByteArray &reply);

class SetupLog {
public:
    // "%sSetupLog.txt" in the temporary directory.
    static QString defaultPath();
    static QString path();
    static void setPath(const QString &path); // tests; empty restores the default
    // Appends "%Y-%m-%d %H:%M:%S  %s\r\n"; skipped when the file cannot be opened.
    static bool append(const QByteArray &text, const QDateTime &when);
};

} // namespace kaspen
