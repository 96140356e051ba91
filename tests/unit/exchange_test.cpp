#include "session/MainModel.h"
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;

namespace {

// A main model on a fake RS232 or GSM line with one device in the book.
struct ExchangeFixture : ::testing::Test {
    void SetUp() override
    {
        test::emptyPhoneBook(dir.path());
        setClock(&clock);
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
        model = std::make_unique<MainModel>(ModelOrvelA);
        model->exchange().setTimerDriven(false);
        QObject::connect(model.get(), &MainModel::pageMessage, [this](const PageMessage &m) { pages << m; });
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        book.SelectGsmEntry("000001");
    }
    void TearDown() override
    {
        model.reset();
        setClock(nullptr);
        SetupLog::setPath(QString());
        test::emptyPhoneBook(dir.path());
    }
    test::FakeLine *connect(int link = LinkRs232)
    {
        auto line = std::make_unique<test::FakeLine>();
        test::FakeLine *raw = line.get();
        line->open();
        model->session().setLink(Link(link));
        model->session().setSerialLine(std::move(line));
        model->session().serialRecord().link = Link(link);
        return raw;
    }
    void post() { QCoreApplication::processEvents(); } // deliver posted WM_USER+2
    QString status() const { return model->exchange().statusText(); }

    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(10, 44, 55))};
    test::RecordingSink sink;
    std::unique_ptr<MainModel> model;
    QList<PageMessage> pages;
};

} // namespace

TEST_F(ExchangeFixture, LostLineEndsTheRunningExchangeAtOnceAsConnectionError)
{
    for (const int link : {int(LinkRs232), int(LinkGsmModem)}) {
        SCOPED_TRACE(link);
        auto *line = connect(link);
        QList<std::pair<int, QString>> finished;
        const auto c = QObject::connect(model.get(), &MainModel::exchangeFinished,
                                        [&](int, int result, const QString &text) { finished.append({result, text}); });
        model->readBlock(1);
        post();
        ASSERT_TRUE(model->exchange().running());
        model->exchange().tick();
        line->lose(QStringLiteral("unplugged"));
        // Ended within the call, not 40 or 90 seconds later.
        EXPECT_FALSE(model->exchange().running());
        ASSERT_EQ(finished.size(), 1);
        EXPECT_EQ(finished[0].first, int(ResultLineLost));
        EXPECT_EQ(finished[0].second, "Connection Error");
        EXPECT_EQ(status(), "Connection Error");
        EXPECT_FALSE(model->serialOpen());
        EXPECT_TRUE(sink.last().contains("unplugged")) << sink.last().toStdString();
        QObject::disconnect(c);
        post();
    }
}

TEST_F(ExchangeFixture, Rs232TimeOutAfter40SecondsWithCountdown)
{
    auto *line = connect();
    model->readBlock(1);
    post();
    ASSERT_EQ(line->written, QList<QByteArray>{"111111#CHEACK1#"});
    EXPECT_TRUE(model->exchange().running());
    EXPECT_EQ(status(), "Command in progress");
    EXPECT_TRUE(model->exchange().progressVisible());
    EXPECT_EQ(model->session().serialRecord().resultCode, ResultNoReply);

    QStringList countdown;
    for (int tick = 0; tick <= 400; ++tick) {
        model->exchange().tick();
        countdown << model->exchange().stopButtonText();
        ASSERT_TRUE(model->exchange().running()) << tick;
    }
    EXPECT_EQ(countdown.first(), "Stop 40");
    EXPECT_EQ(countdown[399], "Stop 1");
    EXPECT_EQ(countdown.last(), "Stop 0");
    EXPECT_EQ(model->exchange().progressPosition(), 400 * 100 / 450);
    model->exchange().tick(); // tick 401
    EXPECT_FALSE(model->exchange().running());
    EXPECT_EQ(status(), "Command Time Out");
    EXPECT_EQ(model->exchange().resultPicture(), BitmapIdle);
    EXPECT_FALSE(model->exchange().progressVisible());
    EXPECT_FALSE(model->session().serialRecord().inProgress);
    EXPECT_EQ(model->session().serialRecord().commandCode, codes::None);
}

