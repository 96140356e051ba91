#include "cli/CliApp.h"
#include "cli/EthernetCli.h"
#include "session/MainModel.h"
#include "base/MessageSink.h"
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "records/PhoneBook.h"
#include "pages/phonebook/PhoneBookModel.h"
#include "pages/BatchCli.h"
#include "pages/batch/BatchSetupModel.h"
#include "pages/datarecord/DataRecordModel.h"
#include "records/AuditTrail.h"
#include "session/PageRouter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#ifdef _WIN32
#include <io.h>
#define KASPEN_ISATTY _isatty
#define KASPEN_FILENO _fileno
#else
#include <unistd.h>
#define KASPEN_ISATTY isatty
#define KASPEN_FILENO fileno
#endif
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
    QMap<QString, QString> values; // --phone, --enquiry, --setup, --id, --out, --text ...
    bool autoStationId = false;
    bool off = false;      // message set --off
    bool messages = false; // backup --messages
    bool ethernet = false; // phonebook --ethernet
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
            return {"id", "phone", "enquiry", "setup", "ethernet", "ip", "mac"};
        if (verb == QLatin1String("delete"))
            return {"id", "ethernet"};
        return {"ethernet"};
    }
    if (first == QLatin1String("scan") || first == QLatin1String("module"))
        return {};
    QStringList device = {"link", "port", "device"};
    if (first == QLatin1String("backup"))
        device << "out" << "messages";
    else if (first == QLatin1String("apply"))
        device << "auto-station-id" << "report";
    else if (first == QLatin1String("message"))
        device << "text" << "off";
    else if (first == QLatin1String("query"))
        device << "at" << "count" << "csv";
    else if (first == QLatin1String("download"))
        device << "from" << "to" << "out" << "per-request";
    return device;
}

// How many words each command takes (the command itself included).
int wordCountOf(const QStringList &words)
{
    const QString first = words.value(0);
    if (first == QLatin1String("message"))
        return 3; // message read|set NN
    if (first == QLatin1String("module"))
        // module show ID | module check ID GROUP | module set ID KEY VALUE
        return words.value(1) == QLatin1String("set") ? 5 : words.value(1) == QLatin1String("check") ? 4 : 3;
    if (first == QLatin1String("phonebook") || first == QLatin1String("read") || first == QLatin1String("apply")
        || first == QLatin1String("diff"))
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
    const QCommandLineOption off(QStringLiteral("off"), QStringLiteral("Clear the slot's Text box."));
    const QCommandLineOption messages(QStringLiteral("messages"), QStringLiteral("Also back up the alarm texts."));
    const QCommandLineOption ethernetBook(QStringLiteral("ethernet"), QStringLiteral("The Ethernet phone book."));
    QList<QCommandLineOption> valued;
    for (const char *name : {"id", "phone", "enquiry", "setup", "out", "text", "at", "count", "csv", "from", "to",
                             "per-request", "report", "ip", "mac"})
        valued << QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    p.addOptions({help, dataDir, link, port, device, model, autoId, off, messages, ethernetBook});
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
    o.off = p.isSet(off);
    o.messages = p.isSet(messages);
    o.ethernet = p.isSet(ethernetBook);
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

std::atomic<int> g_interrupted{0};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(1);
}

QString duration(qint64 secs)
{
    if (secs < 0)
        return QStringLiteral("--:--");
    return secs >= 3600 ? QStringLiteral("%1:%2:%3").arg(secs / 3600).arg(secs / 60 % 60, 2, 10, QLatin1Char('0')).arg(secs % 60, 2, 10, QLatin1Char('0'))
                        : QStringLiteral("%1:%2").arg(secs / 60, 2, 10, QLatin1Char('0')).arg(secs % 60, 2, 10, QLatin1Char('0'));
}

