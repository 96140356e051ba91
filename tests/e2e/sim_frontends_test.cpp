// kaspen-sim on one end of a pseudo-terminal pair, the program's serial port
// (PortRecord) on the other: the GSM modem and cable front-ends as the
// program sees them.

#include "links/PortRecord.h"
#include "protocol/CommandText.h"
#include "protocol/ReplyItems.h"
#include "sim/Logger.h"
#include "support/SimPeer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace kaspen;
using namespace kaspen::test;

namespace {

// The program's end of the line: every text as PortRecord delivers it.
struct ProgramEnd {
    PortRecord port;
    QList<QByteArray> texts;
    QList<qint64> arrivedMs;
    QElapsedTimer clock;
    bool lost = false;

    explicit ProgramEnd(const QString &path)
    {
        QObject::connect(&port, &CommandLink::replyReceived, [this](const QByteArray &t) {
            texts.append(t);
            arrivedMs.append(clock.elapsed());
        });
        QObject::connect(&port, &CommandLink::lost, [this](const QString &) { lost = true; });
        port.prepare(path, 9600);
        clock.start();
    }
    bool open() { return port.open() == 1; }
    void send(const QByteArray &bytes)
    {
        texts.clear();
        arrivedMs.clear();
        clock.restart();
        ASSERT_EQ(port.write(bytes), 1);
    }
    // The program's GSM intake: modem echoes skipped, parts reassembled.
    QList<QByteArray> gsmReplies(QList<int> *completedAt = nullptr) const
    {
        GsmAccumulator acc;
        QList<QByteArray> out;
        for (int i = 0; i < texts.size(); ++i) {
            const QByteArray r = acc.take(texts.at(i), true);
            if (r.isEmpty())
                continue;
            out.append(r);
            if (completedAt)
                completedAt->append(i);
        }
        return out;
    }
};

const QByteArray Phone = "0123456789";

QStringList gsmArgs(const PtyPair &pty, QStringList more = {})
{
    return QStringList{"--port", pty.a(), "--frontend", "gsm", "--sms-delay", "300", "--sms-gap", "300"} + more;
}

} // namespace

// The logger's last whole reply as kaspen-sim logged it ("SM" line).
QByteArray lastLoggedReply(const QString &logPath)
{
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray last;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const int p = line.indexOf(" SM ");
        if (p >= 0)
            last = line.mid(p + 4);
    }
    return last;
}

TEST(SimGsmFrontend, LongRecordsArriveAsSmsPartsThatTheProgramJoinsBack)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const QString log = pty.dir() + "/traffic.log";
    SimProcess sim(gsmArgs(pty, {"--log", log}));
    ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
    ProgramEnd program(pty.b());
    ASSERT_TRUE(program.open());

    // The parameter block holds no time: it must come back exactly as the
    // logger made it.
    sim::Logger reference(sim::LoggerState::defaults(sim::Model::A, QDateTime::currentDateTime()));
    const QByteArray expected = reference.parameterBlock(2);

    program.send(wrapForGsmModem(Phone, "111111#CHEACK2#"));
    ASSERT_TRUE(waitUntil([&] { return !program.gsmReplies().isEmpty(); }, 15000));
    spin(800); // nothing more is on its way
    QList<int> at;
    const QList<QByteArray> replies = program.gsmReplies(&at);
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies.first(), expected);
    EXPECT_EQ(at.first(), program.texts.size() - 1); // completed by the last part
    // The modem's acknowledgement is a text of its own, then one text per SMS part.
    ASSERT_GE(program.texts.size(), 5);
    EXPECT_TRUE(program.texts.first().contains("AT+BJSD"));
    EXPECT_TRUE(program.texts.first().contains("message send"));
    for (int i = 1; i < program.texts.size(); ++i)
        EXPECT_LE(program.texts.at(i).size(), 160);

    // A long status record: two parts, joined into exactly the record the
    // logger made (its values change with time: compare with the log).
    program.send(wrapForGsmModem(Phone, "111111#STATUS#"));
    ASSERT_TRUE(waitUntil([&] { return !program.gsmReplies().isEmpty(); }, 15000));
    const QByteArray status = program.gsmReplies().first();
    EXPECT_EQ(status, lastLoggedReply(log));
    EXPECT_GT(status.size(), 160);
    EXPECT_TRUE(status.startsWith("#STA:000001,ORV-A;L:"));
    EXPECT_EQ(GetItemValue(status, "L:").value.toInt(), status.size() - 1);
    EXPECT_EQ(GetItemValue(status, "K01:").value.size(), 5);
    EXPECT_EQ(program.texts.size(), 3);
}

