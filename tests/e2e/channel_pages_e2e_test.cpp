// The Analog Channel and Digital/Pulse Channel pages against the logger
// simulator on a pseudo-terminal, on RS232 and on the GSM modem link: the
// settings go out through the pages, "#2" and "#CHEACK4#" bring them back,
// and the humidity calibration runs to its new Upper Limit.

#include "pages/channels/AnalogChannelModel.h"
#include "pages/channels/DigitalChannelModel.h"
#include "session/MainModel.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "support/SimPeer.h"

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

constexpr int ExchangeWaitMs = 30000;

class ChannelPagesE2E : public ::testing::TestWithParam<int> {
protected:
    Link link() const { return Link(GetParam()); }

    void start()
    {
        const QString simPath = test::simExecutable();
        if (!QFileInfo::exists(simPath))
            GTEST_SKIP() << "no simulator at " << simPath.toStdString();
        ASSERT_TRUE(pty.ok()) << "socat made no pseudo-terminal pair";
        ASSERT_TRUE(dir.isValid());
        test::emptyPhoneBook(dir.path());

        QStringList args = {"--port", pty.b(), "--log", dir.filePath("sim.log"), "--model", "A", "--frontend",
                            link() == LinkGsmModem ? "gsm" : "rs232"};
        if (link() == LinkGsmModem)
            args << "--sms-delay" << "250" << "--sms-gap" << "250";
        sim.setProgram(simPath);
        sim.setArguments(args);
        sim.start();
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([this] { return simErr.append(sim.readAllStandardError()).contains("kaspen-sim:"); }, 5000))
            << simErr.toStdString();

        main = std::make_unique<MainModel>(ModelOrvelA);
        Session &s = main->session();
        analog = std::make_unique<AnalogChannelModel>(s);
        digital = std::make_unique<DigitalChannelModel>(s);
        QObject::connect(main.get(), &MainModel::pageMessage, [this](const PageMessage &m) {
            if (m.targets & ToAnalogChannel)
                analog->handleMessage(m);
            if (m.targets & ToDigitalChannel)
                digital->handleMessage(m);
        });
        QObject::connect(main.get(), &MainModel::exchangeFinished, [this](int code, int result, const QString &status) {
            analog->exchangeFinished(code, result);
            finished.append({code, status});
        });

