// The Analog Channel and Digital/Pulse Channel page models: buttons, the
// humidity calibration, and the read-back of "#STC2:" and "#STC4:".

#include "pages/channels/AnalogChannelModel.h"
#include "pages/channels/ChannelItems.h"
#include "pages/channels/DigitalChannelModel.h"

#include "support/PageFixture.h"

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

namespace {

struct Pages {
    explicit Pages(int link = LinkRs232) : f(link == LinkEthernet ? 13 : 7, link), analog(f.session), digital(f.session)
    {
        analog.setTimersEnabled(false);
        f.session.profile().analogCount = 15;
        f.session.profile().digitalCount = 16;
        analog.handleMessage({msg::FirstStatus, ToAnalogChannel, 0, "#STA:000001;", 0});
        digital.handleMessage({msg::FirstStatus, ToDigitalChannel, 0, "#STA:000001;", 0});
    }
    // Delivers "#STC2:" to both pages, as the main window does.
    void block2(const QByteArray &record)
    {
        analog.handleMessage({msg::Block2, ToAnalogChannel | ToDigitalChannel, 0, record, 0});
        digital.handleMessage({msg::Block2, ToAnalogChannel | ToDigitalChannel, 0, record, 0});
    }
    QByteArray table(int code) { return f.session.batchTable().text(code); }

    PageFixture f;
    AnalogChannelModel analog;
    DigitalChannelModel digital;
};

const QByteArray kBlock2 =
    "#STC2:000001;AD00:100.0,0.000,0.000,1,80.00,20.00;AD01:20.00,4.000,4.000,1,18.00,5.000;"
    "AD02:10.00,0.000,2.000,1,8.000,1.000;AD07:1.000,0.000,1.000,2,30.00,10.00;AD13:2,35.00,-5.00;"
    "AD14:7,35.00,-5.00;PA:40000000000000000;#";

} // namespace

TEST(ChannelItems, ValuesStopAtTheirOwnItem)
{
    EXPECT_EQ(recordItemValue("#STC2:AD13:2,35.00,-5.00;AD14:1,2,3;", "AD13:"), "2,35.00,-5.00");
    // No closing ";": the value would run into AD14 or past the record.
    EXPECT_EQ(recordItemValue("#STC2:AD13:2,35.00,-5.00AD14:1,2,3;", "AD13:"), "");
    EXPECT_EQ(recordItemValue("#STC4:TD1:0005#STC4:TN1:28FF;", "TD1:"), "");
    EXPECT_EQ(recordItemValue("#STC4:TD1:0005", "TD1:"), "");
    EXPECT_EQ(splitFields("1,2", 3), (QList<QByteArray>{"1", "2", ""}));
    EXPECT_EQ(splitFields("1,2,3,4,5,6,7", 6), (QList<QByteArray>{"1", "2", "3", "4", "5", "6,7"}));
    EXPECT_EQ(splitFields("", 3), (QList<QByteArray>{"", "", ""}));
}

