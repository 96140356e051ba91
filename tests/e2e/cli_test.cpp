#include "support/SimPeer.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::CliRun;
using kaspen::test::runCli;

namespace {

struct CliFixture : ::testing::Test {
    QStringList book(const QStringList &rest) const { return QStringList{"--data-dir", dir.path(), "phonebook"} + rest; }
    void addDevice(const QString &enquiry = "111111")
    {
        const CliRun r = runCli(book({"add", "--id", "1", "--phone", "0123456789", "--enquiry", enquiry, "--setup", "222222"}));
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    }
    QStringList device(const QString &link, const QStringList &command) const
    {
        // "1" is padded as the phone book pads it: the device 000001.
        return QStringList{"--data-dir", dir.path(), "--link", link, "--port", pty.a(), "--device", "1"} + command;
    }
    QTemporaryDir dir;
    PtyPair pty;
};

} // namespace

TEST_F(CliFixture, PhoneBookWithThePagesChecks)
{
    addDevice();
    CliRun r = runCli(book({"list"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("000001\t0123456789\t111111\t222222")) << r.out.constData();

    struct Case {
        QStringList args;
        int exitCode;
        QByteArray message;
    };
    const Case cases[] = {
        {{"add", "--id", "000001", "--phone", "1", "--enquiry", "111111", "--setup", "222222"}, 64, "The ID is exist !"},
        {{"add", "--id", "2", "--phone", "12a", "--enquiry", "111111", "--setup", "222222"}, 64, "PhoneNumber is error !"},
        {{"add", "--id", "2", "--phone", "12345678901234567890", "--enquiry", "111111", "--setup", "222222"}, 64,
         "Phone Number over 19 Number!"},
        {{"add", "--id", "2", "--phone", "1", "--enquiry", "11111", "--setup", "222222"}, 64, "GSM Quiry Password Is 6 Number!"},
        {{"add", "--id", "2", "--phone", "1", "--enquiry", "111111"}, 64, "GSM Setup Password Is Null!"},
        {{"add", "--phone", "1", "--enquiry", "111111", "--setup", "222222"}, 64, "GSM ID Is Null!"},
        {{"edit", "--id", "9", "--phone", "1", "--enquiry", "111111", "--setup", "222222"}, 64, "The ID is not exist !"},
        {{"delete", "--id", "9"}, 64, "The ID is not exist !"},
        {{"edit", "--id", "1", "--phone", "+4912", "--enquiry", "333333", "--setup", "444444"}, 0, ""},
        {{"frobnicate"}, 65, "phonebook needs"},
    };
    for (const Case &c : cases) {
        r = runCli(book(c.args));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
    }
    r = runCli(book({"list"}));
    EXPECT_TRUE(r.out.contains("000001\t+4912\t333333\t444444")) << r.out.constData();
    r = runCli(book({"delete", "--id", "000001"}));
    EXPECT_EQ(r.exitCode, 0);
    r = runCli(book({"list"}));
    EXPECT_FALSE(r.out.contains("000001"));
}

TEST_F(CliFixture, ReadBlock1OnBothLinks)
{
    ASSERT_TRUE(pty.ok());
    addDevice();
    for (const QString link : {"rs232", "gsm"}) {
        SimProcess sim({"--port", pty.b(), "--frontend", link});
        ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
        const CliRun r = runCli(device(link, {"read", "1"}));
        EXPECT_EQ(r.exitCode, 0) << link.toStdString() << r.err.constData() << r.out.constData();
        // The connect-time status record, then the block, sent and answered.
        EXPECT_TRUE(r.out.contains("#STA:")) << r.out.constData();
        EXPECT_TRUE(r.out.contains("111111#CHEACK1#"));
        EXPECT_TRUE(r.out.contains("#STC1:"));
        EXPECT_TRUE(r.out.endsWith("Command Success\n"));
        EXPECT_TRUE(r.out.contains("->["));
    }
}

TEST_F(CliFixture, FailuresAndRefusals)
{
    ASSERT_TRUE(pty.ok());
    addDevice("999999");
    {
        SimProcess sim({"--port", pty.b()});
        ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
        const CliRun r = runCli(device("rs232", {"status"}));
        EXPECT_EQ(r.exitCode, 3) << r.err.constData();
        EXPECT_TRUE(r.out.endsWith("Password Error\n")) << r.out.constData();
    }
    {
        // A device that is not in the book is refused before anything is sent.
        SimProcess sim({"--port", pty.b()});
        CliRun r = runCli({"--data-dir", dir.path(), "--link", "rs232", "--port", pty.a(), "--device", "000042", "status"});
        EXPECT_EQ(r.exitCode, 64);
        EXPECT_TRUE(r.err.contains("Before Setup Command ,please Select Device ID!")) << r.err.constData();
        r = runCli({"--link", "usb", "--port", "x", "--device", "1", "status"});
        EXPECT_EQ(r.exitCode, 65);
        r = runCli({"--link", "rs232", "--port", "x", "--device", "1", "read", "7"});
        EXPECT_EQ(r.exitCode, 65);
    }
    // A silent logger: the program's own 40 s time-out.
    runCli(book({"edit", "--id", "1", "--phone", "0123456789", "--enquiry", "111111", "--setup", "222222"}));
    SimProcess sim({"--port", pty.b(), "--fault", "none"});
    ASSERT_TRUE(sim.ok());
    const CliRun r = runCli(device("rs232", {"status"}));
    EXPECT_EQ(r.exitCode, 2) << r.err.constData();
    EXPECT_TRUE(r.out.endsWith("Command Time Out\n")) << r.out.constData();
}

TEST_F(CliFixture, UnknownValuesExtraWordsAndPortsAreNamed)
{
    addDevice();
    QTemporaryDir scratch;
    const QString regular = scratch.filePath("plain.txt");
    {
        QFile f(regular);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QString dd = dir.path();
    struct Case {
        QStringList args;
        int exitCode;
        QByteArray message;
    };
    const Case cases[] = {
        {{"--data-dir", dd, "--model", "Z", "--link", "rs232", "--port", "/dev/null", "--device", "1", "status"}, 65,
         "--model must be A or B"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1", "status", "now"}, 65, "unexpected \"now\""},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1", "read", "1", "2"}, 65, "unexpected \"2\""},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1", "read", "1x"}, 65, "read needs"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1x", "status"}, 65, "--device must be"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1", "--phone", "1", "status"}, 65,
         "--phone does not go with"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "1", "--frobnicate", "status"}, 65,
         "frobnicate"},
        {{"--data-dir", dd, "phonebook", "list", "all"}, 65, "unexpected \"all\""},
        {{"--data-dir", dd, "phonebook", "delete", "--id", "1", "--phone", "2"}, 65, "--phone does not go with"},
        {{"--data-dir", dd}, 65, "a command is needed"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/does-not-exist-kaspen", "--device", "1", "status"}, 64,
         "Connect Error,Port Invalid! (/dev/does-not-exist-kaspen: no such file or device)"},
        {{"--data-dir", dd, "--link", "rs232", "--port", scratch.path(), "--device", "1", "status"}, 64,
         "is a directory, not a serial port"},
        {{"--data-dir", dd, "--link", "rs232", "--port", regular, "--device", "1", "status"}, 64,
         "plain.txt is a regular file, not a serial port"},
        {{"--data-dir", dd, "--link", "rs232", "--port", "/dev/null", "--device", "42", "status"}, 64,
         "Before Setup Command ,please Select Device ID! (000042 is not in the phone book"},
        {{"--data-dir", regular, "phonebook", "list"}, 64, "is not a directory"},
    };
    for (const Case &c : cases) {
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString() << ": " << r.err.constData();
        EXPECT_TRUE(r.err.contains(c.message)) << c.args.join(' ').toStdString() << ": " << r.err.constData();
    }
    // A --data-dir that does not exist yet is created.
    const QString fresh = scratch.filePath("new/books");
    CliRun r = runCli({"--data-dir", fresh, "phonebook", "add", "--id", "7", "--phone", "1", "--enquiry", "111111", "--setup",
                    "222222"});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(QFile::exists(fresh + "/addressbook.xml"));
}

