// The Device Setup and Relay Output pages against the logger simulator on a
// pseudo-terminal: settings go out through the pages, the simulator answers,
// and reading the parameter blocks fills both pages again.

#include "session/MainModel.h"
#include "pages/device/DeviceSetupModel.h"
#include "pages/device/RelayOutputModel.h"
#include "support/PhoneBookScratch.h"
#include "support/SimPeer.h"
#include "support/RecordingSink.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PtyPair;
using kaspen::test::waitUntil;

namespace {

QString simulatorPath()
{
    const QString fromEnv = qEnvironmentVariable("KASPEN_SIM");
    return fromEnv.isEmpty() ? QStringLiteral(KASPEN_BIN_DIR "/kaspen-sim") : fromEnv;
}

// Milliseconds an exchange may take: RS232 answers at once, the GSM modem
// relays each part after a delay.
constexpr int ExchangeWaitMs = 20000;

class DevicePagesE2E : public ::testing::Test {
protected:
    void start(int model, int link, const QStringList &simArgs)
    {
        if (!QFileInfo::exists(simulatorPath()))
            GTEST_SKIP() << "no simulator at " << simulatorPath().toStdString();
        ASSERT_TRUE(pty.ok()) << "socat made no pseudo-terminal pair";
        ASSERT_TRUE(dir.isValid());
        test::emptyPhoneBook(dir.path());

        sim.setProgram(simulatorPath());
        sim.setArguments(QStringList{"--port", pty.b(), "--log", dir.filePath("sim.log")} + simArgs);
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start();
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([this] { return simErr.append(sim.readAllStandardError()).contains("kaspen-sim:"); }, 5000))
            << simErr.toStdString();

        main = std::make_unique<MainModel>(model);
        Session &s = main->session();
        device = std::make_unique<DeviceSetupModel>(s);
        relay = std::make_unique<RelayOutputModel>(s);
        // The main window's delivery: synchronous, in target bit order.
        QObject::connect(main.get(), &MainModel::pageMessage, [this](const PageMessage &m) {
            if (m.targets & ToDeviceSetup)
                device->handleMessage(m);
            if (m.targets & ToRelayOutput)
                relay->handleMessage(m);
        });
        QObject::connect(main.get(), &MainModel::exchangeFinished, [this](int, int, const QString &status) {
            finished.append(status);
        });

        s.phoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        main->selectLink(Link(link));
        ASSERT_TRUE(main->toggleSerialConnection(pty.a()));
        ASSERT_TRUE(exchange([this] { main->chooseSerialDevice("000001"); }));
        ASSERT_TRUE(s.verified());
    }

    void TearDown() override
    {
        main.reset();
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            if (!sim.waitForFinished(3000))
                sim.kill();
        }
        PhoneBook::resetSharedState();
    }

    // Runs one command to its end; true for "Command Success".
    bool exchange(const std::function<void()> &send)
    {
        const int before = int(finished.size());
        send();
        if (!waitUntil([&] { return finished.size() > before; }, ExchangeWaitMs)) {
            ADD_FAILURE() << "the exchange did not finish";
            return false;
        }
        EXPECT_EQ(finished.last(), "Command Success") << sink.texts().join('|').toStdString();
        return finished.last() == "Command Success";
    }
    bool sendOk(bool (DeviceSetupModel::*press)())
    {
        return exchange([&] { ASSERT_TRUE(((*device).*press)()); });
    }
    bool sendOk(bool (RelayOutputModel::*press)())
    {
        return exchange([&] { ASSERT_TRUE(((*relay).*press)()); });
    }
    QByteArray simLog() const
    {
        QFile f(dir.filePath("sim.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int indexOf(const char *relayName) const { return int(relay->relayNames().indexOf(relayName)); }

    test::RecordingSink sink;
    PtyPair pty;
    QTemporaryDir dir;
    QProcess sim;
    QByteArray simErr;
    std::unique_ptr<MainModel> main;
    std::unique_ptr<DeviceSetupModel> device;
    std::unique_ptr<RelayOutputModel> relay;
    QStringList finished;
};

} // namespace

TEST_F(DevicePagesE2E, StationIdAndPasswordsChangeTheLoggerAndThePhoneBook)
{
    start(ModelOrvelA, LinkRs232, {"--frontend", "rs232", "--model", "A"});
    if (IsSkipped() || HasFatalFailure())
        return;
    PhoneBook &book = main->session().phoneBook();

    device->setStationId("7");
    device->leaveStationId();
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendStationId));
    EXPECT_TRUE(main->dataLogs().contains("Set success!"));
    EXPECT_TRUE(book.GsmIdExists("000007"));
    EXPECT_FALSE(book.GsmIdExists("000001"));
    EXPECT_EQ(book.CurrentGsmEntry().id, "000007");
    EXPECT_EQ(main->session().serialRecord().stationIdText, "000007");

    device->setEnquiryPassword("333333");
    device->setSetupPassword("444444");
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendPasswords));
    const GsmEntry e = book.CurrentGsmEntry();
    EXPECT_EQ(e.id, "000007");
    EXPECT_EQ(e.enquiryPassword, "333333");
    EXPECT_EQ(e.setupPassword, "444444");

    // The next command carries the new Setup password and is accepted.
    device->setAlarmPhone(1, "13800000001");
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(device->sendAlarmPhone(1)); }));
    EXPECT_TRUE(simLog().contains("444444#AP1:13800000001!#"));

    // What the logger holds now comes back with "#1".
    device->clear();
    ASSERT_TRUE(exchange([this] { main->readBlock(1); }));
    EXPECT_EQ(device->stationId(), "000007");
    EXPECT_EQ(device->enquiryPassword(), "333333");
    EXPECT_EQ(device->setupPassword(), "444444");
    EXPECT_EQ(device->alarmPhone(1), "13800000001");
    EXPECT_EQ(main->session().batchTable().text(11002), "444444#ST:000007#");
}

