#include "cli/CliApp.h"
#include "session/MainModel.h"
#include "base/MessageSink.h"
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "records/PhoneBook.h"
#include "pages/phonebook/PhoneBookModel.h"
#include "pages/BatchCli.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
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
    QMap<QString, QString> values; // --phone, --enquiry, --setup, --id, --out
    bool autoStationId = false;
    bool help = false;
    QString error;
};

// The options every command takes, and those of each command.
const QStringList kGlobalOptions = {"data-dir", "model", "help"};

QStringList optionsOf(const QStringList &words)
{
    const QString first = words.value(0);
    if (first == QLatin1String("phonebook")) {
        const QString verb = words.value(1);
        if (verb == QLatin1String("add") || verb == QLatin1String("edit"))
            return {"id", "phone", "enquiry", "setup"};
        if (verb == QLatin1String("delete"))
            return {"id"};
        return {};
    }
    QStringList device = {"link", "port", "device"};
    if (first == QLatin1String("backup"))
        device << "out";
    else if (first == QLatin1String("apply"))
        device << "auto-station-id";
    return device;
}

// How many words each command takes (the command itself included).
int wordCountOf(const QStringList &words)
{
    const QString first = words.value(0);
    if (first == QLatin1String("phonebook") || first == QLatin1String("read") || first == QLatin1String("apply"))
        return 2;
    return 1;
}

Options parse(const QStringList &args)
{
    Options o;
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"}, QStringLiteral("Show the usage."));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("Phone book directory."), QStringLiteral("DIR"));
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("rs232 or gsm."), QStringLiteral("rs232|gsm"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port."), QStringLiteral("PATH"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Device ID."), QStringLiteral("ID"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("A or B."), QStringLiteral("A|B"), QStringLiteral("A"));
    const QCommandLineOption autoId(QStringLiteral("auto-station-id"), QStringLiteral("Auto Station ID."));
    QList<QCommandLineOption> valued;
    for (const char *name : {"id", "phone", "enquiry", "setup", "out"})
        valued << QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    p.addOptions({help, dataDir, link, port, device, model, autoId});
    p.addOptions(valued);
    if (!p.parse(QStringList{QStringLiteral("kaspen-cli")} + args)) {
        o.error = p.errorText();
        return o;
    }
    o.help = p.isSet(help);
    if (o.help)
        return o;
    o.dataDir = p.value(dataDir);
    o.link = p.value(link);
    o.port = p.value(port);
    o.device = p.value(device);
    o.model = p.value(model);
    o.autoStationId = p.isSet(autoId);
    for (const QCommandLineOption &v : valued)
        if (p.isSet(v))
            o.values.insert(v.names().first(), p.value(v));
    o.rest = p.positionalArguments();

    // Every value is checked: an unknown one is an error, never a default.
    if (o.model.compare(QLatin1String("A"), Qt::CaseInsensitive) != 0
        && o.model.compare(QLatin1String("B"), Qt::CaseInsensitive) != 0) {
        o.error = QStringLiteral("--model must be A or B, not \"%1\"").arg(o.model);
        return o;
    }
    const QStringList allowed = kGlobalOptions + optionsOf(o.rest);
    for (const QString &name : p.optionNames()) {
        if (!allowed.contains(name)) {
            o.error = o.rest.isEmpty() ? QStringLiteral("--%1 needs a command").arg(name)
                                       : QStringLiteral("--%1 does not go with \"%2\"").arg(name, o.rest.mid(0, 2).join(QLatin1Char(' ')));
            return o;
        }
        if (p.values(name).size() > 1) {
            o.error = QStringLiteral("--%1 is given more than once").arg(name);
            return o;
        }
    }
    if (o.rest.size() > wordCountOf(o.rest)) {
        o.error = QStringLiteral("unexpected \"%1\" after \"%2\"")
                      .arg(o.rest.mid(wordCountOf(o.rest)).join(QLatin1Char(' ')), o.rest.mid(0, wordCountOf(o.rest)).join(QLatin1Char(' ')));
        return o;
    }
    return o;
}

bool isSixDigits(const QByteArray &text)
{
    return text.size() == 6 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The phone book directory of --data-dir, created when it is missing.
bool prepareDataDir(const QString &dir)
{
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) {
        err(QStringLiteral("--data-dir %1 is not a directory").arg(QDir::toNativeSeparators(dir)));
        return false;
    }
    if (!info.exists() && !QDir().mkpath(dir)) {
        err(QStringLiteral("--data-dir %1 could not be created").arg(QDir::toNativeSeparators(dir)));
        return false;
    }
    return true;
}

