// The batch run and the batch runner against a fake serial line and a fake
// command exchange: order, claims, special commands, failures, and the
// hand-over between the runner and the UI thread under stress.

#include "pages/batch/BatchSetupModel.h"
#include "records/AuditTrail.h"
#include "support/BatchFixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::BatchFixture;
using kaspen::test::ResultTiming;

namespace {

const QString Success = QStringLiteral("Command Success");

bool waitFor(const std::function<bool()> &cond, int guardMs = 10000)
{
    QDeadlineTimer deadline(guardMs);
    while (!deadline.hasExpired()) {
        if (cond())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return cond();
}

TEST(BatchRun, SendsTheCheckedRowsInListOrderUnderTheBatchCode)
{
    BatchFixture f;
    f.timing = [] { return ResultTiming::Posted; };
    std::vector<int> codes;
    QObject::connect(&f.session, &Session::commandSent, [&] { codes.push_back(f.session.serialRecord().commandCode); });
    f.list({{11002, "222222#ST:000007#"}, {11005, "222222#SA:1#"}, {11007, "222222#CP:!,0#"}});
    f.model().list().setChecked(1, false);
    ASSERT_TRUE(f.model().startBatchRun());
    EXPECT_EQ(f.statuses(), QStringList({"Ready", "", "Ready"}));
    EXPECT_TRUE(f.model().running());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.line->written, QList<QByteArray>({"222222#ST:000007#", "222222#CP:!,0#"}));
    EXPECT_EQ(codes, std::vector<int>({codes::Batch, codes::Batch}));
    EXPECT_EQ(f.statuses(), QStringList({Success, "", Success}));
    // "#ST": the station ID text of the serial record follows the command.
    EXPECT_EQ(f.session.serialRecord().stationIdText, "000007");
    EXPECT_TRUE(f.sink.shown.isEmpty());
}

TEST(BatchRun, OldPasswordEntryIsShownAndSentWithTheCurrentPassword)
{
    BatchFixture f;
    f.list({{11005, "111111#SA:1#"}, {20050, "111111#PS:333333,444444#"}});
    EXPECT_EQ(f.model().list().row(0).text, "222222#SA:1#");
    EXPECT_EQ(f.model().list().row(1).text, "222222#PS:333333,444444#");
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.line->written, QList<QByteArray>({"222222#SA:1#", "222222#PS:333333,444444#"}));
}

TEST(BatchRun, AutoStationIdCountsUpPerRunAndWrapsAfter999999)
{
    struct Case {
        const char *start;
        std::vector<const char *> sent;
    };
    const Case cases[] = {
        {"000041", {"000042", "000043", "000044"}},
        {"999998", {"999999", "000000", "000001"}},
    };
    for (const Case &c : cases) {
        BatchFixture f;
        f.list({{11002, QByteArray("222222#ST:") + c.start + "#"}, {11005, "222222#SA:1#"}});
        f.model().setAutoStationId(true);
        for (const char *id : c.sent) {
            f.line->written.clear();
            ASSERT_TRUE(f.model().startBatchRun());
            ASSERT_TRUE(f.waitIdle());
            ASSERT_EQ(f.line->written.size(), 2);
            EXPECT_EQ(f.line->written[0], QByteArray("222222#ST:") + id + "#");
            EXPECT_EQ(f.model().list().row(0).parameters, QByteArray(id)); // the ID last sent
            EXPECT_EQ(f.session.serialRecord().stationIdText, QByteArray(id));
        }
        // The batch command table keeps what was recorded.
        EXPECT_EQ(f.session.batchTable().text(11002), QByteArray("222222#ST:") + c.start + "#");
    }
}

TEST(BatchRun, NextStationIdRule)
{
    EXPECT_EQ(BatchSetupModel::nextStationId("000041", true), "000042");
    EXPECT_EQ(BatchSetupModel::nextStationId("999999", true), "000000");
    EXPECT_EQ(BatchSetupModel::nextStationId("41", true), "000042");
    EXPECT_EQ(BatchSetupModel::nextStationId("000041", false), "000041"); // init keeps it
    EXPECT_EQ(BatchSetupModel::nextStationId("999999", false), "000000");
}