TEST(AnalogChannelModel, Block2DecodesIntoBothPagesAndTheBatchTable)
{
    Pages p;
    p.block2(kBlock2);
    const AnalogChannelModel &a = p.analog;
    EXPECT_EQ(a.sensorMode(1).index, 2);
    EXPECT_EQ(a.sensor(1).high.text, "35.00");
    EXPECT_EQ(a.sensor(1).low.text, "-5.00");
    EXPECT_TRUE(a.sensor(1).low.enabled); // the page's own setting runs the enable chain
    // A mode without an entry shows its number as it came.
    EXPECT_EQ(a.sensorMode(2).index, -1);
    EXPECT_EQ(a.sensorMode(2).shown, "7");
    EXPECT_EQ(a.sensorMode(3).index, 2);
    EXPECT_EQ(a.sensor(3).high.text, "30.00");
    EXPECT_EQ(a.sensorMode(4).index, 0); // missing: "Disable", fields empty
    EXPECT_EQ(a.sensor(4).high.text, "");
    EXPECT_EQ(a.humidity().upper.text, "100.0");
    EXPECT_EQ(a.humidity().high.text, "80.00");
    EXPECT_EQ(a.humidityMode().index, 1);
    ASSERT_EQ(a.rows().size(), 6);
    EXPECT_EQ(a.rows()[1].name, "Analog_02");
    EXPECT_EQ(a.rows()[1].mode, "Capture Enable");
    EXPECT_EQ(a.rows()[1].upper, "10.00");
    EXPECT_EQ(a.rows()[1].low, "1.000");
    EXPECT_EQ(a.rows()[2].mode, "Disable");
    EXPECT_EQ(a.rows()[2].upper, "");

    const struct {
        int code;
        const char *text;
    } recorded[] = {
        {12002, "222222#AD00:100.0,0.000,0.000,1,80.00,20.00#"}, {12003, "222222#AD13:2,35.00,-5.00#"},
        {12004, "222222#AD14:7,35.00,-5.00#"},                   {12006, "222222#AD01:20.00,4.000,4.000,1,18.00,5.000#"},
        {12007, "222222#AD02:10.00,0.000,2.000,1,8.000,1.000#"}, {12008, "222222#AD03:,,,,,#"},
        {12207, "222222#AD07:1.000,0.000,1.000,2,30.00,10.00#"}, {12212, "222222#AD12:,,,,,#"},
        {13001, "222222#PA:40000000000000000#"},
    };
    for (const auto &r : recorded)
        EXPECT_EQ(p.table(r.code), QByteArray(r.text)) << r.code;

    const QList<QByteArray> modes = {"AC Power Resume/Loss Alarm", "Channel Disable", "Channel Disable",
                                     "Channel Disable", "On/Off Channel"};
    ASSERT_EQ(p.digital.rows().size(), 17);
    for (int row = 0; row < 17; ++row) {
        const QByteArray expected = row < 5 ? modes[row] : QByteArray(row <= 10 ? "Channel Disable" : "On/Off Channel");
        EXPECT_EQ(p.digital.mode(row), expected) << row;
    }
    p.f.forget();
    EXPECT_TRUE(p.digital.setInputModes());
    EXPECT_EQ(p.f.lastWritten(), "222222#PA:40000000000#");
    EXPECT_EQ(p.f.session.serialRecord().commandCode, 13001);
    EXPECT_EQ(p.table(13001), "222222#PA:40000000000#");
}

