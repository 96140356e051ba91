// The Data Record page against the logger simulator on a pseudo-terminal at
// 9600 baud: downloads with one and with ten records per request, a query
// that fills the list and the chart, and Cancel in the middle of a download.

#include "gui/pages/DataRecordChart.h"
#include "gui/pages/DataRecordPage.h"
#include "pages/datarecord/DataRecordModel.h"
#include "pages/datarecord/HistoryRecords.h"
#include "protocol/ReplyItems.h"
#include "session/MainModel.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QPushButton>
#include <QLineSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace kaspen;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::waitUntil;
using Outcome = DataRecordModel::Outcome;

namespace {

class DataRecordE2E : public ::testing::Test {
protected:
    void start(const QStringList &simArgs = {})
    {
        ASSERT_TRUE(pty.ok()) << "socat made no pseudo-terminal pair";
        ASSERT_TRUE(dir.isValid());
        test::emptyPhoneBook(dir.path());
        sim = std::make_unique<SimProcess>(QStringList{"--port", pty.a(), "--baud", "9600"} + simArgs);
        ASSERT_TRUE(sim->ok()) << sim->errorOutput().toStdString();

        main = std::make_unique<MainModel>(ModelOrvelA);
        page = std::make_unique<DataRecordPage>(main->session());
        QObject::connect(main.get(), &MainModel::pageMessage, page.get(), [this](const PageMessage &m) {
            if (m.targets & ToDataRecord)
                page->handleMessage(m);
        });
        QObject::connect(main.get(), &MainModel::exchangeFinished, page.get(),
                         [this](int code, int result, const QString &) { page->model().exchangeFinished(code, result); });
        main->session().phoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        main->selectLink(LinkRs232);
        ASSERT_TRUE(main->toggleSerialConnection(pty.b()));
        ASSERT_EQ(main->runToEnd([this] { main->chooseSerialDevice("000001"); }), ResultSuccess);
        ASSERT_TRUE(main->session().verified());
    }

    void TearDown() override
    {
        page.reset();
        main.reset();
        sim.reset();
        PhoneBook::resetSharedState();
    }

    // Runs a download of [from, to] into path to its end.
    Outcome download(const QDate &from, const QDate &to, int perRequest, const QString &path, int timeoutMs = 120000)
    {
        DataRecordModel &m = page->model();
        page->setSaveChooser([path](const QString &) { return path; });
        m.setStartDate(from);
        m.setEndDate(to);
        m.setPerRequest(perRequest);
        page->retrieve();
        EXPECT_TRUE(m.downloadActive());
        EXPECT_TRUE(waitUntil([&] { return !m.downloadActive(); }, timeoutMs));
        return m.lastOutcome();
    }

    PtyPair pty;
    QTemporaryDir dir;
    test::RecordingSink sink;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainModel> main;
    std::unique_ptr<DataRecordPage> page;
};

QList<QByteArray> lines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    EXPECT_TRUE(all.isEmpty() || all.endsWith("#\r\n")) << "the file ends inside a line";
    QList<QByteArray> out = all.split('\n');
    out.removeLast();
    return out;
}

// The distinct records of a download file: time -> humidity value.
std::map<QDateTime, QByteArray> records(const QString &path)
{
    std::map<QDateTime, QByteArray> out;
    for (const QByteArray &line : lines(path)) {
        for (const QByteArray &packet : history::splitPackets(line)) {
            const int step = history::intervalSeconds(history::numberItem(packet, ";D:"));
            const int count = history::numberItem(packet, ";T:");
            const QDateTime first = history::parseTimeStamp(GetItemValue(packet, "TM:").value).time;
            const QList<QByteArray> values = GetItemValue(packet, "A00:").value.split('|');
            EXPECT_EQ(values.size(), count) << line.constData();
            for (int k = 0; k < count && k < values.size(); ++k)
                out[first.addSecs(qint64(k) * step)] = values[k];
        }
    }
    return out;
}

} // namespace

