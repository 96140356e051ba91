#include "cli/CliApp.h"
#include "cli/EthernetCli.h"
#include "session/MainModel.h"
#include "base/MessageSink.h"
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "records/PhoneBook.h"
#include "pages/phonebook/PhoneBookModel.h"
#include "pages/BatchCli.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace kaspen::cli {

namespace {

void out(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void err(const QString &text)
{
    const QByteArray b = text.toLocal8Bit() + '\n';
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

// Message boxes become lines on standard error; questions are answered No.
class CliSink : public MessageSink {
public:
    void show(MessageKind, const QString &text, const QString &) override
    {
        err(text);
        ++count;
    }
    bool confirm(const QString &, const QString &text) override
    {
        err(text + QStringLiteral(" (answered No)"));
        return false;
    }
    int count = 0;
};

struct Options {
    QString dataDir;
    QString link;
    QString port;
    QString device;
    QString model = QStringLiteral("A");
    QStringList rest;
    QMap<QString, QString> values; // --phone, --enquiry, --setup, --id, --out ...
    bool help = false;
    QString error;
};

Options parse(const QStringList &args)
{
    Options o;
    static const QStringList valued = {"--data-dir", "--link", "--port", "--device", "--model", "--id", "--phone",
                                       "--enquiry", "--setup", "--out", "--ip", "--mac"};
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (valued.contains(a)) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return o;
            }
            const QString v = args[++i];
            if (a == QLatin1String("--data-dir"))
                o.dataDir = v;
            else if (a == QLatin1String("--link"))
                o.link = v;
            else if (a == QLatin1String("--port"))
                o.port = v;
            else if (a == QLatin1String("--device"))
                o.device = v;
            else if (a == QLatin1String("--model"))
                o.model = v;
            else
                o.values.insert(a.mid(2), v);
        } else if (a == QLatin1String("--ethernet")) {
            o.values.insert(QStringLiteral("ethernet"), QStringLiteral("1"));
        } else if (a.startsWith(QLatin1String("--")) && a != QLatin1String("--auto-station-id")) {
            o.error = QStringLiteral("unknown option %1").arg(a);
            return o;
        } else {
            o.rest << a;
        }
    }
    return o;
}