        s.phoneBook().AddGsmEntry("000001", "0123456789", "111111", "222222");
        main->selectLink(Link(link()));
        ASSERT_TRUE(main->toggleSerialConnection(pty.a()));
        ASSERT_TRUE(exchange([this] { main->chooseSerialDevice("000001"); }));
        ASSERT_TRUE(s.verified());
    }

    void TearDown() override
    {
        analog.reset();
        digital.reset();
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
        EXPECT_EQ(finished.last().second, "Command Success") << sink.texts().join('|').toStdString();
        return finished.last().second == "Command Success";
    }
    void typeLimit(LimitField field, int sensor, const QByteArray &text)
    {
        analog->editLimit(field, sensor, text);
        const LimitCheck c = analog->leaveLimit(field, sensor);
        EXPECT_TRUE(c.message.isEmpty()) << c.message.toStdString();
    }
    QByteArray simLog() const
    {
        QFile f(dir.filePath("sim.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    test::RecordingSink sink;
    PtyPair pty;
    QTemporaryDir dir;
    QProcess sim;
    QByteArray simErr;
    std::unique_ptr<MainModel> main;
    std::unique_ptr<AnalogChannelModel> analog;
    std::unique_ptr<DigitalChannelModel> digital;
    QList<QPair<int, QString>> finished;
};

} // namespace

TEST_P(ChannelPagesE2E, SettingsGoOutAndReadBack)
{
    start();
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_EQ(analog->rows().size(), 6);
    ASSERT_EQ(digital->rows().size(), 17);

    // Temperature sensor 3
    analog->setSensorMode(3, 2);
    typeLimit(LimitField::TemperatureHigh, 3, "30");
    typeLimit(LimitField::TemperatureLow, 3, "10");
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(analog->setSensor(3)); }));
    EXPECT_TRUE(simLog().contains("222222#AD07:1.000,0.000,1.000,2,30.00,10.00#"));

    // Analog channel 2
    analog->chooseChannel(1);
    typeLimit(LimitField::AnalogUpper, 0, "50");
    typeLimit(LimitField::AnalogLower, 0, "0");
    typeLimit(LimitField::AnalogZero, 0, "0");
    typeLimit(LimitField::AnalogHigh, 0, "40");
    typeLimit(LimitField::AnalogLow, 0, "5");
    analog->setAnalogMode(2);
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(analog->setAnalog()); }));

    // Alarm delay 4
    analog->editDelay(4, "25");
    analog->leaveDelay(4);
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(analog->setDelay(4)); }));

    // Inputs and a pulse start
    for (int row = 0; row < digital->rows().size(); ++row)
        digital->setMode(row, DigitalChannelModel::offers(row).value(0));
    digital->setMode(0, "AC Power Resume/Loss Alarm");
    digital->setMode(1, "Pulse Channel Enable");
    digital->setMode(2, "NC - Open Triggered Alarm");
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(digital->setInputModes()); }));
    EXPECT_TRUE(simLog().contains("222222#PA:41300000000#"));
    digital->editPulseStart(1, "42");
    digital->leavePulseStart(1);
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(digital->setPulseStart(1)); }));
    EXPECT_TRUE(simLog().contains("222222#LP1:00000042#"));

    // "#2" brings it all back.
    analog->clear();
    digital->clear();
    main->session().batchTable().clear();
    ASSERT_TRUE(exchange([this] { main->readBlock(2); }));
    EXPECT_EQ(analog->sensorMode(3).index, 2);
    EXPECT_EQ(analog->sensor(3).high.text, "30.00");
    EXPECT_EQ(analog->sensor(3).low.text, "10.00");
    EXPECT_EQ(analog->rows()[1].mode, "Capture & Alert Enable");
    EXPECT_EQ(analog->rows()[1].upper, "50.00");
    EXPECT_EQ(analog->rows()[1].high, "40.00");
    EXPECT_EQ(digital->mode(0), "AC Power Resume/Loss Alarm");
    EXPECT_EQ(digital->mode(1), "Pulse Channel Enable");
    EXPECT_EQ(digital->mode(2), "NC - Open Triggered Alarm");
    EXPECT_EQ(digital->mode(3), "Channel Disable");
    const BatchCommandTable &t = main->session().batchTable();
    EXPECT_EQ(t.text(12207), "222222#AD07:1.000,0.000,1.000,2,30.00,10.00#");
    EXPECT_EQ(t.text(12007), "222222#AD02:50.00,0.000,0.000,2,40.00,5.000#");
    EXPECT_TRUE(t.text(13001).startsWith("222222#PA:413")) << t.text(13001).constData();

    // "Check Sensor SN" fills the delays and serial numbers.
    ASSERT_TRUE(exchange([this] { ASSERT_TRUE(analog->checkSensorSerialNumbers()); }));
    EXPECT_EQ(analog->delay(4), "0025");
    EXPECT_EQ(analog->serialNumber(1), "28FF4A1B03170452");
    EXPECT_FALSE(t.contains(20004)); // the page records nothing on that read
}

TEST_P(ChannelPagesE2E, HumidityCalibrationSetsTheNewUpperLimit)
{
    start();
    if (IsSkipped() || HasFatalFailure())
        return;
    typeLimit(LimitField::HumidityActual, 0, "50");
    const int before = int(finished.size());
    ASSERT_TRUE(analog->calibrate());
    // 12000, then the status read under 12001, then AD00 under 12002.
    ASSERT_TRUE(waitUntil(
        [&] {
            for (int i = before; i < finished.size(); ++i)
                if (finished[i].first == AnalogChannelModel::CodeHumidity)
                    return true;
            return false;
        },
        3 * ExchangeWaitMs))
        << sink.texts().join('|').toStdString();
    EXPECT_EQ(finished.last().second, "Command Success");
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.texts().join('|').toStdString();
    // The simulated sensor reads 45.3 %RH: 50 x 100 / 45.3 = 110.3.
    EXPECT_EQ(analog->humidity().upper.text, "110.3");
    EXPECT_TRUE(simLog().contains("222222#AD00:110.3,0.000,0.000,1,100.0,0.000#"));
    EXPECT_EQ(main->session().batchTable().text(12002), "222222#AD00:110.3,0.000,0.000,1,100.0,0.000#");
    EXPECT_TRUE(main->session().profile().humidityCalibration);

    // The calibrated humidity reads back as the actual one.
    ASSERT_TRUE(exchange([this] { main->readBlock(2); }));
    EXPECT_EQ(analog->humidity().upper.text, "110.3");
    EXPECT_EQ(analog->humidity().actual.text, "50.00");
}

INSTANTIATE_TEST_SUITE_P(Links, ChannelPagesE2E, ::testing::Values(int(LinkRs232), int(LinkGsmModem)),
                         [](const ::testing::TestParamInfo<int> &i) {
                             return std::string(i.param == LinkRs232 ? "Rs232" : "GsmModem");
                         });