TEST(AnalogChannelModel, ButtonsSendTheirCommands)
{
    Pages p;
    p.block2(kBlock2);
    p.f.forget();

    // Analog_02 loads its row; only Upper Limit stays editable.
    p.analog.chooseChannel(1);
    EXPECT_EQ(p.analog.analog().upper.text, "10.00");
    EXPECT_EQ(p.analog.analog().zero.text, "2.000");
    EXPECT_EQ(p.analog.analogMode().index, 1);
    EXPECT_TRUE(p.analog.analog().upper.enabled);
    EXPECT_FALSE(p.analog.analog().lower.enabled || p.analog.analog().zero.enabled || p.analog.analog().high.enabled
                 || p.analog.analog().low.enabled);
    EXPECT_EQ(p.analog.loadedChannel(), "Analog_02");

    p.analog.chooseChannel(3); // Analog_04, empty row
    const QByteArray values[] = {"20.00", "4.000", "4.000", "18.00", "5.000"};
    const LimitField fields[] = {LimitField::AnalogUpper, LimitField::AnalogLower, LimitField::AnalogZero,
                                 LimitField::AnalogHigh, LimitField::AnalogLow};
    for (int i = 0; i < 5; ++i) {
        p.analog.editLimit(fields[i], 0, values[i]);
        EXPECT_TRUE(p.analog.leaveLimit(fields[i]).message.isEmpty());
    }
    p.analog.setAnalogMode(1);
    EXPECT_TRUE(p.analog.setAnalog());
    EXPECT_EQ(p.f.lastWritten(), "222222#AD04:20.00,4.000,4.000,1,18.00,5.000#");
    EXPECT_EQ(p.f.session.serialRecord().commandCode, 12009);
    EXPECT_EQ(p.table(12009), "222222#AD04:20.00,4.000,4.000,1,18.00,5.000#");
    EXPECT_EQ(p.f.logs.last(), "222222#AD04:20.00,4.000,4.000,1,18.00,5.000#");

    // A channel box text that names no channel is refused.
    p.f.forget();
    p.analog.setChannelText("Analog_9");
    EXPECT_FALSE(p.analog.setAnalog());
    EXPECT_TRUE(p.f.line->written.isEmpty());
    EXPECT_EQ(p.f.sink.last(), "Please choose an Analog Channel (Analog_01 to Analog_06)!");

    // Sensor 3: six fields, the first three fixed.
    p.f.forget();
    EXPECT_TRUE(p.analog.setSensor(3));
    EXPECT_EQ(p.f.lastWritten(), "222222#AD07:1.000,0.000,1.000,2,30.00,10.00#");
    EXPECT_EQ(p.f.session.serialRecord().commandCode, 12207);
    EXPECT_TRUE(p.analog.setSensor(1));
    EXPECT_EQ(p.f.lastWritten(), "222222#AD13:2,35.00,-5.00#");

    const struct {
        int sensor;
        const char *message;
    } refusals[] = {{4, "Please select Temperature Sensor_4 Alarm Type!"}, {2, "Please select Temperature Sensor_2 Alarm Type!"}};
    p.analog.setSensorMode(4, -1);
    for (const auto &r : refusals) {
        p.f.forget();
        EXPECT_FALSE(p.analog.setSensor(r.sensor));
        EXPECT_EQ(p.f.sink.last(), r.message);
    }
    p.analog.setSensorMode(5, 1);
    p.f.forget();
    EXPECT_FALSE(p.analog.setSensor(5));
    EXPECT_EQ(p.f.sink.last(), "Temperature Sensor_5 Alert High is empty");

    // Alarm delay 3: "15" becomes 0015 on leaving.
    p.f.forget();
    p.analog.editDelay(3, "15");
    p.analog.leaveDelay(3);
    EXPECT_EQ(p.analog.delay(3), "0015");
    EXPECT_TRUE(p.analog.setDelay(3));
    EXPECT_EQ(p.f.lastWritten(), "222222#TD3:0015#");
    EXPECT_EQ(p.table(20003), "222222#TD3:0015#");

    // Check Sensor SN: logged, not recorded.
    p.f.forget();
    EXPECT_TRUE(p.analog.checkSensorSerialNumbers());
    EXPECT_EQ(p.f.lastWritten(), "111111#CHEACK4#");
    EXPECT_EQ(p.f.session.serialRecord().commandCode, 20009);
    EXPECT_TRUE(p.table(20009).isEmpty());
    EXPECT_EQ(p.f.logs, QList<QByteArray>{"111111#CHEACK4#"});
}

TEST(AnalogChannelModel, Block4FillsDelaysAndSerialNumbers)
{
    Pages p;
    p.analog.handleMessage({msg::Block4, ToAnalogChannel, 0,
                            "#STC4:000001;TD1:0005;TD2:12345;TD3:0010;TN1:28FF4A1B03170452;TN2:28FF9C2E11160318;#", 0});
    EXPECT_EQ(p.analog.delay(1), "0005");
    EXPECT_EQ(p.analog.delay(2), ""); // the change rule runs on the page's own setting
    EXPECT_EQ(p.f.sink.last(), "Alarm Delay Time can't over 4 Number!");
    EXPECT_EQ(p.analog.delay(3), "0010");
    EXPECT_EQ(p.analog.delay(4), "");
    EXPECT_EQ(p.analog.serialNumber(1), "28FF4A1B03170452");
    EXPECT_EQ(p.analog.serialNumber(3), "");
    EXPECT_TRUE(p.table(20001).isEmpty()); // nothing recorded
}

