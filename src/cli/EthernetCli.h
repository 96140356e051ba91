#pragma once
// kaspen-cli's Ethernet commands: scan, module show|set, and the Ethernet
// phone book.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

namespace kaspen {
class MainModel;
}

namespace kaspen::cli {

using Printer = std::function<void(const QByteArray &)>;

// "scan": Auto Scan; prints number, IP and MAC of each module found and
// merges them into the Ethernet book. 0 when something was found, 2 when
// nothing answered, 64 when refused.
int scanCommand(const Printer &out);

// "module show CONNECTID" and "module set CONNECTID KEY VALUE".
int moduleCommand(const QStringList &rest, const Printer &out);

// "phonebook --ethernet list|add|edit|delete" with --id, --phone, --enquiry,
// --setup (and --ip, --mac on add).
int ethernetPhonebookCommand(const QString &verb, const QMap<QString, QString> &values, const Printer &out);

// "--link ethernet --device CONNECTID": Auto Scan, choose the Connection ID,
// the checks before connecting and Connect, as the main window does. The
// result code of the connect-time exchange, or ExitRefused.
int connectEthernet(MainModel &model, const QByteArray &connectId);

// Usage lines of these commands.
QString ethernetUsage();

} // namespace kaspen::cli