TEST(BatchRun, RefusedCommandShowsFailAndTheRunGoesOn)
{
    BatchFixture f;
    f.answer = [](const QByteArray &w) {
        if (w.contains("#SA:"))
            return QStringLiteral("Command Fail ");
        if (w.contains("#TM:"))
            return QStringLiteral("Command Time Out");
        return QStringLiteral("Command Success");
    };
    f.list({{11002, "222222#ST:000007#"}, {11004, "222222#TM:2403051407#"}, {11005, "222222#SA:9#"},
            {11007, "222222#CP:!,0#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.statuses(), QStringList({Success, "Command Time Out", "Command Fail ", Success}));
    EXPECT_EQ(f.line->written.size(), 4);
}

TEST(BatchRun, LinkChecksRefuseTheRun)
{
    {
        BatchFixture f;
        f.list({{11005, "222222#SA:1#"}});
        f.line->close();
        EXPECT_FALSE(f.model().startBatchRun());
        EXPECT_EQ(f.sink.last(), "Before Batch Setup,please Connect!");
        EXPECT_FALSE(f.model().running());
    }
    {
        BatchFixture f;
        f.list({{11005, "222222#SA:1#"}});
        f.session.serialRecord().inProgress = true;
        EXPECT_FALSE(f.model().startBatchRun());
        EXPECT_EQ(f.sink.last(), "Command is in progress...");
        EXPECT_TRUE(f.line->written.isEmpty());
    }
    {
        BatchFixture f(13);
        f.session.setLink(LinkEthernet);
        f.list({{11005, "222222#SA:1#"}}); // no Ethernet link is open
        EXPECT_FALSE(f.model().startBatchRun());
        EXPECT_EQ(f.sink.last(), "Before Batch Setup,please Connect!");
    }
}

TEST(BatchRun, SendFailureMarksTheRowStopsTheRunAndBringsTheButtonsBack)
{
    BatchFixture f;
    f.list({{11002, "222222#ST:000007#"}, {11004, "222222#TM:2403051407#"}, {11005, "222222#SA:1#"}});
    int writes = 0;
    f.answer = [&](const QByteArray &) {
        if (++writes == 1)
            f.line->failWrites = true; // the port goes after the first command
        return Success;
    };
    int ended = 0;
    QObject::connect(&f.model(), &BatchSetupModel::runEnded, [&] { ++ended; });
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(f.statuses(), QStringList({Success, "Command Send Fail", ""}));
    EXPECT_EQ(f.model().runnerQueued(), 0);
    ASSERT_TRUE(waitFor([&] { return !f.model().buttonTimerActive(); }));
    EXPECT_TRUE(f.model().batchButtonsEnabled());
    EXPECT_TRUE(f.model().bufferClearEnabled());
    // The next run starts cleanly once the port is back.
    f.line->failWrites = false;
    f.line->written.clear();
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(f.statuses(), QStringList({Success, Success, Success}));
}

TEST(BatchRun, ButtonsAreLockedWhileRunning)
{
    BatchFixture f;
    f.timing = [] { return ResultTiming::Never; };
    f.list({{11002, "222222#ST:000007#"}, {11005, "222222#SA:1#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    EXPECT_TRUE(f.model().buttonTimerActive());
    ASSERT_TRUE(waitFor([&] { return !f.model().batchButtonsEnabled(); }));
    EXPECT_FALSE(f.model().bufferClearEnabled());
    EXPECT_FALSE(f.model().deleteRows({0}));
    EXPECT_EQ(f.statuses(), QStringList({"Command Sending", "Ready"}));
    // The logger never answers: the run waits for the exchange's time-out.
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 2, "Command Time Out", 0});
    f.session.serialRecord().inProgress = false;
    ASSERT_TRUE(waitFor([&] { return f.line->written.size() == 2; }));
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 2, "Command Success", 0});
    f.session.serialRecord().inProgress = false;
    ASSERT_TRUE(waitFor([&] { return f.model().batchButtonsEnabled() && !f.model().running(); }));
    EXPECT_EQ(f.statuses(), QStringList({"Command Time Out", Success}));
}

TEST(BatchRun, LineLostDuringARunEndsItCleanly)
{
    BatchFixture f;
    f.timing = [] { return ResultTiming::Never; };
    f.list({{11002, "222222#ST:000007#"}, {11004, "222222#TM:2403051407#"}, {11005, "222222#SA:1#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(waitFor([&] { return f.line->written.size() == 1; }));
    f.line->lose();
    ASSERT_TRUE(waitFor([&] { return !f.model().running(); }));
    EXPECT_EQ(f.statuses(), QStringList({"Connection Error", "", ""}));
    // A late result of the exchange finds no row waiting.
    f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 2, "Command Time Out", 0});
    EXPECT_EQ(f.statuses(), QStringList({"Connection Error", "", ""}));
    ASSERT_TRUE(waitFor([&] { return f.model().batchButtonsEnabled(); }));
}

TEST(BatchRun, PasswordCommandGoesUnderItsCodeAndUpdatesThePhoneBookAtOnce)
{
    BatchFixture f;
    f.timing = [] { return ResultTiming::Never; };
    std::vector<int> codes;
    QObject::connect(&f.session, &Session::commandSent, [&] { codes.push_back(f.session.serialRecord().commandCode); });
    f.list({{20050, "222222#PS:333333,444444#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(waitFor([&] { return !codes.empty(); }));
    EXPECT_EQ(codes[0], codes::Passwords);
    const GsmEntry e = f.session.phoneBook().CurrentGsmEntry();
    EXPECT_EQ(e.id, "000001");
    EXPECT_EQ(e.phone, "0123456789");
    EXPECT_EQ(e.enquiryPassword, "333333");
    EXPECT_EQ(e.setupPassword, "444444");
}

TEST(BatchRun, AgrCommandGoesOutInItsHexadecimalForm)
{
    BatchFixture f;
    f.list({{19030, "222222#AGR:01 0A FF###"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    ASSERT_EQ(f.line->written.size(), 1);
    EXPECT_EQ(f.line->written[0], QByteArray("222222#AGR:\x01\x0A\xFF###", 17));
    EXPECT_EQ(f.session.serialRecord().lastText, "222222#AGR:01 0A FF###");
}

TEST(BatchRun, IpCommandSetsTheRefusedAsSuccessFlag)
{
    BatchFixture f;
    f.list({{19003, "222222#IP:192.168.1.10!#"}});
    EXPECT_FALSE(f.session.ipCommandSent());
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_TRUE(f.session.ipCommandSent());
}

TEST(BatchRun, EthernetClaimsUnderTheBatchCodeAndSendsOnTheEthernetLink)
{
    BatchFixture f(13);
    f.session.setLink(LinkEthernet);
    QList<std::pair<int, QByteArray>> stored;
    QList<QByteArray> sent;
    auto link = std::make_unique<test::FakeLine>(LinkKind::Ethernet);
    link->open();
    // The logger's side: what the Ethernet record holds as each text goes
    // out, then the result.
    link->onWrite = [&](const QByteArray &bytes) {
        stored.append({f.session.ethernetRecord().commandCode, f.session.ethernetRecord().lastText});
        sent.append(bytes);
    };
    f.session.installLink(std::move(link));
    QObject::connect(&f.session, &Session::commandSent, [&] {
        f.session.ethernetRecord().inProgress = true;
        QTimer::singleShot(1, &f.model(), [&] {
            f.session.ethernetRecord().inProgress = false;
            f.model().handleMessage({msg::BatchNotice, ToBatchSetup, 2, "Command Success", 0});
        });
    });
    f.list({{11002, "222222#ST:000009#"}, {19030, "222222#AGR:01 02###"}, {20050, "222222#PS:333333,444444#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(waitFor([&] { return !f.model().running() && sent.size() == 3 && f.statuses().last() == Success; }));
    EXPECT_EQ(stored, (QList<std::pair<int, QByteArray>>{{16001, "222222#ST:000009#"},
                                                          {16001, "222222#AGR:01 02###"},
                                                          {20050, "222222#PS:333333,444444#"}}));
    // The AGR text goes out in its hexadecimal form, converted to bytes.
    EXPECT_EQ(sent, (QList<QByteArray>{"222222#ST:000009#", QByteArray("222222#AGR:\x01\x02###", 16),
                                       "222222#PS:333333,444444#"}));
    EXPECT_EQ(f.session.ethernetRecord().stationIdText, "000009");
    EXPECT_EQ(f.session.phoneBook().CurrentEthernetEntry().setupPassword, "444444");
    EXPECT_TRUE(f.line->written.isEmpty());
}

TEST(BatchRun, EthernetSendThatFailsStopsTheRun)
{
    BatchFixture f(13);
    f.session.setLink(LinkEthernet);
    auto link = std::make_unique<test::FakeLine>(LinkKind::Ethernet);
    link->open();
    link->failWrites = true; // the module never took the text
    f.session.installLink(std::move(link));
    f.list({{11002, "222222#ST:000009#"}, {11005, "222222#SA:1#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(waitFor([&] { return !f.model().running(); }));
    EXPECT_EQ(f.statuses(), QStringList({"Command Send Fail", ""}));
}

TEST(BatchRun, InitRunNeedsAFreshDefaultFile)
{
    BatchFixture f;
    f.list({{11005, "222222#SA:1#"}});
    f.model().handleMessage({msg::RunInit, ToBatchSetup, 0, {}, 0});
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.model().running());
    EXPECT_TRUE(f.line->written.isEmpty());
}

// The hand-over between the runner and the UI thread: a result may come in
// the middle of the write, as the exchange starts, right after, or a little
// later. None may be lost, whatever the interleaving with the worker.
TEST(BatchRunnerStress, NoResultIsLostInThousandsOfHandOvers)
{
    BatchFixture f;
    constexpr int Rows = 4000;
    std::vector<std::pair<int, QByteArray>> entries;
    for (int i = 0; i < Rows; ++i)
        entries.emplace_back(30000 + i, "222222#TD1:" + QByteArray::number(i).rightJustified(4, '0') + "#");
    f.list(entries);
    ASSERT_EQ(f.model().list().rowCount(), Rows);
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle(240000)) << "runner stalled after " << f.line->written.size() << " commands";
    ASSERT_EQ(f.line->written.size(), Rows);
    for (int i = 0; i < Rows; ++i) {
        ASSERT_EQ(f.line->written[i], entries[size_t(i)].second) << i;
        ASSERT_EQ(f.model().list().row(i).status, Success) << i;
    }
    EXPECT_EQ(f.started, Rows);
}

TEST(BatchRunnerStress, ManyShortRunsBackToBack)
{
    BatchFixture f;
    f.list({{11004, "222222#TM:2403051407#"}, {11005, "222222#SA:1#"}, {11007, "222222#CP:!,0#"}});
    for (int run = 0; run < 500; ++run) {
        ASSERT_TRUE(f.model().startBatchRun()) << run;
        ASSERT_TRUE(f.waitIdle()) << run;
        ASSERT_EQ(f.statuses(), QStringList({Success, Success, Success})) << run;
    }
    EXPECT_EQ(f.line->written.size(), 1500);
}

} // namespace

TEST(BatchRun, ReRunFailedRowsSendsOnlyThoseAndTheAuditTrailGetsBothRuns)
{
    QTemporaryDir dir;
    audit::setPath(dir.filePath(QStringLiteral("audit.csv")));
    BatchFixture f;
    bool refuse = true;
    f.answer = [&refuse](const QByteArray &w) {
        if (refuse && (w.contains("#SA:") || w.contains("#TM:")))
            return QStringLiteral("Command Fail ");
        return QStringLiteral("Command Success");
    };
    f.list({{11002, "222222#ST:000007#"}, {11004, "222222#TM:2403051407#"}, {11005, "222222#SA:9#"},
            {11007, "222222#CP:!,0#"}});
    EXPECT_FALSE(f.model().rerunFailedRows()); // no run yet
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    ASSERT_EQ(f.model().lastRun().rows.size(), 4u);
    EXPECT_EQ(f.model().lastRun().rows[1].result, QStringLiteral("Command Fail "));

    refuse = false;
    f.line->written.clear();
    ASSERT_TRUE(f.model().rerunFailedRows());
    ASSERT_TRUE(f.waitIdle());
    ASSERT_EQ(f.line->written.size(), 2);
    EXPECT_TRUE(f.line->written[0].contains("#TM:"));
    EXPECT_TRUE(f.line->written[1].contains("#SA:"));
    EXPECT_EQ(f.model().lastRun().rows.size(), 2u);
    EXPECT_FALSE(f.model().rerunFailedRows()); // nothing failed this time

    QFile file(audit::path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_EQ(text.count("summary"), 2);
    EXPECT_TRUE(text.contains("\"4 rows: 2 succeeded, 2 failed, 0 not sent\""));
    EXPECT_TRUE(text.contains("\"2 rows: 2 succeeded, 0 failed, 0 not sent\""));
    EXPECT_FALSE(text.contains("222222"));
    audit::setPath({});
}

TEST(BatchRun, ComparisonShownInTheListChecksOnlyTheDifferingRows)
{
    BatchFixture f;
    f.list({{11002, "222222#ST:000007#"}, {11005, "222222#SA:2#"}, {11007, "222222#CP:!,0#"}});
    const auto rows = compare::compareRows(f.session.batchTable().entries(),
                                           {{11002, "222222#ST:000007#"}, {11005, "222222#SA:4#"}}, "222222");
    EXPECT_EQ(f.model().showComparison(rows), 2);
    EXPECT_EQ(f.statuses(), QStringList({"same", "different: 60 Minute", "not readable"}));
    const BatchListModel &list = f.model().list();
    EXPECT_FALSE(list.row(0).checked);
    EXPECT_TRUE(list.row(1).checked);
    EXPECT_TRUE(list.row(2).checked);
}

TEST(BatchRun, EveryRowSentShowsInTheSendCommandLogs)
{
    BatchFixture f;
    QList<QByteArray> logged;
    QObject::connect(&f.session, &Session::sendLogEntry, [&](const QByteArray &t) { logged << t; });
    f.list({{11002, "222222#ST:000007#"}, {11005, "222222#SA:2#"}});
    ASSERT_TRUE(f.model().startBatchRun());
    ASSERT_TRUE(f.waitIdle());
    EXPECT_EQ(logged, QList<QByteArray>({"222222#ST:000007#", "222222#SA:2#"}));
}
