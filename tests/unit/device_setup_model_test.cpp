#include "pages/device/DeviceSetupModel.h"
#include "base/Clock.h"
#include "support/PageFixture.h"

#include <QCoreApplication>
#include <functional>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

namespace {
constexpr const char *Pw = "222222"; // setup password of the fixture's entry
QByteArray pw(const char *rest) { return QByteArray(Pw) + rest; }
} // namespace

// ---- set buttons ---------------------------------------------------------

struct SendCase {
    const char *name;
    std::function<void(DeviceSetupModel &)> fill;
    std::function<bool(DeviceSetupModel &)> press;
    int code;
    QByteArray text;
};

TEST(DeviceSetupModel, SetButtonsSendRecordAndLogTheirCommand)
{
    using M = DeviceSetupModel;
    const std::vector<SendCase> cases = {
        {"station id padded", [](M &m) { m.setStationId("7"); }, &M::sendStationId, 11002, pw("#ST:000007#")},
        {"passwords", [](M &m) { m.setEnquiryPassword("123456"); m.setSetupPassword("654321"); }, &M::sendPasswords,
         20050, pw("#PS:123456,654321#")},
        {"passwords padded", [](M &m) { m.setEnquiryPassword("12"); m.setSetupPassword("3"); }, &M::sendPasswords,
         20050, pw("#PS:000012,000003#")},
        {"date time as typed", [](M &m) { m.setDateTime("2403051407"); }, &M::sendDateTime, 11004,
         pw("#TM:2403051407#")},
        {"sms upload, empty centre", [](M &m) { m.setSmsUploadIndex(9); }, &M::sendSmsUpload, 11007, pw("#CP:!,9#")},
        {"sms upload with centre", [](M &m) { m.setSmsUploadIndex(2); m.setControlCentre("0123456789"); },
         &M::sendSmsUpload, 11007, pw("#CP:0123456789!,2#")},
        {"alarm phone 1", [](M &m) { m.setAlarmPhone(1, "+4912345"); }, [](M &m) { return m.sendAlarmPhone(1); },
         20031, pw("#AP1:+4912345!#")},
        {"alarm phone 8 empty", [](M &) {}, [](M &m) { return m.sendAlarmPhone(8); }, 20038, pw("#AP8:!#")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f(ModelOrvelA);
        DeviceSetupModel m(f.session);
        c.fill(m);
        EXPECT_TRUE(c.press(m));
        EXPECT_EQ(f.line->written, QList<QByteArray>{c.text});
        EXPECT_EQ(f.session.batchTable().entries(), (std::vector<std::pair<int, QByteArray>>{{c.code, c.text}}));
        EXPECT_EQ(f.session.serialRecord().commandCode, c.code);
        EXPECT_EQ(f.session.serialRecord().lastText, c.text);
        EXPECT_EQ(f.logs, QList<QByteArray>{c.text});
        EXPECT_TRUE(f.sink.shown.isEmpty()) << f.sink.last().toStdString();
    }
}

TEST(DeviceSetupModel, EveryListEntrySendsItsCode)
{
    const QList<QByteArray> sa = {"0", "5", "1", "2", "3", "4"};
    const QList<QByteArray> sd = {"00", "12", "13", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11"};
    ASSERT_EQ(DeviceSetupModel::loggingIntervals().size(), sa.size());
    ASSERT_EQ(DeviceSetupModel::ethernetUploadIntervals().size(), sd.size());
    ASSERT_EQ(DeviceSetupModel::smsUploadIntervals().size(), 10);

    PageFixture f(ModelOrvelB);
    DeviceSetupModel m(f.session);
    for (int i = 0; i < sa.size(); ++i) {
        f.forget();
        m.setLoggingIndex(i);
        ASSERT_TRUE(m.sendLoggingInterval());
        EXPECT_EQ(f.ethernetSent.value(0), pw("#SA:") + sa[i] + "#") << DeviceSetupModel::loggingIntervals()[i].data();
        EXPECT_EQ(f.ethernet.value(0).code, 11005);
    }
    for (int i = 0; i < sd.size(); ++i) {
        f.forget();
        m.setEthernetUploadIndex(i);
        ASSERT_TRUE(m.sendEthernetUpload());
        EXPECT_EQ(f.ethernetSent.value(0), pw("#SD:") + sd[i] + ",0,1#")
            << DeviceSetupModel::ethernetUploadIntervals()[i].data();
        EXPECT_EQ(f.ethernet.value(0).code, 11006);
    }
    for (int i = 0; i < 10; ++i) {
        f.forget();
        m.setSmsUploadIndex(i);
        ASSERT_TRUE(m.sendSmsUpload());
        EXPECT_EQ(f.ethernetSent.value(0), pw("#CP:!,") + QByteArray::number(i) + "#");
    }
    // The non-obvious ones, by name.
    EXPECT_EQ(DeviceSetupModel::loggingCode("01 Minute"), "5");
    EXPECT_EQ(DeviceSetupModel::loggingCode("05 Minute"), "1");
    EXPECT_EQ(DeviceSetupModel::ethernetUploadCode("05 Second"), "12");
    EXPECT_EQ(DeviceSetupModel::ethernetUploadCode("15 Second"), "13");
    EXPECT_EQ(DeviceSetupModel::smsUploadCode("24 Hour"), "9");
}

struct CheckCase {
    const char *name;
    std::function<void(DeviceSetupModel &)> fill;
    std::function<bool(DeviceSetupModel &)> press;
    QString message;
};

TEST(DeviceSetupModel, FieldChecksRefuseWithTheirMessageAndSendNothing)
{
    using M = DeviceSetupModel;
    const std::vector<CheckCase> cases = {
        {"station id", [](M &) {}, &M::sendStationId, "Station ID  is error !"},
        {"enquiry", [](M &m) { m.setSetupPassword("654321"); }, &M::sendPasswords, "Device Query Password is NULL!"},
        {"setup", [](M &m) { m.setEnquiryPassword("654321"); }, &M::sendPasswords, "Device Setup Password is NULL!"},
        {"date time", [](M &) {}, &M::sendDateTime, "Device DateTime is NULL!"},
        {"logging", [](M &) {}, &M::sendLoggingInterval, "Please select Data Logging Interval!"},
        {"ethernet upload", [](M &) {}, &M::sendEthernetUpload, "Please select GPRS Upload Interval!"},
        {"sms upload", [](M &m) { m.setControlCentre("123"); }, &M::sendSmsUpload, "Please select SMS Upload Interval!"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f(ModelOrvelA);
        DeviceSetupModel m(f.session);
        c.fill(m);
        EXPECT_FALSE(c.press(m));
        EXPECT_EQ(f.sink.texts(), QStringList{c.message});
        EXPECT_TRUE(f.line->written.isEmpty());
        EXPECT_TRUE(f.session.batchTable().isEmpty());
        EXPECT_TRUE(f.logs.isEmpty());
    }
}

// ---- command guard -----------------------------------------------------

struct GuardCase {
    const char *name;
    int model, link;
    std::function<void(PageFixture &)> prepare;
    QStringList messages;
    bool passes;
};

TEST(DeviceSetupModel, CommandGuardTestsInOrder)
{
    const std::vector<GuardCase> cases = {
        {"serial closed", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.line->close(); },
         {"Before Setup Command ,please Connect!"}, false},
        {"ethernet not connected", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.ethernetLine->close(); },
         {"Before Setup Command ,please Connect First!"}, false},
        {"serial in progress", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.session.serialRecord().inProgress = true; },
         {"Command is in progress..."}, false},
        {"ethernet in progress", ModelOrvelB, LinkEthernet,
         [](PageFixture &f) { f.session.ethernetRecord().inProgress = true; }, {"Command is in progress..."}, false},
        {"no id", ModelOrvelA, LinkRs232, [](PageFixture &f) { f.setEntry("", "1", "1", "1"); },
         {"Before Setup Command ,please Select Device ID!"}, false},
        {"no phone", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("000001", "", "1", "1"); },
         {"Device Phone Number is NULL ,please Edit Phone Book!"}, false},
        {"no enquiry", ModelOrvelA, LinkGsmModem, [](PageFixture &f) { f.setEntry("000001", "123", "", "1"); },
         {"Device QueryPassword is NULL ,please Edit Phone Book!"}, false},
        {"no setup", ModelOrvelB, LinkEthernet, [](PageFixture &f) { f.setEntry("000001", "123", "1", ""); },
         {"Device SetupPassword is NULL ,please Edit Phone Book!"}, false},
        {"serial NULL phone skips the passwords", ModelOrvelA, LinkRs232,
         [](PageFixture &f) { f.setEntry("000001", "NULL", "", ""); }, {"command success"}, true},
        {"ethernet NULL phone is a number", ModelOrvelB, LinkEthernet,
         [](PageFixture &f) { f.setEntry("000001", "NULL", "", ""); },
         {"Device QueryPassword is NULL ,please Edit Phone Book!"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f(c.model, c.link);
        c.prepare(f);
        DeviceSetupModel m(f.session);
        m.setStationId("000007");
        EXPECT_EQ(m.sendStationId(), c.passes);
        EXPECT_EQ(f.sink.texts(), c.messages);
        EXPECT_EQ(f.sent().size(), c.passes ? 1 : 0);
        EXPECT_EQ(f.session.batchTable().size(), c.passes ? 1 : 0);
    }
}

TEST(DeviceSetupModel, NullPhoneNumberSendsEveryButtonWithEmptyPasswords)
{
    PageFixture f(ModelOrvelA);
    f.setEntry("000001", "NULL", "", "");
    DeviceSetupModel m(f.session);
    EXPECT_TRUE(m.sendAlarmPhone(2));
    EXPECT_TRUE(m.sendReset());
    EXPECT_EQ(f.sink.texts(), (QStringList{"command success", "command success"}));
    EXPECT_EQ(f.line->written, (QList<QByteArray>{"#AP2:!#", "#PS:271828,314159#"}));
}

// ---- hand-off ------------------------------------------------------------

TEST(DeviceSetupModel, GsmModemWrapsTheTextButTheBatchTableKeepsItBare)
{
    PageFixture f(ModelOrvelA, LinkGsmModem);
    DeviceSetupModel m(f.session);
    m.setStationId("7");
    m.leaveStationId();
    EXPECT_EQ(m.stationId(), "000007");
    ASSERT_TRUE(m.sendStationId());
    const QByteArray wrapped = "AT+BJSD=10,0123456789,222222#ST:000007#\r\n";
    EXPECT_EQ(f.line->written, QList<QByteArray>{wrapped});
    EXPECT_EQ(f.session.serialRecord().lastText, wrapped);
    EXPECT_EQ(f.logs, QList<QByteArray>{wrapped});
    EXPECT_EQ(f.session.batchTable().text(11002), "222222#ST:000007#");
}

TEST(DeviceSetupModel, StationIdTextIsStoredBeforeTheLogEntryAndTheExchangeIsPosted)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    QByteArray seenAtLog = "unset";
    QObject::connect(&f.session, &Session::sendLogEntry,
                     [&] { seenAtLog = f.session.serialRecord().stationIdText; });
    int started = 0;
    QObject::connect(&f.session, &Session::commandSent, [&] { ++started; });
    m.setStationId("123456");
    ASSERT_TRUE(m.sendStationId());
    EXPECT_EQ(seenAtLog, "123456");
    EXPECT_EQ(started, 0); // posted, not sent
    QCoreApplication::processEvents();
    EXPECT_EQ(started, 1);
}