// query: one REDEEM, the rows as a table or a CSV file.
int queryCommand(MainModel &model, const Options &o)
{
    DataRecordModel page(model.session());
    PageRouter router;
    router.addPage(ToDataRecord, &page);
    QObject::connect(&model, &MainModel::pageMessage, &page, [&router](const PageMessage &m) { router.deliver(m); });
    const QDateTime at = QDateTime::fromString(o.values.value(QStringLiteral("at")), QStringLiteral("yyyy-MM-dd HH:mm"));
    bool ok = true;
    const int count = o.values.contains(QStringLiteral("count")) ? o.values.value(QStringLiteral("count")).toInt(&ok) : 1;
    if (!at.isValid() || !ok || count < 1 || count > DataRecordModel::MaxCount) {
        err(QStringLiteral("query needs --at \"YYYY-MM-DD hh:mm\" and --count 1 to 99\n") + usage());
        return ExitUsage;
    }
    page.setQueryDate(at.date());
    page.setHour(at.time().hour());
    page.setMinute(at.time().minute());
    page.setCount(count);
    const int result = model.runToEnd([&] { page.query(); });
    if (result < 0)
        return ExitRefused;
    if (result != ResultSuccess) {
        out(model.exchange().statusText().toLocal8Bit() + "\n");
        return result;
    }
    const QString csv = o.values.value(QStringLiteral("csv"));
    if (csv.isEmpty()) {
        out(page.table());
        return 0;
    }
    QString error;
    if (!page.exportCsv(csv, &error)) {
        err(QStringLiteral("cannot write %1: %2").arg(csv, error));
        return ExitWriteFailed;
    }
    out(QByteArray::number(page.rows().size()) + " records written to " + csv.toLocal8Bit() + "\n");
    return 0;
}