TEST_F(DevicePagesE2E, EverySettingReadsBackIntoBothPages)
{
    start(ModelOrvelA, LinkRs232, {"--frontend", "rs232", "--model", "A"});
    if (IsSkipped() || HasFatalFailure())
        return;
    EXPECT_EQ(main->session().profile().relayCount, 2);
    EXPECT_EQ(relay->statusRowCount(), 22);

    device->setDateTime("2403051407");
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendDateTime));
    device->setLoggingIndex(4); // "30 Minute", SA code 3
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendLoggingInterval));
    device->setSmsUploadIndex(5); // "01 Hour"
    device->setControlCentre("0123456789");
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendSmsUpload));
    for (int n = 1; n <= 8; ++n) {
        device->setAlarmPhone(n, n == 4 ? QByteArray() : "1380000000" + QByteArray::number(n));
        ASSERT_TRUE(exchange([&] { ASSERT_TRUE(device->sendAlarmPhone(n)); })) << n;
    }
    relay->chooseRelay(indexOf("Relay_1"));
    relay->setTimeLapse("30");
    relay->leaveTimeLapse();
    ASSERT_TRUE(sendOk(&RelayOutputModel::sendTimeLapse));
    relay->chooseRelay(indexOf("Relay_2"));
    relay->setTimeLapse("0005");
    ASSERT_TRUE(sendOk(&RelayOutputModel::sendTimeLapse));

    device->clear();
    relay->clear();
    main->session().batchTable().clear();
    ASSERT_TRUE(exchange([this] { main->readBlock(1); }));

    EXPECT_EQ(device->stationId(), "000001");
    EXPECT_TRUE(device->dateTime().startsWith("240305")) << device->dateTime().data();
    EXPECT_EQ(device->dateTime().size(), 10);
    EXPECT_EQ(device->enquiryPassword(), "111111");
    EXPECT_EQ(device->setupPassword(), "222222");
    EXPECT_EQ(device->loggingIndex(), 4);
    EXPECT_EQ(device->smsUploadIndex(), 5);
    EXPECT_EQ(device->controlCentre(), "0123456789");
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(device->alarmPhone(n), n == 4 ? QByteArray() : "1380000000" + QByteArray::number(n)) << n;
    EXPECT_TRUE(device->gsmModuleOn());
    EXPECT_TRUE(device->simCardOn());
    EXPECT_EQ(device->signalStrength(), 23);
    EXPECT_EQ(relay->statusCell(RelayOutputModel::TimeLapseRow, 1).text, "0030");
    EXPECT_EQ(relay->statusCell(RelayOutputModel::TimeLapseRow, 2).text, "0005");

    // Every value read back is in the batch table as the command that sets it.
    const BatchCommandTable &t = main->session().batchTable();
    EXPECT_EQ(t.text(11002), "222222#ST:000001#");
    EXPECT_TRUE(t.text(11004).startsWith("222222#TM:240305"));
    EXPECT_EQ(t.text(11005), "222222#SA:3#");
    EXPECT_EQ(t.text(11006), "222222#SD:00,0,1#");
    EXPECT_EQ(t.text(11007), "222222#CP:0123456789!,5#");
    EXPECT_EQ(t.text(20031), "222222#AP1:13800000001!#");
    EXPECT_FALSE(t.contains(20034)); // empty number: nothing recorded
    EXPECT_EQ(t.text(20038), "222222#AP8:13800000008!#");
    EXPECT_EQ(t.text(14012), "222222#OT1:0030#");
    EXPECT_EQ(t.text(14022), "222222#OT2:0005#");

    // Switching states come with the status reply.
    relay->chooseRelay(indexOf("Relay_2"));
    relay->setOnOffIndex(0);
    ASSERT_TRUE(sendOk(&RelayOutputModel::sendOnOff));
    ASSERT_TRUE(exchange([this] { main->statusQuery(); }));
    EXPECT_EQ(relay->statusCell(RelayOutputModel::OperationModeRow, 2), (RelayOutputModel::Cell{"On", true}));
    EXPECT_EQ(relay->statusCell(RelayOutputModel::OperationModeRow, 1), (RelayOutputModel::Cell{"Off", false}));
    EXPECT_EQ(t.text(14021), "222222#O2:1#");
    EXPECT_EQ(t.text(14011), "222222#O1:0#");
}