TEST(DeviceSetupModel, EthernetStoresThenSendsUnderTheCommandCode)
{
    PageFixture f(ModelOrvelB);
    DeviceSetupModel m(f.session);
    m.setStationId("000042");
    ASSERT_TRUE(m.sendStationId());
    ASSERT_EQ(f.ethernet.size(), 1);
    EXPECT_EQ(f.ethernet[0].code, 11002);
    EXPECT_EQ(f.ethernet[0].text, pw("#ST:000042#"));
    EXPECT_EQ(f.ethernetSent, QList<QByteArray>{pw("#ST:000042#")});
    EXPECT_EQ(f.session.ethernetRecord().stationIdText, "000042");
    EXPECT_TRUE(f.line->written.isEmpty());
}

TEST(DeviceSetupModel, ResetSendsTheFactoryPasswordsWithoutALogEntry)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    m.setEnquiryPassword("999999");
    ASSERT_TRUE(m.sendReset());
    EXPECT_EQ(m.enquiryPassword(), "271828");
    EXPECT_EQ(m.setupPassword(), "314159");
    EXPECT_EQ(f.line->written, QList<QByteArray>{pw("#PS:271828,314159#")});
    EXPECT_EQ(f.session.batchTable().text(20050), pw("#PS:271828,314159#"));
    EXPECT_TRUE(f.logs.isEmpty());
}