int deviceCommand(const Options &o, CliSink &sink)
{
    const bool ethernet = o.link == QLatin1String("ethernet");
    if (o.link != QLatin1String("rs232") && o.link != QLatin1String("gsm") && !ethernet) {
        err(QStringLiteral("--link must be rs232, gsm or ethernet\n") + usage());
        return ExitUsage;
    }
    if ((o.port.isEmpty() && !ethernet) || o.device.isEmpty() || o.rest.isEmpty()) {
        err(QStringLiteral("--port (not on ethernet), --device and a command are needed\n") + usage());
        return ExitUsage;
    }
    const QString command = o.rest.value(0);
    const bool batchCommand = command == QLatin1String("backup") || command == QLatin1String("apply");
    QString batchPath;
    if (command == QLatin1String("backup")) {
        batchPath = o.values.value(QStringLiteral("out"));
        if (batchPath.isEmpty()) {
            err(QStringLiteral("backup needs --out FILE.cfg\n") + usage());
            return ExitUsage;
        }
    } else if (command == QLatin1String("apply")) {
        for (const QString &a : o.rest.mid(1))
            if (a != QLatin1String("--auto-station-id") && batchPath.isEmpty())
                batchPath = a;
        if (batchPath.isEmpty()) {
            err(QStringLiteral("apply needs a FILE.cfg\n") + usage());
            return ExitUsage;
        }
    }
    std::function<void(MainModel &)> action;
    if (batchCommand)
        action = [](MainModel &) {};
    else if (command == QLatin1String("status"))
        action = [](MainModel &m) { m.statusQuery(); };
    else if (command == QLatin1String("version"))
        action = [](MainModel &m) { m.versionQuery(); };
    else if (command == QLatin1String("reset"))
        action = [](MainModel &m) { m.resetShortcut(); };
    else if (command == QLatin1String("modem-test"))
        action = [](MainModel &m) { m.batchButton(); };
    else if (command == QLatin1String("modem-version"))
        action = [](MainModel &m) { m.modemVersion(); };
    else if (command == QLatin1String("read")) {
        const int n = o.rest.value(1).toInt();
        if (n < 1 || n > 3) {
            err(QStringLiteral("read needs 1, 2 or 3\n") + usage());
            return ExitUsage;
        }
        action = [n](MainModel &m) { m.readBlock(n); };
    } else {
        err(QStringLiteral("unknown command %1\n").arg(command) + usage());
        return ExitUsage;
    }

    const int modelCode =
        ethernet || o.model.compare(QLatin1String("B"), Qt::CaseInsensitive) == 0 ? ModelOrvelB : ModelOrvelA;
    MainModel model(modelCode);
    const Link link = ethernet ? LinkEthernet : o.link == QLatin1String("gsm") ? LinkGsmModem : LinkRs232;
    model.selectLink(link);

    // backup and apply print their rows instead of the log panes.
    if (!batchCommand) {
        QObject::connect(&model, &MainModel::sendLogAdded, [](const QByteArray &text) {
            out(formatTime(clock().now(), PaneEntryHeader) + "\n" + text + "\n\n");
        });
        QObject::connect(&model, &MainModel::dataLogAdded, [](const QByteArray &copy) {
            out(formatTime(clock().now(), PaneEntryHeader) + "\n" + copy + "\n\n");
        });
    }

    // The page models decode what the main window forwards (batch commands).
    std::unique_ptr<CorePages> pages;
    if (batchCommand) {
        pages = std::make_unique<CorePages>(model.session());
        QObject::connect(&model, &MainModel::pageMessage, [&pages](const PageMessage &m) { pages->deliver(m); });
    }

    const QByteArray id = o.device.toLocal8Bit();
    const int before = sink.count;
    int verifiedBy = -1;
    if (ethernet) {
        // Auto Scan, the Connection ID, the two checks and Connect.
        verifiedBy = connectEthernet(model, id);
        if (verifiedBy == ExitRefused)
            return ExitRefused;
    } else {
        if (!model.toggleSerialConnection(o.port))
            return ExitRefused;
        // Choose the device as the Connection list does: the connect-time query.
        model.serialConnectionIds();
        verifiedBy = model.runToEnd([&] { model.chooseSerialDevice(id); });
    }
    if (verifiedBy < 0 && sink.count > before)
        return ExitRefused;
    if (verifiedBy >= 0) {
        if (!batchCommand || verifiedBy != ResultSuccess)
            out(model.exchange().statusText().toLocal8Bit() + "\n");
        if (verifiedBy != ResultSuccess)
            return verifiedBy;
    }
    if (batchCommand) {
        if (!model.session().verified())
            return ExitRefused;
        if (command == QLatin1String("backup"))
            return batchcli::backup(model, *pages, batchPath, out);
        return batchcli::apply(model, *pages, batchPath, o.rest.contains(QStringLiteral("--auto-station-id")), out);
    }
    const int result = model.runToEnd([&] { action(model); });
    if (result < 0)
        return ExitRefused; // refused (the message was printed) or not sent
    out(model.exchange().statusText().toLocal8Bit() + "\n");
    return result;
}

