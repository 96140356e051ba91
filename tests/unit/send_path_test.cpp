// The one send path and the one command guard of the session, by carrier.

#include "session/Session.h"
#include "support/PageFixture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace kaspen;
using kaspen::test::PageFixture;

TEST(SendPath, FramesStoresWritesStartsAndLogsOnTheActiveCarrier)
{
    struct Case {
        const char *name;
        Link link;
        Outgoing::Framing framing;
        QByteArray written;
        QByteArray recorded;
    };
    const Case cases[] = {
        {"rs232", LinkRs232, Outgoing::Framing::ForLink, "111111#STATUS#", "111111#STATUS#"},
        {"gsm modem", LinkGsmModem, Outgoing::Framing::ForLink, "AT+BJSD=10,0123456789,111111#STATUS#\r\n",
         "AT+BJSD=10,0123456789,111111#STATUS#\r\n"},
        {"gsm modem, as is", LinkGsmModem, Outgoing::Framing::AsIs, "111111#STATUS#", "111111#STATUS#"},
        {"ethernet", LinkEthernet, Outgoing::Framing::ForLink, "111111#STATUS#", "111111#STATUS#"},
    };
    for (const Case &c : cases) {
        PageFixture f(ModelOrvelB, c.link);
        int started = 0;
        QObject::connect(&f.session, &Session::commandSent, [&] { ++started; });
        Outgoing out;
        out.code = codes::Status;
        out.text = "111111#STATUS#";
        out.framing = c.framing;
        out.log = Outgoing::Log::AsSent;
        ASSERT_TRUE(f.session.send(out)) << c.name;
        EXPECT_EQ(f.sent(), QList<QByteArray>{c.written}) << c.name;
        // The other carrier stays untouched.
        EXPECT_EQ((c.link == LinkEthernet ? f.line : f.ethernetLine)->written.size(), 0) << c.name;
        EXPECT_EQ(f.session.activeRecord().lastText, c.recorded) << c.name;
        EXPECT_EQ(f.session.activeRecord().commandCode, codes::Status) << c.name;
        EXPECT_EQ(f.logs, QList<QByteArray>{c.written}) << c.name;
        EXPECT_EQ(started, 0) << c.name; // posted
        QCoreApplication::processEvents();
        EXPECT_EQ(started, 1) << c.name;
    }
}

TEST(SendPath, StartHexFormRouteAndClosedCarrier)
{
    PageFixture f(ModelOrvelB, LinkEthernet);
    int started = 0;
    QObject::connect(&f.session, &Session::commandSent, [&] { ++started; });

    // Once, no exchange, an empty last text.
    Outgoing once;
    once.code = codes::EthernetSetup;
    once.text = "222222#SE:0#";
    once.keepText = false;
    once.start = Outgoing::Start::None;
    ASSERT_TRUE(f.session.send(once));
    EXPECT_EQ(f.ethernetLine->written.last(), "222222#SE:0#");
    EXPECT_TRUE(f.session.ethernetRecord().lastText.isEmpty());
    EXPECT_EQ(f.session.ethernetRecord().commandCode, codes::EthernetSetup);
    QCoreApplication::processEvents();
    EXPECT_EQ(started, 0);
    EXPECT_TRUE(f.logs.isEmpty());

    // The hexadecimal form is written as bytes; the record keeps the text.
    Outgoing hex;
    hex.code = codes::Batch;
    hex.text = "222222#AGR:01###";
    hex.hexForm = "41 42 01";
    hex.start = Outgoing::Start::AtOnce;
    ASSERT_TRUE(f.session.send(hex));
    EXPECT_EQ(started, 1); // at once
    EXPECT_EQ(f.ethernetLine->written.last(), QByteArray("AB\x01", 3));
    EXPECT_EQ(f.session.ethernetRecord().lastText, "222222#AGR:01###");

    // The serial route ignores the link.
    Outgoing reset;
    reset.code = codes::Reset;
    reset.text = "222222#RESET#";
    reset.route = Route::Serial;
    ASSERT_TRUE(f.session.send(reset));
    EXPECT_EQ(f.line->written, QList<QByteArray>{"222222#RESET#"});
    EXPECT_EQ(f.session.serialRecord().commandCode, codes::Reset);

    // A closed carrier: nothing written, the message shown when asked.
    f.ethernetLine->close();
    Outgoing closed;
    closed.code = codes::Status;
    closed.text = "111111#STATUS#";
    closed.closedMessage = QStringLiteral("First please Select Port to Connect!");
    EXPECT_FALSE(f.session.send(closed));
    EXPECT_EQ(f.sink.texts(), QStringList{"First please Select Port to Connect!"});
    EXPECT_EQ(f.ethernetLine->written.size(), 2);
}

