// Batch runs against the simulated logger (kaspen-sim) over a socat
// pseudo-terminal pair, driven through the main model as kaspen-cli does:
// a file of mixed settings applied in one run and read back, a refused
// command in the middle of a run, Init from the default file, and the port
// going away in the middle of a run.

#include "session/MainModel.h"
#include "base/Clock.h"
#include "protocol/ReplyItems.h"
#include "pages/BatchCli.h"
#include "pages/batch/BatchSetupModel.h"
#include "records/ConfigFile.h"
#include "support/PhoneBookScratch.h"
#include "support/SimPeer.h"
#include "support/RecordingSink.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PtyPair;
using kaspen::test::SimProcess;

bool waitFor(const std::function<bool()> &cond, int ms) { return kaspen::test::waitUntil(cond, ms); }

namespace {

const QString Success = QStringLiteral("Command Success");

struct SimBatch : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        kaspen::test::emptyPhoneBook(dir.path());
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        QObject::connect(&model, &MainModel::pageMessage, [this](const PageMessage &m) {
            received << m;
            pages.deliver(m);
        });
    }
    void TearDown() override
    {
        sim.reset();
        PhoneBook::resetSharedState();
    }

    // Starts the simulator on the peer's end and waits until it serves it.
    bool startSim(const QStringList &extra = {})
    {
        sim = std::make_unique<SimProcess>(QStringList{"--port", pty.b(), "--state", dir.filePath("logger.json")} + extra);
        return sim->ok();
    }

    // Connects the port and chooses the device: the connect-time status query.
    bool connectDevice()
    {
        model.selectLink(LinkRs232);
        if (!model.toggleSerialConnection(pty.a()))
            return false;
        model.serialConnectionIds();
        model.chooseSerialDevice("000001");
        return waitFor([&] { return model.session().verified() && !model.exchange().running(); }, 20000);
    }

    // Runs one query to its end; the text the pages were given.
    QByteArray query(const std::function<void()> &send, int message)
    {
        received.clear();
        send();
        waitFor([&] { return model.exchange().running(); }, 2000);
        waitFor([&] { return !model.exchange().running(); }, 45000);
        for (const PageMessage &m : received)
            if (m.message == message)
                return m.text;
        return {};
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

    QStringList statuses()
    {
        QStringList s;
        for (int r = 0; r < pages.batch().list().rowCount(); ++r)
            s << pages.batch().list().row(r).status;
        return s;
    }

    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<SimProcess> sim;
    kaspen::test::RecordingSink sink;
    MainModel model{ModelOrvelA};
    CorePages pages{model.session()};
    QList<PageMessage> received;
};

// One setting of the file and where reading the logger back shows it.
struct Setting {
    int code;
    QByteArray command; // after the password
    int block;          // 1..4 parameter block, 0 status record
    QByteArray key;
    QByteArray value;   // what GetItemValue gives; a trailing '*' means "starts with"
};

