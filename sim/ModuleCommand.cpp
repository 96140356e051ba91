#include "sim/ModuleCommand.h"

#include "sim/Logger.h"
#include "sim/LoggerState.h"
#include "sim/Module.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace kaspen::sim {

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "kaspen-sim module: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int runModuleCommand(const QStringList &args, const std::function<bool()> &interrupted)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated Ethernet serial-server module on a loopback address.\n"
        "It answers discovery and the module configuration protocol on its\n"
        "configuration port, and bridges data: datagrams to its data port\n"
        "(C1_PORT) go to the logger, and what the logger sends goes back as\n"
        "datagrams to the fourth client (C1_CLI_IP4 : C1_CLI_PP4).\n"
        "The logger is a serial line (--serial, with kaspen-sim or another peer\n"
        "on the other end of a pseudo-terminal) or a simulated logger inside\n"
        "this process (--logger). Runs until interrupted."));
    p.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"), QStringLiteral("The module's IP address, 127.x.y.z (required)."), QStringLiteral("IP"));
    const QCommandLineOption mac(QStringLiteral("mac"), QStringLiteral("MAC address. Default 00-4B-53-00-00-NN with NN the last number of the address in hex."), QStringLiteral("MAC"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Load the module's keys from FILE if it exists and save every change to it."), QStringLiteral("FILE"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("The logger's serial line (a port or a pseudo-terminal)."), QStringLiteral("PATH"));
    const QCommandLineOption logger(QStringLiteral("logger"), QStringLiteral("A simulated logger in this process: A or B."), QStringLiteral("A|B"));
    const QCommandLineOption configPort(QStringLiteral("config-port"), QStringLiteral("Configuration port. Default: KASPEN_MODULE_PORT, else 47290."), QStringLiteral("N"));
    const QCommandLineOption set(QStringLiteral("set"), QStringLiteral("Start with KEY set to VALUE (repeatable), e.g. --set C1_CLI_PP4=5011."), QStringLiteral("KEY=VALUE"));
    const QCommandLineOption pack(QStringLiteral("pack-ms"), QStringLiteral("With --serial: milliseconds the line must be quiet before its bytes go out as one datagram. Default 500."), QStringLiteral("MS"), QStringLiteral("500"));
    const QCommandLineOption mute(QStringLiteral("mute-after"), QStringLiteral("Stop answering the configuration protocol after N answers."), QStringLiteral("N"));
    p.addOptions({address, mac, state, serial, logger, configPort, set, pack, mute});
    QStringList argv = args;
    argv.prepend(QStringLiteral("kaspen-sim module"));
    if (!p.parse(argv))
        return fail(p.errorText());
    if (p.isSet(QStringLiteral("help"))) {
        std::fprintf(stdout, "%s", qPrintable(p.helpText()));
        return 0;
    }
    if (!p.isSet(address))
        return fail(QStringLiteral("--address IP is required"));
    QHostAddress a;
    if (!a.setAddress(p.value(address)) || a.protocol() != QAbstractSocket::IPv4Protocol || !a.isLoopback())
        return fail(QStringLiteral("--address must be a loopback IPv4 address (127.x.y.z)"));
    if (p.isSet(serial) && p.isSet(logger))
        return fail(QStringLiteral("--serial and --logger exclude each other"));

    const QByteArray ip = a.toString().toLatin1();
    ModuleState st = ModuleState::defaults(ip);
    const quint32 last = a.toIPv4Address() & 0xff;
    st.mac = QByteArray("00-4B-53-00-00-") + QByteArray::number(last, 16).rightJustified(2, '0').toUpper();
    st.number = int(last);
    const QString statePath = p.value(state);
    if (!statePath.isEmpty() && QFile::exists(statePath)) {
        QString e;
        if (!st.load(statePath, &e))
            return fail(QStringLiteral("cannot load %1: %2").arg(statePath, e));
        st.keys["IP"] = ip;
    }
    if (p.isSet(mac))
        st.mac = p.value(mac).toLatin1();
    for (const QString &kv : p.values(set)) {
        const int eq = kv.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail(QStringLiteral("--set wants KEY=VALUE, not %1").arg(kv));
        st.keys[kv.left(eq).toLatin1()] = kv.mid(eq + 1).toLatin1();
    }
    int port = 0;
    if (p.isSet(configPort)) {
        port = p.value(configPort).toInt();
    } else {
        bool ok = false;
        port = qEnvironmentVariableIntValue("KASPEN_MODULE_PORT", &ok);
        if (!ok)
            port = 47290;
    }
    if (port <= 0 || port > 65535)
        return fail(QStringLiteral("bad configuration port"));

    Module module(st);
    ModuleEndpoint endpoint(module);
    endpoint.setConfigPort(quint16(port));
    std::unique_ptr<Logger> sim;
    QString error;
    if (p.isSet(logger)) {
        const QString m = p.value(logger).toUpper();
        if (m != QLatin1String("A") && m != QLatin1String("B"))
            return fail(QStringLiteral("--logger must be A or B"));
        sim = std::make_unique<Logger>(LoggerState::defaults(m == QLatin1String("B") ? Model::B : Model::A,
                                                             QDateTime::currentDateTime()));
        endpoint.bridgeToLogger(sim.get());
    } else if (p.isSet(serial)) {
        const int packMs = p.value(pack).toInt();
        if (packMs < 10)
            return fail(QStringLiteral("--pack-ms must be at least 10"));
        endpoint.setPackingGap(packMs);
        if (!endpoint.bridgeToSerial(p.value(serial), &error))
            return fail(QStringLiteral("cannot open %1: %2").arg(p.value(serial), error));
    }
    if (!endpoint.open(&error))
        return fail(error);
    auto save = [&] {
        if (statePath.isEmpty())
            return;
        QString e;
        if (!module.state().save(statePath, &e))
            std::fprintf(stderr, "kaspen-sim module: cannot save %s: %s\n", qPrintable(statePath), qPrintable(e));
    };
    save();
    QObject::connect(&endpoint, &ModuleEndpoint::stateChanged, save);
    const int muteAfter = p.isSet(mute) ? p.value(mute).toInt() : -1;

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (muteAfter >= 0 && module.answered() >= muteAfter)
            module.setMuted(true);
        if (interrupted())
            QCoreApplication::exit(0);
    });
    watch.start(20);
    std::fprintf(stderr, "kaspen-sim: module %s (%s) on %s, configuration port %d, data port %s\n", st.mac.constData(),
                 st.name.constData(), ip.constData(), port, st.keys["C1_PORT"].constData());
    const int rc = QCoreApplication::exec();
    endpoint.close();
    save();
    return rc;
}

} // namespace kaspen::sim
