// Compare with Logger and the audit trail against the simulated logger over a
// socat pseudo-terminal: a file applied to the logger, three of its settings
// then changed on the logger, and the comparison shows exactly those three;
// the audit file holds each run with its rows, results and the file's hash,
// and no password.

#include "session/MainModel.h"
#include "base/Clock.h"
#include "pages/BatchCli.h"
#include "pages/batch/BatchSetupModel.h"
#include "pages/batch/CompareRun.h"
#include "records/AuditTrail.h"
#include "records/ConfigFile.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::CliRun;
using kaspen::test::runCli;

namespace {

struct FieldTools : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        kaspen::test::emptyPhoneBook(dir.path());
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        QObject::connect(&model, &MainModel::pageMessage, [this](const PageMessage &m) { pages.deliver(m); });
        audit::setPath(dir.filePath(QStringLiteral("audit.csv")));
        pages.batch().setResultDelayMs(0);
    }
    void TearDown() override
    {
        audit::setPath({});
        sim.reset();
        PhoneBook::resetSharedState();
    }

    bool connectDevice()
    {
        sim = std::make_unique<SimProcess>(QStringList{"--port", pty.b(), "--state", dir.filePath("logger.json")});
        if (!sim->ok())
            return false;
        model.selectLink(LinkRs232);
        if (!model.toggleSerialConnection(pty.a()))
            return false;
        model.serialConnectionIds();
        model.chooseSerialDevice("000001");
        return kaspen::test::waitUntil([&] { return model.session().verified() && !model.exchange().running(); }, 20000);
    }

    QString writeCfg(const char *name, const std::vector<std::pair<int, QByteArray>> &entries)
    {
        std::vector<ConfigRow> rows;
        for (const auto &[code, text] : entries)
            rows.push_back({QByteArray::number(qlonglong(rows.size() + 1)).rightJustified(2, '0'), text, code, true});
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(writeConfigFile(path, rows, kaspen::clock().now()));
        return path;
    }

    // Opens the file, checks every row and runs it to its recorded end.
    bool run(const QString &path)
    {
        BatchSetupModel &batch = pages.batch();
        if (!batch.openConfigFile(path))
            return false;
        batch.selectAll();
        int recorded = 0;
        auto c = QObject::connect(&batch, &BatchSetupModel::runRecorded, [&] { ++recorded; });
        const bool started = batch.startBatchRun();
        const bool ended = started && kaspen::test::waitUntil([&] { return recorded == 1; }, 60000);
        QObject::disconnect(c);
        return ended;
    }

    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<SimProcess> sim;
    kaspen::test::RecordingSink sink;
    MainModel model{ModelOrvelA};
    CorePages pages{model.session()};
};

TEST_F(FieldTools, CompareShowsExactlyTheSettingsThatDifferAndTheAuditTrailRecordsEachRun)
{
    ASSERT_TRUE(connectDevice());
    // Written for another device's password: the rows' own rule replaces it.
    const std::vector<std::pair<int, QByteArray>> site{
        {11005, "987654#SA:3#"},          {11007, "987654#CP:0555123456!,4#"}, {20031, "987654#AP1:0555000001!#"},
        {20032, "987654#AP2:0555000002!#"}, {20033, "987654#AP3:0555000003!#"}, {20034, "987654#AP4:0555000004!#"},
        {12002, "987654#AD00:95.00,0.000,0.000,1,85.00,15.00#"},
    };
    const QString sitePath = writeCfg("site.cfg", site);
    ASSERT_TRUE(run(sitePath));
    for (const AuditRow &r : pages.batch().lastRun().rows)
        ASSERT_EQ(r.result, QStringLiteral("Command Success")) << r.object.toStdString();

    // Three settings change on the logger.
    ASSERT_TRUE(run(writeCfg("drift.cfg", {{11005, "222222#SA:4#"}, {20032, "222222#AP2:0555999999!#"},
                                           {20034, "222222#AP4:0555888888!#"}})));

    ASSERT_TRUE(pages.batch().openConfigFile(sitePath));
    std::vector<std::pair<int, QByteArray>> fileRows = model.session().batchTable().entries();
    CompareRun compare(model);
    ASSERT_TRUE(compare.start(fileRows));
    ASSERT_TRUE(kaspen::test::waitUntil([&] { return !compare.running(); }, 60000));
    ASSERT_EQ(compare.readResult(), 0);
    std::map<int, CompareRow::Outcome> outcome;
    for (const CompareRow &r : compare.rows())
        outcome[r.code] = r.outcome;
    const std::map<int, CompareRow::Outcome> expected{
        // The Analog Channel page reads AD00 back from "#2": the same as the file.
        {11005, CompareRow::Different}, {11007, CompareRow::Same},      {12002, CompareRow::Same},
        {20031, CompareRow::Same},      {20032, CompareRow::Different}, {20033, CompareRow::Same},
        {20034, CompareRow::Different},
    };
    EXPECT_EQ(outcome, expected);
    // The file's rows are back in the table for the run that may follow.
    EXPECT_EQ(model.session().batchTable().entries(), fileRows);

    // Two runs in the audit trail: every row with its result, the file's
    // hash, and no password anywhere.
    QFile f(audit::path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    const QList<QByteArray> lines = text.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1 + site.size() + 1 + 3 + 1);
    EXPECT_TRUE(lines[1].contains(",batch,000001,RS232," + pty.a().toUtf8() + ",site.cfg," + audit::fileSha256(sitePath)
                                  + ",1,11005,Data Logging Interval,30 Minute,Command Success"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[site.size() + 1].contains("summary,,,,\"7 rows: 7 succeeded, 0 failed, 0 not sent\""));
    EXPECT_FALSE(text.contains("222222"));
    EXPECT_FALSE(text.contains("987654"));
}

// kaspen-cli: apply with --report, then diff against a logger that has
// drifted in two settings. Here the audit trail is the one of --data-dir,
// not the test run's.
CliRun cliOwnAudit(const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("KASPEN_AUDIT_FILE"));
    return runCli(args, 120000, &env);
}

