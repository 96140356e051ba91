#include "session/MainModel.h"
#include "session/LogPanes.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;

namespace {

struct Sent {
    int message;
    unsigned targets;
    int wParam;
};

struct DispatchCase {
    const char *name;
    int code;
    QByteArray lastText;
    QByteArray reply;
    int result;       // -1: unchanged (still 2)
    bool inProgress;  // after the reply
    std::vector<Sent> messages;
    bool query = false, download = false, verified = false, gsm = false;
};

struct DispatchFixture : ::testing::Test {
    void SetUp() override
    {
        test::emptyPhoneBook(dir.path());
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        book.SelectGsmEntry("000001");
    }
    void TearDown() override
    {
        SetupLog::setPath(QString());
        test::emptyPhoneBook(dir.path());
    }
    QTemporaryDir dir;
    test::RecordingSink sink;
};

const QByteArray kStatus = "#STA:000001;L:120;A00:+23.5;K01:0101;O01:10;TM:2612101044;";

} // namespace

TEST_F(DispatchFixture, TableOfCodesAndReplies)
{
    const DispatchCase cases[] = {
        {"status query verifies", codes::ConnectStatus, "111111#STATUS#", kStatus, 0, false,
         {{msg::FirstStatus, ToAnalogChannel | ToDigitalChannel | ToRelayOutput | ToDataRecord, 0}}},
        {"status without STA: is a data error", codes::ConnectStatus, "", "Set success!", 5, false, {}},
        {"ten relays are more than a logger has", codes::ConnectStatus, "", "#STA:000001;K01:0101;O01:1010101010;", 5,
         false, {}},
        {"seventeen digital inputs are more than a logger has", codes::ConnectStatus, "",
         "#STA:000001;K01:01010101010101010;O01:10;", 5, false, {}},
        {"a huge relay count on a later status", codes::Status, "", "#STA:000001;O01:" + QByteArray(100000, '1') + ";", 5,
         false, {}, false, false, true},
        {"Status when verified shows page 6", codes::Status, "", kStatus, 0, false,
         {{msg::StatusReply, ToRelayOutput | ToDataRecord, 0}}, false, false, true},
        {"Status of a verified device, code 10000", codes::ConnectStatus, "", kStatus, 0, false, {}, false, false, true},
        {"version", codes::Version, "", "V7.1.0", 0, false, {{msg::VersionReply, ToDeviceSetup, 0}}},
        {"#1 block", codes::ReadBlock1, "", "#STC1:TM:1;#", 0, false, {{msg::Block1, ToDeviceSetup | ToRelayOutput, 0}}},
        {"#1 without closing #", codes::ReadBlock1, "", "#STC1:TM:1;", 5, false, {}},
        {"#1 answered with a password error", codes::ReadBlock1, "", "Password is error!", 3, false, {}},
        {"#1 answered with a format error", codes::ReadBlock1, "", "SMS format is error!", 5, false, {}},
        {"#2 block", codes::ReadBlock2, "", "#STC2:AD00:1;#", 0, false,
         {{msg::Block2, ToAnalogChannel | ToDigitalChannel, 0}}},
        {"#2 wrong block", codes::ReadBlock2, "", "#STC1:TM:1;#", 5, false, {}},
        {"#3 block", codes::ReadBlock3, "", "#STC3:OUT1:1;#", 0, false, {{msg::Block3, ToRelayOutput, 0}}},
        {"reset", codes::Reset, "", "anything", 0, false, {}},
        {"device setup success", 11005, "222222#SA:3#", "Set success!", 0, false, {}},
        {"device setup refused", 11005, "222222#SA:9#", "SET fail!", 1, false, {}},
        {"device setup initialised", 11003, "", "initialize succesed!", 0, false, {}},
        {"device setup other text", 20031, "", "???", 5, false, {}},
        {"passwords without #PS: change nothing", codes::Passwords, "222222#XX:1#", "Set success!", 0, false, {}},
        {"calibration", 12000, "", "SET fail!", 1, false, {{msg::Calibration, ToAnalogChannel, 0}}},
        {"calibration read", 12101, "", "x", 0, false, {{msg::Calibration, ToAnalogChannel, 0}}},
        {"generic success", 13003, "", "..Set success!..", 0, false, {}},
        {"generic refusal", 19051, "", "SET fail!", 1, false, {}},
        {"generic other", 16001, "", "hello", 5, false, {}},
        {"data record query", codes::DataRecord, "", "#STD:000001;D:1;", 0, false, {{msg::DataRecords, ToDataRecord, 0}}, true},
        {"data record download", codes::DataRecord, "", "#STD:000001;D:1;", 0, false, {{msg::DataRecords, ToDataRecord, 1}}, false, true},
        {"data record status, query", codes::DataRecord, "", "#STA:000001;", 0, false, {{msg::StatusReply, ToDataRecord, 0}}, true},
        {"data record status, download", codes::DataRecord, "", "#STA:000001;", 0, false, {{msg::DataRecords, ToDataRecord, 2}}, false, true},
        {"data record without flags stays in progress", codes::DataRecord, "", "#STD:1;", 0, true, {}},
        {"data record other text", codes::DataRecord, "", "xyz", 5, false, {}, true},
        {"alarm text", 19107, "", "1,HIGH TEMP", 0, false, {{msg::AlarmText, ToAdAlarmMessage | ToInAlarmMessage, 0}}},
        {"block 4", codes::ReadBlock4, "", "#STC4:TN1:1;#", 0, false, {{msg::Block4, ToAnalogChannel, 0}}},
        {"block 4 missing", codes::ReadBlock4, "", "#STC2:#", 5, false, {}},
        {"unknown code runs on", 30000, "", "Set success!", -1, true, {}},
        {"modem echo is never dispatched", codes::ReadBlock1, "", "AT+BJSD OK message send", -1, true, {}, false, false, false, true},
    };
    for (const DispatchCase &c : cases) {
        SCOPED_TRACE(c.name);
        MainModel model(ModelOrvelA);
        QList<PageMessage> pages;
        QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
        Session &s = model.session();
        s.setLink(c.gsm ? LinkGsmModem : LinkRs232);
        s.setVerified(c.verified);
        s.dataQueryFlag = c.query;
        s.dataDownloadFlag = c.download;
        CommandRecord &r = s.serialRecord();
        r.commandCode = c.code;
        r.lastText = c.lastText;
        r.inProgress = true;
        r.resultCode = ResultNoReply;
        model.dispatcher().intake(c.reply);
        EXPECT_EQ(r.resultCode, c.result < 0 ? ResultNoReply : c.result);
        EXPECT_EQ(r.inProgress, c.inProgress);
        ASSERT_EQ(pages.size(), int(c.messages.size()));
        for (size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(pages[i].message, c.messages[i].message);
            EXPECT_EQ(pages[i].targets, c.messages[i].targets);
            EXPECT_EQ(pages[i].wParam, c.messages[i].wParam);
            EXPECT_EQ(pages[i].text, c.reply);
        }
        // Every reply to a current command is shown in the Data Logs pane.
        EXPECT_FALSE(model.dataLogs().isEmpty());
    }
}

