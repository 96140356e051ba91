// The alarm message pages against the logger simulator on a pseudo-terminal:
// a text set through each page reaches the logger and reads back into the
// page; kaspen-cli reads, sets and backs up the slots and "apply" moves them
// to the next logger.

#include "pages/alarms/AlarmMessageModel.h"
#include "session/MainModel.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::CliRun;
using kaspen::test::runCli;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;
using kaspen::test::waitUntil;

namespace {

constexpr int ExchangeWaitMs = 30000;

QByteArray fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class AlarmPagesE2E : public ::testing::Test {
protected:
    void start(Link link, const QStringList &simArgs)
    {
        ASSERT_TRUE(pty.ok()) << "socat made no pseudo-terminal pair";
        test::emptyPhoneBook(dir.path());
        sim = std::make_unique<SimProcess>(QStringList{"--port", pty.b(), "--log", dir.filePath("sim.log")} + simArgs);
        ASSERT_TRUE(sim->ok()) << sim->errorOutput().constData();

        main = std::make_unique<MainModel>(ModelOrvelA);
        Session &s = main->session();
        ad = std::make_unique<AlarmMessageModel>(s, AlarmPage::Ad);
        in = std::make_unique<AlarmMessageModel>(s, AlarmPage::In);
        // The main window's delivery: synchronous, in target bit order.
        QObject::connect(main.get(), &MainModel::pageMessage, [this](const PageMessage &m) {
            if (m.targets & ToAdAlarmMessage)
                ad->handleMessage(m);
            if (m.targets & ToInAlarmMessage)
                in->handleMessage(m);
        });
        QObject::connect(main.get(), &MainModel::exchangeFinished,
                         [this](int, int, const QString &status) { finished.append(status); });
        s.phoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        main->selectLink(Link(link));
        ASSERT_TRUE(main->toggleSerialConnection(pty.a()));
        ASSERT_TRUE(exchange([this] { main->chooseSerialDevice("000001"); }));
        ASSERT_TRUE(s.verified());
    }
    void TearDown() override
    {
        main.reset();
        sim.reset();
        PhoneBook::resetSharedState();
    }
    bool exchange(const std::function<bool()> &send)
    {
        const int before = int(finished.size());
        if (!send()) {
            ADD_FAILURE() << "nothing was sent: " << sink.last().toStdString();
            return false;
        }
        if (!waitUntil([&] { return finished.size() > before; }, ExchangeWaitMs)) {
            ADD_FAILURE() << "the exchange did not finish";
            return false;
        }
        EXPECT_EQ(finished.last(), "Command Success");
        return finished.last() == "Command Success";
    }
    bool exchange(const std::function<void()> &send)
    {
        return exchange(std::function<bool()>([&] { send(); return true; }));
    }
    // Set, empty the page, read back.
    void setAndReadBack(AlarmMessageModel &page, int row, int column, bool ticked, const QByteArray &text)
    {
        page.setCell(row, column, ticked, text);
        ASSERT_TRUE(exchange(std::function<bool()>([&] { return page.sendSet(row, column); })));
        page.setCell(row, column, !ticked, "something else");
        ASSERT_TRUE(exchange(std::function<bool()>([&] { return page.sendRead(row, column); })));
    }

    test::RecordingSink sink;
    PtyPair pty;
    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainModel> main;
    std::unique_ptr<AlarmMessageModel> ad, in;
    QStringList finished;
};

} // namespace

TEST_F(AlarmPagesE2E, TextsSetOnBothPagesReadBackOverTheCable)
{
    start(LinkRs232, {"--frontend", "rs232"});
    if (HasFatalFailure())
        return;
    // AD05 Alert Low (slot 31) and IN02 On Alert (slot 17).
    setAndReadBack(*ad, 5, 1, true, "Tank 5 low ALRM!");
    EXPECT_TRUE(ad->ticked(5, 1));
    EXPECT_EQ(ad->text(5, 1), "Tank 5 low ALARM!");
    setAndReadBack(*in, 2, 0, true, "Door open");
    EXPECT_TRUE(in->ticked(2, 0));
    EXPECT_EQ(in->text(2, 0), "Door open");
    const QByteArray log = fileText(dir.filePath("sim.log"));
    EXPECT_TRUE(log.contains("222222#SMSSET31:1,16,Tank 5 low ALRM!#")) << log.constData();
    EXPECT_TRUE(log.contains("222222#SMSSET17:1,09,Door open#"));
    EXPECT_TRUE(log.contains("111111#SMS:17#"));

    // A cleared box: the logger forgets the text.
    setAndReadBack(*in, 3, 1, false, "");
    EXPECT_FALSE(in->ticked(3, 1));
    EXPECT_EQ(in->text(3, 1), "");

    // The factory text of slot 15 uses the short "ALM!".
    ASSERT_TRUE(exchange(std::function<bool()>([&] { return in->sendRead(0, 1); })));
    EXPECT_EQ(in->text(0, 1), "MAINS OFF ALARM!");
    // A multi-byte text goes with its byte length and comes back whole.
    const QByteArray accented = QStringLiteral("Temp\u00e9rature haute").toUtf8();
    setAndReadBack(*ad, 13, 0, true, accented);
    EXPECT_EQ(ad->text(13, 0), accented);
    EXPECT_TRUE(fileText(dir.filePath("sim.log")).contains("SMSSET13:1,18,"));
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.last().toStdString();
    // The set commands are in the batch command table, the reads are not.
    EXPECT_EQ(main->session().batchTable().text(19017), "222222#SMSSET17:1,09,Door open#");
    EXPECT_FALSE(main->session().batchTable().contains(19117));
}