TEST_F(ExchangeFixture, GsmModemWaits90Seconds)
{
    auto *line = connect(LinkGsmModem);
    model->statusQuery();
    post();
    ASSERT_EQ(line->written, QList<QByteArray>{"AT+BJSD=10,0123456789,111111#STATUS#\r\n"});
    // The Send Command logs pane shows the unwrapped text.
    EXPECT_TRUE(model->sendLogs().contains("\r\n111111#STATUS#\r\n"));
    for (int tick = 0; tick <= 900; ++tick)
        model->exchange().tick();
    EXPECT_TRUE(model->exchange().running());
    EXPECT_EQ(model->exchange().progressPosition(), 100);
    EXPECT_EQ(model->exchange().stopButtonText(), "Stop 0");
    model->exchange().tick();
    EXPECT_EQ(status(), "Command Time Out");
}

TEST_F(ExchangeFixture, StopEndsAtTheNextTick)
{
    connect();
    model->versionQuery();
    post();
    model->stop();
    model->exchange().tick();
    EXPECT_FALSE(model->exchange().running());
    EXPECT_EQ(status(), "Command Time Out");
}

TEST_F(ExchangeFixture, ReplyEndsTheExchangeAtTheNextTick)
{
    auto *line = connect();
    model->readBlock(1);
    post();
    model->exchange().tick();
    line->reply("#STC1:TM:2612101044;PS:111111,222222;#");
    EXPECT_FALSE(model->session().serialRecord().inProgress);
    model->exchange().tick();
    EXPECT_EQ(status(), "Command Success");
    EXPECT_EQ(model->exchange().resultPicture(), BitmapSuccess);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].message, msg::Block1);
    EXPECT_EQ(pages[0].targets, unsigned(ToDeviceSetup | ToRelayOutput));
    // The display copy shortens the first value of a record to six characters.
    EXPECT_TRUE(model->dataLogs().contains("#STC1:TM:261;PS:111111,222222;#"));
}

// With its own timer, the exchange does not wait for the next tick: a reply
// that ends the command ends the exchange once the events posted by its
// handling (the page's record) have gone, and a reply that leaves the
// command open changes nothing.
TEST_F(ExchangeFixture, TimerDrivenExchangeEndsAsSoonAsTheReplyIsTaken)
{
    model->exchange().setTimerDriven(true);
    auto *line = connect();
    QList<int> order; // 0: a page message, 1: the exchange finished
    QObject::connect(model.get(), &MainModel::pageMessage, [&](const PageMessage &) { order << 0; });
    QObject::connect(model.get(), &MainModel::exchangeFinished, [&](int, int, const QString &) { order << 1; });
    model->readBlock(1);
    post();
    ASSERT_TRUE(model->exchange().running());
    line->reply("AT+BJSD OK"); // a modem's acknowledgement: no reply yet
    post();
    EXPECT_TRUE(model->exchange().running());
    EXPECT_TRUE(order.isEmpty());
    line->reply("#STC1:TM:2612101044;PS:111111,222222;#");
    EXPECT_TRUE(model->exchange().running()); // posted, not within the intake
    post();
    EXPECT_FALSE(model->exchange().running());
    EXPECT_EQ(status(), "Command Success");
    EXPECT_EQ(order, QList<int>({0, 1}));
}

TEST_F(ExchangeFixture, GuardRefusesWhileInProgress)
{
    auto *line = connect();
    model->readBlock(1);
    post();
    model->readBlock(2);
    EXPECT_EQ(sink.last(), "Command is Progress , Don't Disconnect!");
    EXPECT_EQ(line->written.size(), 1);
}