std::vector<Setting> mixedSettings()
{
    std::vector<Setting> s;
    s.push_back({11005, "#SA:3#", 1, "SA:", "3"});
    s.push_back({11007, "#CP:0555123456!,4#", 1, "CP:", "0555123456,4"});
    for (int n = 1; n <= 8; ++n) {
        const QByteArray num = "055500000" + QByteArray::number(n);
        s.push_back({20030 + n, "#AP" + QByteArray::number(n) + ":" + num + "!#", 1, "AP" + QByteArray::number(n) + ":", num});
    }
    s.push_back({12002, "#AD00:95.00,0.000,0.000,1,85.00,15.00#", 2, "AD00:", "95.00,0.000,0.000,1,85.00,15.00"});
    s.push_back({12003, "#AD13:1,40.00,-8.00#", 2, "AD13:", "1,40.00,-8.00"});
    s.push_back({12004, "#AD14:2,45.00,-2.00#", 2, "AD14:", "2,45.00,-2.00"});
    for (int n = 1; n <= 6; ++n) {
        const QByteArray v = "2" + QByteArray::number(n) + ".00,4.000,4.000,1,1" + QByteArray::number(n) + ".00,5.000";
        const QByteArray key = "AD0" + QByteArray::number(n) + ":";
        s.push_back({12005 + n, "#" + key + v + "#", 2, key, v});
    }
    for (int n = 3; n <= 8; ++n) {
        const QByteArray v = "1.000,0.000,1.000,2,3" + QByteArray::number(n) + ".00,1" + QByteArray::number(n) + ".00";
        const QByteArray key = "AD" + QByteArray::number(4 + n).rightJustified(2, '0') + ":";
        s.push_back({12204 + n, "#" + key + v + "#", 2, key, v});
    }
    s.push_back({13001, "#PA:40000000000#", 2, ";PA:", "40000000000*"});
    for (int n = 1; n <= 3; ++n)
        s.push_back({13001 + n, "#LP" + QByteArray::number(n) + ":0000012" + QByteArray::number(n) + "#", 0,
                     "P0" + QByteArray::number(n) + ":", "12" + QByteArray::number(n)});
    s.push_back({14011, "#O1:1#", 0, "O01:", "10"});
    s.push_back({14012, "#OT1:0030#", 1, "OUT1:", "0030"});
    s.push_back({14013, "#OC1:10200000000000001000000000#", 3, "COUT1:", "10200000000000001000000000"});
    s.push_back({14021, "#O2:0#", 0, "O01:", "10"});
    s.push_back({14022, "#OT2:0045#", 1, "OUT2:", "0045"});
    s.push_back({14023, "#OC2:01000000000000000100000000#", 3, "COUT2:", "01000000000000000100000000"});
    for (int n = 1; n <= 8; ++n)
        s.push_back({20000 + n, "#TD" + QByteArray::number(n) + ":00" + QByteArray::number(10 + n) + "#", 4,
                     "TD" + QByteArray::number(n) + ":", "00" + QByteArray::number(10 + n)});
    return s;
}

TEST_F(SimBatch, MixedSettingsFileAppliedInOneRunAndReadBack)
{
    ASSERT_TRUE(startSim());
    ASSERT_TRUE(connectDevice());
    const std::vector<Setting> settings = mixedSettings();
    ASSERT_GE(settings.size(), 40u);
    std::vector<std::pair<int, QByteArray>> entries;
    for (const Setting &s : settings)
        entries.emplace_back(s.code, "999999" + s.command); // made for another device's password
    const QString path = writeCfg("mixed.cfg", entries);

    QByteArray printed;
    const int exit = batchcli::apply(model, pages, path, false, [&](const QByteArray &l) { printed += l; });
    EXPECT_EQ(exit, 0) << printed.constData();
    const QStringList st = statuses();
    ASSERT_EQ(st.size(), int(settings.size()));
    for (int r = 0; r < st.size(); ++r)
        EXPECT_EQ(st[r], Success) << r << " " << pages.batch().list().row(r).text.constData();
    EXPECT_EQ(printed.count('\n'), int(settings.size()));
    EXPECT_TRUE(printed.startsWith("01\tData Logging Interval\t30 Minute\tCommand Success\n")) << printed.constData();
    EXPECT_FALSE(pages.batch().running());

    // Read the logger back: every value is there.
    std::map<int, QByteArray> blocks;
    for (int n = 1; n <= 3; ++n)
        blocks[n] = query([&] { model.readBlock(n); }, n == 1 ? msg::Block1 : n == 2 ? msg::Block2 : msg::Block3);
    blocks[4] = query([&] { model.session().SubmitCommand(codes::ReadBlock4, "111111#CHEACK4#"); }, msg::Block4);
    blocks[0] = query([&] { model.statusQuery(); }, msg::StatusReply);
    for (const Setting &s : settings) {
        const QByteArray &text = blocks[s.block];
        ASSERT_FALSE(text.isEmpty()) << "block " << s.block;
        const QByteArray got = GetItemValue(text, s.key, 0).value;
        if (s.value.endsWith('*'))
            EXPECT_TRUE(got.startsWith(s.value.chopped(1))) << s.key.constData() << " " << got.constData();
        else
            EXPECT_EQ(got, s.value) << s.key.constData();
    }
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.last().toStdString();
}