TEST(SimGsmFrontend, ModemAnswersItsOwnCommandsAndChecksTheNumber)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SimProcess sim(gsmArgs(pty, {"--model", "B"}));
    ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
    ProgramEnd program(pty.b());
    ASSERT_TRUE(program.open());

    struct Case {
        QByteArray sent;
        QList<QByteArray> expected; // texts as delivered, in order
    };
    const Case cases[] = {
        {ModemTest, {"AT+BJTE\r\nOK\r\n"}},
        {ModemVersion, {"AT+BJDS\r\nKASPEN GSM Modem BJ-200 Ver 1.6\r\nOK\r\n"}},
        {wrapForGsmModem(Phone, "222222#ST:000042#"), {"AT+BJSD\r\nOK\r\nmessage send\r\n", "Set success!"}},
        {wrapForGsmModem(Phone, "999999#ST:000042#"), {"AT+BJSD\r\nOK\r\nmessage send\r\n", "Password is error!"}},
        // Another number: the SMS goes out, nobody answers.
        {wrapForGsmModem("0999999999", "111111#STATUS#"), {"AT+BJSD\r\nOK\r\nmessage send\r\n"}},
        // A wrong length: the modem refuses.
        {"AT+BJSD=9,0123456789,111111#STATUS#\r\n", {"AT+BJSD\r\nERROR\r\n"}},
        {"ATZ\r\n", {"ERROR\r\n"}},
    };
    for (const Case &c : cases) {
        program.send(c.sent);
        waitUntil([&] { return program.texts.size() >= c.expected.size(); }, 5000);
        spin(1000);
        EXPECT_EQ(program.texts, c.expected) << c.sent.constData();
    }
    // The station ID set over the modem is in force.
    // On a busy machine the modem's acknowledgement may come in pieces of its
    // own; the reply is the reassembled text that is the parameter record.
    program.send(wrapForGsmModem(Phone, "111111#CHEACK1#"));
    const auto record = [&] {
        for (const QByteArray &r : program.gsmReplies())
            if (r.startsWith("#STC1:"))
                return r;
        return QByteArray();
    };
    ASSERT_TRUE(waitUntil([&] { return !record().isEmpty(); }, 15000)) << program.texts.join("|").constData();
    EXPECT_TRUE(record().startsWith("#STC1:000042;")) << record().constData();
}

TEST(SimRs232Frontend, AnswersArePacedAtTheBaudRate)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SimProcess sim({"--port", pty.a()});
    ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
    ProgramEnd program(pty.b());
    ASSERT_TRUE(program.open());

    program.send("111111#CHEACK2#");
    ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 10000));
    const QByteArray block = program.texts.first();
    EXPECT_TRUE(block.startsWith("#STC2:000001;") && block.endsWith('#'));
    // 960 bytes a second at 9600 baud, then the 200 ms quiet gap: the block
    // cannot be there sooner.
    const qint64 lineMs = qint64(block.size()) * 1000 / 960;
    EXPECT_GE(program.arrivedMs.first(), lineMs + 200 - 20);

    program.send("222222#OC2:12000000000000000000000000#");
    ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 5000));
    EXPECT_EQ(program.texts.first(), QByteArray("Set success!"));
    program.send("111111#CHEACK3#");
    ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 5000));
    EXPECT_EQ(GetItemValue(program.texts.first(), "COUT2:").value, QByteArray("12000000000000000000000000"));
}