TEST_F(ExchangeFixture, GuardRefusalsInOrder)
{
    connect();
    struct Case {
        GsmEntry entry;
        QString message;
    };
    const Case cases[] = {
        {{"", "1", "1", "1"}, "Before Setup Command ,please Select Device ID!"},
        {{"000009", "", "1", "1"}, "Device Phone Number is NULL ,please Edit Phone Book!"},
        {{"000009", "1", "", "1"}, "Device QueryPassword is NULL ,please Edit Phone Book!"},
        {{"000009", "1", "1", ""}, "Device SetupPassword is NULL ,please Edit Phone Book!"},
    };
    for (const Case &c : cases) {
        test::emptyPhoneBook(dir.path());
        PhoneBook book;
        if (!c.entry.id.isEmpty()) {
            book.AddGsmEntry(c.entry.id, c.entry.phone, c.entry.enquiryPassword, c.entry.setupPassword);
            book.SelectGsmEntry(c.entry.id);
        }
        sink.clear();
        model->readBlock(1);
        EXPECT_EQ(sink.texts(), QStringList{c.message});
    }
}

TEST_F(ExchangeFixture, SetupLogHasOneLinePerStartedExchange)
{
    auto *line = connect();
    model->readBlock(1);
    post();
    model->stop();
    model->exchange().tick();
    clock.advanceMs(1000);
    model->session().setLink(LinkGsmModem);
    model->session().serialRecord().link = LinkGsmModem;
    model->readBlock(3);
    post();
    line->reply("#STC3:OUT1:1;#");
    model->exchange().tick();
    QFile f(SetupLog::path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "2026-12-10 10:44:55  111111#CHEACK1#\r\n"
                           "2026-12-10 10:44:56  AT+BJSD=10,0123456789,111111#CHEACK3#\r\n\r\n");
}

TEST_F(ExchangeFixture, WriteFailureStartsNothing)
{
    auto *line = connect();
    line->failWrites = true;
    model->readBlock(1);
    post();
    EXPECT_FALSE(model->exchange().running());
    EXPECT_TRUE(model->sendLogs().isEmpty());
    EXPECT_FALSE(QFile::exists(SetupLog::path()));
}

TEST_F(ExchangeFixture, ChoosingADeviceSendsTheConnectTimeQuery)
{
    auto *line = connect();
    model->chooseSerialDevice("");
    EXPECT_EQ(sink.last(), "Before Query Command ,please Select Device ID!");
    model->chooseSerialDevice("000001");
    ASSERT_EQ(line->written, QList<QByteArray>{"111111#STATUS#"});
    EXPECT_EQ(model->session().serialRecord().commandCode, codes::ConnectStatus);
    EXPECT_TRUE(model->exchange().running());
    bool enabled = false;
    QObject::connect(model.get(), &MainModel::settingsSheetEnabled, [&](bool on) { enabled = on; });
    line->reply("#STA:000001;L:120;A00:+23.5;K01:0101;O01:10;TM:2612101044;");
    EXPECT_TRUE(model->session().verified());
    EXPECT_TRUE(enabled);
    EXPECT_EQ(model->session().profile().analogCount, 15);
    EXPECT_EQ(model->session().profile().digitalCount, 4);
    EXPECT_EQ(model->session().profile().relayCount, 2);
    EXPECT_EQ(model->session().serialRecord().stationIdText, "000001");
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].message, msg::FirstStatus);
    EXPECT_EQ(pages[0].targets, unsigned(ToAnalogChannel | ToDigitalChannel | ToRelayOutput | ToDataRecord));
    model->exchange().tick();
    EXPECT_EQ(status(), "Command Success");

    // Refusals
    line->written.clear();
    model->session().serialRecord().inProgress = true;
    model->chooseSerialDevice("000001");
    EXPECT_EQ(sink.last(), "Command is in progress");
    model->session().serialRecord().inProgress = false;
    EXPECT_TRUE(line->written.isEmpty());
}