TEST_F(DevicePagesE2E, AssociatedAlarmsAreSetAndReadBack)
{
    start(ModelOrvelA, LinkRs232, {"--frontend", "rs232", "--model", "A"});
    if (IsSkipped() || HasFatalFailure())
        return;
    relay->chooseRelay(indexOf("Relay_1"));
    for (int row = 0; row < RelayOutputModel::ChannelCount; ++row)
        relay->setRelayControl(row, "Off");
    relay->setRelayControl(0, "H - High Alert");
    relay->setRelayControl(2, "L - Low Alert");
    relay->normaliseRelayControls();
    relay->setRelayControl(16, "On");
    ASSERT_TRUE(sendOk(&RelayOutputModel::sendAssociation));
    EXPECT_TRUE(simLog().contains("222222#OC1:10200000000000001000000000#"));

    relay->clear();
    ASSERT_TRUE(exchange([this] { main->readBlock(3); }));
    EXPECT_EQ(relay->storedAssociation(1), "10200000000000001000000000");
    EXPECT_EQ(relay->statusCell(2, 1), (RelayOutputModel::Cell{"H", true}));
    EXPECT_EQ(relay->statusCell(3, 1), (RelayOutputModel::Cell{"Off", false}));
    EXPECT_EQ(relay->statusCell(4, 1), (RelayOutputModel::Cell{"L", true}));
    EXPECT_EQ(relay->statusCell(18, 1), (RelayOutputModel::Cell{"On", true}));
    EXPECT_EQ(main->session().batchTable().text(14013), "222222#OC1:10200000000000001000000000#");
    relay->chooseRelay(indexOf("Relay_1"));
    EXPECT_EQ(relay->relayControl(0), "High");
    EXPECT_EQ(relay->relayControl(2), "Low");
    EXPECT_EQ(relay->relayControl(16), "On");
    EXPECT_EQ(relay->relayControl(17), "Off");
}

TEST_F(DevicePagesE2E, OrvelBThroughTheGsmModem)
{
    start(ModelOrvelB, LinkGsmModem, {"--frontend", "gsm", "--model", "B", "--sms-delay", "250", "--sms-gap", "250"});
    if (IsSkipped() || HasFatalFailure())
        return;
    EXPECT_EQ(main->session().profile().relayCount, 4);
    EXPECT_EQ(relay->relayNames().size(), 4);
    device->setEthernetUploadIndex(1); // "05 Second", SD code 12
    ASSERT_TRUE(sendOk(&DeviceSetupModel::sendEthernetUpload));
    EXPECT_TRUE(simLog().contains("AT+BJSD=10,0123456789,222222#SD:12,0,1#"));
    relay->chooseRelay(indexOf("Relay_4"));
    relay->setTimeLapse("0100");
    ASSERT_TRUE(sendOk(&RelayOutputModel::sendTimeLapse));

    device->clear();
    ASSERT_TRUE(exchange([this] { main->readBlock(1); }));
    EXPECT_EQ(device->ethernetUploadIndex(), 1);
    EXPECT_EQ(device->stationId(), "000001");
    EXPECT_EQ(relay->statusCell(RelayOutputModel::TimeLapseRow, 4).text, "0100");
    EXPECT_EQ(main->session().batchTable().text(11006), "222222#SD:12,0,1#");
    EXPECT_EQ(main->session().batchTable().text(14042), "222222#OT4:0100#");
}