TEST_F(DispatchFixture, NoCurrentCommandLeavesNoTrace)
{
    MainModel model(ModelOrvelA);
    int pages = 0;
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &) { ++pages; });
    model.session().serialRecord().commandCode = codes::None;
    model.dispatcher().intake("#STC1:TM:1;#");
    model.dispatcher().intake("");
    EXPECT_EQ(pages, 0);
    EXPECT_TRUE(model.dataLogs().isEmpty());
}

TEST_F(DispatchFixture, DataRecordCodeStaysForALaterRecord)
{
    MainModel model(ModelOrvelA);
    model.exchange().setTimerDriven(false);
    auto line = std::make_unique<test::FakeLine>();
    line->open();
    model.session().setSerialLine(std::move(line));
    QList<PageMessage> pages;
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
    Session &s = model.session();
    s.dataQueryFlag = true;
    ASSERT_TRUE(s.SubmitCommand(codes::DataRecord, "111111#REDEEMQ#"));
    model.exchange().StartCommandExchange();
    model.dispatcher().intake("#STD:000001;D:1;");
    model.exchange().tick();
    EXPECT_EQ(model.exchange().statusText(), "Command Success");
    EXPECT_EQ(s.serialRecord().commandCode, codes::DataRecord);
    model.dispatcher().intake("#STD:000001;D:2;");
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[1].text, "#STD:000001;D:2;");
}