TEST_F(AlarmPagesE2E, TextsSetOverTheGsmModemReadBack)
{
    start(LinkGsmModem, {"--frontend", "gsm", "--sms-delay", "250", "--sms-gap", "250"});
    if (HasFatalFailure())
        return;
    setAndReadBack(*ad, 1, 0, true, "Analog 1 high");
    EXPECT_TRUE(ad->ticked(1, 0));
    EXPECT_EQ(ad->text(1, 0), "Analog 1 high");
    EXPECT_TRUE(main->sendLogs().contains("AT+BJSD=10,0123456789,222222#SMSSET01:1,13,Analog 1 high#"));
    EXPECT_EQ(main->session().batchTable().text(19001), "222222#SMSSET01:1,13,Analog 1 high#");
}

// ---- kaspen-cli -----------------------------------------------------------------

namespace {

// The slot line of "message read".
QByteArray slotLine(const QByteArray &out)
{
    QByteArray text = out;
    while (text.endsWith('\n'))
        text.chop(1);
    return text.mid(text.lastIndexOf('\n') + 1);
}

} // namespace

TEST(AlarmMessagesCli, ReadSetBackupAndApply)
{
    QTemporaryDir data;
    PtyPair first, second;
    ASSERT_TRUE(first.ok() && second.ok());
    SimProcess sim1({"--port", first.b(), "--id", "000001", "--log", data.filePath("sim1.log")});
    SimProcess sim2({"--port", second.b(), "--id", "000002", "--log", data.filePath("sim2.log")});
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

    // message set / read on the first logger.
    CliRun r = device(first.a(), "000001", {"message", "set", "05", "--text", "Pump fault"});
    ASSERT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    EXPECT_TRUE(r.out.contains("222222#SMSSET05:1,10,Pump fault#")) << r.out.constData();
    r = device(first.a(), "000001", {"message", "set", "42", "--off"});
    ASSERT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    r = device(first.a(), "000001", {"message", "read", "05"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(slotLine(r.out), "05\tAnalog Channel AD05 Alert High\t1\tPump fault") << r.out.constData();
    r = device(first.a(), "000001", {"message", "read", "15"});
    EXPECT_EQ(slotLine(r.out), "15\tPower Source Off Alert\t1\tMAINS OFF ALARM!") << r.out.constData();
    r = device(first.a(), "000001", {"message", "read", "42"});
    EXPECT_EQ(slotLine(r.out), "42\tDigital Input Channel IN01 Off Alert\t0\t") << r.out.constData();

    // The page's checks: refused before sending, with the page's message.
    struct Refusal {
        QStringList args;
        int exitCode;
        const char *message;
    };
    const std::vector<Refusal> refusals = {
        {{"message", "set", "07", "--text", ""}, 64, "Analog Channel AD07 Content is empty!"},
        {{"message", "set", "00", "--text", QString(61, QLatin1Char('x'))}, 64, "Humidity Channel Content over 60 byte!"},
        {{"message", "set", "52", "--off"}, 65, "00 to 51"},
        {{"message", "set", "05"}, 65, "--text TEXT or --off"},
        {{"message", "read", "x"}, 65, "00 to 51"},
    };
    for (const Refusal &c : refusals) {
        const CliRun x = device(first.a(), "000001", c.args);
        EXPECT_EQ(x.exitCode, c.exitCode) << c.message << x.err.constData();
        EXPECT_TRUE(x.err.contains(c.message)) << x.err.constData();
        EXPECT_FALSE(x.out.contains("SMSSET")) << x.out.constData();
    }

    // A backup without --messages reads no slot.
    const QString plain = data.filePath("plain.cfg");
    QFile(data.filePath("sim1.log")).resize(0);
    r = device(first.a(), "000001", {"backup", "--out", plain});
    ASSERT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    EXPECT_FALSE(fileText(data.filePath("sim1.log")).contains("#SMS:"));
    EXPECT_FALSE(fileText(plain).contains("SMSSET"));

    // With --messages every slot is read and saved as the command that sets it.
    const QString cfg = data.filePath("messages.cfg");
    r = device(first.a(), "000001", {"backup", "--out", cfg, "--messages"});
    ASSERT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    const QByteArray saved = fileText(cfg);
    EXPECT_EQ(saved.count("SMSSET"), 52) << saved.constData();
    for (const char *command : {"222222#SMSSET05:1,10,Pump fault#", "222222#SMSSET42:0#",
                                "222222#SMSSET15:1,16,MAINS OFF ALARM!#", "222222#SMSSET00:1,16,AD00 HIGH ALARM!#"})
        EXPECT_TRUE(saved.contains(command)) << command;
    EXPECT_TRUE(r.out.contains("SMS:51\tCommand Success\n")) << r.out.constData();

    // Apply it to the second logger: the texts move with the settings.
    r = device(second.a(), "000002", {"apply", cfg, "--auto-station-id"});
    ASSERT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    r = device(second.a(), "000002", {"message", "read", "05"});
    EXPECT_EQ(slotLine(r.out), "05\tAnalog Channel AD05 Alert High\t1\tPump fault") << r.out.constData();
    r = device(second.a(), "000002", {"message", "read", "42"});
    EXPECT_EQ(slotLine(r.out), "42\tDigital Input Channel IN01 Off Alert\t0\t") << r.out.constData();
}
