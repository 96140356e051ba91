#include "gui/MainWindow.h"
#include "gui/pages/BatchSetupPage.h"

#include <QTableView>
#include "base/Clock.h"
#include "session/LogPanes.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"
#include "gui/common/PlaceholderPage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kaspen;

namespace {

struct ButtonsFixture : ::testing::Test {
    void SetUp() override
    {
        test::emptyPhoneBook(dir.path());
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
    }
    void TearDown() override
    {
        SetupLog::setPath(QString());
        test::emptyPhoneBook(dir.path());
    }
    void addDevice()
    {
        PhoneBook book;
        book.AddGsmEntry("000001", "0123456789", "111111", "222222");
        book.SelectGsmEntry("000001");
    }
    test::FakeLine *connect(MainWindow &w)
    {
        auto line = std::make_unique<test::FakeLine>();
        test::FakeLine *raw = line.get();
        line->open();
        w.session().setSerialLine(std::move(line));
        w.session().serialRecord().link = w.session().link();
        return raw;
    }
    QTemporaryDir dir;
    test::RecordingSink sink;
};

} // namespace

TEST_F(ButtonsFixture, RefusalsOfTheReadParametersGroup)
{
    struct Case {
        const char *name;
        int model;
        int link;
        bool device;
        bool connected;
        const char *button;
        QString message;
    };
    const Case cases[] = {
        {"M ver on RS232", ModelOrvelA, LinkRs232, true, true, "modemVersion", "Please select GSM Modem first."},
        {"M ver, port closed", ModelOrvelA, LinkGsmModem, true, false, "modemVersion", "Before Setup Command ,please Connect!"},
        {"M test, port closed", ModelOrvelA, LinkGsmModem, true, false, "batch", "Before Setup Command ,please Connect!"},
        {"Batch without a device", ModelOrvelA, LinkRs232, false, true, "batch", "Before Setup Command ,please Select Device ID!"},
        {"#1 without a device", ModelOrvelA, LinkRs232, false, true, "read1", "Before Setup Command ,please Select Device ID!"},
        {"Init, port closed", ModelOrvelA, LinkRs232, true, false, "init", "First please Select Port to Connect!"},
        {"#1, port closed", ModelOrvelA, LinkRs232, true, false, "read1", "First please Select Port to Connect!"},
        {"#1 on Ethernet", ModelOrvelB, LinkEthernet, true, false, "read1", "Before Setup Command ,please Connect First!"},
        {"Ver on Ethernet", ModelOrvelB, LinkEthernet, true, false, "ver", "Before Setup Command ,please Connect First!"},
        {"Init on Ethernet", ModelOrvelB, LinkEthernet, true, false, "init", "Before Setup Command ,please Connect First!"},
        {"Batch on Ethernet", ModelOrvelB, LinkEthernet, true, false, "batch", "Before Setup Command ,please Connect First!"},
        {"Clear without a device", ModelOrvelA, LinkRs232, false, true, "clear", "Before Setup Command ,please Select Device ID!"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::emptyPhoneBook(dir.path());
        if (c.device)
            addDevice();
        MainWindow w(c.model);
        w.show();
        if (c.link == LinkGsmModem)
            w.selectLinkRadio(LinkGsmModem);
        if (c.connected)
            connect(w);
        sink.clear();
        // Hidden buttons are still reached through the model, as a key would.
        if (std::string(c.button) == "modemVersion")
            w.model().modemVersion();
        else
            w.button(c.button)->click();
        EXPECT_EQ(sink.texts(), QStringList{c.message});
        EXPECT_FALSE(w.model().exchange().running());
    }
}

TEST_F(ButtonsFixture, QueryButtonsSendAndShowTheirPage)
{
    addDevice();
    MainWindow w(ModelOrvelA);
    w.show();
    auto *line = connect(w);
    struct Case {
        const char *button;
        QByteArray text;
        int page;
    };
    const Case cases[] = {
        {"read1", "111111#CHEACK1#", 0},
        {"read2", "111111#CHEACK2#", 1},
        {"read3", "111111#CHEACK3#", 3},
        {"ver", "111111#CHECKVR", 0},
        {"status", "111111#STATUS#", -1},
    };
    for (const Case &c : cases) {
        w.settingsSheet()->setCurrentIndex(5);
        line->written.clear();
        w.button(c.button)->click();
        EXPECT_EQ(line->written, QList<QByteArray>{c.text}) << c.button;
        EXPECT_EQ(w.settingsSheet()->currentIndex(), c.page < 0 ? 5 : c.page) << c.button;
        EXPECT_TRUE(w.model().sendLogs().startsWith(kaspen::formatTime(kaspen::clock().now(), "->[%m/%d/%y")));
        QCoreApplication::processEvents(); // the posted start
        EXPECT_TRUE(w.model().exchange().running());
        w.model().stop();
        w.model().exchange().tick();
    }
}

TEST_F(ButtonsFixture, InitConfirmsThenHandsOverToBatchSetup)
{
    addDevice();
    MainWindow w(ModelOrvelA);
    w.show();
    connect(w);
    QList<PageMessage> batch;
    QObject::connect(&w, &MainWindow::pageMessageDelivered, [&](unsigned target, const PageMessage &m) {
        if (target == ToBatchSetup)
            batch << m;
    });
    sink.answer = false;
    w.button("init")->click();
    ASSERT_EQ(sink.questions.size(), 1);
    EXPECT_TRUE(sink.questions[0].startsWith("Please confirm to initialize the device."));
    EXPECT_TRUE(batch.isEmpty());

    sink.answer = true;
    w.session().profile().humidityCalibration = true;
    w.button("init")->click();
    ASSERT_EQ(batch.size(), 2);
    EXPECT_EQ(batch[0].message, msg::LoadDefaultFile);
    EXPECT_EQ(batch[0].lParam, ModelOrvelA);
    EXPECT_EQ(batch[1].message, msg::RunInit);
    // The Batch Setup page lists the default file and runs it.
    EXPECT_GE(w.batchSetupPage()->listView()->model()->rowCount(), 40);
    EXPECT_TRUE(w.batchSetupPage()->model().running());
    EXPECT_EQ(w.settingsSheet()->currentIndex(), 7);
    EXPECT_FALSE(w.session().profile().humidityCalibration);
}

TEST_F(ButtonsFixture, BatchAndClearReachThePages)
{
    addDevice();
    MainWindow w(ModelOrvelA);
    w.show();
    connect(w);
    QList<PageMessage> batch;
    QObject::connect(&w, &MainWindow::pageMessageDelivered, [&](unsigned target, const PageMessage &m) {
        if (target == ToBatchSetup)
            batch << m;
    });
    w.button("batch")->click();
    ASSERT_EQ(batch.size(), 1);
    EXPECT_EQ(batch[0].message, msg::BatchNotice);
    EXPECT_EQ(batch[0].wParam, 1);
    EXPECT_EQ(batch[0].lParam, 1);
    EXPECT_EQ(w.settingsSheet()->currentIndex(), 7);
    EXPECT_TRUE(w.batchSetupPage()->model().bandFlag());

    batch.clear();
    unsigned cleared = 0;
    QObject::connect(&w, &MainWindow::pageMessageDelivered, [&](unsigned target, const PageMessage &m) {
        if (m.message == msg::ClearFields)
            cleared |= target;
    });
    w.button("clear")->click();
    EXPECT_EQ(cleared, unsigned(ToDeviceSetup | ToAnalogChannel | ToDigitalChannel | ToRelayOutput | ToAdAlarmMessage
                                | ToInAlarmMessage | ToDataRecord | ToEthernetSetting));
    EXPECT_TRUE(batch.isEmpty());
}

TEST_F(ButtonsFixture, EnterTriggersReadBlock1AndCtrlIResets)
{
    addDevice();
    MainWindow w(ModelOrvelA);
    w.show();
    QApplication::setActiveWindow(&w);
    auto *line = connect(w);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_EQ(line->written, QList<QByteArray>{"111111#CHEACK1#"});
    QCoreApplication::processEvents();
    w.model().stop();
    w.model().exchange().tick();

    line->written.clear();
    // The key goes to the focused control, as a real key press would.
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget *>(&w);
    QKeyEvent ctrlI(QEvent::KeyPress, Qt::Key_I, Qt::ControlModifier, QStringLiteral("\t"));
    QApplication::sendEvent(focus, &ctrlI);
    EXPECT_EQ(line->written, QList<QByteArray>{"222222#RESET#"});
    EXPECT_TRUE(w.model().exchange().running()); // started at once, nothing posted
    EXPECT_EQ(w.session().serialRecord().commandCode, codes::Reset);

    // While it runs, Ctrl+I is refused by the guard.
    sink.clear();
    QApplication::sendEvent(focus, &ctrlI);
    EXPECT_EQ(sink.texts(), QStringList{"Command is Progress , Don't Disconnect!"});
    EXPECT_EQ(line->written.size(), 1);
}

TEST_F(ButtonsFixture, ModemCommandsGoToTheModemAsTheyAre)
{
    addDevice();
    MainWindow w(ModelOrvelA);
    w.show();
    w.selectLinkRadio(LinkGsmModem);
    auto *line = connect(w);
    w.button("batch")->click(); // "M test"
    EXPECT_EQ(line->written, QList<QByteArray>{"AT+BJTE\r\n"});
    EXPECT_EQ(w.session().serialRecord().lastText, "AT+BJTE\r\n");
    EXPECT_EQ(w.session().serialRecord().commandCode, codes::Version);
    EXPECT_TRUE(w.model().sendLogs().contains("AT+BJTE"));
    QCoreApplication::processEvents();
    w.model().stop();
    w.model().exchange().tick();

    line->written.clear();
    w.button("modemVersion")->click();
    EXPECT_EQ(line->written, QList<QByteArray>{"AT+BJDS\r\n"});
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.last().toStdString();
}