TEST(DeviceSetupModel, AFailedWriteIsNotLoggedAndKeepsTheStationIdText)
{
    PageFixture f(ModelOrvelA);
    f.line->failWrites = true;
    f.session.serialRecord().stationIdText = "000001";
    DeviceSetupModel m(f.session);
    m.setStationId("000009");
    EXPECT_FALSE(m.sendStationId());
    EXPECT_TRUE(f.logs.isEmpty());
    EXPECT_EQ(f.session.serialRecord().stationIdText, "000001");
    // The batch table still gets the setting, as the user asked for it.
    EXPECT_EQ(f.session.batchTable().text(11002), pw("#ST:000009#"));
}

// ---- field rules ---------------------------------------------------------

TEST(DeviceSetupModel, LeavingAnIdFieldPadsOrRefuses)
{
    struct Case {
        void (DeviceSetupModel::*set)(const QByteArray &);
        void (DeviceSetupModel::*leave)();
        const QByteArray &(DeviceSetupModel::*get)() const;
        QByteArray typed, after;
        QString message;
        MessageKind kind;
    };
    using M = DeviceSetupModel;
    const std::vector<Case> cases = {
        {&M::setStationId, &M::leaveStationId, &M::stationId, "7", "000007", {}, MessageKind::Standard},
        {&M::setStationId, &M::leaveStationId, &M::stationId, "", "", {}, MessageKind::Standard},
        {&M::setStationId, &M::leaveStationId, &M::stationId, "123456", "123456", {}, MessageKind::Standard},
        {&M::setStationId, &M::leaveStationId, &M::stationId, "1234567", "", "TStation ID is Six digits!", MessageKind::Error},
        {&M::setEnquiryPassword, &M::leaveEnquiryPassword, &M::enquiryPassword, "123", "000123", {}, MessageKind::Standard},
        {&M::setEnquiryPassword, &M::leaveEnquiryPassword, &M::enquiryPassword, "1234567", "",
         "Enquiry Password  is error !", MessageKind::Standard},
        {&M::setSetupPassword, &M::leaveSetupPassword, &M::setupPassword, "42", "000042", {}, MessageKind::Standard},
        {&M::setSetupPassword, &M::leaveSetupPassword, &M::setupPassword, "1234567", "", "Setup Password  is error !",
         MessageKind::Standard},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed.data());
        PageFixture f(ModelOrvelA);
        DeviceSetupModel m(f.session);
        (m.*c.set)(c.typed);
        (m.*c.leave)();
        EXPECT_EQ((m.*c.get)(), c.after);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(f.sink.shown.isEmpty());
        } else {
            ASSERT_EQ(f.sink.shown.size(), 1);
            EXPECT_EQ(f.sink.shown[0].text, c.message);
            EXPECT_EQ(f.sink.shown[0].kind, c.kind);
        }
    }
}

