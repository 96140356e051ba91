// The rules the channel and alarm pages share: numbers, limit field checks,
// the enable chain, delays, pulse counters, alarm texts, guard and hand-off.

#include "pages/channels/FieldRules.h"

#include "support/PageFixture.h"

#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;
using kaspen::test::RecordingSink;

TEST(FieldRules, NormalizeFiveDigitsWorkedResults)
{
    const struct {
        const char *typed, *result;
    } rows[] = {
        {"12.5", "12.50"},   {"1234", "01234"},     {"7", "7.000"},       {"99999", "99999"},
        {"100", "100.0"},    {"12345.6", "12345"},  {"0.0001", "0.000"},  {"-1", "-1.00"},
        {"12.345", "12.34"}, {"-125", "-0125"},     {"1.2999997", "1.300"}, {"-99999", "-9999"},
        {".5", "0.500"},     {"100000", "B"},       {"-", "0.000"},       {"1.2.3", "F"},
        {"", "E"},           {"-100000", "B"},      {"abc", "F"},         {"155", "155.0"},
        {"5.", "5.000"},     {"-12.5", "-12.5"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(NormalizeFiveDigits(r.typed), QByteArray(r.result)) << r.typed;
}

TEST(FieldRules, CheckNumberCharsTable)
{
    const struct {
        const char *text;
        int result;
    } rows[] = {
        {"-12.5", 3}, {".5", 0}, {"5.", 1}, {"-", 0},   {"123", 0},  {"", -1},   {"1-2", -1},
        {"1.2.3", -1}, {"+5", -1}, {" 5", -1}, {"1e3", -1}, {"1,5", -1}, {"a", -1}, {"--1", -1},
    };
    for (const auto &r : rows)
        EXPECT_EQ(CheckNumberChars(r.text), r.result) << r.text;
}

TEST(FieldRules, LeadingNumberReadsLikeAtof)
{
    EXPECT_DOUBLE_EQ(LeadingNumber("12ab"), 12.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(" -3.5x"), -3.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("200x"), 200.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0.0);
}

namespace {
// Enabled states of upper, lower, zero, high, low as '1'/'0'.
QByteArray enabledMask(const LimitGroup &g)
{
    QByteArray m;
    for (const LimitEdit *e : {&g.upper, &g.lower, &g.zero, &g.high, &g.low})
        m += e->enabled ? '1' : '0';
    return m;
}
} // namespace

TEST(FieldRules, LimitFieldCheckTable)
{
    using F = LimitField;
    const struct Row {
        F field;
        int sensor;
        const char *typed;
        const char *upper, *lower, *zero, *high, *low; // the other fields (the one under test takes typed)
        bool calibration;
        const char *message; // "" none
        const char *after;
        bool partnerEmptied;
        const char *enabled; // upper, lower, zero, high, low after the check (all enabled before)
    } rows[] = {
        // empty: nothing, but the waiting field is disabled first
        {F::TemperatureHigh, 1, "", "", "", "", "", "", false, "", "", false, "11110"},
        {F::AnalogLower, 0, "", "100", "", "", "", "", false, "", "", false, "11011"},
        // temperature
        {F::TemperatureHigh, 1, "12.345", "", "", "", "", "", false, "", "12.34", false, "11111"},
        {F::TemperatureHigh, 1, "156", "", "", "", "", "", false,
         "Temperature Sensor_1 Alert High is Range -125 to 155!", "", false, "11110"},
        {F::TemperatureHigh, 1, "155", "", "", "", "", "", false, "", "155.0", false, "11111"},
        {F::TemperatureHigh, 2, "10", "", "", "", "", "20.00", false, "", "10.00", true, "11111"},
        {F::TemperatureHigh, 4, "-126", "", "", "", "", "", false,
         "Temperature Sensor_4 Alert High is Range -125 to 155!", "", false, "11110"},
        {F::TemperatureLow, 3, "-125", "", "", "", "0.000", "", false, "", "-0125", false, "11111"},
        {F::TemperatureLow, 1, "20", "", "", "", "20.00", "", false, "Temperature Sensor_1 Alert Low is error!\n",
         "", false, "11111"},
        {F::TemperatureLow, 5, "5", "", "", "", "", "", false, "Temperature Sensor_5 Alert Low is error!\n", "",
         false, "11111"},
        {F::TemperatureLow, 8, "1x", "", "", "", "50.00", "", false,
         "Temperature Sensor_8 Alert Low is Illegal characters!", "", false, "11111"},
        // humidity
        {F::HumidityHigh, 0, "abc", "", "", "", "", "", false, "Humidity Sensor Alert High is Illegal characters!",
         "", false, "11110"},
        {F::HumidityActual, 0, "200x", "", "", "", "", "", false, "Humidity is Range 0-100!", "", false, "11111"},
        {F::HumidityActual, 0, "50", "", "", "", "", "", false, "", "50.00", false, "11111"},
        {F::HumidityLow, 0, "50", "", "", "", "50.00", "", false, "", "50.00", false, "11111"},
        {F::HumidityLow, 0, "60", "", "", "", "50.00", "", false, "Humidity Sensor Alert Low is error!", "", false,
         "11111"},
        {F::HumidityLow, 0, "-1", "", "", "", "50.00", "", false, "Humidity Sensor Alert Low is Range 0-100!", "",
         false, "11111"},
        {F::HumidityHigh, 0, "50", "", "", "", "", "50.00", false, "", "50.00", true, "11110"},
        {F::HumidityHigh, 0, "50", "", "", "", "", "50.00", true, "", "50.00", true, "11111"},
        {F::HumidityHigh, 0, "80", "", "", "", "", "", true, "", "80.00", false, "11111"},
        // analog
        {F::AnalogUpper, 0, "1234", "", "", "", "", "", false, "", "01234", false, "11111"},
        {F::AnalogUpper, 0, "10", "", "20.00", "", "", "", false, "", "10.00", true, "11111"},
        {F::AnalogUpper, 0, "100000", "", "", "", "", "", false, "Analog Channel Upper limit is Five digits!", "",
         false, "11111"},
        {F::AnalogUpper, 0, "-", "", "", "", "", "", false, "", "0.000", false, "11111"},
        {F::AnalogLower, 0, "100", "100.0", "", "", "", "", false, "Analog Channel Lower limit is error!", "", false,
         "11011"},
        {F::AnalogLower, 0, "0", "100.0", "", "", "", "", false, "", "0.000", false, "11111"},
        {F::AnalogZero, 0, "100", "100.0", "0.000", "", "", "", false, "Analog Channel Start Zero is error!", "",
         false, "11101"},
        {F::AnalogZero, 0, "0", "100.0", "0.000", "", "", "", false, "", "0.000", false, "11111"},
        {F::AnalogHigh, 0, "100", "100.0", "0.000", "0.000", "", "", false, "", "100.0", false, "11111"},
        {F::AnalogHigh, 0, "0", "100.0", "0.000", "0.000", "", "", false, "Analog Channel Alert High is error!", "",
         false, "11110"},
        {F::AnalogHigh, 0, "50", "100.0", "0.000", "0.000", "", "60.00", false, "", "50.00", true, "11111"},
        {F::AnalogLow, 0, "0", "100.0", "0.000", "0.000", "100.0", "", false, "", "0.000", false, "11111"},
        {F::AnalogLow, 0, "100", "100.0", "0.000", "0.000", "100.0", "", false, "Analog Channel Alert Low is error!",
         "", false, "11111"},
        {F::AnalogLow, 0, "12.3.4", "100.0", "0.000", "0.000", "100.0", "", false,
         "Analog Channel Alert Low is Illegal characters!", "", false, "11111"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(QByteArray(r.typed).constData());
        SCOPED_TRACE(int(r.field));
        RecordingSink sink;
        LimitGroup g;
        g.upper.text = r.upper;
        g.lower.text = r.lower;
        g.zero.text = r.zero;
        g.high.text = r.high;
        g.low.text = r.low;
        limitEdit(g, r.field).text = r.typed;
        const LimitCheck c = CheckLimitField(g, r.field, r.sensor, r.calibration);
        const QString expected = QString::fromLatin1(r.message);
        EXPECT_EQ(c.message, expected);
        if (expected.isEmpty()) {
            EXPECT_TRUE(sink.shown.isEmpty());
        } else {
            ASSERT_EQ(sink.shown.size(), 1);
            EXPECT_EQ(sink.shown[0].text, expected);
            EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
        }
        EXPECT_EQ(limitEdit(g, r.field).text, QByteArray(r.after));
        EXPECT_EQ(c.partnerEmptied, r.partnerEmptied);
        EXPECT_EQ(enabledMask(g), QByteArray(r.enabled));
    }
}

TEST(FieldRules, EnableChainAndSubjects)
{
    LimitGroup g;
    for (LimitEdit *e : {&g.lower, &g.zero, &g.high, &g.low})
        e->enabled = false;
    g.upper.text = "1";
    ApplyEnableChain(g, LimitField::AnalogUpper);
    EXPECT_EQ(enabledMask(g), "11000");
    g.lower.text = "";
    ApplyEnableChain(g, LimitField::AnalogLower); // empty: nothing
    EXPECT_EQ(enabledMask(g), "11000");

    LimitGroup h;
    h.low.enabled = false;
    h.high.text = "50";
    ApplyEnableChain(h, LimitField::HumidityHigh, false);
    EXPECT_FALSE(h.low.enabled);
    ApplyEnableChain(h, LimitField::HumidityHigh, true);
    EXPECT_TRUE(h.low.enabled);

    EXPECT_EQ(LimitSubject(LimitField::TemperatureHigh, 3), "Temperature Sensor_3 Alert High");
    EXPECT_EQ(LimitSubject(LimitField::HumidityLow), "Humidity Sensor Alert Low");
    EXPECT_EQ(LimitSubject(LimitField::AnalogUpper), "Analog Channel Upper limit");
    EXPECT_EQ(LimitSubject(LimitField::HumidityActual), "Humidity");
}

TEST(FieldRules, AlarmDelayRules)
{
    RecordingSink sink;
    QByteArray t = "12345";
    EXPECT_TRUE(AlarmDelayOnChange(t));
    EXPECT_EQ(t, "");
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].text, "Alarm Delay Time can't over 4 Number!");
    EXPECT_EQ(sink.shown[0].kind, MessageKind::Standard);
    t = "1234";
    EXPECT_FALSE(AlarmDelayOnChange(t));
    EXPECT_EQ(t, "1234");

    const struct {
        const char *typed, *after;
    } leave[] = {{"7", "0007"}, {"12ab", "0012"}, {"abc", "0000"}, {"-3", "-003"}, {"", ""}, {"12", "0012"}};
    for (const auto &r : leave) {
        QByteArray x = r.typed;
        AlarmDelayOnLeave(x);
        EXPECT_EQ(x, QByteArray(r.after)) << r.typed;
    }

    const struct {
        const char *typed, *sent, *message, *after;
    } set[] = {
        {"", "", "Set Alarm Delay Time (value) cannot for empty !", ""},
        {"12345", "", "Set Alarm Delay Time Should be in 0000 and 9999 Between !\n", ""},
        {"-3", "", "Set Alarm Delay Time (value) cannot is Negative !\n", ""},
        {"15", "0015", "", "15"},
        {"0015", "0015", "", "0015"},
    };
    for (const auto &r : set) {
        sink.clear();
        QByteArray x = r.typed;
        EXPECT_EQ(AlarmDelayAtSet(x), QByteArray(r.sent)) << r.typed;
        EXPECT_EQ(x, QByteArray(r.after));
        EXPECT_EQ(sink.last(), QString::fromLatin1(r.message));
        if (*r.message)
            EXPECT_EQ(sink.shown[0].kind, MessageKind::Error);
    }
}

TEST(FieldRules, PulseStartRule)
{
    RecordingSink sink;
    const struct {
        const char *typed, *after;
        bool refused;
    } rows[] = {{"123456789", "", true}, {"42", "00000042", false}, {"", "", false},
                {"12345678", "12345678", false}, {"ab", "000000ab", false}};
    for (const auto &r : rows) {
        sink.clear();
        QByteArray x = r.typed;
        EXPECT_EQ(PulseStartOnLeave(x), r.refused);
        EXPECT_EQ(x, QByteArray(r.after));
        EXPECT_EQ(sink.last(), r.refused ? QStringLiteral("Start Zero is error !") : QString());
    }
}

TEST(FieldRules, AlarmTextNeverSplitsACharacter)
{
    RecordingSink sink;
    const QByteArray sixty(60, 'a');
    const QByteArray e = QStringLiteral("\u00e9").toUtf8();   // two bytes
    const QByteArray euro = QStringLiteral("\u20ac").toUtf8(); // three bytes
    const struct {
        QByteArray text, kept;
        bool cut;
    } rows[] = {
        {sixty, sixty, false},
        {sixty + "b", sixty, true},
        {QByteArray(59, 'a') + e, QByteArray(59, 'a'), true},
        {QByteArray(58, 'a') + e, QByteArray(58, 'a') + e, false},
        {QByteArray(58, 'a') + euro, QByteArray(58, 'a'), true},
        {QByteArray(57, 'a') + euro + "x", QByteArray(57, 'a') + euro, true},
        {"", "", false},
    };
    for (const auto &r : rows) {
        sink.clear();
        QByteArray x = r.text;
        const AlarmTextCut c = AlarmTextOnChange(x);
        EXPECT_EQ(c.cut, r.cut);
        EXPECT_EQ(x, r.kept);
        EXPECT_EQ(c.kept, r.kept);
        EXPECT_EQ(c.keptBytes, r.kept.size());
        EXPECT_EQ(sink.last(), r.cut ? QStringLiteral("Message Content can't over 60 Number!") : QString());
    }

    sink.clear();
    EXPECT_FALSE(AlarmTextAtSet("", true, "AD1 High Alert"));
    EXPECT_EQ(sink.last(), "AD1 High Alert Content is empty!");
    EXPECT_TRUE(AlarmTextAtSet("", false, "AD1 High Alert"));
    EXPECT_FALSE(AlarmTextAtSet(sixty + "b", false, "IN1"));
    EXPECT_EQ(sink.last(), "IN1 Content over 60 byte!");
    EXPECT_EQ(sink.shown.last().kind, MessageKind::Error);
    EXPECT_TRUE(AlarmTextAtSet(sixty, true, "IN1"));
}

TEST(FieldRules, GuardWordingPerPageAndLink)
{
    const struct {
        ChannelPage page;
        int link;
        const char *word;
    } rows[] = {
        {ChannelPage::AnalogChannel, LinkRs232, "NULL"},    {ChannelPage::AnalogChannel, LinkEthernet, "NULL"},
        {ChannelPage::DigitalChannel, LinkGsmModem, "NULL"}, {ChannelPage::DigitalChannel, LinkEthernet, "NULL"},
        {ChannelPage::AdAlarmMessage, LinkRs232, "empty"},  {ChannelPage::AdAlarmMessage, LinkEthernet, "empty"},
        {ChannelPage::InAlarmMessage, LinkGsmModem, "empty"}, {ChannelPage::InAlarmMessage, LinkEthernet, "NULL"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(guardMissingWord(r.page, r.link), QByteArray(r.word));
        const int model = r.link == LinkEthernet ? 13 : 7;
        for (int missing = 0; missing < 3; ++missing) {
            PageFixture f(model, r.link);
            f.setEntry("000001", missing == 0 ? "" : "0123456789", missing == 1 ? "" : "111111",
                       missing == 2 ? "" : "222222");
            EXPECT_FALSE(ChannelCommandGuard(f.session, r.page));
            const QString w = QString::fromLatin1(r.word);
            const QString expected = missing == 0   ? "Device Phone Number is " + w + " ,please Edit Phone Book!"
                                     : missing == 1 ? "Device QueryPassword is " + w + " ,please Edit Phone Book!"
                                                    : "Device SetupPassword is " + w + " ,please Edit Phone Book!";
            ASSERT_EQ(f.sink.shown.size(), 1);
            EXPECT_EQ(f.sink.shown[0].text, expected);
            EXPECT_EQ(f.sink.shown[0].kind, MessageKind::Standard);
        }
    }
}

TEST(FieldRules, GuardOrderAndNullPhoneIsANumber)
{
    PageFixture f(7, LinkRs232);
    f.setEntry("000001", "NULL", "111111", "222222");
    EXPECT_TRUE(ChannelCommandGuard(f.session, ChannelPage::AnalogChannel));
    EXPECT_TRUE(f.sink.shown.isEmpty());

    f.session.serialRecord().inProgress = true;
    EXPECT_FALSE(ChannelCommandGuard(f.session, ChannelPage::DigitalChannel));
    EXPECT_EQ(f.sink.last(), "Command is in progress...");
    f.session.serialRecord().inProgress = false;

    f.setEntry("", "", "", "");
    EXPECT_FALSE(ChannelCommandGuard(f.session, ChannelPage::DigitalChannel));
    EXPECT_EQ(f.sink.last(), "Before Setup Command ,please Select Device ID!");

    f.line->close();
    EXPECT_FALSE(ChannelCommandGuard(f.session, ChannelPage::AnalogChannel));
    EXPECT_EQ(f.sink.last(), "Before Setup Command ,please Connect!");

    PageFixture e(13, LinkEthernet);
    e.ethernetLine->close();
    EXPECT_FALSE(ChannelCommandGuard(e.session, ChannelPage::InAlarmMessage));
    EXPECT_EQ(e.sink.last(), "Before Setup Command ,please Connect!");
}

TEST(FieldRules, HandOffOrders)
{
    for (const HandOffOrder order : {HandOffOrder::SubmitRecordLogBare, HandOffOrder::RecordSubmitLogSent}) {
        PageFixture f(7, LinkGsmModem);
        bool recordedBeforeWrite = false;
        f.line->onWrite = [&](const QByteArray &) {
            recordedBeforeWrite = !f.session.batchTable().text(12003).isEmpty();
        };
        EXPECT_TRUE(HandOffCommand(f.session, order, 12003, "222222#AD13:2,35.00,-5.00#"));
        const QByteArray wrapped = "AT+BJSD=10,0123456789,222222#AD13:2,35.00,-5.00#\r\n";
        EXPECT_EQ(f.line->written, QList<QByteArray>{wrapped});
        EXPECT_EQ(f.session.batchTable().text(12003), "222222#AD13:2,35.00,-5.00#");
        EXPECT_EQ(f.session.serialRecord().commandCode, 12003);
        if (order == HandOffOrder::SubmitRecordLogBare) {
            EXPECT_FALSE(recordedBeforeWrite);
            EXPECT_EQ(f.logs, QList<QByteArray>{"222222#AD13:2,35.00,-5.00#"});
        } else {
            EXPECT_TRUE(recordedBeforeWrite);
            EXPECT_EQ(f.logs, QList<QByteArray>{wrapped});
        }
    }

    // Read requests: not recorded; on Ethernet both messages go out.
    PageFixture e(13, LinkEthernet);
    EXPECT_TRUE(HandOffCommand(e.session, handOffOrderFor(ChannelPage::AnalogChannel), 20009, "111111#CHEACK4#",
                               false));
    EXPECT_TRUE(e.session.batchTable().text(20009).isEmpty());
    ASSERT_EQ(e.ethernet.size(), 1);
    EXPECT_EQ(e.ethernet[0].code, 20009);
    EXPECT_EQ(e.ethernetSent, QList<QByteArray>{"111111#CHEACK4#"});
    EXPECT_EQ(e.logs, QList<QByteArray>{"111111#CHEACK4#"});
    EXPECT_EQ(handOffOrderFor(ChannelPage::DigitalChannel), HandOffOrder::RecordSubmitLogSent);
    EXPECT_EQ(handOffOrderFor(ChannelPage::AdAlarmMessage), HandOffOrder::RecordSubmitLogSent);
}