TEST(AnalogChannelModel, CalibrationSuccessPath)
{
    Pages p;
    PageFixture &f = p.f;
    EXPECT_FALSE(p.analog.setHumidity());
    EXPECT_EQ(f.sink.last(), "Please Calibration Actual Humidity first!");
    EXPECT_TRUE(f.line->written.isEmpty());

    p.analog.editLimit(LimitField::HumidityActual, 0, "50");
    p.analog.leaveLimit(LimitField::HumidityActual);
    f.forget();
    ASSERT_TRUE(p.analog.calibrate());
    EXPECT_TRUE(f.session.profile().humidityCalibration);
    EXPECT_EQ(rememberedHumidity(f.session), "50.00");
    EXPECT_EQ(f.line->written, QList<QByteArray>{"222222#AD00:100.0,0.000,0.000,1,100.0,0.000#"});
    EXPECT_EQ(f.session.serialRecord().commandCode, 12000);
    EXPECT_TRUE(p.table(12000).isEmpty());
    EXPECT_TRUE(p.table(12002).isEmpty());
    EXPECT_EQ(f.logs, QList<QByteArray>{"222222#AD00:100.0,0.000,0.000,1,100.0,0.000#"});
    EXPECT_TRUE(p.analog.humidity().high.enabled);

    p.analog.handleMessage({msg::Calibration, ToAnalogChannel, 0, "Set success!", 0});
    ASSERT_TRUE(p.analog.stepPending());
    EXPECT_EQ(f.line->written.size(), 1); // the 10 ms wait first
    p.analog.runPendingStep();
    EXPECT_EQ(f.line->written.last(), "111111#STATUS#%");
    EXPECT_EQ(f.session.serialRecord().commandCode, 12001);
    EXPECT_EQ(f.logs.size(), 1); // not logged

    p.analog.handleMessage({msg::Calibration, ToAnalogChannel, 0, "#STA:000001;L:120;A00:45.3;K01:0101;", 0});
    EXPECT_EQ(p.analog.humidity().upper.text, "110.3");
    ASSERT_TRUE(p.analog.stepPending());
    p.analog.runPendingStep();
    EXPECT_EQ(f.line->written.last(), "222222#AD00:110.3,0.000,0.000,1,100.0,0.000#");
    EXPECT_EQ(f.session.serialRecord().commandCode, 12002);
    EXPECT_EQ(p.table(12002), "222222#AD00:110.3,0.000,0.000,1,100.0,0.000#");
    EXPECT_TRUE(f.session.profile().humidityCalibration);
    EXPECT_TRUE(f.sink.shown.isEmpty());

    // Clear keeps the remembered humidity: the next "#STC2:" puts it back.
    p.analog.handleMessage({msg::ClearFields, ToAnalogChannel, 0, {}, 0});
    EXPECT_EQ(p.analog.humidity().actual.text, "");
    p.block2("#STC2:000001;PA:4;#");
    EXPECT_EQ(p.analog.humidity().actual.text, "50.00");
    EXPECT_EQ(p.analog.humidity().upper.text, ""); // no AD00: emptied, "Disable"
    EXPECT_EQ(p.analog.humidityMode().index, 0);
}

