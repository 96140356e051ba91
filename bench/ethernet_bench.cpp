// BM_AutoScan8: Auto Scan with eight simulated modules on loopback
// (127.0.81.2 ... 127.0.81.9, in this process), from the button to the
// merged Ethernet book. The search itself lasts its 100 rounds of 10 ms.
//
// BM_EthernetBatch100: the batch of 100 settings of BM_BatchRun100 over UDP
// on loopback, through a simulated module (127.0.82.2) to the simulated
// logger behind it. logger_s is the logger's own answer time (from each
// datagram reaching the module to the answer leaving it), floor_s is
// logger_s plus the 100 ms the link waits after each read notification, and
// ratio = measured time / floor_s.

#include "BenchSupport.h"
#include "base/MessageSink.h"
#include "pages/BatchCli.h"
#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"
#include "records/PhoneBook.h"
#include "session/MainModel.h"
#include "sim/Logger.h"
#include "sim/LoggerState.h"
#include "session/EthernetModules.h"
#include "session/Session.h"
#include "sim/Module.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace kaspen;

namespace {

struct Modules {
    explicit Modules(int count)
    {
        for (int i = 0; i < count; ++i) {
            const QByteArray ip = "127.0.81." + QByteArray::number(i + 2);
            sim::ModuleState st = sim::ModuleState::defaults(ip);
            st.mac = "00-4B-53-81-00-" + QByteArray::number(i + 2, 16).rightJustified(2, '0').toUpper();
            modules.push_back(std::make_unique<sim::Module>(st));
            endpoints.push_back(std::make_unique<sim::ModuleEndpoint>(*modules.back()));
            QString e;
            if (!endpoints.back()->open(&e))
                error = e;
        }
    }
    std::vector<std::unique_ptr<sim::Module>> modules;
    std::vector<std::unique_ptr<sim::ModuleEndpoint>> endpoints;
    QString error;
};

void BM_AutoScan8(benchmark::State &state)
{
    kaspen::bench::QuietSink sink;
    setMessageSink(&sink);
    QTemporaryDir dir;
    PhoneBook::setDirectory(dir.path());
    Modules sims(8);
    if (!sims.error.isEmpty()) {
        state.SkipWithError(qPrintable(sims.error));
        setMessageSink(nullptr);
        return;
    }
    Session session(ModelOrvelB);
    session.setLink(LinkEthernet);
    EthernetModules modules(session);
    QList<QHostAddress> scan;
    for (int i = 1; i <= 9; ++i)
        scan.append(QHostAddress(QStringLiteral("127.0.81.%1").arg(i)));
    modules.client().setScanAddresses(scan);
    int merged = 0;
    for (auto _ : state) {
        QFile::remove(PhoneBook::ethernetBookPath());
        PhoneBook::resetSharedState();
        bool done = false;
        int found = 0;
        QEventLoop loop;
        modules.autoScan([&](int n) {
            found = n;
            done = true;
            loop.quit();
        });
        if (!done)
            loop.exec();
        merged = int(session.phoneBook().ethernetTable().size());
        if (found != 8 || merged != 8) {
            state.SkipWithError("not every module was found and merged");
            break;
        }
    }
    state.counters["modules"] = merged;
    PhoneBook::resetSharedState();
    setMessageSink(nullptr);
}

struct EthernetRig {
    EthernetRig()
    {
        setMessageSink(&sink);
        PhoneBook::setDirectory(dir.path());
        PhoneBook::resetSharedState();
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0);
        const QByteArray localPort = QByteArray::number(probe.localPort());
        probe.close();
        sim::ModuleState st = sim::ModuleState::defaults("127.0.82.2");
        st.mac = "00-4B-53-82-00-02";
        st.keys["C1_CLI_PP4"] = localPort;
        module = std::make_unique<sim::Module>(st);
        endpoint = std::make_unique<sim::ModuleEndpoint>(*module);
        logger = std::make_unique<sim::Logger>(sim::LoggerState::defaults(sim::Model::B, QDateTime::currentDateTime()));
        endpoint->bridgeToLogger(logger.get());
        QString e;
        if (!endpoint->open(&e)) {
            error = e.toStdString();
            return;
        }
        QObject::connect(endpoint.get(), &sim::ModuleEndpoint::traffic, [this](const QString &dir, const QByteArray &) {
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            if (dir == QLatin1String("RX"))
                rxAt = now;
            else if (dir == QLatin1String("TX") && rxAt > 0) {
                loggerMs += now - rxAt;
                rxAt = 0;
                ++answers;
            }
        });
        model = std::make_unique<MainModel>(ModelOrvelB);
        model->selectLink(LinkEthernet);
        pages = std::make_unique<CorePages>(model->session());
        QObject::connect(model.get(), &MainModel::pageMessage, [this](const PageMessage &m) { pages->deliver(m); });
        EthernetModules &modules = model->ethernetModules();
        modules.client().setScanAddresses({QHostAddress("127.0.82.2")});
        bool scanned = false;
        modules.autoScan([&](int) { scanned = true; });
        if (!kaspen::bench::spinUntil([&] { return scanned; }, 10000) || modules.discovered().size() != 1) {
            error = "the module was not found";
            return;
        }
        model->session().phoneBook().EditEthernetEntry("000001", "0123456789", "111111", "222222");
        int reachable = -1;
        modules.chooseConnectionId("000001", [&](bool r) { reachable = r; });
        if (!kaspen::bench::spinUntil([&] { return reachable >= 0; }, 10000) || reachable != 1) {
            error = "the module did not answer";
            return;
        }
        if (model->runToEnd([&] { model->ethernet().toggle("000001"); }) != 0 || !model->session().verified()) {
            error = "the logger was not verified";
            return;
        }
        kaspen::bench::spinUntil([] { return false; }, 300); // "#SE:0#" and its answer
        cfg = dir.filePath(QStringLiteral("batch100.cfg"));
        if (!kaspen::bench::writeBatch100(cfg))
            error = "cannot write the configuration file";
    }
    ~EthernetRig()
    {
        pages.reset();
        model.reset();
        endpoint.reset();
        setMessageSink(nullptr);
        PhoneBook::resetSharedState();
    }

