// kaspen-sim: a simulated ORVEL-A / ORVEL-B logger on a serial line, either
// by cable (rs232) or behind a GSM modem (gsm). Runs until interrupted.

#include "sim/Frontend.h"
#include "sim/Logger.h"
#include "sim/LoggerState.h"
#include "sim/ModuleCommand.h"
#include "sim/SerialEndpoint.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace kaspen::sim;

namespace {

std::atomic<int> g_signal{0};

extern "C" void onSignal(int sig)
{
    g_signal.store(sig);
}

QByteArray printable(const QByteArray &text)
{
    QByteArray out;
    for (unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7f)
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += char(c);
    }
    return out;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "kaspen-sim: %s\n", qPrintable(message));
    std::exit(2);
}

bool isSixDigits(const QString &s)
{
    if (s.size() != 6)
        return false;
    for (QChar c : s) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kaspen-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KASPEN_VERSION));
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    // "kaspen-sim module ...": an Ethernet serial-server module.
    if (argc > 1 && qstrcmp(argv[1], "module") == 0) {
        QStringList rest = app.arguments().mid(2);
        return runModuleCommand(rest, [] { return g_signal.load() != 0; });
    }

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated ORVEL-A / ORVEL-B data logger on a serial line.\n"
        "It answers the logger's command texts as a real logger does: on a cable\n"
        "(--frontend rs232) or behind a GSM modem that relays each command as an\n"
        "SMS (--frontend gsm). What it sends is paced at the baud rate.\n"
        "\"kaspen-sim module --help\" tells of the simulated Ethernet module.\n"
        "It runs until interrupted (SIGINT, SIGTERM).\n\n"
        "Example with a pseudo-terminal pair:\n"
        "  socat -d -d pty,raw,echo=0,link=/tmp/x/a pty,raw,echo=0,link=/tmp/x/b &\n"
        "  kaspen-sim --port /tmp/x/a --frontend gsm --model B\n"
        "and let the program connect to /tmp/x/b.\n\n"
        "Fault kinds (--fault KIND):\n") + faultHelp());
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port or pseudo-terminal to serve (required)."), QStringLiteral("PATH"));
    const QCommandLineOption frontend(QStringLiteral("frontend"), QStringLiteral("rs232 (logger on a cable) or gsm (GSM modem in front of the logger). Default rs232."), QStringLiteral("rs232|gsm"), QStringLiteral("rs232"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("A (ORVEL-A, 2 relays) or B (ORVEL-B, 4 relays). Default A."), QStringLiteral("A|B"), QStringLiteral("A"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Line speed the output is paced at, 8N1. Default 9600."), QStringLiteral("N"), QStringLiteral("9600"));
    const QCommandLineOption id(QStringLiteral("id"), QStringLiteral("Station ID, six digits. Default 000001."), QStringLiteral("ID"), QStringLiteral("000001"));
    const QCommandLineOption phone(QStringLiteral("phone"), QStringLiteral("The logger's SIM phone number; the modem answers only SMS to it. Default 0123456789."), QStringLiteral("NUMBER"), QStringLiteral("0123456789"));
    const QCommandLineOption enquiry(QStringLiteral("enquiry"), QStringLiteral("Enquiry password (reads). Default 111111."), QStringLiteral("PW"), QStringLiteral("111111"));
    const QCommandLineOption setup(QStringLiteral("setup"), QStringLiteral("Setup password (settings). Default 222222."), QStringLiteral("PW"), QStringLiteral("222222"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Load the logger's state from FILE if it exists and save every change to it. Options given explicitly (--model, --id, --phone, --enquiry, --setup) override what the file holds."), QStringLiteral("FILE"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Append every text received (RX) and sent (TX) with a time stamp to FILE; with gsm also the logger's whole reply (SM) before it is cut into SMS parts. CR, LF, backslash and other control bytes are written as \\r, \\n, \\\\, \\xHH."), QStringLiteral("FILE"));
    const QCommandLineOption fault(QStringLiteral("fault"), QStringLiteral("Misbehave on purpose (kinds above)."), QStringLiteral("KIND"));
    const QCommandLineOption faultCount(QStringLiteral("fault-count"), QStringLiteral("Spoil only the first N answers, then answer normally. Default: every answer."), QStringLiteral("N"));
    const QCommandLineOption smsDelay(QStringLiteral("sms-delay"), QStringLiteral("GSM: milliseconds from the modem's acknowledgement to the first SMS part (at least 250). Default 1500."), QStringLiteral("MS"), QStringLiteral("1500"));
    const QCommandLineOption smsGap(QStringLiteral("sms-gap"), QStringLiteral("GSM: milliseconds between SMS parts (at least 250). Default 700."), QStringLiteral("MS"), QStringLiteral("700"));
    const QCommandLineOption historyDays(QStringLiteral("history-days"), QStringLiteral("Days of history the logger holds, one record per logging interval up to now (1 to 30). Default 7 for a new logger; given explicitly it replaces the history of a loaded state."), QStringLiteral("N"));
    const QCommandLineOption logInterval(QStringLiteral("log-interval"), QStringLiteral("Logging interval code: 1 = 5 min, 2 = 15 min, 3 = 30 min, 4 = 60 min, 5 = 1 min. Default 2; given explicitly it also refills the history at that interval. The TM form of history records is the state file's \"historyTimeForm\": \"seconds\" (default), \"minutes\" or \"formatted\"."), QStringLiteral("CODE"));
    p.addOptions({port, frontend, model, baud, id, phone, enquiry, setup, state, log, fault, faultCount, smsDelay, smsGap,
                  historyDays, logInterval});
    p.process(app);

    if (!p.isSet(port))
        fail(QStringLiteral("--port PATH is required (see --help)"));
    const QString fe = p.value(frontend).toLower();
    if (fe != QLatin1String("rs232") && fe != QLatin1String("gsm"))
        fail(QStringLiteral("--frontend must be rs232 or gsm"));
    const QString m = p.value(model).toUpper();
    if (m != QLatin1String("A") && m != QLatin1String("B"))
        fail(QStringLiteral("--model must be A or B"));
    bool ok = false;
    const int baudRate = p.value(baud).toInt(&ok);
    if (!ok || baudRate < 300)
        fail(QStringLiteral("--baud must be a number of at least 300"));
    for (const QCommandLineOption *o : {&id, &enquiry, &setup}) {
        if (!isSixDigits(p.value(*o)))
            fail(QStringLiteral("--%1 must be six digits").arg(o->names().first()));
    }
    std::optional<FaultPlan> faultPlan = FaultPlan{};
    if (p.isSet(fault)) {
        faultPlan = parseFault(p.value(fault));
        if (!faultPlan)
            fail(QStringLiteral("unknown --fault kind \"%1\"; kinds:\n%2").arg(p.value(fault), faultHelp()));
    }
    if (p.isSet(faultCount)) {
        const int n = p.value(faultCount).toInt(&ok);
        if (!ok || n < 0)
            fail(QStringLiteral("--fault-count must be a number"));
        faultPlan->count = n;
    }
    FrontendTiming timing;
    timing.smsDelayMs = p.value(smsDelay).toInt(&ok);
    if (!ok || timing.smsDelayMs < 250)
        fail(QStringLiteral("--sms-delay must be at least 250"));
    timing.smsGapMs = p.value(smsGap).toInt(&ok);
    if (!ok || timing.smsGapMs < 250)
        fail(QStringLiteral("--sms-gap must be at least 250"));

    // The logger's state: from the file, or new from the factory.
    const Model wantedModel = m == QLatin1String("B") ? Model::B : Model::A;
    const QDateTime now = QDateTime::currentDateTime();
    LoggerState st;
    bool loaded = false;
    const QString statePath = p.value(state);
    if (!statePath.isEmpty() && QFile::exists(statePath)) {
        QString error;
        if (!LoggerState::load(statePath, now, &st, &error))
            fail(QStringLiteral("cannot load state %1: %2").arg(statePath, error));
        loaded = true;
    }
    if (!loaded || (p.isSet(model) && st.model != wantedModel))
        st = LoggerState::defaults(wantedModel, now);
    if (!loaded || p.isSet(id))
        st.stationId = p.value(id).toLatin1();
    if (!loaded || p.isSet(phone))
        st.phone = p.value(phone).toLatin1();
    if (!loaded || p.isSet(enquiry))
        st.enquiryPassword = p.value(enquiry).toLatin1();
    if (!loaded || p.isSet(setup))
        st.setupPassword = p.value(setup).toLatin1();

    if (p.isSet(historyDays) || p.isSet(logInterval)) {
        int days = DefaultHistoryDays;
        if (p.isSet(historyDays)) {
            days = p.value(historyDays).toInt(&ok);
            if (!ok || days < 1 || days > 30)
                fail(QStringLiteral("--history-days must be a number from 1 to 30"));
        }
        if (p.isSet(logInterval)) {
            const int code = p.value(logInterval).toInt(&ok);
            if (!ok || code < 1 || code > 5)
                fail(QStringLiteral("--log-interval must be 1 to 5"));
            st.logInterval = code;
        }
        st.fillHistory(wallClock(now).addSecs(st.clockOffsetSecs), days);
    }

    Logger logger(st);
    Frontend front(logger, fe == QLatin1String("gsm") ? Frontend::Kind::GsmModem : Frontend::Kind::Rs232);
    front.setBaud(baudRate);
    front.setTiming(timing);
    front.setFault(*faultPlan);

    auto saveState = [&] {
        if (statePath.isEmpty())
            return;
        QString error;
        if (!logger.state().save(statePath, &error))
            std::fprintf(stderr, "kaspen-sim: cannot save state %s: %s\n", qPrintable(statePath), qPrintable(error));
    };
    saveState();
    QObject::connect(&front, &Frontend::stateChanged, &app, saveState);

    // Log file: opened per line, appended, never kept open.
    const QString logPath = p.value(log);
    QObject::connect(&front, &Frontend::traffic, &app, [&](const QString &dir, const QByteArray &text) {
        if (logPath.isEmpty())
            return;
        QFile f(logPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "kaspen-sim: cannot write log %s: %s\n", qPrintable(logPath), qPrintable(f.errorString()));
            return;
        }
        f.write(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")).toLatin1() + dir.toLatin1()
                + ' ' + printable(text) + '\n');
    });

    SerialEndpoint endpoint(front);
    QString error;
    if (!endpoint.open(p.value(port), baudRate, &error))
        fail(QStringLiteral("cannot open %1: %2").arg(p.value(port), error));
    QObject::connect(&endpoint, &SerialEndpoint::closed, &app, [&](const QString &reason) {
        std::fprintf(stderr, "kaspen-sim: line closed: %s\n", qPrintable(reason));
        saveState();
        app.exit(0);
    });

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &app, [&] {
        if (g_signal.load() != 0)
            app.exit(0);
    });
    signalWatch.start(50);

    std::fprintf(stderr, "kaspen-sim: %s logger %s on %s (%s, %d baud)\n", modelName(logger.state().model).constData(),
                 logger.state().stationId.constData(), qPrintable(p.value(port)), qPrintable(fe), baudRate);
    const int rc = app.exec();
    endpoint.close();
    saveState();
    return rc;
}