TEST_F(SimBatch, RefusedCommandShowsFailAndTheRunGoesOn)
{
    ASSERT_TRUE(startSim());
    ASSERT_TRUE(connectDevice());
    const QString path = writeCfg("refused.cfg", {{11004, "222222#TM:99999999999#"}, {11005, "222222#SA:9#"},
                                                  {11007, "222222#CP:!,1#"}, {20031, "222222#AP1:0555!#"}});
    QByteArray printed;
    const int exit = batchcli::apply(model, pages, path, false, [&](const QByteArray &l) { printed += l; });
    EXPECT_EQ(statuses(), QStringList({"Command Fail ", "Command Fail ", Success, Success}));
    EXPECT_EQ(exit, ResultRefused);
    EXPECT_TRUE(printed.contains("01\tDate / Time\t99999999999\tCommand Fail \n")) << printed.constData();
}

TEST_F(SimBatch, AutoStationIdGivesTheNextDeviceTheNextId)
{
    ASSERT_TRUE(startSim());
    ASSERT_TRUE(connectDevice());
    const QString path = writeCfg("station.cfg", {{11002, "222222#ST:000041#"}, {11005, "222222#SA:1#"}});
    EXPECT_EQ(batchcli::apply(model, pages, path, true, [](const QByteArray &) {}), 0);
    EXPECT_EQ(pages.batch().list().row(0).parameters, "000042");
    EXPECT_EQ(model.session().serialRecord().stationIdText, "000042");
    const QByteArray block1 = query([&] { model.readBlock(1); }, msg::Block1);
    EXPECT_TRUE(block1.startsWith("#STC1:000042;")) << block1.constData();
}

TEST_F(SimBatch, InitBringsTheLoggerToTheDefaultFile)
{
    ASSERT_TRUE(startSim());
    ASSERT_TRUE(connectDevice());
    sink.answer = true; // "Please confirm to initialize the device."
    model.init();
    ASSERT_TRUE(pages.batch().running());
    ASSERT_TRUE(waitFor(
        [&] {
            if (pages.batch().running() || model.exchange().running())
                return false;
            for (const QString &s : statuses())
                if (s == QLatin1String("Ready") || s == QLatin1String("Command Sending"))
                    return false;
            return true;
        },
        120000));
    const QStringList st = statuses();
    EXPECT_GE(st.size(), 40);
    EXPECT_EQ(st.count(Success), st.size()) << st.join(QLatin1Char('|')).toStdString();
    const QByteArray block1 = query([&] { model.readBlock(1); }, msg::Block1);
    EXPECT_EQ(GetItemValue(block1, "SA:", 0).value, "1");
    EXPECT_EQ(GetItemValue(block1, "AP1:", 0).value, "");
    const QByteArray block2 = query([&] { model.readBlock(2); }, msg::Block2);
    EXPECT_EQ(GetItemValue(block2, "AD13:", 0).value, "1,50.00,-10.0");
}

TEST_F(SimBatch, PortGoneInTheMiddleOfARunEndsItCleanly)
{
    ASSERT_TRUE(startSim());
    ASSERT_TRUE(connectDevice());
    std::vector<std::pair<int, QByteArray>> entries;
    for (int n = 1; n <= 8; ++n)
        entries.emplace_back(20000 + n, "222222#TD" + QByteArray::number(n) + ":0020#");
    BatchSetupModel &batch = pages.batch();
    ASSERT_TRUE(batch.openConfigFile(writeCfg("gone.cfg", entries)));
    batch.selectAll();
    ASSERT_TRUE(batch.startBatchRun());
    // Two commands through, then the line goes away.
    ASSERT_TRUE(waitFor([&] { return statuses().count(Success) >= 2; }, 20000));
    pty.stop();
    ASSERT_TRUE(waitFor([&] { return !batch.running(); }, 10000));
    const QStringList st = statuses();
    EXPECT_GE(st.count(Success), 2);
    EXPECT_EQ(st.count(QStringLiteral("Ready")), 0) << st.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(st.count(QStringLiteral("Command Sending")), 0) << st.join(QLatin1Char('|')).toStdString();
    // The row that was out when the line went gets a failure, the rest nothing.
    const int failed = st.count(QStringLiteral("Connection Error")) + st.count(QStringLiteral("Command Send Fail"));
    EXPECT_EQ(failed, 1) << st.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(st.count(Success) + failed + st.count(QString()), st.size());
    ASSERT_TRUE(waitFor([&] { return batch.batchButtonsEnabled(); }, 2000));
}

} // namespace