TEST_F(CliFixture, BooksThatCannotBeUsedAreNamedAndTheExitCodeTellsWhatHappened)
{
    const QString path = dir.filePath("addressbook.xml");
    auto write = [&](const QByteArray &text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    auto read = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QStringList add = {"add", "--id", "1", "--phone", "1", "--enquiry", "111111", "--setup", "222222"};
    const QStringList edit = {"edit", "--id", "1", "--phone", "1", "--enquiry", "111111", "--setup", "222222"};
    const QStringList del = {"delete", "--id", "1"};
    const QStringList status = {"--data-dir", dir.path(), "--link", "rs232", "--port", "/dev/null", "--device", "1", "status"};

    // Well-formed, but not a phone book: nothing is changed, every command says so.
    const QByteArray other = "<?xml version=\"1.0\"?>\r\n<DATALOG_SETUP>\r\n<Records ID=\"000001\" />\r\n</DATALOG_SETUP>\r\n";
    write(other);
    for (const QStringList &args : {add, edit, del, QStringList{"list"}}) {
        const CliRun r = runCli(book(args));
        EXPECT_EQ(r.exitCode, 64) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("is not a phone book")) << r.err.constData();
        EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(path).toLocal8Bit())) << r.err.constData();
        EXPECT_FALSE(r.out.contains(args[0].toLatin1() + " 000001"));
        EXPECT_EQ(read(), other);
    }
    CliRun r = runCli(status);
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(r.err.contains("is not a phone book")) << r.err.constData();

    // Not well-formed: list, edit, delete and device commands say the book
    // could not be read and leave it; add keeps it aside and succeeds.
    const QByteArray torn = "<?xml version=\"1.0\"?>\r\n<HEALTHCHECK>\r\n<Records ID=\"000001\" Pho";
    write(torn);
    for (const QStringList &args : {edit, del, QStringList{"list"}}) {
        r = runCli(book(args));
        EXPECT_EQ(r.exitCode, 64) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("could not be read")) << r.err.constData();
        EXPECT_FALSE(r.err.contains("The ID is not exist")) << r.err.constData();
        EXPECT_EQ(read(), torn);
    }
    r = runCli(status);
    EXPECT_EQ(r.exitCode, 64);
    EXPECT_TRUE(r.err.contains("could not be read")) << r.err.constData();
    r = runCli(book(add));
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("was kept as")) << r.err.constData();
    EXPECT_TRUE(r.out.contains("add 000001"));
    r = runCli(book({"list"}));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("000001\t1\t111111\t222222")) << r.out.constData();
}