TEST(SendPath, PagesSetupStateTextsKeepTheSetupPasswordInTheEthernetRecord)
{
    for (const int code : {codes::SaveAndExit, codes::EthernetSetup, codes::Status}) {
        PageFixture f(ModelOrvelB, LinkEthernet);
        const QByteArray pw = f.session.phoneBook().CurrentEthernetEntry().setupPassword;
        ASSERT_FALSE(pw.isEmpty());
        ASSERT_TRUE(f.session.SubmitCommand(code, "#SE:1#"));
        EXPECT_EQ(f.sent(), QList<QByteArray>{"#SE:1#"}) << code; // sent as given
        EXPECT_EQ(f.session.ethernetRecord().lastText, code == codes::Status ? QByteArray("#SE:1#") : pw + "#SE:1#")
            << code;
        EXPECT_EQ(f.session.ethernetRecord().commandCode, code);
    }
}

TEST(CommandGuard, WordingPerCallerAndCarrier)
{
    struct Case {
        const char *name;
        Link link;
        CommandGuard guard;
        std::function<void(PageFixture &)> setUp;
        QString message; // empty: passes silently
        bool passes;
    };
    CommandGuard relay = CommandGuard::settingsPage();
    relay.notConnectedEthernet = relay.notConnectedSerial;
    relay.missingSerial = QStringLiteral("empty");
    relay.nullPhonePasses = false;
    auto noPhone = [](PageFixture &f) { f.setEntry("000001", "", "111111", "222222"); };
    const Case cases[] = {
        {"main, ethernet, no id", LinkEthernet, CommandGuard::mainWindow(),
         [](PageFixture &f) { f.setEntry("", "0123456789", "111111", "222222"); },
         "Before Setup Command ,please Select Connection ID!", false},
        {"main, serial, busy", LinkRs232, CommandGuard::mainWindow(),
         [](PageFixture &f) { f.session.serialRecord().inProgress = true; }, "Command is Progress , Don't Disconnect!",
         false},
        {"main, ethernet closed, connect first", LinkEthernet, CommandGuard::mainWindow(Route::Active, true),
         [](PageFixture &f) { f.ethernetLine->close(); }, "Before Setup Command ,please Connect First!", false},
        {"main, serial route on ethernet", LinkEthernet, CommandGuard::mainWindow(Route::Serial),
         [](PageFixture &f) { f.session.ethernetRecord().inProgress = true; }, "", true},
        {"page, serial closed", LinkRs232, CommandGuard::settingsPage(), [](PageFixture &f) { f.line->close(); },
         "Before Setup Command ,please Connect!", false},
        {"page, NULL phone", LinkRs232, CommandGuard::settingsPage(),
         [](PageFixture &f) { f.setEntry("000001", "NULL", "", ""); }, "command success", true},
        {"page, no phone, ethernet", LinkEthernet, CommandGuard::settingsPage(), noPhone,
         "Device Phone Number is NULL ,please Edit Phone Book!", false},
        {"relay, no phone, serial", LinkRs232, relay, noPhone, "Device Phone Number is empty ,please Edit Phone Book!",
         false},
        {"relay, ethernet closed", LinkEthernet, relay, [](PageFixture &f) { f.ethernetLine->close(); },
         "Before Setup Command ,please Connect!", false},
    };
    for (const Case &c : cases) {
        PageFixture f(ModelOrvelB, c.link);
        c.setUp(f);
        EXPECT_EQ(f.session.guard(c.guard), c.passes) << c.name;
        EXPECT_EQ(f.sink.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message}) << c.name;
    }
}
