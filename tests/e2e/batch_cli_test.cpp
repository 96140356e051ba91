// Fleet provisioning with kaspen-cli against two simulated loggers: read the
// first one into a configuration file ("backup"), bring the second one to
// the factory settings, then apply the first one's file to it ("apply") and
// read it back.

#include "protocol/ReplyItems.h"
#include "support/SimPeer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::CliRun;
using kaspen::test::runCli;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;

namespace {

QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The STC1 record in the output of "read 1" (its Data Logs entry).
QByteArray block1Of(const QByteArray &out)
{
    const qsizetype at = out.indexOf("#STC1:");
    if (at < 0)
        return {};
    const qsizetype end = out.indexOf('\n', at);
    return out.mid(at, end < 0 ? -1 : end - at);
}

TEST(BatchCli, BackupOneLoggerAndApplyItToTheNext)
{
    QTemporaryDir data;
    PtyPair first, second;
    ASSERT_TRUE(first.ok() && second.ok());
    {
        // The first logger's channel settings differ from the factory's.
        QFile f(data.filePath("logger1.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"kind": "kaspen-sim logger state", "model": "ORVEL-A", "tempDelay": [30, 0, 15],
                    "inputModes": "43100000000000000",
                    "analog": [{}, {"upper": "50.00", "lower": "0.000", "zero": "0.000", "mode": 2,
                                    "high": "40.00", "low": "5.000"}]})");
    }
    SimProcess sim1({"--port", first.b(), "--id", "000001", "--state", data.filePath("logger1.json")});
    SimProcess sim2({"--port", second.b(), "--id", "000002", "--state", data.filePath("logger2.json")});
    ASSERT_TRUE(sim1.ok() && sim2.ok());
    const QString dir = data.path();
    for (const char *id : {"000001", "000002"}) {
        const CliRun add = runCli({"--data-dir", dir, "phonebook", "add", "--id", id, "--phone", "0123456789", "--enquiry",
                                "111111", "--setup", "222222"});
        ASSERT_EQ(add.exitCode, 0) << add.err.constData();
    }
    auto device = [&](const QString &port, const char *id, const QStringList &command) {
        return runCli(QStringList{"--data-dir", dir, "--link", "rs232", "--port", port, "--device", id} + command);
    };

    // 1. Read the first logger into a file.
    const QString cfg = data.filePath("fleet.cfg");
    const CliRun backup = device(first.a(), "000001", {"backup", "--out", cfg});
    ASSERT_EQ(backup.exitCode, 0) << backup.out.constData() << backup.err.constData();
    const QByteArray saved = fileText(cfg);
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<DATALOG_SETUP>\r\n<DateTime DateTime=\""));
    for (const char *command : {"222222#ST:000001#", "222222#SA:2#", "222222#CP:0987654321!,0#", "222222#AP1:0987654321!#",
                                "222222#OT1:0005#", "222222#OC1:00000000000000000000000000#"})
        EXPECT_TRUE(saved.contains(command)) << command << "\n" << saved.constData();
    EXPECT_TRUE(backup.out.contains("\tData Logging Interval\t15 Minute\n")) << backup.out.constData();
    // The channel pages' settings, the alarm delays of "#CHEACK4#" included.
    for (const char *command : {"222222#AD01:50.00,0.000,0.000,2,40.00,5.000#\" COM=\"12006\"",
                                "222222#AD13:2,35.00,-5.00#\" COM=\"12003\"", "222222#PA:43100000000000000#\" COM=\"13001\"",
                                "222222#TD1:0030#\" COM=\"20001\"", "222222#TD3:0015#\" COM=\"20003\""})
        EXPECT_TRUE(saved.contains(command)) << command << "\n" << saved.constData();

    // 2. The next logger starts from the factory settings.
    const CliRun factory = device(second.a(), "000002", {"apply", KASPEN_BIN_DIR "/ORVEL-A.cfg"});
    ASSERT_EQ(factory.exitCode, 0) << factory.out.constData() << factory.err.constData();
    EXPECT_EQ(GetItemValue(block1Of(device(second.a(), "000002", {"read", "1"}).out), "SA:", 0).value, "1");

    // 3. Apply the first logger's file, with the next station ID.
    const CliRun apply = device(second.a(), "000002", {"apply", cfg, "--auto-station-id"});
    ASSERT_EQ(apply.exitCode, 0) << apply.out.constData() << apply.err.constData();
    const QList<QByteArray> lines = apply.out.trimmed().split('\n');
    EXPECT_EQ(lines.size(), saved.count("<Records "));
    for (const QByteArray &line : lines) {
        EXPECT_EQ(line.count('\t'), 3) << line.constData();
        EXPECT_TRUE(line.endsWith("\tCommand Success")) << line.constData();
    }
    EXPECT_TRUE(lines.first().startsWith("01\tStation ID\t000002\t")) << lines.first().constData();

    // 4. Read it back: the first logger's settings, the next station ID.
    const QByteArray back = block1Of(device(second.a(), "000002", {"read", "1"}).out);
    EXPECT_TRUE(back.startsWith("#STC1:000002;")) << back.constData();
    EXPECT_EQ(GetItemValue(back, "SA:", 0).value, "2");
    EXPECT_EQ(GetItemValue(back, "CP:", 0).value, "0987654321,0");
    EXPECT_EQ(GetItemValue(back, "AP1:", 0).value, "0987654321");
    EXPECT_EQ(GetItemValue(back, "OUT1:", 0).value, "0005");
    const QByteArray out2 = device(second.a(), "000002", {"read", "2"}).out;
    EXPECT_EQ(GetItemValue(out2, "AD01:", 0).value, "50.00,0.000,0.000,2,40.00,5.000") << out2.constData();
    EXPECT_EQ(GetItemValue(out2, "PA:", 0).value, "43100000000000000");
    const QByteArray state2 = fileText(data.filePath("logger2.json"));
    EXPECT_TRUE(QByteArray(state2).replace(' ', "").replace('\n', "").contains("\"tempDelay\":[30,0,15,")) << state2.constData();
}