TEST(DeviceSetupModel, PhoneNumbersOverNineteenCharactersAreEmptied)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    const QByteArray nineteen(19, '1');
    for (int n = 0; n <= DeviceSetupModel::AlarmPhoneCount; ++n) {
        auto set = [&](const QByteArray &t) { n == 0 ? m.setControlCentre(t) : m.setAlarmPhone(n, t); };
        auto get = [&] { return n == 0 ? m.controlCentre() : m.alarmPhone(n); };
        f.sink.clear();
        set(nineteen);
        EXPECT_EQ(get(), nineteen);
        EXPECT_TRUE(f.sink.shown.isEmpty());
        set(nineteen + "2");
        EXPECT_EQ(get(), "");
        EXPECT_EQ(f.sink.texts(), QStringList{"Phone Number over 19 Number!"});
    }
}

TEST(DeviceSetupModel, DotsButtonTakesTheClocksLocalTime)
{
    FixedClock fixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 59)));
    setClock(&fixed);
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    m.fillDateTimeNow();
    EXPECT_EQ(m.dateTime(), "2403051407");
    fixed.set(QDateTime(QDate(2031, 12, 31), QTime(0, 0)));
    m.fillDateTimeNow();
    EXPECT_EQ(m.dateTime(), "3112310000");
    setClock(nullptr);
}