TEST_F(DataRecordE2E, TwoDaysWithOneAndTenRecordsPerRequestHoldTheSameRecords)
{
    // Hourly records, so that two days take seconds at 9600 baud; the range
    // holds the simulator's power cut (several packets in one reply).
    start({"--log-interval", "4", "--history-days", "4"});
    const QDate today = QDate::currentDate();
    const QString one = dir.filePath("one.txt"), ten = dir.filePath("ten.txt");
    ASSERT_EQ(download(today.addDays(-2), today.addDays(-1), 1, one), Outcome::Completed);
    EXPECT_EQ(sink.last(), QStringLiteral("Download completed!"));
    ASSERT_EQ(download(today.addDays(-2), today.addDays(-1), 10, ten), Outcome::Completed);
    const auto a = records(one), b = records(ten);
    EXPECT_GE(a.size(), 44u);
    EXPECT_LE(a.size(), 48u);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.begin()->first, QDateTime(today.addDays(-2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(a.rbegin()->first, QDateTime(today.addDays(-1), QTime(23, 0), Qt::UTC));
    EXPECT_LT(lines(ten).size(), lines(one).size() / 4);
    // Every line is the reply counter, ":" and one whole reply.
    const QList<QByteArray> l = lines(one);
    for (int i = 0; i < l.size(); ++i)
        EXPECT_TRUE(l[i].startsWith(QByteArray::number(i + 1) + ":#STD:000001")) << l[i].constData();
}

TEST_F(DataRecordE2E, QueryOfTwentyRecordsFillsTheListAndTheChart)
{
    start({"--log-interval", "1", "--history-days", "3"});
    // Forty hours ago: inside the history, before the simulator's power cut.
    QDateTime at = QDateTime::currentDateTime().addSecs(-40 * 3600);
    at = QDateTime(at.date(), QTime(at.time().hour(), at.time().minute() / 5 * 5));
    DataRecordModel &m = page->model();
    page->queryDate()->setDate(at.date());
    page->hourList()->setCurrentIndex(at.time().hour());
    page->minuteList()->setCurrentIndex(at.time().minute());
    page->countList()->setCurrentIndex(page->countList()->findText("20"));
    ASSERT_EQ(main->runToEnd([&] { page->queryButton()->click(); }), ResultSuccess);
    ASSERT_EQ(m.rows().size(), 20);
    EXPECT_EQ(page->list()->rowCount(), 20);
    EXPECT_EQ(page->list()->item(0, 3)->text(), at.date().toString("MM/dd/yyyy"));
    EXPECT_EQ(page->list()->item(0, 4)->text(), at.time().toString("HH:mm:ss"));
    EXPECT_EQ(page->list()->item(19, 4)->text(), at.addSecs(19 * 300).time().toString("HH:mm:ss"));
    EXPECT_EQ(page->list()->horizontalHeaderItem(5)->text(), QStringLiteral("Humidity"));
    const QList<QLineSeries *> series = page->chart()->seriesList();
    ASSERT_FALSE(series.isEmpty());
    EXPECT_EQ(series.first()->name(), QStringLiteral("Humidity"));
    EXPECT_EQ(series.first()->count(), 20);
}

TEST_F(DataRecordE2E, CancelInTheMiddleKeepsWholeLines)
{
    start({"--log-interval", "4", "--history-days", "4"});
    const QDate today = QDate::currentDate();
    const QString path = dir.filePath("cancel.txt");
    DataRecordModel &m = page->model();
    page->setSaveChooser([path](const QString &) { return path; });
    m.setStartDate(today.addDays(-3));
    m.setEndDate(today.addDays(-1));
    page->retrieve();
    ASSERT_TRUE(page->statusWindow() && page->statusWindow()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return m.received() >= 5; }, 60000));
    page->statusWindow()->cancelButton()->click();
    EXPECT_EQ(m.lastOutcome(), Outcome::Cancelled);
    const int saved = m.recordsSaved();
    EXPECT_EQ(sink.last(), QStringLiteral("DownLoad Cancel Success!\n%1 records saved in %2").arg(saved).arg(path));
    // The request that was out is answered after Cancel: nothing more is
    // written or asked.
    test::spin(1500);
    const QList<QByteArray> l = lines(path);
    EXPECT_EQ(l.size(), saved);
    EXPECT_EQ(int(records(path).size()), saved);
    EXPECT_FALSE(main->session().serialRecord().inProgress);
}