TEST(FieldToolsCli, ApplyWritesItsReportAndDiffNamesTheRowsThatDiffer)
{
    QTemporaryDir data;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SimProcess sim({"--port", pty.b(), "--state", data.filePath("logger.json")});
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(cliOwnAudit({"--data-dir", data.path(), "phonebook", "add", "--id", "1", "--phone", "0123456789", "--enquiry",
                      "111111", "--setup", "222222"})
                  .exitCode,
              0);
    auto cfg = [&](const char *name, const std::vector<std::pair<int, QByteArray>> &entries) {
        std::vector<ConfigRow> rows;
        for (const auto &[code, text] : entries)
            rows.push_back({QByteArray::number(qlonglong(rows.size() + 1)).rightJustified(2, '0'), text, code, true});
        const QString path = data.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(writeConfigFile(path, rows, kaspen::clock().now()));
        return path;
    };
    const QStringList device{"--data-dir", data.path(), "--link", "rs232", "--port", pty.a(), "--device", "1"};
    const QString site = cfg("site.cfg", {{11005, "222222#SA:3#"}, {20031, "222222#AP1:0555000001!#"},
                                          {20032, "222222#AP2:0555000002!#"}, {20001, "222222#TD1:0030#"}});
    const QString report = data.filePath("run.csv");
    const CliRun applied = cliOwnAudit(device + QStringList{"apply", site, "--report", report});
    ASSERT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    QFile r(report);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    const QByteArray reportText = r.readAll();
    EXPECT_EQ(reportText.count("Command Success"), 4);
    EXPECT_TRUE(reportText.contains(",apply,000001,RS232,"));
    EXPECT_FALSE(reportText.contains("222222"));
    QFile trail(data.filePath("audit.csv"));
    ASSERT_TRUE(trail.open(QIODevice::ReadOnly)) << "the audit trail lives in --data-dir";

    EXPECT_EQ(cliOwnAudit(device + QStringList{"diff", site}).exitCode, 0);
    ASSERT_EQ(cliOwnAudit(device + QStringList{"apply", cfg("drift.cfg", {{11005, "222222#SA:4#"}, {20001, "222222#TD1:0045#"}})})
                  .exitCode,
              0);
    const CliRun diff = cliOwnAudit(device + QStringList{"diff", site});
    EXPECT_EQ(diff.exitCode, 1) << diff.err.toStdString();
    QList<QByteArray> differing;
    for (const QByteArray &line : diff.out.split('\n'))
        if (line.contains("\tdifferent\t"))
            differing << line;
    ASSERT_EQ(differing.size(), 2) << diff.out.toStdString();
    EXPECT_TRUE(differing[0].contains("Data Logging Interval\t30 Minute\t60 Minute")) << differing[0].toStdString();
    EXPECT_TRUE(differing[1].contains("0030\t0045")) << differing[1].toStdString();
    EXPECT_FALSE(diff.out.contains("222222"));
}

} // namespace