// ---- reading back "#STC1:" -------------------------------------------------

namespace {
const QByteArray FullRecord = "#STC1:000007;TM:2403051407;PS:123456,654321;SA:5;SD:12,0,1;CP:0123456789,2;"
                              "AP1:111;AP2:222;AP3:;AP4:444;AP5:555;AP6:666;AP7:777;AP8:888;ER:01;XH:23;"
                              "OUT1:0030;OUT2:0005;#";
}

TEST(DeviceSetupModel, ReadingBackFillsEveryControlAndRecordsTheSettingCommands)
{
    PageFixture f(ModelOrvelB);
    DeviceSetupModel m(f.session);
    int changed = 0;
    QObject::connect(&m, &DeviceSetupModel::changed, [&] { ++changed; });
    m.handleMessage({msg::Block1, ToDeviceSetup, 0, FullRecord, 0});
    EXPECT_GE(changed, 1);
    EXPECT_EQ(m.stationId(), "000007");
    EXPECT_EQ(m.dateTime(), "2403051407");
    EXPECT_EQ(m.enquiryPassword(), "123456");
    EXPECT_EQ(m.setupPassword(), "654321");
    EXPECT_EQ(m.loggingIndex(), 1);        // code 5: "01 Minute"
    EXPECT_EQ(m.ethernetUploadIndex(), 1); // code 12: "05 Second"
    EXPECT_EQ(m.controlCentre(), "0123456789");
    EXPECT_EQ(m.smsUploadIndex(), 2); // "05 Minute"
    const QList<QByteArray> phones = {"111", "222", "", "444", "555", "666", "777", "888"};
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(m.alarmPhone(n), phones[n - 1]) << n;
    EXPECT_TRUE(m.gsmModuleOn());
    EXPECT_FALSE(m.simCardOn());
    EXPECT_EQ(m.signalStrength(), 23);

    const std::vector<std::pair<int, QByteArray>> expected = {
        {11002, pw("#ST:000007#")},   {11004, pw("#TM:2403051407#")},  {11005, pw("#SA:5#")},
        {11006, pw("#SD:12,0,1#")},   {11007, pw("#CP:0123456789!,2#")}, {20031, pw("#AP1:111!#")},
        {20032, pw("#AP2:222!#")},    {20034, pw("#AP4:444!#")},       {20035, pw("#AP5:555!#")},
        {20036, pw("#AP6:666!#")},    {20037, pw("#AP7:777!#")},       {20038, pw("#AP8:888!#")},
    };
    EXPECT_EQ(f.session.batchTable().entries(), expected);
    EXPECT_TRUE(f.sent().isEmpty()); // nothing is sent
}

struct ReadCase {
    const char *name;
    int model;
    QByteArray record;
    std::function<void(const DeviceSetupModel &)> check;
    std::vector<std::pair<int, QByteArray>> recorded;
};