int deviceCommand(const Options &o, CliSink &sink)
{
    if (o.link != QLatin1String("rs232") && o.link != QLatin1String("gsm")) {
        err(QStringLiteral("--link must be rs232 or gsm\n") + usage());
        return ExitUsage;
    }
    if (o.port.isEmpty() || o.device.isEmpty() || o.rest.isEmpty()) {
        err(QStringLiteral("--port, --device and a command are needed\n") + usage());
        return ExitUsage;
    }
    // The ID as the phone book pads it: "1" is "000001".
    const QByteArray id = PhoneBookModel::padConnectionNo(o.device.toLocal8Bit());
    if (!isSixDigits(id)) {
        err(QStringLiteral("--device must be a Connection No of up to six digits, not \"%1\"\n").arg(o.device) + usage());
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
        batchPath = o.rest.value(1);
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
        const QString block = o.rest.value(1);
        const int n = block.size() == 1 ? block.toInt() : 0;
        if (n < 1 || n > 3) {
            err(QStringLiteral("read needs 1, 2 or 3\n") + usage());
            return ExitUsage;
        }
        action = [n](MainModel &m) { m.readBlock(n); };
    } else {
        err(QStringLiteral("unknown command %1\n").arg(command) + usage());
        return ExitUsage;
    }

    const int modelCode = o.model.compare(QLatin1String("B"), Qt::CaseInsensitive) == 0 ? ModelOrvelB : ModelOrvelA;
    MainModel model(modelCode);
    const Link link = o.link == QLatin1String("gsm") ? LinkGsmModem : LinkRs232;
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

    // The device must be in a readable phone book before anything is sent.
    PhoneBook &book = model.session().phoneBook();
    const QString problem = PhoneBook::gsmBookProblem();
    if (!problem.isEmpty()) {
        showMessage(problem);
        return ExitRefused;
    }
    if (!book.GsmIdExists(id)) {
        showMessage(QStringLiteral("Before Setup Command ,please Select Device ID! (%1 is not in the phone book %2)")
                        .arg(QString::fromLatin1(id), QDir::toNativeSeparators(PhoneBook::gsmBookPath())));
        return ExitRefused;
    }

    if (!model.toggleSerialConnection(o.port))
        return ExitRefused;

    // Choose the device as the Connection list does: the connect-time query.
    const int before = sink.count;
    model.serialConnectionIds();
    const int verifiedBy = model.runToEnd([&] { model.chooseSerialDevice(id); });
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
        return batchcli::apply(model, *pages, batchPath, o.autoStationId, out);
    }
    const int result = model.runToEnd([&] { action(model); });
    if (result < 0)
        return ExitRefused; // refused (the message was printed) or not sent
    out(model.exchange().statusText().toLocal8Bit() + "\n");
    return result;
}

int phonebookCommand(const Options &o)
{
    PhoneBook book;
    const QString verb = o.rest.value(1);
    if (verb == QLatin1String("list")) {
        const QString problem = PhoneBook::gsmBookProblem();
        if (!problem.isEmpty()) {
            showMessage(problem);
            return ExitRefused;
        }
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
    bool ok = false;
    if (verb == QLatin1String("add"))
        ok = book.AddGsmEntry(id, phone, enquiry, setup);
    else if (verb == QLatin1String("edit"))
        ok = book.EditGsmEntry(id, phone, enquiry, setup);
    else
        ok = book.DeleteGsmEntry(id);
    // The exit code says what happened to the entry: an add over an
    // unreadable book starts a new one (the old kept aside, as the message
    // says) and succeeds.
    if (!ok)
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
        "      COMMAND: status | read 1|2|3 | version | reset | modem-test | modem-version\n"
        "             | backup --out FILE.cfg | apply FILE.cfg [--auto-station-id]\n"
        "  kaspen-cli [--data-dir DIR] phonebook list\n"
        "  kaspen-cli [--data-dir DIR] phonebook add|edit --id ID --phone P --enquiry E --setup S\n"
        "  kaspen-cli [--data-dir DIR] phonebook delete --id ID\n"
        "  kaspen-cli --help | --version\n"
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
        "ID is a Connection No of the GSM phone book; a shorter one is padded with\n"
        "zeros as the Phone Book page pads it (1 is 000001). Unknown options, values\n"
        "and extra words are usage errors.\n"
        "\n"
        "Exit codes: 0 success, 1 refused by the logger, 2 time-out, 3 password error,\n"
        "5 data error, 64 refused before sending (the message is printed; also when\n"
        "the phone book cannot be used), 65 usage, 66 the link went away.\n"
        "Without --data-dir the phone book is the program's own; --data-dir DIR is\n"
        "created when it does not exist.\n");
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
    if (o.rest.isEmpty()) {
        err(QStringLiteral("a command is needed\n") + usage());
        return ExitUsage;
    }
    if (!o.dataDir.isEmpty()) {
        if (!prepareDataDir(o.dataDir))
            return ExitRefused;
        PhoneBook::setDirectory(o.dataDir);
    }
    if (o.rest.value(0) == QLatin1String("phonebook"))
        return phonebookCommand(o);
    return deviceCommand(o, sink);
}

} // namespace kaspen::cli
