// kaspen-cli query and download against the simulated logger on a
// pseudo-terminal at 9600 baud.

#include "support/SimPeer.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::CliRun;
using kaspen::test::runCli;
using kaspen::test::waitUntil;

namespace {

QList<QByteArray> fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    EXPECT_TRUE(all.isEmpty() || all.endsWith("#\r\n")) << "the file ends inside a line";
    QList<QByteArray> lines = all.split('\n');
    lines.removeLast();
    return lines;
}

struct DataRecordCli : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        sim = std::make_unique<SimProcess>(
            QStringList{"--port", pty.b(), "--baud", "9600", "--log-interval", "4", "--history-days", "4"});
        ASSERT_TRUE(sim->ok()) << sim->errorOutput().constData();
        const CliRun r = runCli({"--data-dir", dir.path(), "phonebook", "add", "--id", "1", "--phone", "0123456789",
                           "--enquiry", "111111", "--setup", "222222"});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    }
    QStringList device(const QStringList &command) const
    {
        return QStringList{"--data-dir", dir.path(), "--link", "rs232", "--port", pty.a(), "--device", "000001"} + command;
    }
    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<SimProcess> sim;
};

} // namespace

TEST_F(DataRecordCli, QueryPrintsTheTableOrWritesCsv)
{
    const QDateTime at(QDate::currentDate().addDays(-3), QTime(6, 0));
    const QString when = at.toString("yyyy-MM-dd HH:mm");
    CliRun r = runCli(device({"query", "--at", when, "--count", "5"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 6) << r.out.constData();
    EXPECT_TRUE(lines[0].startsWith("Count\tHeader\tStation ID\tDate\tTime\tHumidity\t")) << lines[0].constData();
    EXPECT_TRUE(lines[1].startsWith("1\tSTD\t000001\t" + at.toString("MM/dd/yyyy").toLatin1() + "\t06:00:00\t"));
    EXPECT_TRUE(lines[5].startsWith("5\tSTD\t000001\t" + at.toString("MM/dd/yyyy").toLatin1() + "\t10:00:00\t"));

    const QString csv = dir.filePath("q.csv");
    r = runCli(device({"query", "--at", when, "--count", "3", "--csv", csv}));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = f.readAll().split('\n');
    ASSERT_EQ(rows.size(), 5); // header, three rows, the empty rest
    EXPECT_TRUE(rows[1].startsWith("1,STD,000001," + at.toString("yyyy-MM-dd").toLatin1() + ",06:00:00,"));

    EXPECT_EQ(runCli(device({"query", "--at", "yesterday", "--count", "3"})).exitCode, 65);
}

TEST_F(DataRecordCli, DownloadRunsToTheEndAndCtrlCKeepsWholeLines)
{
    const QString day = QDate::currentDate().addDays(-3).toString("yyyy-MM-dd");
    const QString out = dir.filePath("day.txt");
    CliRun r = runCli(device({"download", "--from", day, "--to", day, "--out", out, "--per-request", "20"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("24 records in 3 replies written to")) << r.out.constData();
    EXPECT_TRUE(r.err.contains("24/24 records")) << r.err.constData();
    EXPECT_EQ(fileLines(out).size(), 3);

    // Ctrl+C in the middle of a longer download.
    const QString from = QDate::currentDate().addDays(-4).toString("yyyy-MM-dd");
    const QString part = dir.filePath("part.txt");
    QProcess p;
    p.start(QStringLiteral(KASPEN_BIN_DIR "/kaspen-cli"), device({"download", "--from", from, "--to", day, "--out", part}));
    ASSERT_TRUE(waitUntil([&] { return fileLines(part).size() >= 3; }, 60000));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 130);
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.contains("DownLoad Cancel Success!")) << err.constData();
    const QList<QByteArray> lines = fileLines(part);
    EXPECT_GE(lines.size(), 3);
    EXPECT_TRUE(err.contains(QByteArray::number(lines.size()) + " records saved in")) << err.constData();
}