int phonebookCommand(const Options &o, CliSink &sink)
{
    PhoneBook book;
    const QString verb = o.rest.value(1);
    if (verb == QLatin1String("list")) {
        book.LoadGsmTable();
        out("Connection No\tPhone Number\tEnquiry Password\tSetup Password\n");
        for (const GsmEntry &e : book.gsmTable())
            out(e.id + '\t' + e.phone + '\t' + e.enquiryPassword + '\t' + e.setupPassword + '\n');
        return 0;
    }
    if (verb != QLatin1String("add") && verb != QLatin1String("edit") && verb != QLatin1String("delete")) {
        err(QStringLiteral("phonebook needs list, add, edit or delete\n") + usage());
        return ExitUsage;
    }
    // The Connection No as the Phone Book page pads it: "12" becomes "000012".
    const QByteArray id = PhoneBookModel::padConnectionNo(o.values.value(QStringLiteral("id")).toLocal8Bit());
    const QByteArray phone = o.values.value(QStringLiteral("phone")).toLocal8Bit();
    const QByteArray enquiry = o.values.value(QStringLiteral("enquiry")).toLocal8Bit();
    const QByteArray setup = o.values.value(QStringLiteral("setup")).toLocal8Bit();
    QString refusal = PhoneBookModel::gsmEntryRefusal(id, phone, enquiry, setup, verb == QLatin1String("delete"));
    if (!refusal.isEmpty()) {
        showMessage(refusal);
        return ExitRefused;
    }
    const int before = sink.count;
    bool ok = false;
    if (verb == QLatin1String("add"))
        ok = book.AddGsmEntry(id, phone, enquiry, setup);
    else if (verb == QLatin1String("edit"))
        ok = book.EditGsmEntry(id, phone, enquiry, setup);
    else
        ok = book.DeleteGsmEntry(id);
    if (!ok || sink.count > before)
        return ExitRefused;
    out(verb.toLocal8Bit() + " " + id + "\n");
    return 0;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  kaspen-cli [--data-dir DIR] [--model A|B] --link rs232|gsm --port PATH --device ID COMMAND\n"
        "  kaspen-cli [--data-dir DIR] --link ethernet --device CONNECTID COMMAND\n"
        "      COMMAND: status | read 1|2|3 | version | reset | modem-test | modem-version\n"
        "             | backup --out FILE.cfg | apply FILE.cfg [--auto-station-id]\n"
        "  kaspen-cli [--data-dir DIR] phonebook list\n"
        "  kaspen-cli [--data-dir DIR] phonebook add|edit --id ID --phone P --enquiry E --setup S\n"
        "  kaspen-cli [--data-dir DIR] phonebook delete --id ID\n"
        "  kaspen-cli --help | --version\n")
        + ethernetUsage() + QStringLiteral(
        "\n"
        "A device command opens the port, chooses the device from the GSM phone book\n"
        "(the connect-time status query, as the main window does), runs the command\n"
        "and prints each Send Command logs and Data Logs entry and the status text.\n"
        "Time-outs are the program's own: 40 s on RS232, 90 s on the GSM modem.\n"
        "\n"
        "backup reads \"#1\", \"#2\" and \"#3\", records every setting read back and saves\n"
        "them as a configuration file (every row checked). apply opens a configuration\n"
        "file and runs every row as the Batch Setup button does, printing one line per\n"
        "row (number, Object, Parameters, result, tab-separated); it exits 0 only when\n"
        "every row succeeded, otherwise with the result code of the first that did not\n"
        "(66: a row could not be sent or the link went away).\n"
        "\n"
        "Exit codes: 0 success, 1 refused by the logger, 2 time-out, 3 password error,\n"
        "5 data error, 64 refused before sending (the message is printed), 65 usage.\n"
        "Without --data-dir the phone book is the program's own.\n");
}

int run(const QStringList &arguments)
{
    CliSink sink;
    setMessageSink(&sink);
    struct Restore {
        ~Restore() { setMessageSink(nullptr); }
    } restore;

    const Options o = parse(arguments);
    if (o.help) {
        out(usage().toLocal8Bit());
        return 0;
    }
    if (!o.error.isEmpty()) {
        err(o.error + QLatin1Char('\n') + usage());
        return ExitUsage;
    }
    if (!o.dataDir.isEmpty())
        PhoneBook::setDirectory(o.dataDir);
    if (o.rest.value(0) == QLatin1String("phonebook") && o.values.contains(QStringLiteral("ethernet")))
        return ethernetPhonebookCommand(o.rest.value(1), o.values, out);
    if (o.rest.value(0) == QLatin1String("phonebook"))
        return phonebookCommand(o, sink);
    if (o.rest.value(0) == QLatin1String("scan") && o.link.isEmpty())
        return scanCommand(out);
    if (o.rest.value(0) == QLatin1String("module") && o.link.isEmpty())
        return moduleCommand(o.rest, out);
    return deviceCommand(o, sink);
}

} // namespace kaspen::cli