TEST(SimFaultsOverPty, EachFaultShowsAsTheProgramWouldSeeIt)
{
    struct Case {
        QStringList args;
        QByteArray sent;
        std::function<void(const ProgramEnd &, SimProcess &, PtyPair &)> check;
    };
    const Case cases[] = {
        {{"--fault", "none"}, "111111#STATUS#",
         [](const ProgramEnd &p, SimProcess &, PtyPair &) { EXPECT_TRUE(p.texts.isEmpty()); }},
        {{"--fault", "late:1500"}, "222222#SA:1#",
         [](const ProgramEnd &p, SimProcess &, PtyPair &) {
             ASSERT_EQ(p.texts.size(), 1);
             EXPECT_EQ(p.texts.first(), QByteArray("Set success!"));
             EXPECT_GE(p.arrivedMs.first(), 1500);
         }},
        {{"--fault", "split:800"}, "111111#CHEACK1#",
         [](const ProgramEnd &p, SimProcess &, PtyPair &) {
             ASSERT_EQ(p.texts.size(), 2); // two texts: the line paused for longer than 200 ms
             EXPECT_TRUE((p.texts[0] + p.texts[1]).startsWith("#STC1:000001;"));
             EXPECT_FALSE(p.texts[0].endsWith('#'));
         }},
        {{"--fault", "garbage"}, "222222#SA:1#",
         [](const ProgramEnd &p, SimProcess &, PtyPair &) {
             ASSERT_EQ(p.texts.size(), 1);
             EXPECT_NE(p.texts.first(), QByteArray("Set success!"));
         }},
        {{"--fault", "close"}, "111111#CHEACK2#",
         [](const ProgramEnd &p, SimProcess &sim, PtyPair &pty) {
             // Half the block arrives, then the simulator closes its end and ends.
             ASSERT_EQ(p.texts.size(), 1);
             EXPECT_TRUE(p.texts.first().startsWith("#STC2:"));
             EXPECT_FALSE(p.texts.first().endsWith('#'));
             EXPECT_TRUE(waitUntil([&] { return !sim.running(); }, 3000));
             EXPECT_EQ(sim.stop(), 0);
             // A far end that closes is silence on a serial line; when the
             // pseudo-terminal pair goes too, the program's port hangs up.
             EXPECT_FALSE(p.lost);
             pty.stop();
             EXPECT_TRUE(waitUntil([&] { return p.lost; }, 3000));
         }},
        {{"--fault", "nolength", "--frontend", "gsm", "--sms-delay", "300", "--sms-gap", "300"},
         wrapForGsmModem(Phone, "111111#STATUS#"),
         [](const ProgramEnd &p, SimProcess &, PtyPair &) {
             EXPECT_EQ(p.texts.size(), 3); // acknowledgement and two parts
             EXPECT_TRUE(p.gsmReplies().isEmpty()); // never complete: the exchange would time out
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        PtyPair pty;
        ASSERT_TRUE(pty.ok());
        SimProcess sim(QStringList{"--port", pty.a()} + c.args);
        ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
        ProgramEnd program(pty.b());
        ASSERT_TRUE(program.open());
        program.send(c.sent);
        spin(3000);
        c.check(program, sim, pty);
    }
}

TEST(SimFaultsOverPty, FaultCountSpoilsOnlyTheFirstAnswers)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    SimProcess sim({"--port", pty.a(), "--fault", "none", "--fault-count", "1"});
    ASSERT_TRUE(sim.ok());
    ProgramEnd program(pty.b());
    ASSERT_TRUE(program.open());
    program.send("111111#STATUS#");
    spin(1500);
    EXPECT_TRUE(program.texts.isEmpty());
    program.send("111111#STATUS#");
    ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 5000));
    EXPECT_TRUE(program.texts.first().startsWith("#STA:"));
}

TEST(SimCommandLine, StateFileKeepsSettingsAcrossRunsAndLogRecordsTraffic)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const QString state = pty.dir() + "/logger.json";
    const QString log = pty.dir() + "/traffic.log";
    {
        SimProcess sim({"--port", pty.a(), "--state", state, "--log", log, "--id", "000077", "--model", "B"});
        ASSERT_TRUE(sim.ok()) << sim.errorOutput().constData();
        ProgramEnd program(pty.b());
        ASSERT_TRUE(program.open());
        for (const QByteArray &cmd : {QByteArray("222222#SA:3#"), QByteArray("222222#AP4:0555123!#")}) {
            program.send(cmd);
            ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 5000));
            EXPECT_EQ(program.texts.first(), QByteArray("Set success!"));
        }
        program.port.close();
        EXPECT_EQ(sim.stop(), 0); // SIGTERM: a clean exit
    }
    ASSERT_TRUE(QFile::exists(state));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray lines = f.readAll();
    EXPECT_TRUE(lines.contains(" RX 222222#SA:3#\n"));
    EXPECT_TRUE(lines.contains(" TX Set success!\n"));

    SimProcess again({"--port", pty.a(), "--state", state});
    ASSERT_TRUE(again.ok()) << again.errorOutput().constData();
    ProgramEnd program(pty.b());
    ASSERT_TRUE(program.open());
    program.send("111111#CHEACK1#");
    ASSERT_TRUE(waitUntil([&] { return !program.texts.isEmpty(); }, 5000));
    const QByteArray block = program.texts.first();
    EXPECT_TRUE(block.startsWith("#STC1:000077;"));
    EXPECT_EQ(GetItemValue(block, "SA:").value, QByteArray("3"));
    EXPECT_EQ(GetItemValue(block, "AP4:").value, QByteArray("0555123"));
    EXPECT_FALSE(GetItemValue(block, "OUT4:").value.isEmpty()); // still an ORVEL-B
}
