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

constexpr double BytesPerSecond = 960.0; // 9600 baud, 8N1
constexpr double QuietGapSeconds = 0.2;

// Message boxes of the program are errors in a benchmark.
class QuietSink : public MessageSink {
public:
    void show(MessageKind, const QString &text, const QString &) override { last = text; }
    bool confirm(const QString &, const QString &) override { return false; }
    QString last;
};

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

// The settings, cycled to 100 rows under their own codes.
std::vector<QByteArray> settingTexts()
{
    std::vector<QByteArray> s = {"#SA:3#", "#CP:0555123456!,4#", "#AD00:95.00,0.000,0.000,1,85.00,15.00#",
                                 "#AD13:1,40.00,-8.00#", "#AD14:2,45.00,-2.00#", "#PA:40000000000#", "#O1:1#",
                                 "#OT1:0030#", "#OC1:10200000000000001000000000#", "#O2:0#", "#OT2:0045#",
                                 "#OC2:01000000000000000100000000#"};
    for (int n = 1; n <= 8; ++n)
        s.push_back("#AP" + QByteArray::number(n) + ":055500000" + QByteArray::number(n) + "!#");
    for (int n = 1; n <= 6; ++n)
        s.push_back("#AD0" + QByteArray::number(n) + ":2" + QByteArray::number(n) + ".00,4.000,4.000,1,1"
                    + QByteArray::number(n) + ".00,5.000#");
    for (int n = 7; n <= 12; ++n)
        s.push_back("#AD" + QByteArray::number(n).rightJustified(2, '0') + ":1.000,0.000,1.000,2,30.00,10.00#");
    for (int n = 1; n <= 3; ++n)
        s.push_back("#LP" + QByteArray::number(n) + ":0000012" + QByteArray::number(n) + "#");
    for (int n = 1; n <= 8; ++n)
        s.push_back("#TD" + QByteArray::number(n) + ":00" + QByteArray::number(10 + n) + "#");
    return s;
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
        std::vector<ConfigRow> rows;
        const std::vector<QByteArray> texts = settingTexts();
        for (int i = 0; i < 100; ++i)
            rows.push_back({QByteArray::number(i + 1).rightJustified(2, '0'), "222222" + texts[size_t(i) % texts.size()],
                            30000 + i, true});
        cfg = dir.filePath(QStringLiteral("batch100.cfg"));
        if (!writeConfigFile(cfg, rows, QDateTime::currentDateTime()))
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
    QuietSink sink;
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
        floorSeconds += double(sent + link.received) / BytesPerSecond + QuietGapSeconds * link.replies;
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
