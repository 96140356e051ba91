// The main window's field tools: the port list says what each port is and
// follows adapters that come and go, the log is saved as one file, and the
// state of a command over the GSM modem shows in the status area.

#include "gui/MainWindow.h"
#include "links/PortCatalog.h"
#include "links/SerialLine.h"
#include "session/LogPanes.h"
#include "support/FakeLine.h"
#include "support/PhoneBookScratch.h"
#include "support/RecordingSink.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kaspen;

namespace {

struct FieldToolsWindow : ::testing::Test {
    void SetUp() override
    {
        test::emptyPhoneBook(dir.path());
        SetupLog::setPath(dir.filePath("SetupLog.txt"));
    }
    void TearDown() override
    {
        SetupLog::setPath(QString());
        PhoneBook::resetSharedState();
    }
    QStringList items(const QComboBox *c)
    {
        QStringList l;
        for (int i = 0; i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    }
    QTemporaryDir dir;
    test::RecordingSink sink;
};

TEST_F(FieldToolsWindow, PortListSaysWhatEachPortIsAndKeepsATypedPath)
{
    MainWindow w(ModelOrvelA);
    QList<PortDescription> now{{"/dev/ttyS0", "", "", ""}, {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI"}};
    w.portWatcher().setSource([&now] { return now; });
    w.portWatcher().poll();
    QComboBox *ports = w.portList();
    EXPECT_EQ(items(ports), QStringList({demoPortName(), "/dev/ttyS0", "/dev/ttyUSB0 \u2014 FT232R USB UART, FTDI (A50285BI)"}));

    ports->setEditText(QStringLiteral("/tmp/x/b"));
    now.removeLast(); // the adapter is pulled
    w.portWatcher().poll();
    EXPECT_EQ(items(ports), QStringList({demoPortName(), "/dev/ttyS0"}));
    EXPECT_EQ(ports->currentText(), QStringLiteral("/tmp/x/b"));

    ports->setCurrentIndex(1);
    now.append({"/dev/ttyUSB3", "FT232R USB UART", "FTDI", "A50285BI"});
    w.portWatcher().poll();
    EXPECT_EQ(ports->currentText(), QStringLiteral("/dev/ttyS0"));
}

TEST_F(FieldToolsWindow, SaveLogWritesEveryEntryAndSmsStatesShow)
{
    PhoneBook book;
    book.AddGsmEntry("000001", "0123456789", "111111", "222222");
    book.SelectGsmEntry("000001");
    MainWindow w(ModelOrvelA);
    w.model().exchange().setTimerDriven(false);
    w.model().selectLink(LinkGsmModem);
    auto owned = std::make_unique<test::FakeLine>();
    test::FakeLine *line = owned.get();
    line->open();
    w.session().setSerialLine(std::move(owned));
    w.session().serialRecord().link = LinkGsmModem;

    w.model().versionQuery();
    QCoreApplication::processEvents();
    line->reply("AT+BJSD\r\nOK\r\nmessage send\r\n");
    EXPECT_TRUE(w.smsStateLabel()->text().startsWith(QStringLiteral("SMS 111111#CHECKVR: message send ")))
        << w.smsStateLabel()->text().toStdString();
    line->reply("V2.13");

    const QString path = dir.filePath("session.log");
    ASSERT_TRUE(w.saveLog(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(" \u2192 GSM Modem AT+BJSD=10,0123456789,111111#CHECKVR\\r\\n")) << lines[0].toStdString();
    EXPECT_TRUE(lines[2].endsWith(" \u2190 GSM Modem V2.13"));

    EXPECT_FALSE(w.saveLog(dir.filePath("no/such/dir/session.log")));
    ASSERT_FALSE(sink.shown.isEmpty());
    EXPECT_EQ(sink.shown.last().kind, MessageKind::Error);
}

} // namespace