// download: the page's download into --out, with progress on standard error.
int downloadCommand(MainModel &model, const Options &o)
{
    DataRecordModel page(model.session());
    PageRouter router;
    router.addPage(ToDataRecord, &page);
    QObject::connect(&model, &MainModel::pageMessage, &page, [&router](const PageMessage &m) { router.deliver(m); });
    QObject::connect(&model, &MainModel::exchangeFinished, &page,
                     [&page](int code, int result, const QString &) { page.exchangeFinished(code, result); });
    const QDate from = QDate::fromString(o.values.value(QStringLiteral("from")), QStringLiteral("yyyy-MM-dd"));
    const QDate to = QDate::fromString(o.values.value(QStringLiteral("to")), QStringLiteral("yyyy-MM-dd"));
    const QString path = o.values.value(QStringLiteral("out"));
    bool ok = true;
    const int perRequest =
        o.values.contains(QStringLiteral("per-request")) ? o.values.value(QStringLiteral("per-request")).toInt(&ok) : 1;
    if (!from.isValid() || !to.isValid() || path.isEmpty() || !ok || perRequest < 1 || perRequest > DataRecordModel::MaxCount) {
        err(QStringLiteral("download needs --from YYYY-MM-DD --to YYYY-MM-DD --out FILE [--per-request 1 to 99]\n") + usage());
        return ExitUsage;
    }
    if (perRequest > page.maxPerRequest()) {
        err(QStringLiteral("only 1 record per request on the GSM modem link"));
        return ExitUsage;
    }
    page.setStartDate(from);
    page.setEndDate(to);
    page.setPerRequest(perRequest);
    if (page.prepareDownload().isEmpty())
        return ExitRefused;

    const bool terminal = KASPEN_ISATTY(KASPEN_FILENO(stderr)) != 0;
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 lastLine = -1000;
    QObject::connect(&page, &DataRecordModel::progressChanged, &page, [&](int received, int total) {
        const double secs = std::max(0.001, elapsed.elapsed() / 1000.0);
        const double rate = received / secs;
        const qint64 left = rate > 0 ? qint64((total - received) / rate) : -1;
        const QString line = QStringLiteral("%1/%2 records  %3 records/s  %4 left")
                                 .arg(received)
                                 .arg(total)
                                 .arg(rate, 0, 'f', 1)
                                 .arg(duration(left));
        if (terminal) {
            const QByteArray b = "\r" + line.toLocal8Bit() + "\x1b[K";
            std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
            std::fflush(stderr);
        } else if (elapsed.elapsed() - lastLine >= 1000 || received >= total) {
            lastLine = elapsed.elapsed();
            err(line);
        }
    });

    int failure = -1;
    QEventLoop loop;
    QObject::connect(&page, &DataRecordModel::downloadEnded, &loop, [&] { loop.quit(); });
    QObject::connect(&page, &DataRecordModel::requestUnanswered, &loop, [&](int result) {
        failure = result;
        page.cancelDownload();
    });
    g_interrupted.store(0);
    auto previous = std::signal(SIGINT, onInterrupt);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &page, [&] {
        if (g_interrupted.exchange(0) != 0)
            page.cancelDownload();
    });
    watch.start(50);
    if (page.startDownload(path))
        loop.exec();
    watch.stop();
    std::signal(SIGINT, previous);
    if (terminal)
        err(QString());

    switch (page.lastOutcome()) {
    case DataRecordModel::Outcome::Completed:
        out(QByteArray::number(page.recordsSaved()) + " records in " + QByteArray::number(page.replyCount())
            + " replies written to " + path.toLocal8Bit() + "\n");
        return 0;
    case DataRecordModel::Outcome::Cancelled:
        if (failure >= 0) {
            out(model.exchange().statusText().toLocal8Bit() + "\n");
            return failure;
        }
        return ExitInterrupted;
    case DataRecordModel::Outcome::NoData:
    case DataRecordModel::Outcome::UnknownInterval:
        return ResultDataError;
    default:
        return ExitWriteFailed;
    }
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
    // The ID as the phone book pads it: "1" is "000001".
    const QByteArray id = PhoneBookModel::padConnectionNo(o.device.toLocal8Bit());
    if (!isSixDigits(id)) {
        err(QStringLiteral("--device must be a Connection No of up to six digits, not \"%1\"\n").arg(o.device) + usage());
        return ExitUsage;
    }
    const QString command = o.rest.value(0);
    const bool recordCommand = command == QLatin1String("query") || command == QLatin1String("download");
    const bool batchCommand = recordCommand || command == QLatin1String("backup") || command == QLatin1String("apply")
        || command == QLatin1String("diff");
    QString batchPath;
    if (command == QLatin1String("backup")) {
        batchPath = o.values.value(QStringLiteral("out"));
        if (batchPath.isEmpty()) {
            err(QStringLiteral("backup needs --out FILE.cfg\n") + usage());
            return ExitUsage;
        }
    } else if (command == QLatin1String("apply") || command == QLatin1String("diff")) {
        batchPath = o.rest.value(1);
        if (batchPath.isEmpty()) {
            err(QStringLiteral("%1 needs a FILE.cfg\n").arg(command) + usage());
            return ExitUsage;
        }
    }
    // message read NN | message set NN --text TEXT | message set NN --off
    const bool messageCommand = command == QLatin1String("message");
    int slot = -1;
    bool messageSet = false;
    if (messageCommand) {
        const QString verb = o.rest.value(1);
        const QString number = o.rest.value(2);
        bool ok = false;
        slot = number.toInt(&ok);
        const bool digits = !number.isEmpty() && number.size() <= 2
            && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
        if (verb != QLatin1String("read") && verb != QLatin1String("set")) {
            err(QStringLiteral("message needs read or set\n") + usage());
            return ExitUsage;
        }
        if (!ok || !digits || slot < 0 || slot > 51) {
            err(QStringLiteral("message %1 needs a slot number 00 to 51\n").arg(verb) + usage());
            return ExitUsage;
        }
        messageSet = verb == QLatin1String("set");
        const bool text = o.values.contains(QStringLiteral("text"));
        if (messageSet ? o.off == text : (o.off || text)) {
            err(QStringLiteral("message set needs either --text TEXT or --off; message read takes neither\n") + usage());
            return ExitUsage;
        }
    }

    std::function<void(MainModel &)> action;
    if (batchCommand || messageCommand)
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

    // The state of each command over the GSM modem, as it is reached.
    QObject::connect(&model, &MainModel::smsStateChanged, [](const QString &line) { err(line); });

    // The page models decode what the main window forwards (batch and
    // message commands).
    std::unique_ptr<CorePages> pages;
    if ((batchCommand && !recordCommand) || messageCommand) {
        pages = std::make_unique<CorePages>(model.session());
        QObject::connect(&model, &MainModel::pageMessage, [&pages](const PageMessage &m) { pages->deliver(m); });
    }

    const int before = sink.count;
    int verifiedBy = -1;
    if (ethernet) {
        // Auto Scan, the Connection ID, the two checks and Connect.
        verifiedBy = connectEthernet(model, id);
        if (verifiedBy == ExitRefused)
            return ExitRefused;
    } else {
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
    if (messageCommand) {
        if (!model.session().verified())
            return ExitRefused;
        if (messageSet) {
            const QByteArray text = o.off ? QByteArray() : o.values.value(QStringLiteral("text")).toLocal8Bit();
            return batchcli::setMessage(model, *pages, slot, !o.off, text, out);
        }
        return batchcli::readMessage(model, *pages, slot, out);
    }
    if (batchCommand) {
        if (!model.session().verified())
            return ExitRefused;
        if (command == QLatin1String("query"))
            return queryCommand(model, o);
        if (command == QLatin1String("download"))
            return downloadCommand(model, o);
        if (command == QLatin1String("backup"))
            return batchcli::backup(model, *pages, batchPath, out, o.messages);
        if (command == QLatin1String("diff"))
            return batchcli::diff(model, *pages, batchPath, out);
        const int result = batchcli::apply(model, *pages, batchPath, o.autoStationId, out);
        const QString report = o.values.value(QStringLiteral("report"));
        if (!report.isEmpty()) {
            QString error;
            if (!audit::writeReport(report, pages->batch().lastRun(), &error)) {
                err(QStringLiteral("cannot write the report %1: %2").arg(QDir::toNativeSeparators(report), error));
                return result == ResultSuccess ? ExitWriteFailed : result;
            }
        }
        return result;
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
        "  kaspen-cli [--data-dir DIR] --link ethernet --device CONNECTID COMMAND\n"
        "      COMMAND: status | read 1|2|3 | version | reset | modem-test | modem-version\n"
        "             | message read NN | message set NN --text TEXT | message set NN --off\n"
        "             | backup --out FILE.cfg [--messages]\n"
        "             | apply FILE.cfg [--auto-station-id] [--report FILE.csv] | diff FILE.cfg\n"
        "             | query --at \"YYYY-MM-DD hh:mm\" --count N [--csv FILE]\n"
        "             | download --from YYYY-MM-DD --to YYYY-MM-DD --out FILE [--per-request N]\n"
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
        "backup reads \"#1\", \"#2\", \"#3\" and the sensor serial numbers (\"#CHEACK4#\",\n"
        "for the alarm delays), records every setting read back and saves them as a\n"
        "configuration file (every row checked). apply opens a configuration\n"
        "file and runs every row as the Batch Setup button does, printing one line per\n"
        "row (number, Object, Parameters, result, tab-separated); it exits 0 only when\n"
        "every row succeeded, otherwise with the result code of the first that did not\n"
        "(66: a row could not be sent or the link went away). backup --messages also\n"
        "reads every alarm message slot (00 to 51, one read each: an SMS apiece over\n"
        "the GSM modem) and saves each as the command that sets it, so apply restores\n"
        "the alarm texts too. Every apply appends its record to the audit trail\n"
        "(audit.csv in the data directory); --report FILE.csv also writes that run\n"
        "alone. diff reads the logger as backup does and prints one tab-separated line\n"
        "per row of the file: number, same / different / not readable, Object, the\n"
        "file's value and the logger's (passwords never shown); it exits 0 when no row\n"
        "differs, 1 when one does, or the result code of a read that failed.\n"
        "\n"
        "message read NN reads alarm message slot NN (00-14 and 26-40: AD Alarm Message,\n"
        "15-25 and 41-51: IN Alarm Message) and prints it as the page shows it: slot,\n"
        "name, Text box (1 ticked, 0 clear) and message content, tab-separated.\n"
        "message set NN --text TEXT ticks the slot's Text box and sends TEXT (at most\n"
        "60 bytes); --off clears the box. The page's own checks run first.\n"
        "\n"
        "query prints the stored records from that time as a table (a header line of\n"
        "the column titles, one line per record, tab-separated) or writes them as CSV.\n"
        "download walks the date range one request after the other (N records each,\n"
        "default 1; 1 only on the GSM modem) and appends every reply as one line to\n"
        "FILE, with progress on standard error. Ctrl+C ends it as Cancel does: FILE\n"
        "keeps every whole line received.\n"
        "\n"
        "On the GSM modem link each command's SMS state (queued, AT+BJSD OK, message\n"
        "send, answered, timed out, late reply) is printed on standard error.\n"
        "\n"
        "ID is a Connection No of the GSM phone book; a shorter one is padded with\n"
        "zeros as the Phone Book page pads it (1 is 000001). Unknown options, values\n"
        "and extra words are usage errors.\n"
        "\n"
        "Exit codes: 0 success, 1 refused by the logger, 2 time-out, 3 password error,\n"
        "5 data error, 64 refused before sending (the message is printed; also when\n"
        "the phone book cannot be used), 65 usage, 66 the link went away or a file\n"
        "could not be written, 130 download interrupted by Ctrl+C.\n"
        "Without --data-dir the phone book and the audit trail are the program's own;\n"
        "--data-dir DIR is created when it does not exist.\n");
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
        if (qEnvironmentVariableIsEmpty("KASPEN_AUDIT_FILE"))
            audit::setPath(QDir(o.dataDir).filePath(QStringLiteral("audit.csv")));
    }
    if (o.rest.value(0) == QLatin1String("phonebook") && o.ethernet)
        return ethernetPhonebookCommand(o.rest.value(1), o.values, out);
    if (o.rest.value(0) == QLatin1String("phonebook"))
        return phonebookCommand(o);
    if (o.rest.value(0) == QLatin1String("scan") && o.link.isEmpty())
        return scanCommand(out);
    if (o.rest.value(0) == QLatin1String("module") && o.link.isEmpty())
        return moduleCommand(o.rest, out);
    return deviceCommand(o, sink);
}

} // namespace kaspen::cli