TEST(AnalogChannelModel, CalibrationFailures)
{
    const struct {
        const char *actual;
        const char *status;
        bool message;
        bool humidityKept;
    } rows[] = {
        {"50", "#STA:000001;L:120;K01:0101;", false, true},  // no A00: silently ends
        {"50", "#STA:000001;A00:0;K01:0101;", true, false},
        {"50", "#STA:000001;A00:171;K01:0101;", true, false},
        {"90", "#STA:000001;A00:50;K01:0101;", true, false}, // 180 is over 170
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.status);
        Pages p;
        p.analog.editLimit(LimitField::HumidityActual, 0, r.actual);
        ASSERT_TRUE(p.analog.calibrate());
        p.analog.handleMessage({msg::Calibration, ToAnalogChannel, 0, "Set success!", 0});
        p.analog.runPendingStep();
        p.f.forget();
        p.analog.handleMessage({msg::Calibration, ToAnalogChannel, 0, r.status, 0});
        EXPECT_FALSE(p.f.session.profile().humidityCalibration);
        EXPECT_FALSE(p.analog.stepPending());
        EXPECT_TRUE(p.f.line->written.isEmpty());
        if (r.message) {
            ASSERT_EQ(p.f.sink.shown.size(), 1);
            EXPECT_EQ(p.f.sink.shown[0].text,
                      "Calibration Actual Humidity error.\nPlease check the Humidity hardware is connected correctly.");
            EXPECT_EQ(p.f.sink.shown[0].kind, MessageKind::Error);
        } else {
            EXPECT_TRUE(p.f.sink.shown.isEmpty());
        }
        EXPECT_EQ(rememberedHumidity(p.f.session).isEmpty(), !r.humidityKept);
    }

    // A calibration whose reply never comes ends: the user can start again.
    Pages p;
    p.analog.editLimit(LimitField::HumidityActual, 0, "50");
    ASSERT_TRUE(p.analog.calibrate());
    p.analog.exchangeFinished(12000, 2);
    EXPECT_FALSE(p.f.session.profile().humidityCalibration);
    p.f.forget();
    EXPECT_FALSE(p.analog.setHumidity());
    EXPECT_EQ(p.f.sink.last(), "Please Calibration Actual Humidity first!");
    EXPECT_TRUE(p.analog.calibrate());

    // Empty actual humidity.
    Pages q;
    EXPECT_FALSE(q.analog.calibrate());
    EXPECT_EQ(q.f.sink.last(), "Actual Humidity is empty!");
    EXPECT_FALSE(q.f.session.profile().humidityCalibration);
}

TEST(AnalogChannelModel, HalfSecondTimerFollowsTheCalibrationFlag)
{
    Pages p;
    p.analog.halfSecondTick();
    EXPECT_FALSE(p.analog.humidityMode().enabled);
    EXPECT_FALSE(p.analog.humidity().high.enabled);
    p.f.session.profile().humidityCalibration = true;
    p.analog.halfSecondTick();
    EXPECT_TRUE(p.analog.humidityMode().enabled);
    EXPECT_TRUE(p.analog.humidity().high.enabled);
    EXPECT_FALSE(p.analog.humidity().low.enabled);
    p.analog.editLimit(LimitField::HumidityHigh, 0, "80");
    EXPECT_TRUE(p.analog.humidity().low.enabled);
}