TEST(CliLineLost, ARunningCommandEndsAtOnceAsConnectionErrorOnBothLinks)
{
    QTemporaryDir dir;
    const QString cfg = dir.filePath("rows.cfg");
    {
        QFile f(cfg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<DATALOG_SETUP>\r\n"
                "<DateTime DateTime=\"12/10/2024 09:00:00\" />\r\n"
                "<Records No.=\"01\" Command=\"222222#SA:3#\" COM=\"11005\" />\r\n</DATALOG_SETUP>\r\n");
    }
    ASSERT_EQ(runCli({"--data-dir", dir.path(), "phonebook", "add", "--id", "1", "--phone", "0123456789", "--enquiry", "111111",
                   "--setup", "222222"})
                  .exitCode,
              0);
    struct Case {
        QStringList command;
        QByteArray sent;  // what the logger receives when the command is out
        int occurrence;   // the how-many-th time it is received
    };
    const Case cases[] = {
        {{"status"}, "#STATUS#", 2},
        {{"read", "1"}, "#CHEACK1#", 1},
        {{"backup", "--out", dir.filePath("b.cfg")}, "#CHEACK1#", 1},
        {{"apply", cfg}, "#SA:3#", 1},
    };
    for (const QString link : {"rs232", "gsm"}) {
        for (const Case &c : cases) {
            SCOPED_TRACE((link + ' ' + c.command.join(' ')).toStdString());
            PtyPair pty;
            ASSERT_TRUE(pty.ok());
            const QString log = dir.filePath("sim.log");
            QFile::remove(log);
            // Every answer comes late: the command is surely still waiting
            // when the line goes.
            SimProcess sim({"--port", pty.b(), "--frontend", link, "--fault", "late:3000", "--log", log});
            ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
            QProcess p;
            p.start(QStringLiteral(KASPEN_BIN_DIR "/kaspen-cli"),
                    QStringList{"--data-dir", dir.path(), "--link", link, "--port", pty.a(), "--device", "1"} + c.command);
            ASSERT_TRUE(p.waitForStarted(10000));
            QElapsedTimer waited;
            waited.start();
            auto received = [&] {
                QFile f(log);
                return f.open(QIODevice::ReadOnly) ? int(f.readAll().count(c.sent)) : 0;
            };
            while (received() < c.occurrence && waited.elapsed() < 30000 && p.state() == QProcess::Running)
                p.waitForFinished(50);
            ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardOutput().constData();
            ASSERT_GE(received(), c.occurrence);
            QElapsedTimer gone;
            gone.start();
            pty.stop();
            ASSERT_TRUE(p.waitForFinished(20000));
            // Well within a second of its own; the margin is for a loaded machine.
            EXPECT_LT(gone.elapsed(), 3000);
            const QByteArray out = p.readAllStandardOutput();
            EXPECT_EQ(p.exitCode(), 66) << out.constData() << p.readAllStandardError().constData();
            EXPECT_TRUE(out.contains("Connection Error")) << out.constData();
        }
    }
}