TEST(DeviceSetupModel, ReadingBackItemByItem)
{
    using M = DeviceSetupModel;
    const std::vector<ReadCase> cases = {
        {"SD 12 selects 05 Second on ORVEL-B", ModelOrvelB, "SD:12,0,1;",
         [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 1); }, {{11006, pw("#SD:12,0,1#")}}},
        {"SD 13 selects 15 Second", ModelOrvelB, "SD:13,1,5;",
         [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 2); }, {{11006, pw("#SD:13,1,5#")}}},
        {"SD 01 selects 30 Second", ModelOrvelB, "SD:01,0,1;",
         [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 3); }, {{11006, pw("#SD:01,0,1#")}}},
        {"SD 11 selects 24 Hour", ModelOrvelB, "SD:11,0,1;",
         [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 13); }, {{11006, pw("#SD:11,0,1#")}}},
        {"SD 00 selects 00", ModelOrvelB, "SD:00,0,1;", [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 0); },
         {{11006, pw("#SD:00,0,1#")}}},
        {"SD 14 leaves it", ModelOrvelB, "SD:14,0,1;", [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), -1); },
         {{11006, pw("#SD:14,0,1#")}}},
        {"SD on ORVEL-A by position", ModelOrvelA, "SD:03,0,1;",
         [](const M &m) { EXPECT_EQ(m.ethernetUploadIndex(), 3); }, {{11006, pw("#SD:03,0,1#")}}},
        {"CP fills number and interval", ModelOrvelA, "CP:0123456789,2;",
         [](const M &m) {
             EXPECT_EQ(m.controlCentre(), "0123456789");
             EXPECT_EQ(m.smsUploadIndex(), 2);
         },
         {{11007, pw("#CP:0123456789!,2#")}}},
        {"CP:,0 empties and records nothing", ModelOrvelA, "CP:,0;",
         [](const M &m) {
             EXPECT_EQ(m.controlCentre(), "");
             EXPECT_EQ(m.smsUploadIndex(), 0);
         },
         {}},
        {"CP without comma is skipped", ModelOrvelA, "CP:0123;",
         [](const M &m) {
             EXPECT_EQ(m.controlCentre(), "keep");
             EXPECT_EQ(m.smsUploadIndex(), 5);
         },
         {}},
        {"CP whose comma belongs to a later item is skipped", ModelOrvelA, "CP:0123;SD:05,0,1;",
         [](const M &m) { EXPECT_EQ(m.controlCentre(), "keep"); }, {{11006, pw("#SD:05,0,1#")}}},
        {"AP3:; empties edit 3", ModelOrvelA, "AP3:;", [](const M &m) { EXPECT_EQ(m.alarmPhone(3), ""); }, {}},
        {"AP5 without ; is skipped", ModelOrvelA, "AP5:123",
         [](const M &m) { EXPECT_EQ(m.alarmPhone(5), "keep"); }, {}},
        {"ER:01", ModelOrvelA, "ER:01;",
         [](const M &m) {
             EXPECT_TRUE(m.gsmModuleOn());
             EXPECT_FALSE(m.simCardOn());
         },
         {}},
        {"ER:10", ModelOrvelA, "ER:10;",
         [](const M &m) {
             EXPECT_FALSE(m.gsmModuleOn());
             EXPECT_TRUE(m.simCardOn());
         },
         {}},
        {"XH:99 is no signal", ModelOrvelA, "XH:99;", [](const M &m) { EXPECT_EQ(m.signalStrength(), 0); }, {}},
        {"XH:23", ModelOrvelA, "XH:23;", [](const M &m) { EXPECT_EQ(m.signalStrength(), 23); }, {}},
        {"XH without ; is skipped", ModelOrvelA, "XH:23", [](const M &m) { EXPECT_EQ(m.signalStrength(), 0); }, {}},
        {"SA:7 has no entry", ModelOrvelA, "SA:7;", [](const M &m) { EXPECT_EQ(m.loggingIndex(), -1); },
         {{11005, pw("#SA:7#")}}},
        {"SA:1 is 05 Minute", ModelOrvelA, "SA:1;", [](const M &m) { EXPECT_EQ(m.loggingIndex(), 2); },
         {{11005, pw("#SA:1#")}}},
        {"SA non-digit counts as 0", ModelOrvelA, "SA:x;", [](const M &m) { EXPECT_EQ(m.loggingIndex(), 0); },
         {{11005, pw("#SA:0#")}}},
        {"PS fills both fields, records nothing", ModelOrvelA, "PS:123456,654321;",
         [](const M &m) {
             EXPECT_EQ(m.enquiryPassword(), "123456");
             EXPECT_EQ(m.setupPassword(), "654321");
         },
         {}},
        {"a key near the end yields what is there", ModelOrvelA, "#STC1:0007",
         [](const M &m) { EXPECT_EQ(m.stationId(), "0007"); }, {{11002, pw("#ST:0007#")}}},
        {"missing keys change nothing", ModelOrvelA, "#STA:nothing here#",
         [](const M &m) {
             EXPECT_EQ(m.stationId(), "keep");
             EXPECT_EQ(m.alarmPhone(5), "keep");
             EXPECT_EQ(m.smsUploadIndex(), 5);
         },
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f(c.model);
        DeviceSetupModel m(f.session);
        m.setStationId("keep");
        m.setControlCentre("keep");
        m.setAlarmPhone(3, "keep");
        m.setAlarmPhone(5, "keep");
        m.setSmsUploadIndex(5);
        m.readBlock1(c.record);
        c.check(m);
        EXPECT_EQ(f.session.batchTable().entries(), c.recorded);
    }
}

