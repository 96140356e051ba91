// BM_Download1Day: one day of 5-minute records (288) downloaded from the
// simulated logger (kaspen-sim, pacing its bytes at 9600 baud) over a socat
// pseudo-terminal pair, through the main model and the Data Record page's
// model as kaspen-cli runs it; with 1 and with 20 records per request.
//
// Counters: floor_s, what a perfect program would need on a real 9600 baud
// line (every byte each way at 960 bytes/s, plus the 200 ms quiet gap that
// ends each reply), ratio = measured time / floor_s, replies and records.

#include "BenchSupport.h"
#include "base/MessageSink.h"
#include "pages/datarecord/DataRecordModel.h"
#include "session/MainModel.h"
#include "session/PageRouter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

using namespace kaspen;

namespace {

struct HistoryLink {
    HistoryLink()
    {
        error = line.start(dir.path(), {"--model", "A", "--baud", "9600", "--log-interval", "1", "--history-days", "4"});
        if (!error.empty())
            return;
        setMessageSink(&sink);
        PhoneBook::setDirectory(dir.path());
        PhoneBook::resetSharedState();
        PhoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        model = std::make_unique<MainModel>(ModelOrvelA);
        page = std::make_unique<DataRecordModel>(model->session());
        router.addPage(ToDataRecord, page.get());
        QObject::connect(model.get(), &MainModel::pageMessage, [this](const PageMessage &m) { router.deliver(m); });
        QObject::connect(&model->session(), &Session::serialTextReceived, [this](const QByteArray &t) {
            received += t.size();
            ++replies;
        });
        QObject::connect(model.get(), &MainModel::sendLogAdded, [this](const QByteArray &t) { sent += t.size(); });
        error = kaspen::bench::connectOverCable(*model, line.port());
    }
    ~HistoryLink()
    {
        page.reset();
        model.reset();
        setMessageSink(nullptr);
        PhoneBook::resetSharedState();
    }

    QTemporaryDir dir;
    kaspen::bench::SimOverPty line;
    kaspen::bench::QuietSink sink;
    std::unique_ptr<MainModel> model;
    std::unique_ptr<DataRecordModel> page;
    PageRouter router;
    std::string error;
    long long received = 0;
    long long sent = 0;
    int replies = 0;
};

void BM_Download1Day(benchmark::State &state)
{
    const int perRequest = int(state.range(0));
    HistoryLink link;
    if (!link.error.empty()) {
        state.SkipWithError(link.error.c_str());
        return;
    }
    // Three days ago: a whole day of the simulator's history, away from its
    // power cut.
    const QDate day = QDate::currentDate().addDays(-3);
    double floorSeconds = 0, totalSeconds = 0;
    int records = 0, replies = 0;
    for (auto _ : state) {
        DataRecordModel &page = *link.page;
        page.setStartDate(day);
        page.setEndDate(day);
        page.setPerRequest(perRequest);
        if (page.prepareDownload().isEmpty()) {
            state.SkipWithError("the download was refused");
            return;
        }
        link.received = link.sent = 0;
        link.replies = 0;
        const QString path = link.dir.filePath(QStringLiteral("day.txt"));
        QElapsedTimer t;
        t.start();
        if (!page.startDownload(path)) {
            state.SkipWithError("the first request was not sent");
            return;
        }
        const bool done = kaspen::bench::spinUntil([&] { return !page.downloadActive(); }, 600000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        if (!done || page.lastOutcome() != DataRecordModel::Outcome::Completed) {
            state.SkipWithError("the download did not complete");
            return;
        }
        // The last reply's exchange ends before the next round.
        kaspen::bench::spinUntil([&] { return !link.model->exchange().running(); }, 5000);
        state.SetIterationTime(seconds);
        totalSeconds += seconds;
        floorSeconds += double(link.sent + link.received) / kaspen::bench::BytesPerSecond + kaspen::bench::QuietGapSeconds * link.replies;
        records = page.recordsSaved();
        replies = link.replies;
    }
    const double n = double(state.iterations());
    state.counters["floor_s"] = floorSeconds / n;
    state.counters["ratio"] = totalSeconds / floorSeconds;
    state.counters["records"] = records;
    state.counters["replies"] = replies;
}

BENCHMARK(BM_Download1Day)->Arg(1)->Arg(20)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1)->Repetitions(3);

} // namespace
