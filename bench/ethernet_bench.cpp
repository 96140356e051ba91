// BM_AutoScan8: Auto Scan with eight simulated modules on loopback
// (127.0.81.2 ... 127.0.81.9, in this process), from the button to the
// merged Ethernet book. The search itself lasts its 100 rounds of 10 ms.

#include "base/MessageSink.h"
#include "records/PhoneBook.h"
#include "session/EthernetModules.h"
#include "session/Session.h"
#include "sim/Module.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace kaspen;

namespace {

class MutedSink : public MessageSink {
public:
    void show(MessageKind, const QString &text, const QString &) override { last = text; }
    bool confirm(const QString &, const QString &) override { return false; }
    QString last;
};

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
    MutedSink sink;
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

} // namespace

BENCHMARK(BM_AutoScan8)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