TEST_F(DispatchFixture, StationIdChangeRenamesTheEntry)
{
    MainModel model(ModelOrvelA);
    QList<PageMessage> pages;
    QList<int> refills;
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
    QObject::connect(&model, &MainModel::connectionListChanged, [&](int which) { refills << which; });
    CommandRecord &r = model.session().serialRecord();
    r.commandCode = codes::StationId;
    r.lastText = "222222#ST:000007#";
    r.inProgress = true;
    model.dispatcher().intake("Set success!");
    PhoneBook book;
    EXPECT_FALSE(book.GsmIdExists("000001"));
    EXPECT_TRUE(book.GsmIdExists("000007"));
    const GsmEntry e = book.CurrentGsmEntry();
    EXPECT_EQ(e.id, "000007");
    EXPECT_EQ(e.phone, "0123456789");
    EXPECT_EQ(e.setupPassword, "222222");
    EXPECT_EQ(r.deviceId, "000007");
    EXPECT_EQ(r.resultCode, ResultSuccess);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].message, msg::ReloadBook);
    EXPECT_EQ(pages[0].targets, unsigned(ToPhoneBook));
    EXPECT_EQ(refills, QList<int>{0});
    EXPECT_TRUE(sink.shown.isEmpty());
}

TEST_F(DispatchFixture, StationIdChangeKeepsTheEntryWhenTheNewIdExists)
{
    PhoneBook book;
    book.AddGsmEntry("000007", "0999", "333333", "444444");
    MainModel model(ModelOrvelA);
    CommandRecord &r = model.session().serialRecord();
    r.commandCode = codes::StationId;
    r.lastText = "AT+BJSD=10,0123456789,222222#ST:000007#\r\n";
    r.inProgress = true;
    model.dispatcher().intake("Set success!");
    EXPECT_TRUE(book.GsmIdExists("000001"));
    EXPECT_EQ(book.CurrentGsmEntry().id, "000001");
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_TRUE(sink.last().contains("000007"));
    EXPECT_EQ(r.resultCode, ResultSuccess);
}

TEST_F(DispatchFixture, PasswordChangeUpdatesTheBookOnlyWithTwoSixDigitPasswords)
{
    struct Case {
        QByteArray lastText, enquiry, setup;
    } const cases[] = {
        {"000000#PS:12#", "111111", "222222"},
        {"222222#PS:12345,123456#", "111111", "222222"},
        {"222222#PS:abcdef,123456#", "111111", "222222"},
        {"AT+BJSD=10,0123456789,222222#PS:333333,444444#\r\n", "333333", "444444"},
        {"222222#PS:555555,666666#", "555555", "666666"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lastText.constData());
        MainModel model(ModelOrvelA);
        CommandRecord &r = model.session().serialRecord();
        r.commandCode = codes::Passwords;
        r.lastText = c.lastText;
        r.inProgress = true;
        model.dispatcher().intake("Set success!");
        PhoneBook book;
        EXPECT_EQ(book.CurrentGsmEntry().enquiryPassword, c.enquiry);
        EXPECT_EQ(book.CurrentGsmEntry().setupPassword, c.setup);
    }
}

TEST_F(DispatchFixture, TextsLongerThanAnyReplyAreDroppedAsADataError)
{
    for (const bool gsm : {false, true}) {
        SCOPED_TRACE(gsm ? "GSM modem" : "RS232");
        MainModel model(ModelOrvelA);
        QList<PageMessage> pages;
        QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
        Session &s = model.session();
        s.setLink(gsm ? LinkGsmModem : LinkRs232);
        CommandRecord &r = s.serialRecord();
        r.commandCode = codes::ReadBlock1;
        r.inProgress = true;
        r.resultCode = ResultNoReply;
        if (gsm) {
            // Parts that announce a length no reply has, arriving without end.
            model.dispatcher().intake("#STC1:000001;L:99999999;" + QByteArray(136, 'A'));
            const QByteArray part = "#STA:000001;" + QByteArray(148, 'A');
            for (int i = 0; i < 1000 && r.inProgress; ++i)
                model.dispatcher().intake(part);
            EXPECT_LE(model.dispatcher().accumulator().buffer().size(), MaxReplyBytes);
        } else {
            model.dispatcher().intake("#STC1:" + QByteArray(MaxReplyBytes, 'A') + "#");
        }
        EXPECT_FALSE(r.inProgress);
        EXPECT_EQ(r.resultCode, ResultDataError);
        EXPECT_TRUE(pages.isEmpty());
        EXPECT_TRUE(model.dataLogs().contains("longer than any reply")) << model.dataLogs().left(200).constData();
        EXPECT_LT(model.dataLogs().size(), 1000);
    }
}