    QTemporaryDir dir;
    kaspen::bench::QuietSink sink;
    std::unique_ptr<sim::Module> module;
    std::unique_ptr<sim::ModuleEndpoint> endpoint;
    std::unique_ptr<sim::Logger> logger;
    std::unique_ptr<MainModel> model;
    std::unique_ptr<CorePages> pages;
    QString cfg;
    std::string error;
    qint64 rxAt = 0;
    qint64 loggerMs = 0;
    int answers = 0;
};

void BM_EthernetBatch100(benchmark::State &state)
{
    EthernetRig rig;
    if (!rig.error.empty()) {
        state.SkipWithError(rig.error.c_str());
        return;
    }
    BatchSetupModel &batch = rig.pages->batch();
    double total = 0, floor = 0, logger = 0;
    for (auto _ : state) {
        if (!batch.openConfigFile(rig.cfg)) {
            state.SkipWithError("cannot open the configuration file");
            return;
        }
        batch.selectAll();
        rig.loggerMs = 0;
        rig.answers = 0;
        QElapsedTimer t;
        t.start();
        if (!batch.startBatchRun()) {
            state.SkipWithError("the run was refused");
            return;
        }
        const bool done = kaspen::bench::batchRunSucceeds(batch, *rig.model, 120000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (!done) {
            state.SkipWithError("the run did not end with every row successful");
            return;
        }
        state.SetIterationTime(seconds);
        total += seconds;
        const double loggerSeconds = double(rig.loggerMs) / 1000.0;
        logger += loggerSeconds;
        floor += loggerSeconds + 0.1 * rig.answers;
    }
    const double n = double(state.iterations());
    state.counters["logger_s"] = logger / n;
    state.counters["floor_s"] = floor / n;
    state.counters["ratio"] = floor > 0 ? total / floor : 0;
    state.counters["rows"] = 100;
}

} // namespace

BENCHMARK(BM_EthernetBatch100)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();
BENCHMARK(BM_AutoScan8)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