TEST(DigitalChannelModel, InputModesAndPulseStarts)
{
    Pages p;
    PageFixture &f = p.f;
    EXPECT_FALSE(p.digital.setInputModes());
    EXPECT_EQ(f.sink.last(), "Operation Mode setup is incomplete,please check!");

    const struct {
        const char *pa;
        QList<QByteArray> first4;
    } cases[] = {
        {";PA:1;", {"No Alarm", "Channel Disable", "Channel Disable", "Channel Disable"}},
        {";PA:2134;", {"AC Power Resume Alarm", "Pulse Channel Enable", "NC - Open Triggered Alarm",
                       "Change State Triggered Alarm"}},
        {";PA:3902;", {"AC Power Loss Alarm", "9", "Channel Disable", "NO - Close Triggered Alarm"}},
        {";", {"No Alarm", "Channel Disable", "Channel Disable", "Channel Disable"}},
    };
    for (const auto &c : cases) {
        p.block2("#STC2:000001" + QByteArray(c.pa) + "#");
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(p.digital.mode(row), c.first4[row]) << c.pa << row;
    }
    EXPECT_EQ(p.table(13001), "222222#PA:#");

    // The offered entries, chosen row by row.
    p.digital.setMode(0, "AC Power Resume/Loss Alarm");
    p.digital.setMode(1, "Pulse Channel Enable");
    p.digital.setMode(2, "NC - Open Triggered Alarm");
    p.digital.setMode(3, "Channel Disable");
    f.forget();
    EXPECT_TRUE(p.digital.setInputModes());
    EXPECT_EQ(f.lastWritten(), "222222#PA:41300000000#");
    // "Pulse Channel Enable" is refused from row 4 on.
    p.digital.setMode(5, "Pulse Channel Enable");
    EXPECT_FALSE(p.digital.setInputModes());
    EXPECT_EQ(f.sink.last(), "Operation Mode setup is incomplete,please check!");

    p.digital.editPulseStart(2, "123");
    p.digital.leavePulseStart(2);
    EXPECT_EQ(p.digital.pulseStart(2), "00000123");
    f.forget();
    EXPECT_TRUE(p.digital.setPulseStart(2));
    EXPECT_EQ(f.lastWritten(), "222222#LP2:00000123#");
    EXPECT_EQ(f.session.serialRecord().commandCode, 13003);
    EXPECT_EQ(p.table(13003), "222222#LP2:00000123#");
    EXPECT_FALSE(p.digital.setPulseStart(1));
    EXPECT_EQ(f.sink.last(), "Pulse Start Zero is empty!");

    p.digital.handleMessage({msg::ClearFields, ToDigitalChannel, 0, {}, 0});
    EXPECT_EQ(p.digital.mode(0), "");
    EXPECT_EQ(p.digital.rows()[0].name, "Power Source");
    EXPECT_EQ(p.digital.pulseStart(2), "");
}

TEST(DigitalChannelModel, RowsFollowTheDigitalInputCount)
{
    Pages p;
    for (const int count : {0, 3, 4, 5, 16}) {
        p.f.session.profile().digitalCount = count;
        p.digital.rebuild();
        const int expected = count >= 5 ? 17 : count;
        ASSERT_EQ(p.digital.rows().size(), expected) << count;
        if (count >= 5) {
            EXPECT_EQ(p.digital.rows()[0].name, "Power Source");
            EXPECT_EQ(p.digital.rows()[16].name, "Digital Input_16");
        } else if (count > 0) {
            EXPECT_EQ(p.digital.rows()[0].name, "Digital Input_01");
        }
    }
    // With fewer than four rows "Set" always refuses.
    p.f.session.profile().digitalCount = 3;
    p.digital.rebuild();
    p.block2("#STC2:000001;PA:40000;#");
    EXPECT_EQ(p.digital.mode(0), "AC Power Resume/Loss Alarm");
    p.f.forget();
    EXPECT_FALSE(p.digital.setInputModes());
    EXPECT_EQ(p.f.sink.last(), "Operation Mode setup is incomplete,please check!");
}

TEST(ChannelPages, GsmModemLinkWrapsAndLogsPerPage)
{
    Pages p(LinkGsmModem);
    p.block2(kBlock2);
    p.f.forget();
    EXPECT_TRUE(p.analog.setSensor(1));
    EXPECT_EQ(p.f.lastWritten(), "AT+BJSD=10,0123456789,222222#AD13:2,35.00,-5.00#\r\n");
    EXPECT_EQ(p.f.logs.last(), "222222#AD13:2,35.00,-5.00#"); // bare
    EXPECT_TRUE(p.digital.setInputModes());
    EXPECT_EQ(p.f.logs.last(), "AT+BJSD=10,0123456789,222222#PA:40000000000#\r\n"); // as sent
    EXPECT_EQ(p.table(13001), "222222#PA:40000000000#");
}