TEST_F(DispatchFixture, GsmFirstPartIsHeldBackUntilTheRecordIsWhole)
{
    MainModel model(ModelOrvelA);
    QList<PageMessage> pages;
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
    Session &s = model.session();
    s.setLink(LinkGsmModem);
    s.serialRecord().commandCode = codes::ConnectStatus;
    s.serialRecord().inProgress = true;

    QByteArray first = "#STA:000001;L:300;";
    while (first.size() < 160)
        first += "A";
    first = first.left(159) + ";";
    ASSERT_EQ(first.size(), 160);
    model.dispatcher().intake(first);
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_TRUE(s.serialRecord().inProgress);
    EXPECT_TRUE(model.dataLogs().isEmpty());

    QByteArray second = "#STA:000001;";
    QByteArray rest;
    while (rest.size() < 150)
        rest += "K01:0101;";
    second += rest;
    model.dispatcher().intake(second);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].text, first + rest);
    EXPECT_GT(pages[0].text.size(), 300);
    EXPECT_EQ(s.serialRecord().resultCode, ResultSuccess);
    EXPECT_TRUE(model.dispatcher().accumulator().buffer().isEmpty());
}

TEST(DataLogs, DisplayCopy)
{
    struct Case {
        QByteArray reply, shown;
    };
    const Case cases[] = {
        {"initialize succesed!", "Initialization Completed!"},
        {"#STA:000001234567;L:20;", "#STA:000001;L:20;"},
        {"#STA:000001;L:20;", "#STA:000001;L:20;"},
        {"#STD:ABCDEFGHIJKL;D:1;#STD:ABCDEFGHIJKL;", "#STD:ABCDEF;D:1;#STD:ABCDEF;"},
        {"#STD:111111;D:2612;#STD:2222222222;D:3;", "#STD:111111;D:2612;#STD:222222;D:3;"},
        {"Set success!", "Set success!"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dataLogsCopy(c.reply), c.shown) << c.reply.constData();

    const QDateTime t(QDate(2026, 12, 10), QTime(9, 5, 7));
    const QByteArray pane = prependPaneEntry(prependPaneEntry({}, "one", t), "two", t);
    const QByteArray header = "->[12/10/26 09:05:07]--------------------------------------------------------------------------------------";
    EXPECT_EQ(pane, header + "\r\ntwo\r\n\r\n " + header + "\r\none\r\n\r\n ");
}

TEST_F(DispatchFixture, GsmTextsThatAreNoRecordsArriveWhole)
{
    MainModel model(ModelOrvelA);
    QList<PageMessage> pages;
    QObject::connect(&model, &MainModel::pageMessage, [&](const PageMessage &m) { pages << m; });
    Session &s = model.session();
    s.setLink(LinkGsmModem);
    s.serialRecord().commandCode = 19101;
    s.serialRecord().inProgress = true;
    model.dispatcher().intake("1,STATION DOWN");
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].text, "1,STATION DOWN");
    EXPECT_EQ(s.serialRecord().resultCode, ResultSuccess);
}

TEST_F(DispatchFixture, AStartedExchangeForgetsAnUnfinishedGsmRecord)
{
    MainModel model(ModelOrvelA);
    model.exchange().setTimerDriven(false);
    auto line = std::make_unique<test::FakeLine>();
    line->open();
    model.session().setSerialLine(std::move(line));
    Session &s = model.session();
    s.setLink(LinkGsmModem);
    s.serialRecord().link = LinkGsmModem;
    s.serialRecord().commandCode = codes::Status;
    s.serialRecord().inProgress = true;
    model.dispatcher().intake("#STA:000001;L:300;first part only;");
    EXPECT_FALSE(model.dispatcher().accumulator().buffer().isEmpty());
    model.exchange().StartCommandExchange();
    EXPECT_TRUE(model.dispatcher().accumulator().buffer().isEmpty());
    EXPECT_EQ(model.dispatcher().accumulator().expectedLength(), 0);
}