TEST(BatchCli, ApplyReportsTheFirstFailureAndUsage)
{
    QTemporaryDir data;
    EXPECT_EQ(runCli({"--data-dir", data.path(), "--link", "rs232", "--port", "/dev/null", "--device", "000001", "backup"}).exitCode, 65);
    EXPECT_EQ(runCli({"--data-dir", data.path(), "--link", "rs232", "--port", "/dev/null", "--device", "000001", "apply"}).exitCode, 65);

    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SimProcess sim({"--port", pty.b(), "--state", data.filePath("logger.json")});
    ASSERT_TRUE(sim.ok());
    ASSERT_EQ(runCli({"--data-dir", data.path(), "phonebook", "add", "--id", "000001", "--phone", "0123456789", "--enquiry",
                   "111111", "--setup", "222222"})
                  .exitCode,
              0);
    const QString cfg = data.filePath("bad.cfg");
    {
        QFile f(cfg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<DATALOG_SETUP>\r\n"
                "<DateTime DateTime=\"12/10/2024 09:00:00\" />\r\n"
                "<Records No.=\"02\" Command=\"222222#SA:9#\" COM=\"11005\" />\r\n"
                "<Records No.=\"01\" Command=\"222222#AP1:0555!#\" COM=\"20031\" />\r\n"
                "</DATALOG_SETUP>\r\n");
    }
    const CliRun r = runCli({"--data-dir", data.path(), "--link", "rs232", "--port", pty.a(), "--device", "000001", "apply", cfg});
    EXPECT_EQ(r.exitCode, 1) << r.out.constData() << r.err.constData();
    EXPECT_TRUE(r.out.contains("\tData Logging Interval\t9\tCommand Fail \n")) << r.out.constData();
    EXPECT_TRUE(r.out.contains("\tAlarm Phone1\t0555!\tCommand Success\n")) << r.out.constData();

    const CliRun missing = runCli({"--data-dir", data.path(), "--link", "rs232", "--port", pty.a(), "--device", "000001",
                                "apply", data.filePath("none.cfg")});
    EXPECT_EQ(missing.exitCode, 64);
    EXPECT_TRUE(missing.err.contains("Cannot open configure file")) << missing.err.constData();
}

} // namespace
