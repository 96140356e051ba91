// BM_BatchRun100: a batch of 100 settings applied to the simulated logger
// (kaspen-sim, pacing its bytes at 9600 baud) over a socat pseudo-terminal
// pair, through the main model and the batch runner as kaspen-cli runs it.
//
// Counters: floor_s, what a perfect program would need on a real 9600 baud
// line (every byte each way at 960 bytes/s, plus the 200 ms quiet gap that
// ends each reply), and ratio = measured time / floor_s.
// The simulated logger takes its own time to answer, as a real one does
// (it waits for the command to end, then thinks). logger_s is that time,
// measured from each write to the first byte of the answer in the
// simulator's log, and ratio_net = time / (floor_s + logger_s) is what the
// program itself adds.

#include "BenchSupport.h"
#include "session/MainModel.h"
#include "base/MessageSink.h"
#include "base/Clock.h"
#include "pages/BatchCli.h"
#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

using namespace kaspen;

namespace {

// Milliseconds since the epoch of each answer's first byte ("TX" lines of the
// simulator's log that follow a received command).
std::vector<qint64> answerTimes(const QString &logPath)
{
    std::vector<qint64> times;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return times;
    bool awaiting = false;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (line.size() < 28)
            continue;
        const QByteArray dir = line.mid(24, 3);
        if (dir == "RX ") {
            awaiting = true;
        } else if (dir == "TX " && awaiting) {
            awaiting = false;
            const QDateTime t = QDateTime::fromString(QString::fromLatin1(line.left(23)), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            times.push_back(t.toMSecsSinceEpoch());
        }
    }
    return times;
}

struct SimLink {
    SimLink()
    {
        logPath = dir.filePath(QStringLiteral("sim.log"));
        error = line.start(dir.path(), {"--model", "A", "--state", dir.filePath(QStringLiteral("logger.json")), "--log", logPath});
        if (!error.empty())
            return;
        setMessageSink(&sink);
        PhoneBook::setDirectory(dir.path());
        PhoneBook::resetSharedState();
        PhoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        model = std::make_unique<MainModel>(ModelOrvelA);
        pages = std::make_unique<CorePages>(model->session());
        QObject::connect(model.get(), &MainModel::pageMessage, [this](const PageMessage &m) { pages->deliver(m); });
        QObject::connect(&model->session(), &Session::serialTextReceived, [this](const QByteArray &t) {
            received += t.size();
            ++replies;
        });
        // WM_USER+2 is posted right after each write.
        QObject::connect(&model->session(), &Session::commandSent,
                         [this] { writeTimes.push_back(QDateTime::currentMSecsSinceEpoch()); });
        error = kaspen::bench::connectOverCable(*model, line.port());
        if (!error.empty())
            return;
        cfg = dir.filePath(QStringLiteral("batch100.cfg"));
        if (!kaspen::bench::writeBatch100(cfg))
            error = "cannot write the configuration file";
    }
    ~SimLink()
    {
        pages.reset();
        model.reset();
        setMessageSink(nullptr);
        PhoneBook::resetSharedState();
    }

    QTemporaryDir dir;
    kaspen::bench::SimOverPty line;
    kaspen::bench::QuietSink sink;
    std::unique_ptr<MainModel> model;
    std::unique_ptr<CorePages> pages;
    QString cfg;
    QString logPath;
    std::vector<qint64> writeTimes;
    std::string error;
    long long received = 0;
    int replies = 0;
};

void BM_BatchRun100(benchmark::State &state)
{
    SimLink link;
    if (!link.error.empty()) {
        state.SkipWithError(link.error.c_str());
        return;
    }
    BatchSetupModel &batch = link.pages->batch();
    double floorSeconds = 0;
    double totalSeconds = 0;
    double loggerSeconds = 0;
    for (auto _ : state) {
        if (!batch.openConfigFile(link.cfg)) {
            state.SkipWithError("cannot open the configuration file");
            return;
        }
        batch.selectAll();
        long long sent = 0;
        for (int r = 0; r < batch.list().rowCount(); ++r)
            sent += batch.list().row(r).text.size();
        link.received = 0;
        link.replies = 0;
        link.writeTimes.clear();
        QFile::remove(link.logPath);
        QElapsedTimer t;
        t.start();
        if (!batch.startBatchRun()) {
            state.SkipWithError("the run was refused");
            return;
        }
        const bool done = kaspen::bench::batchRunSucceeds(batch, *link.model, 300000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (!done) {
            state.SkipWithError("the run did not end with every row successful");
            return;
        }
        state.SetIterationTime(seconds);
        totalSeconds += seconds;
        floorSeconds += double(sent + link.received) / kaspen::bench::BytesPerSecond + kaspen::bench::QuietGapSeconds * link.replies;
        const std::vector<qint64> answers = answerTimes(link.logPath);
        const size_t n = std::min(answers.size(), link.writeTimes.size());
        for (size_t i = 0; i < n; ++i)
            loggerSeconds += double(answers[i] - link.writeTimes[i]) / 1000.0;
    }
    const double n = double(state.iterations());
    state.counters["floor_s"] = floorSeconds / n;
    state.counters["ratio"] = totalSeconds / floorSeconds;
    state.counters["logger_s"] = loggerSeconds / n;
    state.counters["ratio_net"] = totalSeconds / (floorSeconds + loggerSeconds);
    state.counters["rows"] = 100;
}

BENCHMARK(BM_BatchRun100)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1)->Repetitions(3);

} // namespace