TEST(DeviceSetupModel, SignalBarKeepsItsValueWhenTheItemIsCut)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    m.readBlock1("XH:50;");
    m.readBlock1("XH:23");
    EXPECT_EQ(m.signalStrength(), 50);
    m.readBlock1("XH:150;");
    EXPECT_EQ(m.signalStrength(), 100);
}

TEST(DeviceSetupModel, InfoBoxAndClear)
{
    PageFixture f(ModelOrvelB);
    DeviceSetupModel m(f.session);
    m.handleMessage({msg::VersionReply, ToDeviceSetup, 0, "V7.1 2024", 0});
    EXPECT_EQ(m.info(), "V7.1 2024");
    m.handleMessage({msg::VersionReply, ToDeviceSetup, 0, "initialize succesed!", 0});
    EXPECT_EQ(m.info(), "Initialization Completed!");
    m.handleMessage({msg::VersionReply, ToDeviceSetup, 0, "initialize succesed! ", 0});
    EXPECT_EQ(m.info(), "initialize succesed! ");

    m.readBlock1(FullRecord);
    m.handleMessage({msg::ClearFields, ToDeviceSetup, 0, {}, 0});
    EXPECT_EQ(m.stationId(), "");
    EXPECT_EQ(m.enquiryPassword(), "");
    EXPECT_EQ(m.setupPassword(), "");
    EXPECT_EQ(m.dateTime(), "");
    EXPECT_EQ(m.controlCentre(), "");
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(m.alarmPhone(n), "");
    EXPECT_EQ(m.info(), "");
    EXPECT_EQ(m.loggingIndex(), -1);
    EXPECT_EQ(m.ethernetUploadIndex(), -1);
    EXPECT_EQ(m.smsUploadIndex(), -1);
    EXPECT_EQ(m.signalStrength(), 0);
    EXPECT_FALSE(m.gsmModuleOn());
    EXPECT_FALSE(m.simCardOn());
    // Clear does not touch the batch command table.
    EXPECT_EQ(f.session.batchTable().size(), 12);
}

TEST(DeviceSetupModel, ClearOnOrvelAKeepsTheHiddenUploadList)
{
    PageFixture f(ModelOrvelA);
    DeviceSetupModel m(f.session);
    EXPECT_FALSE(m.hasEthernetUpload());
    m.setEthernetUploadIndex(4);
    m.clear();
    EXPECT_EQ(m.ethernetUploadIndex(), 4);
}
